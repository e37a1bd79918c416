// The settings dialog's rules that need no window: which button a stored value selects, the
// font descriptions and style letters of the default look, the size and port checks, and
// the order in which each page stores what it shows.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "dialogs/send_dialog_rules.h"
#include "store/note_record.h"

namespace kd {

class NoteStore;

namespace settings_rules {

// ---- What a stored value shows. (Flags and choices show what their row in the settings
// table says: Settings::ticked() and Settings::shown().)
// The list index of a date format; -1 for none of the four.
int date_format_index(std::string_view format);
// OnChangeTheme's value for a list index.
const char* change_theme_value(int index);
// An interval or port field: the stored text, `fallback` when it is missing.
std::string text_or(std::string_view v, std::string_view fallback);

// ---- The default look's title alignment and font descriptions.
enum class Align { None = -1, Left = 0, Center = 1, Right = 2 };
// The first of "L", "C", "R" found, tested in that order.
Align title_align(std::string_view title_font_type);
// Every "L", "C", "R" removed, then the letter of `align` appended.
std::string with_title_align(std::string_view title_font_type, Align align);
// " face, size, letters": the style letters without alignment letters, "R" when none.
std::string font_description(std::string_view face, int size, std::string_view font_type);
// Letters of a chosen font: "B" only for weight 700, then "I", "U", "S".
std::string chosen_style_letters(int weight, bool italic, bool underline, bool strikeout);
// A title's letters after a font was chosen: the new B, I, U, S, the alignment kept.
std::string title_letters_after_font(std::string_view old_letters, std::string_view chosen);

// ---- Checks.
enum class SizeCheck { Store, TooBig, TooSmall };
// Both fields read as decimal integers (anything else is 0); both 0 skip the check.
SizeCheck check_default_size(std::string_view width, std::string_view height, int screen_width,
                             int screen_height);

struct PortCheck {
    bool valid = false;
    bool changed_message = false;  // the change message is shown before storing
};
// `stored` is CommunicationPort as stored (missing: the default port).
PortCheck check_port(std::string_view typed, std::string_view stored);

// ---- The pages' apply steps, as the pages gather them.
struct GeneralValues {
    std::string date_format;
    bool scroll_bar = true;
    bool task_bar = false;
    bool close_button = true;
    bool disable_hotkey = false;
    bool ask_before_delete = true;
    bool disable_close_menu = false;
    bool random_themes = false;
    bool lock_checked = false;
    bool check_spelling = true;
};
// Stores the general page in its order; always succeeds.
void apply_general(const NoteStore& store, const GeneralValues& v);

struct DefaultNoteValues {
    bool date_title = true;
    std::string custom_title;
    bool border = false;
    Align align = Align::None;
    std::string width;
    std::string height;
    int change_theme = 0;
};
// Stores the title, writes `theme` (the page's copy, its border and alignment set here) as
// the default look, then checks the size: refused sizes leave the rest stored.
SizeCheck apply_default_note(const NoteStore& store, const DefaultNoteValues& v, NoteRecord& theme,
                             int screen_width, int screen_height);

struct NetworkValues {
    bool read_on_start = false;
    std::string read_interval;
    int after_send = 0;
    bool send_errors = false;
    bool ask_reply = false;
    send_dialog::SenderKind kind = send_dialog::SenderKind::ComputerName;
    std::string sender_text;
    bool email_on_start = false;
    std::string email_interval;
    bool attach_picture = false;
    int picture_format = 0;
    std::string port;
    bool play_sound = false;
};
struct NetworkOutcome {
    enum class Focus { None, KindBox, SenderEdit, PortEdit };
    bool ok = true;
    const char* error = nullptr;  // the refusal's message
    bool error_icon = true;       // the empty-name message carries no icon
    Focus focus = Focus::None;
    bool port_changed = false;  // the change message is due
    bool intervals_stored = false;
    int read_interval = 0;  // the intervals the running program takes at once
    int email_interval = 0;
};
// Stores the network page in its order, stopping at the first refused value.
NetworkOutcome apply_network(const NoteStore& store, const NetworkValues& v);

}  // namespace settings_rules
}  // namespace kd
