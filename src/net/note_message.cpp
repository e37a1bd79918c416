#include "net/note_message.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <ctime>

#include "platform/text_encoding.h"
#include "store/note_store.h"

namespace kd {

namespace {

bool is_blank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Characters, not bytes: continuation bytes of UTF-8 do not count.
std::size_t character_count(std::string_view text) {
    return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

std::int32_t to_int32(long long v) {
    return static_cast<std::int32_t>(std::clamp<long long>(v, INT32_MIN, INT32_MAX));
}

// Colours travel as the signed value of the 32-bit colour; an unsigned spelling of the same
// bits is accepted too.
ColorRef to_color(long long v) {
    if (v >= INT32_MIN && v <= static_cast<long long>(UINT32_MAX)) {
        return static_cast<ColorRef>(static_cast<std::uint32_t>(v));
    }
    return static_cast<ColorRef>(static_cast<std::uint32_t>(to_int32(v)));
}

std::uint8_t to_charset(long long v) {
    return static_cast<std::uint8_t>(static_cast<std::uint32_t>(to_int32(v)) & 0xFF);
}

void append_field(std::string& out, std::string_view value) {
    out.append(value);
    out.push_back(kFieldSeparator);
}

void append_number(std::string& out, long long value) {
    char text[24];
    std::snprintf(text, sizeof text, "%lld", value);
    append_field(out, text);
}

}  // namespace

bool is_email_address(std::string_view text) {
    if (text.find('@') == std::string_view::npos || text.find('.') == std::string_view::npos) {
        return false;
    }
    const long long len = static_cast<long long>(text.size());
    for (long long back : {5, 4, 3}) {
        long long pos = std::max(0LL, len - back);
        if (pos < len && text[static_cast<std::size_t>(pos)] == '.') {
            return true;
        }
    }
    return false;
}

bool is_ip_address(std::string_view text) {
    if (is_email_address(text)) {
        return false;
    }
    int dots = 0;
    for (char c : text) {
        if (c == '.') {
            ++dots;
        } else if (c < '0' || c > '9') {
            return false;
        }
    }
    return dots >= 2 && dots <= 5;
}

AddressKind classify_address(std::string_view text) {
    if (is_email_address(text)) {
        return AddressKind::Email;
    }
    return is_ip_address(text) ? AddressKind::Ip : AddressKind::ComputerName;
}

std::string wire_sender_identity(std::string_view identity) {
    std::string out(identity);
    if (is_email_address(identity) || identity.starts_with(kNamePrefix)) {
        return out;
    }
    for (char& c : out) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return out;
}

std::string build_note_message(std::string_view sender_identity, const NoteRecord& r) {
    std::string body;
    body.reserve(r.EditText.size());
    for (char c : r.EditText) {
        if (c == '\n') {
            body.push_back('|');
        } else if (c != '\r') {
            body.push_back(c);
        }
    }
    auto color = [](ColorRef c) { return static_cast<long long>(static_cast<std::int32_t>(c)); };

    std::string out;
    out.reserve(body.size() + 512);
    append_field(out, sender_identity);
    append_field(out, body);
    append_field(out, r.EditFont);
    append_field(out, r.EditFontType);
    append_number(out, color(r.EditBackColor));
    append_number(out, color(r.EditTextColor));
    append_number(out, r.EditFontSize);
    append_number(out, r.EditCharSet);
    append_field(out, r.TitleText);
    append_field(out, r.TitleFont);
    append_field(out, r.TitleFontType);
    append_number(out, color(r.TitleBackColor));
    append_number(out, color(r.TitleTextColor));
    append_number(out, r.TitleFontSize);
    append_number(out, r.TitleCharSet);
    append_number(out, r.Left);
    append_number(out, r.Top);
    append_number(out, r.Height);
    append_number(out, r.Width);
    append_field(out, r.Border);
    append_field(out, r.Expiration);
    append_field(out, r.Alarm);
    return out;
}

std::string build_stored_note_message(const NoteStore& store, std::string_view sender_identity,
                                      int note_number) {
    NoteRecord record;
    store.read_record(note_number, record);
    return build_note_message(sender_identity, record);
}

bool is_complete_message(std::string_view text) {
    return !text.empty() && text.back() == kFieldSeparator;
}

long long leading_integer(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && is_blank(text[i])) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    long long value = 0;
    constexpr long long kLimit = LLONG_MAX / 10 - 10;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        if (value < kLimit) {
            value = value * 10 + (text[i] - '0');
        }
    }
    return negative ? -value : value;
}

