// Theme numbers, the random pick and the saved themes in a real settings file: the slot rule
// of "Save theme as ...", and what the organise-themes list does to the store.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "note/note_menus_model.h"
#include "platform/profile_file.h"
#include "store/note_lists.h"
#include "store/note_store.h"
#include "store/store_fixture.h"
#include "themes/builtin_themes.h"
#include "themes/saved_themes.h"
#include "themes/theme_rules.h"

namespace kd {
namespace {

namespace nm = note_menu;

TEST(ThemeRules, MenuItemsChooseTheirThemeNumbers) {
    EXPECT_EQ(theme_number_for_item(nm::kThemeDefault), 90000);
    EXPECT_EQ(theme_number_for_item(nm::kThemeDarkPink), 90001);
    EXPECT_EQ(theme_number_for_item(nm::kThemeBlue), 90002);
    EXPECT_EQ(theme_number_for_item(nm::kThemeDarkBlue), 90007);
    EXPECT_EQ(theme_number_for_item(nm::kThemeDarkOrange), 90011);
    EXPECT_EQ(theme_number_for_item(nm::kSavedThemeFirst), 91001);
    EXPECT_EQ(theme_number_for_item(nm::kSavedThemeFirst + 19), 91020);
    // "Theme 21" is only a placeholder; other items choose no theme.
    EXPECT_EQ(theme_number_for_item(nm::kSavedThemeFirst + 20), std::nullopt);
    EXPECT_EQ(theme_number_for_item(nm::kSaveThemeAs), std::nullopt);
    // Every built-in menu text names the theme of its number.
    for (const nm::ThemeItem& item : nm::kBuiltinThemeItems) {
        const int number = *theme_number_for_item(item.id);
        EXPECT_STREQ(builtin_themes()[std::size_t(number - 90000)].name, item.text);
    }
}

TEST(ThemeRules, RandomDrawMapsToDefaultBuiltinAndSavedThemes) {
    // No saved themes: twelve looks, 0 the default.
    EXPECT_EQ(random_theme_number(0, 0), 90000);
    EXPECT_EQ(random_theme_number(1, 0), 90001);
    EXPECT_EQ(random_theme_number(11, 0), 90011);
    EXPECT_EQ(random_theme_number(12, 0), 90000);  // 12 mod 12
    EXPECT_EQ(random_theme_number(23, 0), 90011);
    // Three saved themes: fifteen looks.
    EXPECT_EQ(random_theme_number(12, 3), 91001);
    EXPECT_EQ(random_theme_number(14, 3), 91003);
    EXPECT_EQ(random_theme_number(15, 3), 90000);
    EXPECT_EQ(random_theme_number(32767, 20), 91020);  // 32767 mod 32 is 31
    EXPECT_EQ(random_theme_number(31, 20), 91020);
    // A count beyond the twenty slots (a hand-edited file) never picks beyond them.
    EXPECT_EQ(random_theme_number(31, 25), 91020);
    EXPECT_EQ(random_theme_number(32, 25), 90000);
}

TEST(ThemeRules, RuntimeGeneratorFirstValuesAndTheSameSecondGivesTheSamePick) {
    EXPECT_EQ(runtime_first_draw(0), 38);
    EXPECT_EQ(runtime_first_draw(1), 41);
    EXPECT_EQ(runtime_first_draw(2), 45);
    for (std::uint32_t seed : {0u, 7u, 1700000000u, 0xFFFFFFFFu}) {
        const int draw = runtime_first_draw(seed);
        EXPECT_GE(draw, 0);
        EXPECT_LE(draw, 32767);
    }
    EXPECT_EQ(random_theme_at(1700000000, 4), random_theme_at(1700000000, 4));
    EXPECT_EQ(random_theme_at(1700000000, 4),
              random_theme_number(runtime_first_draw(1700000000u), 4));
}

class SavedThemesTest : public test::StoreTest {
protected:
    NoteRecord look(ColorRef body) {
        NoteRecord r = builtin_theme_record(builtin_themes()[0]);
        r.EditBackColor = body;
        r.EditText = "{\\rtf1 text}";
        r.TitleText = "Title";
        r.Left = 10;
        r.Width = 200;
        r.Alarm = "01012030-100000";
        return r;
    }
    // n saved themes named A, B, C, ... with body colours 1, 2, 3, ...
    void save_themes(int n) {
        for (int i = 0; i < n; ++i)
            ASSERT_NE(save_theme_as(look(ColorRef(i + 1)), std::string(1, char('A' + i))), 0);
    }
    std::string last_saved() { return NoteStore().get_last_saved_theme_number(); }
    ColorRef body_of(int number) {
        NoteRecord r;
        EXPECT_TRUE(NoteStore().read_record(number, r)) << number;
        return r.EditBackColor;
    }
    std::string name_of(int number) { return NoteLists().saved_theme_name(number); }
    std::vector<std::string> names(const std::vector<ThemeRow>& rows) {
        std::vector<std::string> out;
        for (const ThemeRow& r : rows)
            out.push_back(r.name);
        return out;
    }
};

TEST_F(SavedThemesTest, SaveAsKeepsOnlyTheLookAndTheTwentyFirstReplacesTheFirst) {
    save_themes(20);
    EXPECT_EQ(last_saved(), "20");
    EXPECT_EQ(NoteStore().count_saved_themes(), 20);
    NoteRecord first;
    ASSERT_TRUE(NoteStore().read_record(91001, first));
    EXPECT_EQ(first.NoteID, 91001);
    EXPECT_EQ(first.EditText, "");
    EXPECT_EQ(first.TitleText, "");
    EXPECT_EQ(first.Alarm, "");
    EXPECT_EQ(first.Left, 0);
    EXPECT_EQ(first.Width, 0);
    EXPECT_EQ(first.Minimized, "No");
    EXPECT_EQ(first.Border, "Yes");

    EXPECT_EQ(save_theme_as(look(0xABCDEF), "Twenty-first"), 91001);
    EXPECT_EQ(body_of(91001), 0xABCDEFu);
    EXPECT_EQ(name_of(91001), "Twenty-first");
    EXPECT_EQ(last_saved(), "1");
    EXPECT_EQ(save_theme_as(look(0x123456), "Twenty-second"), 91002);
    EXPECT_EQ(last_saved(), "2");
    EXPECT_TRUE(errors.messages.empty());
}

TEST_F(SavedThemesTest, ListShowsMissingNamesAsAnErrorAndRenameIgnoresBlanks) {
    save_themes(3);
    ASSERT_TRUE(NoteLists().delete_saved_theme_name(91002));
    std::vector<ThemeRow> rows = read_theme_rows();
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(names(rows), (std::vector<std::string>{"A", "Error reading theme", "C"}));
    EXPECT_EQ(rows[2].number, 91003);

    EXPECT_FALSE(rename_theme_row(rows[0], "    "));
    EXPECT_FALSE(rename_theme_row(rows[0], ""));
    EXPECT_EQ(rows[0].name, "A");
    EXPECT_TRUE(rename_theme_row(rows[0], "  Evening blue "));
    EXPECT_EQ(rows[0].name, "Evening blue ");
}

TEST_F(SavedThemesTest, DeletingTheSecondOfFiveAndStoringLeavesFourWithoutAGap) {
    save_themes(5);
    std::vector<ThemeRow> rows = read_theme_rows();
    ASSERT_TRUE(delete_saved_themes({rows[1].number}));
    EXPECT_FALSE(NoteStore().record_exists(91002));  // stored at once
    EXPECT_EQ(name_of(91002), "");
    rows.erase(rows.begin() + 1);

    EXPECT_EQ(store_theme_order(rows), 4);
    EXPECT_EQ(last_saved(), "4");
    EXPECT_EQ(NoteStore().count_saved_themes(), 4);
    EXPECT_FALSE(NoteStore().record_exists(91005));
    const std::vector<std::pair<std::string, ColorRef>> expected = {
        {"A", 1}, {"C", 3}, {"D", 4}, {"E", 5}};
    for (int j = 0; j < 4; ++j) {
        EXPECT_EQ(name_of(91001 + j), expected[std::size_t(j)].first);
        EXPECT_EQ(body_of(91001 + j), expected[std::size_t(j)].second);
    }
    EXPECT_EQ(name_of(91005), "");
    for (int k = 0; k < 20; ++k)
        EXPECT_FALSE(NoteStore().record_exists(92001 + k));
    EXPECT_TRUE(errors.messages.empty());
}

TEST_F(SavedThemesTest, MovingTheLastToTheTopMakesIt91001) {
    save_themes(4);
    std::vector<ThemeRow> rows = read_theme_rows();
    for (int i = 3; i > 0; --i)
        ASSERT_TRUE(move_theme_row_up(rows, i));
    EXPECT_FALSE(move_theme_row_up(rows, 0));
    EXPECT_FALSE(move_theme_row_down(rows, 3));
    EXPECT_EQ(names(rows), (std::vector<std::string>{"D", "A", "B", "C"}));
    // The rows keep where they were first inserted; names and numbers move.
    EXPECT_EQ(rows[0].inserted, 0);

    EXPECT_EQ(store_theme_order(rows), 4);
    EXPECT_EQ(name_of(91001), "D");
    EXPECT_EQ(body_of(91001), 4u);
    EXPECT_EQ(name_of(91004), "C");
    EXPECT_EQ(body_of(91004), 3u);
}

TEST_F(SavedThemesTest, AnUnreadableRowIsDroppedAndTheOthersCloseUp) {
    save_themes(3);
    std::vector<ThemeRow> rows = read_theme_rows();
    ASSERT_TRUE(NoteStore().delete_record(91002));  // gone behind the dialog's back
    EXPECT_EQ(store_theme_order(rows), 2);
    EXPECT_EQ(last_saved(), "2");
    EXPECT_EQ(NoteStore().count_saved_themes(), 2);
    EXPECT_EQ(name_of(91002), "C");
    EXPECT_EQ(body_of(91002), 3u);
}

TEST_F(SavedThemesTest, NoSavedThemesStoresZero) {
    EXPECT_TRUE(read_theme_rows().empty());
    EXPECT_EQ(store_theme_order({}), 0);
    EXPECT_EQ(last_saved(), "0");
}

TEST(ThemeSort, FirstPressDescendsSecondAscendsAndAHeaderClickStartsAscending) {
    std::vector<ThemeRow> rows = {{"b", 91001, 0}, {"C", 91002, 1}, {"a", 91003, 2}};
    auto order = [&] {
        std::string s;
        for (const ThemeRow& r : rows)
            s += r.name;
        return s;
    };
    ThemeSortState state;
    sort_theme_rows(rows, state);
    const std::string first = order();
    sort_theme_rows(rows, state);
    const std::string second = order();
    EXPECT_TRUE(state.ascending);
    EXPECT_EQ(std::string(first.rbegin(), first.rend()), second);
    // The C locale compares by bytes, so upper case comes first.
    EXPECT_EQ(second, "Cab");

    // A click on the number column sorts by it ascending; a second click descends.
    sort_theme_rows_by(rows, state, kThemeNumberColumn);
    EXPECT_EQ(order(), "bCa");
    sort_theme_rows_by(rows, state, kThemeNumberColumn);
    EXPECT_EQ(order(), "aCb");
    // Back to names: a new column starts ascending.
    sort_theme_rows_by(rows, state, kThemeNameColumn);
    EXPECT_EQ(order(), "Cab");
}

}  // namespace
}  // namespace kd
