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

bool is_align_letter(char c) {
    return c == 'L' || c == 'C' || c == 'R';
}

std::string without(std::string_view text, bool (*drop)(char)) {
    std::string out;
    for (char c : text) {
        if (!drop(c)) {
            out += c;
        }
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

int date_format_index(std::string_view format) {
    for (int i = 0; i < 4; ++i) {
        if (format == st::kDateFormats[i]) {
            return i;
        }
    }
    return -1;
}

const char* change_theme_value(int index) {
    return index == 0 ? store_texts::kChangeThemeAll.data()
                      : store_texts::kChangeThemeColors.data();
}

std::string text_or(std::string_view v, std::string_view fallback) {
    return std::string(v.empty() ? fallback : v);
}

Align title_align(std::string_view t) {
    if (t.find('L') != std::string_view::npos) {
        return Align::Left;
    }
    if (t.find('C') != std::string_view::npos) {
        return Align::Center;
    }
    if (t.find('R') != std::string_view::npos) {
        return Align::Right;
    }
    return Align::None;
}

std::string with_title_align(std::string_view title_font_type, Align align) {
    std::string out = without(title_font_type, is_align_letter);
    if (align != Align::None) {
        out += "LCR"[static_cast<int>(align)];
    }
    return out;
}

std::string font_description(std::string_view face, int size, std::string_view font_type) {
    std::string letters = without(font_type, is_align_letter);
    if (letters.empty()) {
        letters = "R";
    }
    return " " + std::string(face) + ", " + std::to_string(size) + ", " + letters;
}

std::string chosen_style_letters(int weight, bool italic, bool underline, bool strikeout) {
    return font_style_letters(FontStyle{weight == kFontWeightBold, italic, underline, strikeout});
}

std::string title_letters_after_font(std::string_view old_letters, std::string_view chosen) {
    std::string kept;
    for (char c : old_letters) {
        if (c != 'B' && c != 'I' && c != 'U' && c != 'S') {
            kept += c;
        }
    }
    return std::string(chosen) + kept;
}

SizeCheck check_default_size(std::string_view width, std::string_view height, int screen_width,
                             int screen_height) {
    const int w = whole_number(width);
    const int h = whole_number(height);
    if (w == 0 && h == 0) {
        return SizeCheck::Store;
    }
    if (w > screen_width || h > screen_height) {
        return SizeCheck::TooBig;
    }
    if (w < kMinWidth || h < kMinHeight) {
        return SizeCheck::TooSmall;
    }
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
    const Settings settings = store.settings();
    settings.set_text(Setting::DefaultDateFormat, v.date_format);
    settings.set_flag(Setting::ShowScrollBar, v.scroll_bar);
    settings.set_flag(Setting::ShowTaskBar, v.task_bar);
    settings.set_flag(Setting::ShowCloseButton, v.close_button);
    settings.set_flag(Setting::DisableHotkey, v.disable_hotkey);
    settings.set_flag(Setting::AskBeforeDelete, v.ask_before_delete);
    settings.set_flag(Setting::DisableCloseMenu, v.disable_close_menu);
    settings.set_flag(Setting::RandomThemes, v.random_themes);
    settings.set_flag(Setting::CheckSpelling, v.check_spelling);
    if (!v.lock_checked) {
        settings.set_show_all_lock(false, "");
    }
}

SizeCheck apply_default_note(const NoteStore& store, const DefaultNoteValues& v, NoteRecord& theme,
                             int screen_width, int screen_height) {
    const Settings settings = store.settings();
    settings.set_text(Setting::DefaultTitle,
                      v.date_title ? std::string(st::kDate) : v.custom_title);
    theme.Border = std::string(v.border ? store_texts::kYes : store_texts::kNo);
    theme.TitleFontType = with_title_align(theme.TitleFontType, v.align);
    store.write_record(theme);
    const SizeCheck check = check_default_size(v.width, v.height, screen_width, screen_height);
    if (check != SizeCheck::Store) {
        return check;
    }
    settings.set_default_size(v.width, v.height);
    settings.set_text(Setting::OnChangeTheme, change_theme_value(v.change_theme));
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
    const Settings settings = store.settings();
    switch (v.kind) {
        case sd::SenderKind::ComputerName:
            settings.set_text(Setting::SentFrom, "");
            break;
        case sd::SenderKind::Anonymous:
            settings.set_text(Setting::SentFrom, kAnonymousSender);
            break;
        default:
            settings.set_text(Setting::SentFrom, check.identity);
            break;
    }
    return true;
}

}  // namespace

NetworkOutcome apply_network(const NoteStore& store, const NetworkValues& v) {
    NetworkOutcome out;
    const Settings settings = store.settings();
    settings.set_flag(Setting::ReadNetworkOnStart, v.read_on_start);
    settings.set_flag(Setting::CheckEmailOnStart, v.email_on_start);
    settings.set_flag(Setting::ShowSendErrorMessage, v.send_errors);
    settings.set_text(Setting::AfterSend, v.after_send == 0 ? store_texts::kAfterSendShowIcon
                                                            : store_texts::kAfterSendDeleteNote);
    settings.set_flag(Setting::AskWhenReply, v.ask_reply);
    if (!apply_sender(store, v, out)) {
        return out;
    }
    const std::string read_interval = text_or(v.read_interval, "0");
    const std::string email_interval = text_or(v.email_interval, "0");
    settings.set_text(Setting::ReadNetworkInterval, read_interval);
    settings.set_text(Setting::CheckEmailInterval, email_interval);
    out.intervals_stored = true;
    out.read_interval = std::max(0, leading_int(read_interval));
    out.email_interval = std::max(0, leading_int(email_interval));
    settings.set_text(Setting::DefaultPictureFormat,
                      v.picture_format == 0 ? store_texts::kPictureJpg : store_texts::kPictureBmp);
    settings.set_flag(Setting::IncludePictureAttachment, v.attach_picture);
    const PortCheck port = check_port(v.port, settings.text(Setting::CommunicationPort));
    if (!port.valid) {
        out.ok = false;
        out.error = st::kPortInvalid;
        out.focus = NetworkOutcome::Focus::PortEdit;
        return out;
    }
    out.port_changed = port.changed_message;
    settings.set_text(Setting::CommunicationPort, v.port);
    settings.set_flag(Setting::PlaySound, v.play_sound);
    return out;
}

}  // namespace kd::settings_rules