namespace {

// Fields 1-7: the body and its look. False rejects the message.
bool read_body_field(int index, std::string_view field, NoteRecord& r) {
    switch (index) {
        case kFieldBody: {
            std::string body(field);
            std::replace(body.begin(), body.end(), '|', '\n');
            // "|" is a line break on the wire, so a body of blanks and bars is empty too.
            if (std::all_of(body.begin(), body.end(), is_blank)) {
                return false;
            }
            r.EditText = std::move(body);
            break;
        }
        case kFieldBodyFont:
            if (character_count(field) > kMaxFontNameLength) {
                return false;
            }
            r.EditFont.assign(field);
            break;
        case kFieldBodyFontType:
            r.EditFontType.assign(field);
            break;
        case kFieldBodyBackColor:
            r.EditBackColor = to_color(leading_integer(field));
            break;
        case kFieldBodyTextColor:
            r.EditTextColor = to_color(leading_integer(field));
            break;
        case kFieldBodyFontSize:
            r.EditFontSize = to_int32(leading_integer(field));
            break;
        case kFieldBodyCharSet:
            r.EditCharSet = to_charset(leading_integer(field));
            break;
        default:
            break;
    }
    return true;
}

// A named note's title is its sender and the arrival time, in the received-title font; an
// anonymous note keeps the title and font it was sent with.
void form_title(std::string_view field, bool named, int hour, int minute, NoteRecord& r) {
    if (named) {
        char time[16];
        std::snprintf(time, sizeof time, "%02d:%02d", hour, minute);
        r.TitleText += ' ';
        r.TitleText += time;
        r.TitleFont.assign(kReceivedTitleFont);
        r.TitleFontType.assign(kReceivedTitleFontType);
        r.TitleFontSize = kReceivedTitleFontSize;
    } else {
        r.TitleText.assign(kAnonymousSender);
        r.TitleText += ' ';
        r.TitleText.append(field);
    }
}

// Fields 8-14: the title and its look. False rejects the message.
bool read_title_field(int index, std::string_view field, bool named, int hour, int minute,
                      NoteRecord& r) {
    switch (index) {
        case kFieldTitleText:
            form_title(field, named, hour, minute, r);
            break;
        case kFieldTitleFont:
            if (!named) {
                if (character_count(field) > kMaxFontNameLength) {
                    return false;
                }
                r.TitleFont.assign(field);
            }
            break;
        case kFieldTitleFontType:
            if (!named) {
                r.TitleFontType.assign(field);
            }
            break;
        case kFieldTitleBackColor:
            r.TitleBackColor = to_color(leading_integer(field));
            break;
        case kFieldTitleTextColor:
            r.TitleTextColor = to_color(leading_integer(field));
            break;
        case kFieldTitleFontSize:
            if (!named) {
                r.TitleFontSize = to_int32(leading_integer(field));
            }
            break;
        case kFieldTitleCharSet:
            r.TitleCharSet = to_charset(leading_integer(field));
            break;
        default:
            break;
    }
    return true;
}

// Fields 15 on: size, border and reminders. A received note keeps the place of a new note, and
// extra fields do no harm.
void read_frame_field(int index, std::string_view field, NoteRecord& r) {
    switch (index) {
        case kFieldHeight:
            r.Height = to_int32(leading_integer(field));
            break;
        case kFieldWidth:
            r.Width = to_int32(leading_integer(field));
            break;
        case kFieldBorder:
            r.Border.assign(field);
            break;
        case kFieldExpiration:
            r.Expiration.assign(field);
            break;
        case kFieldAlarm:
            r.Alarm.assign(field);
            break;
        default:
            break;
    }
}

}  // namespace

ParsedMessage parse_note_message(std::string_view text, int hour, int minute) {
    ParsedMessage result;
    NoteRecord& r = result.record;
    int index = 0;
    for (std::size_t end; (end = text.find(kFieldSeparator)) != std::string_view::npos;) {
        std::string_view field = text.substr(0, end);
        text.remove_prefix(end + 1);
        const bool named = !result.anonymous;
        if (index == kFieldSender) {
            result.anonymous = field.empty() || field == kAnonymousSender;
            // Kept until the title is formed at field 8.
            r.TitleText.assign(field);
        } else if (index <= kFieldBodyCharSet) {
            if (!read_body_field(index, field, r)) {
                result.rejected_field = index;
                r.TitleText.clear();
                return result;
            }
        } else if (index <= kFieldTitleCharSet) {
            if (!read_title_field(index, field, named, hour, minute, r)) {
                result.rejected_field = index;
                return result;
            }
        } else {
            read_frame_field(index, field, r);
        }
        if (index < kMessageFieldCount) {
            ++index;
        }
    }
    result.fields_read = index;
    // Without a title field the sender identity is no title.
    if (index <= kFieldTitleText) {
        r.TitleText.clear();
    }
    return result;
}

}  // namespace kd
