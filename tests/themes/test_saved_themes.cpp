// Theme numbers, the random pick, and storing the organise-themes order when a theme's record
// has gone.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "note/note.h"
#include "note/note_menus_model.h"
#include "store/note_lists.h"
#include "store/note_store.h"
#include "store/store_fixture.h"
#include "support/app_paths_in.h"
#include "support/error_recorder.h"
#include "themes/builtin_themes.h"
#include "themes/saved_themes.h"
#include "themes/theme_rules.h"

namespace kd {
namespace {

namespace nm = note_menu;

TEST(ThemeRules, MenuItemsChooseTheirThemeNumbers) {
    // Every built-in menu text names the theme of its number.
    for (const nm::ThemeItem& item : nm::kBuiltinThemeItems) {
        const int number = *theme_number_for_item(item.id);
        EXPECT_STREQ(builtin_themes()[std::size_t(number - 90000)].name, item.text);
    }
    EXPECT_EQ(theme_number_for_item(nm::kSavedThemeFirst), 91001);
    EXPECT_EQ(theme_number_for_item(nm::kSavedThemeFirst + 19), 91020);
    // "Theme 21" is only a placeholder.
    EXPECT_EQ(theme_number_for_item(nm::kSavedThemeFirst + 20), std::nullopt);
    EXPECT_EQ(theme_number_for_item(nm::kSaveThemeAs), std::nullopt);
}

TEST(ThemeRules, RandomDrawMapsToDefaultBuiltinAndSavedThemes) {
    // No saved themes: twelve looks, 0 the default.
    EXPECT_EQ(random_theme_number(0, 0), 90000);
    EXPECT_EQ(random_theme_number(1, 0), 90001);
    EXPECT_EQ(random_theme_number(11, 0), 90011);
    EXPECT_EQ(random_theme_number(12, 0), 90000);  // 12 mod 12
    // Three saved themes: fifteen looks.
    EXPECT_EQ(random_theme_number(12, 3), 91001);
    EXPECT_EQ(random_theme_number(14, 3), 91003);
    EXPECT_EQ(random_theme_number(15, 3), 90000);
    EXPECT_EQ(random_theme_number(32767, 20), 91020);  // 32767 mod 32 is 31
    // A count beyond the twenty slots (a hand-edited file) never picks beyond them.
    EXPECT_EQ(random_theme_number(32, 25), 90000);
    // The C runtime's first values after seeding, always within 0..32767.
    EXPECT_EQ(runtime_first_draw(0), 38);
    EXPECT_EQ(runtime_first_draw(1), 41);
    EXPECT_LE(runtime_first_draw(0xFFFFFFFFu), 32767);
}

// A note without a window: the record's text and place are not the theme's business.
struct NoWindow : NoteSurface {
    std::string body_rtf() const override { return {}; }
    NoteFrame record_frame() const override { return {}; }
};

TEST(ThemeRules, ATakenThemeGivesTheBodyItsWholeLookAndTheTitleItsFontUnlessColoursOnly) {
    const NoteStore store(app_paths(), test::store_errors());
    NoWindow window;
    const NoteRecord dark_blue = builtin_theme_record(builtin_themes()[7]);
    NoteRecord own = dark_blue;
    own.TitleFont = "DejaVu Serif";
    own.TitleFontType = "BL";
    own.TitleFontSize = 12;
    own.TitleText = "Shopping";
    own.Border = "No";

    for (const bool colours_only : {false, true}) {
        SCOPED_TRACE(colours_only ? "colours only" : "whole theme");
        Note note(store, window, 1);
        note.take_record_look(own);
        apply_theme_look(note, dark_blue, colours_only);
        EXPECT_EQ(note.body_look(), body_look_of(dark_blue));
        EXPECT_EQ(note.title_look().back_colour, dark_blue.TitleBackColor);
        EXPECT_EQ(note.title_look().text_colour, dark_blue.TitleTextColor);
        EXPECT_TRUE(note.has_border());
        if (colours_only) {
            EXPECT_EQ(note.title_look().face, "DejaVu Serif");
            EXPECT_EQ(note.title_look().style, "BL");
            EXPECT_EQ(note.title_text(), " Shopping");
        } else {
            EXPECT_EQ(note.title_look(), title_look_of(dark_blue));
            EXPECT_EQ(note.title_text(), "Shopping") << "centred as the theme's style says";
        }
    }
}

class SavedThemesTest : public test::StoreTest {};

TEST_F(SavedThemesTest, AnUnreadableRowIsDroppedAndTheOthersCloseUp) {
    NoteRecord look = builtin_theme_record(builtin_themes()[0]);
    for (const char* name : {"A", "B", "C"}) {
        look.EditBackColor = ColorRef(name[0]);
        ASSERT_NE(save_theme_as(NoteStore(app_paths(), test::store_errors()), look, name), 0);
    }
    const std::vector<ThemeRow> rows =
        read_theme_rows(NoteStore(app_paths(), test::store_errors()));
    ASSERT_TRUE(NoteStore(app_paths(), test::store_errors())
                    .delete_record(91002));  // gone behind the dialog's back
    EXPECT_EQ(store_theme_order(NoteStore(app_paths(), test::store_errors()), rows), 2);
    EXPECT_EQ(NoteStore(app_paths(), test::store_errors())
                  .settings()
                  .number(Setting::LastSavedThemeNumber),
              2);
    EXPECT_EQ(NoteStore(app_paths(), test::store_errors()).count_saved_themes(), 2);
    EXPECT_EQ(NoteLists(app_paths(), test::store_errors()).saved_theme_name(91002), "C");
    NoteRecord moved;
    ASSERT_TRUE(NoteStore(app_paths(), test::store_errors()).read_record(91002, moved));
    EXPECT_EQ(moved.EditBackColor, ColorRef('C'));
    EXPECT_EQ(NoteLists(app_paths(), test::store_errors()).saved_theme_name(91003), "");
    EXPECT_TRUE(errors.messages.empty());
}

}  // namespace
}  // namespace kd
