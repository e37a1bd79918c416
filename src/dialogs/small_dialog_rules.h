// The rules of the small shared dialogs that need no window: the password check of the
// Show-all lock, the paragraph dialog's millimetre and twip conversions and integer fields,
// the accepted text of the text-entry dialog, and the texts they show.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kd {
namespace small_dialogs {

// ---- Password dialog.
inline constexpr const char* kPasswordCaption = "Enter password";
inline constexpr const char* kPasswordLabel = "Password :";
inline constexpr const char* kPasswordAgainLabel = "Type again :";
inline constexpr const char* kPasswordMismatch =
    "Please retype password again. Both values must be identical.  ";
inline constexpr int kPasswordMaxLength = 10;
// The check mode hides the confirmation row: the window is this much lower.
inline constexpr int kCheckModeShrink = 20;

enum class PasswordMode { Set = 0, Check = 1 };
enum class PasswordOutcome { Stay, Accept, Mismatch };

// What "OK" does with the two fields, already trimmed by the caller (see trimmed()).
PasswordOutcome password_outcome(PasswordMode mode, std::string_view password,
                                 std::string_view confirmation);

// ---- Paragraph dialog.
inline constexpr const char* kParagraphCaption = "Paragraph";
inline constexpr const char* kAlignmentGroup = "Alignment";
inline constexpr const char* kIndentationGroup = "Indentation";
inline constexpr const char* kLeft = "Left";
inline constexpr const char* kCenter = "Center";
inline constexpr const char* kRight = "Right";
inline constexpr const char* kLeftIndentLabel = "Left :";
inline constexpr const char* kRightIndentLabel = "Right :";
inline constexpr const char* kBulletStyle = "Bullet Style";
inline constexpr const char* kNotAnInteger = "Please enter an integer.";
inline constexpr const char* kTipLeft = "Paragraph(s) will be aligned with the left margin.";
inline constexpr const char* kTipCenter = "Paragraph(s) are centered.";
inline constexpr const char* kTipRight = "Paragraph(s) will be aligned with the right margin.";
inline constexpr const char* kTipLeftIndent =
    "Format paragraph(s) left indentation, relative to the left margin.";
inline constexpr const char* kTipRightIndent =
    "Format paragraph(s) right indentation, relative to the right margin.";
inline constexpr const char* kTipBullet = "Add bullet style to paragraph(s).";
inline constexpr const char* kTipOk = "Format and apply paragraph(s) settings.";
inline constexpr const char* kTipCancel = "Cancel formatting paragraph(s).";

// Alignment values as the paragraph format exchanges them.
inline constexpr int kAlignLeft = 1;
inline constexpr int kAlignRight = 2;
inline constexpr int kAlignCenter = 3;

// The paragraph format the dialog edits: indents in twips (1/1440 inch).
struct ParagraphFormat {
    int alignment = kAlignLeft;  // 1 left, 3 centre, 2 right; anything else is none of them
    bool bullet = false;
    int start_indent = 0;
    int right_indent = 0;
    bool operator==(const ParagraphFormat&) const = default;
};

// Twips shown as millimetres: divided by 56.7 and rounded up.
int twips_to_shown_mm(int twips);
// Millimetres typed as twips: times 56.7, cut toward zero (bounded to what an int holds).
int mm_to_twips(int mm);
// A field read as an integer: optional blanks around an optional sign and decimal digits
// that fit an int; nothing otherwise.
std::optional<int> read_integer(std::string_view text);

// ---- Text-entry dialog.
enum class TextEntryMode { DefaultTitle = 0, EditTitle = 1, GroupName = 2, ThemeName = 3 };
inline constexpr const char* kEntryCaptions[] = {"Change default title text", "Edit title text",
                                                 "Save this recipients list as group",
                                                 "Save note theme as"};
const char* text_entry_caption(TextEntryMode mode);
// "~" separates the entries of stored lists and the fields of note messages, so no name or
// title may hold one.
inline constexpr char kReservedCharacter = '~';
inline constexpr const char* kReservedCharacterNote = "The text can not contain the character ~";
// The text "OK" gives back: trimmed, and neither empty nor holding a "~".
std::optional<std::string> accepted_entry(std::string_view typed);

// Leading and trailing white space removed.
std::string trimmed(std::string_view text);

// ---- About box.
inline constexpr const char* kHomePage = "https://korvadesk.lan/";
inline constexpr const char* kContactAddress = "korvadesk@korvadesk.lan";
inline constexpr const char* kHomePageButton = "Home Page";
inline constexpr const char* kClose = "Close";
// "Korvadesk 5.lan".
std::string product_line();
// The year line: "%04d.".
std::string year_line(int year);

}  // namespace small_dialogs
}  // namespace kd
