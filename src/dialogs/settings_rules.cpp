#include "dialogs/settings_rules.h"

#include <algorithm>
#include <charconv>

#include "dialogs/settings_texts.h"
#include "net/note_message.h"
#include "store/note_store.h"
#include "store/style_letters.h"
#include "store/value_text.h"

namespace kd::settings_rules {

namespace st = settings_texts;
namespace sd = send_dialog;

namespace {

constexpr int kMinWidth = 60;
constexpr int kMinHeight = 30;
constexpr long long kLowestPort = 1025;
constexpr long long kHighestPort = 65534;

std::string_view yes_no(bool yes) {
    return yes ? store_texts::kYes : store_texts::kNo;
}

bool is_align_letter(char c) {
    return c == 'L' || c == 'C' || c == 'R';
}

std::string without(std::string_view text, bool (*drop)(char)) {
    std::string out;
    for (char c : text) {
        if (!drop(c))
            out += c;
    }
    return out;
}

// The whole text as a decimal integer; 0 when it is not one.
int whole_number(std::string_view text) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return (error == std::errc() && end == text.data() + text.size()) ? value : 0;
}

}  // namespace

bool yes_unless_other(std::string_view v) {
    return v.empty() || v == store_texts::kYes;
}

bool yes_only_when_yes(std::string_view v) {
    return v == store_texts::kYes;
}

bool yes_when_set(std::string_view v) {
    return !v.empty() && v != store_texts::kNo;
}

int date_format_index(std::string_view format) {
    for (int i = 0; i < 4; ++i) {
        if (format == st::kDateFormats[i])
            return i;
    }
    return -1;
}

int change_theme_index(std::string_view v) {
    return (v.empty() || v == store_texts::kChangeThemeAll) ? 0 : 1;
}

const char* change_theme_value(int index) {
    return index == 0 ? store_texts::kChangeThemeAll.data()
                      : store_texts::kChangeThemeColors.data();
}

int after_send_index(std::string_view v) {
    return v == store_texts::kAfterSendShowIcon ? 0 : 1;
}

int picture_format_index(std::string_view v) {
    if (v == store_texts::kPictureJpg)
        return 0;
    if (v == store_texts::kPictureBmp)
        return 1;
    return -1;
}

std::string text_or(std::string_view v, std::string_view fallback) {
    return std::string(v.empty() ? fallback : v);
}

Align title_align(std::string_view t) {
    if (t.find('L') != std::string_view::npos)
        return Align::Left;
    if (t.find('C') != std::string_view::npos)
        return Align::Center;
    if (t.find('R') != std::string_view::npos)
        return Align::Right;
    return Align::None;
}

std::string with_title_align(std::string_view title_font_type, Align align) {
    std::string out = without(title_font_type, is_align_letter);
    if (align != Align::None)
        out += "LCR"[static_cast<int>(align)];
    return out;
}

std::string font_description(std::string_view face, int size, std::string_view font_type) {
    std::string letters = without(font_type, is_align_letter);
    if (letters.empty())
        letters = "R";
    return " " + std::string(face) + ", " + std::to_string(size) + ", " + letters;
}

std::string chosen_style_letters(int weight, bool italic, bool underline, bool strikeout) {
    return font_style_letters(FontStyle{weight == kFontWeightBold, italic, underline, strikeout});
}

std::string title_letters_after_font(std::string_view old_letters, std::string_view chosen) {
    std::string kept;
    for (char c : old_letters) {
        if (c != 'B' && c != 'I' && c != 'U' && c != 'S')
            kept += c;
    }
    return std::string(chosen) + kept;
}

SizeCheck check_default_size(std::string_view width, std::string_view height, int screen_width,
                             int screen_height) {
    const int w = whole_number(width);
    const int h = whole_number(height);
    if (w == 0 && h == 0)
        return SizeCheck::Store;
    if (w > screen_width || h > screen_height)
        return SizeCheck::TooBig;
    if (w < kMinWidth || h < kMinHeight)
        return SizeCheck::TooSmall;
    return SizeCheck::Store;
}

PortCheck check_port(std::string_view typed, std::string_view stored) {
    PortCheck check;
    const long long port = leading_integer(typed);
    check.valid = !typed.empty() && port >= kLowestPort && port <= kHighestPort;
    const std::string before =
        text_or(stored, std::to_string(store_texts::kDefaultCommunicationPort));
    const std::string default_port = std::to_string(store_texts::kDefaultCommunicationPort);
    check.changed_message = check.valid && typed != before && typed != default_port;
    return check;
}

