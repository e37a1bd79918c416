// Items, ids and texts of the note's three menus, and the rules that prepare them, without
// any window code: which saved groups the "Send note to" submenu offers, the texts that
// change with the note's state, the title style letters the title commands produce.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace kd::note_menu {

// ---- Command ids. They identify the menu actions throughout the program.

// Body menu (131).
inline constexpr int kFont = 32774;
inline constexpr int kTextColor = 32891;
inline constexpr int kNoteColor = 32775;
inline constexpr int kOpenFile = 32897;
inline constexpr int kSaveNoteAs = 32882;
inline constexpr int kSaveAsPicture = 32903;
inline constexpr int kExportNote = 32955;
inline constexpr int kImportNote = 32956;
inline constexpr int kUndo = 32839;
inline constexpr int kRedo = 32840;
inline constexpr int kCut = 32834;
inline constexpr int kCopy = 32835;
inline constexpr int kPaste = 32836;
inline constexpr int kDelete = 32842;
inline constexpr int kSelectAll = 32838;
inline constexpr int kFind = 32876;
inline constexpr int kBold = 32885;
inline constexpr int kItalic = 32886;
inline constexpr int kUnderline = 32890;
inline constexpr int kRegular = 32889;
inline constexpr int kIncreaseSize = 32909;
inline constexpr int kDecreaseSize = 32910;
inline constexpr int kAlignLeft = 32831;
inline constexpr int kAlignCenter = 32832;
inline constexpr int kAlignRight = 32833;
inline constexpr int kParagraph = 32843;
inline constexpr int kBulletStyle = 32848;
inline constexpr int kUppercase = 32951;
inline constexpr int kLowercase = 32952;
inline constexpr int kThemeDefault = 32788;
inline constexpr int kThemePink = 32808;
inline constexpr int kThemeBlue = 32789;
inline constexpr int kThemeGray = 32790;
inline constexpr int kThemeBrown = 32884;
inline constexpr int kThemeGreen = 32810;
inline constexpr int kThemeYellow = 32809;
inline constexpr int kThemeOrange = 32821;
inline constexpr int kThemeDarkPink = 32794;
inline constexpr int kThemeDarkBlue = 32811;
inline constexpr int kThemeDarkGreen = 32900;
inline constexpr int kThemeDarkOrange = 32913;
inline constexpr int kSavedThemeFirst = 32919;  // "Theme 1" .. "Theme 21": 32919 .. 32939
inline constexpr int kSavedThemeSlots = 21;
inline constexpr int kSaveThemeAs = 32914;
inline constexpr int kSaveThemeAsDefault = 32792;
inline constexpr int kOrganizeThemes = 32959;
inline constexpr int kSaveSizeAsDefault = 32819;
inline constexpr int kSetBorder = 32815;
inline constexpr int kStayOnTop = 32803;
inline constexpr int kSetAlarm = 32898;
inline constexpr int kSetExpiration = 32899;
inline constexpr int kSendOther = 32812;
inline constexpr int kReplyTo = 32822;
inline constexpr int kPrintNote = 32862;
inline constexpr int kHideNote = 32861;
inline constexpr int kDeleteNote = 32786;

// Title menu (132).
inline constexpr int kTitleFont = 32783;
inline constexpr int kTitleTextColor = 32892;
inline constexpr int kTitleColor = 32785;
inline constexpr int kTitleBold = 32893;
inline constexpr int kTitleItalic = 32894;
inline constexpr int kTitleUnderline = 32895;
inline constexpr int kTitleRegular = 32896;
inline constexpr int kTitleIncreaseSize = 32911;
inline constexpr int kTitleDecreaseSize = 32912;
inline constexpr int kTitleLeft = 32855;
inline constexpr int kTitleCenter = 32856;
inline constexpr int kTitleRight = 32860;
inline constexpr int kTitleUppercase = 32953;
inline constexpr int kTitleLowercase = 32954;
inline constexpr int kEditTitle = 32782;
inline constexpr int kSetDateTitle = 32795;
inline constexpr int kRollUp = 32813;  // also in the close-button menu

// Saved groups of "Send note to", by group position; "List 21" is only a placeholder.
inline constexpr int kMaxGroups = 20;
inline constexpr std::array<int, kMaxGroups> kGroupItemIds = {
    32863, 32864, 32865, 32866, 32867, 32868, 32869, 32870, 32871, 32872,
    32875, 32941, 32942, 32943, 32944, 32945, 32946, 32947, 32948, 32949};
inline constexpr int kGroupPlaceholder = 32950;

