#include "themes/builtin_themes.h"

#include "store/note_store.h"

namespace kd {

namespace {

constexpr const char* kThemeFace = "Verdana";
constexpr int kThemeFontSize = 8;
constexpr const char* kThemeTitleStyle = "C";
constexpr std::string_view kYes = store_texts::kYes;
constexpr std::string_view kNo = store_texts::kNo;

constexpr ColorRef kBlack = 0x000000;
constexpr ColorRef kWhite = 0xFFFFFF;

constexpr std::array<BuiltinTheme, 12> kThemes = {{
    {90000, "Default", 0xFFCB97, 0xE28E49, kBlack},
    {90001, "Dark Pink", 0xAA41FF, 0x9123F0, kWhite},
    {90002, "Blue", 0xFFCB97, 0xE28E49, kBlack},
    {90003, "Green", 0xACD6AB, 0x84C17B, kBlack},
    {90004, "Pink", 0xA2A2E6, 0x6C70DB, kBlack},
    {90005, "Yellow", 0x85ECF1, 0x30D0F0, kBlack},
    {90006, "Gray", 0xEEEEEE, 0xD6D6D6, kBlack},
    {90007, "Dark Blue", 0xAF5500, 0x8C4600, kWhite},
    {90008, "Orange", 0x9EBFF9, 0x77A5FC, kBlack},
    {90009, "Brown", 0xA8BECC, 0x7D99A2, kBlack},
    {90010, "Dark Green", 0x005500, 0x008000, kWhite},
    {90011, "Dark Orange", 0x46A0FF, 0x007DFA, kBlack},
}};

}  // namespace

const std::array<BuiltinTheme, 12>& builtin_themes() {
    return kThemes;
}

NoteRecord builtin_theme_record(const BuiltinTheme& theme, std::uint8_t char_set) {
    NoteRecord r;
    r.NoteID = theme.number;
    r.EditTextColor = theme.text;
    r.EditBackColor = theme.body_back;
    r.EditFont = kThemeFace;
    r.EditFontType = "";
    r.EditFontSize = kThemeFontSize;
    r.EditCharSet = char_set;
    r.TitleTextColor = theme.text;
    r.TitleBackColor = theme.title_back;
    r.TitleFont = kThemeFace;
    r.TitleFontType = kThemeTitleStyle;
    r.TitleFontSize = kThemeFontSize;
    r.TitleCharSet = char_set;
    r.Top = r.Left = r.Height = r.Width = 0;
    r.Minimized = kNo;
    r.Border = kYes;
    r.Hidden = kNo;
    return r;
}

std::vector<int> builtin_theme_write_order() {
    return {90000, 90001, 90007, 90002, 90003, 90004, 90005, 90006, 90008, 90009, 90010, 90011};
}

bool write_builtin_themes(const NoteStore& store) {
    // All twelve records as one replace of the file.
    StoreTransaction tx(store);
    for (int number : builtin_theme_write_order()) {
        tx.write_record(builtin_theme_record(kThemes[number - kDefaultThemeNumber]));
    }
    return tx.commit(store_texts::kErrorWritingNote);
}

NoteRecord default_theme(const NoteStore& store) {
    NoteRecord record;
    if (store.read_record(kDefaultThemeNumber, record)) {
        return record;
    }
    write_builtin_themes(store);
    if (store.read_record(kDefaultThemeNumber, record)) {
        return record;
    }
    // The file cannot be written: the note still gets the built-in default look.
    return builtin_theme_record(builtin_themes()[0]);
}

}  // namespace kd