void apply_general(const NoteStore& store, const GeneralValues& v) {
    store.set_default_date_format(v.date_format);
    store.set_show_scroll_bar(yes_no(v.scroll_bar));
    store.set_show_task_bar(yes_no(v.task_bar));
    store.set_show_close_button(yes_no(v.close_button));
    store.set_disable_hotkey(yes_no(v.disable_hotkey));
    store.set_ask_before_delete(yes_no(v.ask_before_delete));
    store.set_disable_close_menu(yes_no(v.disable_close_menu));
    store.set_random_themes(yes_no(v.random_themes));
    if (!v.lock_checked)
        store.set_show_all_password(store_texts::kNo, "");
}

SizeCheck apply_default_note(const NoteStore& store, const DefaultNoteValues& v, NoteRecord& theme,
                             int screen_width, int screen_height) {
    store.set_default_title(v.date_title ? std::string(st::kDate) : v.custom_title);
    theme.Border = std::string(yes_no(v.border));
    theme.TitleFontType = with_title_align(theme.TitleFontType, v.align);
    store.write_record(theme);
    const SizeCheck check = check_default_size(v.width, v.height, screen_width, screen_height);
    if (check != SizeCheck::Store)
        return check;
    store.set_default_size(v.width, v.height);
    store.set_on_change_theme(change_theme_value(v.change_theme));
    return check;
}

namespace {

// Step 4: the sender identity, stored when it passes.
bool apply_sender(const NoteStore& store, const NetworkValues& v, NetworkOutcome& out) {
    const sd::IdentityCheck check = sd::check_identity(v.kind, v.sender_text);
    if (!check.ok()) {
        out.ok = false;
        switch (v.kind) {
            case sd::SenderKind::IpAddress:
                out.error = st::kIpInvalid;
                out.focus = NetworkOutcome::Focus::KindBox;
                break;
            case sd::SenderKind::Email:
                out.error = st::kEmailInvalid;
                out.focus = NetworkOutcome::Focus::SenderEdit;
                break;
            default:
                out.error = st::kNameEmpty;
                out.error_icon = false;
                out.focus = NetworkOutcome::Focus::SenderEdit;
                break;
        }
        return false;
    }
    // The computer name is not stored: an empty value follows the computer's name.
    switch (v.kind) {
        case sd::SenderKind::ComputerName:
            store.set_sent_from("");
            break;
        case sd::SenderKind::Anonymous:
            store.set_sent_from(kAnonymousSender);
            break;
        default:
            store.set_sent_from(check.identity);
            break;
    }
    return true;
}

}  // namespace

NetworkOutcome apply_network(const NoteStore& store, const NetworkValues& v) {
    NetworkOutcome out;
    store.set_read_network_on_start(yes_no(v.read_on_start));
    store.set_check_email_on_start(yes_no(v.email_on_start));
    store.set_show_send_error_message(yes_no(v.send_errors));
    store.set_after_send(v.after_send == 0 ? store_texts::kAfterSendShowIcon
                                           : store_texts::kAfterSendDeleteNote);
    store.set_ask_when_reply(yes_no(v.ask_reply));
    if (!apply_sender(store, v, out))
        return out;
    const std::string read_interval = text_or(v.read_interval, "0");
    const std::string email_interval = text_or(v.email_interval, "0");
    store.set_read_network_interval(read_interval);
    store.set_check_email_interval(email_interval);
    out.intervals_stored = true;
    out.read_interval = std::max(0, leading_int(read_interval));
    out.email_interval = std::max(0, leading_int(email_interval));
    store.set_default_picture_format(v.picture_format == 0 ? store_texts::kPictureJpg
                                                           : store_texts::kPictureBmp);
    store.set_include_picture_attachment(yes_no(v.attach_picture));
    const PortCheck port = check_port(v.port, store.get_communication_port_text());
    if (!port.valid) {
        out.ok = false;
        out.error = st::kPortInvalid;
        out.focus = NetworkOutcome::Focus::PortEdit;
        return out;
    }
    out.port_changed = port.changed_message;
    store.set_communication_port(v.port);
    store.set_play_sound(yes_no(v.play_sound));
    return out;
}

}  // namespace kd::settings_rules