// ---- Texts ("&&" in the menu resource shows as "&"; Qt wants it written "&&").
inline constexpr const char* kTextFont = "Font";
inline constexpr const char* kTextSelectedFont = "Selected Font";
inline constexpr const char* kTextTextColor = "Text color";
inline constexpr const char* kTextSelectedTextColor = "Selected Text color";
inline constexpr const char* kTextNoteColor = "Note color";
inline constexpr const char* kTextFileMenu = "File";
inline constexpr const char* kTextOpenFile = "Open ...";
inline constexpr const char* kTextSaveNoteAs = "Save note as ...";
inline constexpr const char* kTextSaveAsPicture = "Save note as picture";
inline constexpr const char* kTextExportNote = "Export note";
inline constexpr const char* kTextImportNote = "Import note";
inline constexpr const char* kTextEditMenu = "Edit";
inline constexpr const char* kTextUndo = "Undo              Ctrl+Z";
inline constexpr const char* kTextRedo = "Redo              Ctrl+Z";
inline constexpr const char* kTextCut = "Cut                 Ctrl+X";
inline constexpr const char* kTextCopy = "Copy              Ctrl+C";
inline constexpr const char* kTextPaste = "Paste             Ctrl+V";
inline constexpr const char* kTextDelete = "Delete               Del";
inline constexpr const char* kTextSelectAll = "Select all       Ctrl+A";
inline constexpr const char* kTextFind = "Find...            Ctrl+F";
inline constexpr const char* kTextFormatMenu = "Format";
inline constexpr const char* kTextBold = "Bold";
inline constexpr const char* kTextItalic = "Italic";
inline constexpr const char* kTextUnderline = "Underline";
inline constexpr const char* kTextRegular = "Regular";
inline constexpr const char* kTextIncreaseSize = "Increase size";
inline constexpr const char* kTextDecreaseSize = "Decrease size";
inline constexpr const char* kTextLeft = "Left";
inline constexpr const char* kTextCenter = "Center";
inline constexpr const char* kTextRight = "Right";
inline constexpr const char* kTextParagraph = "Paragraph";
inline constexpr const char* kTextBulletStyle = "Bullet style";
inline constexpr const char* kTextRemoveBulletStyle = "Remove bullet style";
inline constexpr const char* kTextUppercase = "Make UPPERCASE";
inline constexpr const char* kTextLowercase = "Make lowercase";
inline constexpr const char* kTextThemeMenu = "Theme";
inline constexpr const char* kTextSaveThemeAs = "Save theme as ...";
inline constexpr const char* kTextSaveThemeAsDefault = "Save theme as default";
inline constexpr const char* kTextOrganizeThemes = "Organize themes";
inline constexpr const char* kTextSaveSizeAsDefault = "Save size as default";
inline constexpr const char* kTextSetBorder = "Set border";
inline constexpr const char* kTextRemoveBorder = "Remove border";
inline constexpr const char* kTextStayOnTop = "Stay on top";
inline constexpr const char* kTextSetAlarm = "Set alarm";
inline constexpr const char* kTextSetExpiration = "Set expiration";
inline constexpr const char* kTextSendMenu = "Send note to";
inline constexpr const char* kTextSendOther = "Other ...";
inline constexpr const char* kTextSavedGroup = "Saved group";
inline constexpr const char* kTextReplyTo = "Reply to";
inline constexpr const char* kTextReplyToPrefix = "Reply to ";
inline constexpr const char* kTextPrintNote = "Print note";
inline constexpr const char* kTextHideNote = "Hide note";
inline constexpr const char* kTextDeleteNote = "Delete note";
inline constexpr const char* kTextTitleColor = "Title color";
inline constexpr const char* kTextEditTitle = "Edit title";
inline constexpr const char* kTextSetDateTitle = "Set date title";
inline constexpr const char* kTextRollUp = "Roll up";
inline constexpr const char* kTextRollDown = "Roll down";
// Above the body menu's items when it opens on a misspelt word, after its suggestions.
inline constexpr const char* kTextAddToDictionary = "Add to dictionary";

struct ThemeItem {
    int id;
    const char* text;
};
inline constexpr std::array<ThemeItem, 12> kBuiltinThemeItems = {{
    {kThemeDefault, "Default"},
    {kThemePink, "Pink"},
    {kThemeBlue, "Blue"},
    {kThemeGray, "Gray"},
    {kThemeBrown, "Brown"},
    {kThemeGreen, "Green"},
    {kThemeYellow, "Yellow"},
    {kThemeOrange, "Orange"},
    {kThemeDarkPink, "Dark Pink"},
    {kThemeDarkBlue, "Dark Blue"},
    {kThemeDarkGreen, "Dark Green"},
    {kThemeDarkOrange, "Dark Orange"},
}};

// Caption of message boxes and of the title text entry.
inline constexpr const char* kEditTitleCaption = "Edit title text";
inline constexpr const char* kReplyQuestionFormat =
    "Reply to option will send this note to : %s.  \nDo you want to continue ?";

// "List 1" .. "List 21": the placeholder texts of the group items.
std::string group_placeholder_text(int position);
// "Theme 1" .. "Theme 21".
std::string saved_theme_placeholder_text(int slot);

// ---- Saved groups.

enum class GroupPicture { None, OnePerson, Group };

struct GroupItem {
    int id = 0;
    std::string name;
};

// The group items for a `ListNames` value: at most 20 positions, each entry ending in "~"
// takes the id of its position; an empty name keeps its position but is not offered.
std::vector<GroupItem> offered_groups(std::string_view list_names);
// False when `ListNames` holds no complete entry: the submenu then offers a greyed
// "Saved group".
bool has_saved_groups(std::string_view list_names);
GroupPicture group_picture(int member_count);

// ---- Reply.
std::string reply_item_text(std::string_view address);
std::string reply_question(std::string_view address);

// ---- Title.

// After the font dialog: B, I, U and S as chosen ("B" only for a weight of exactly 700),
// the alignment letter kept where it was.
std::string title_style_from_font(std::string_view letters, int weight, bool italic, bool underline,
                                  bool strikeout);
// The letter removed when present, else appended.
std::string toggle_style_letter(std::string_view letters, char letter);
// "Regular": B, I, U and S removed, the alignment letter kept.
std::string regular_style(std::string_view letters);
// "Edit title": the entered text (already trimmed) with one leading blank for an "L" title
// and one trailing blank for an "R" title.
std::string edited_title_text(std::string_view entered, std::string_view letters);
std::string trimmed(std::string_view text);

// ---- E-mail check in progress: set by the inbox check, read when a note menu opens.

}  // namespace kd::note_menu
