// The windowless rules of the note menus: which saved groups are offered under which ids,
// and the title texts and style letters the title commands produce.
#include <gtest/gtest.h>

#include <string>

#include "note/note_menus_model.h"

namespace kd::note_menu {
namespace {

TEST(NoteMenuGroups, TwoGroupsTakeTheFirstTwoIds) {
    const auto items = offered_groups("Office~Home~");
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].id, 32863);
    EXPECT_EQ(items[0].name, "Office");
    EXPECT_EQ(items[1].id, 32864);
    EXPECT_EQ(items[1].name, "Home");
    EXPECT_TRUE(has_saved_groups("Office~Home~"));
}

TEST(NoteMenuGroups, TwentyFirstGroupIsNotOfferedAndIdsJumpAfterTheTenth) {
    std::string names;
    for (int i = 1; i <= 21; ++i)
        names += "G" + std::to_string(i) + "~";
    const auto items = offered_groups(names);
    ASSERT_EQ(items.size(), 20u);
    EXPECT_EQ(items[9].id, 32872);
    EXPECT_EQ(items[10].id, 32875);
    EXPECT_EQ(items[11].id, 32941);
    EXPECT_EQ(items[19].id, 32949);
    EXPECT_EQ(items[19].name, "G20");
}

TEST(NoteMenuGroups, EmptyNameKeepsItsPositionAndCutEntryIsDropped) {
    const auto items = offered_groups("A~~B~Cut");
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].id, 32863);
    EXPECT_EQ(items[1].id, 32865);  // position 2: the empty entry held position 1
    EXPECT_EQ(items[1].name, "B");
}

TEST(NoteMenuGroups, NoSeparatorMeansNoSavedGroup) {
    EXPECT_FALSE(has_saved_groups(""));
    EXPECT_FALSE(has_saved_groups("Office"));
    EXPECT_TRUE(offered_groups("Office").empty());
}

TEST(NoteMenuTitle, FontDialogReplacesEffectsAndKeepsAlignment) {
    EXPECT_EQ(title_style_from_font("BUR", 700, true, false, false), "RBI");
    // Only a weight of exactly 700 is bold.
    EXPECT_EQ(title_style_from_font("C", 600, false, false, true), "CS");
    EXPECT_EQ(title_style_from_font("BIUSL", 400, false, false, false), "L");
}

TEST(NoteMenuTitle, EditedTitleGetsTheAlignmentBlank) {
    EXPECT_EQ(edited_title_text("Shopping", "BL"), " Shopping");
    EXPECT_EQ(edited_title_text("Shopping", "R"), "Shopping ");
    EXPECT_EQ(edited_title_text("Shopping", "C"), "Shopping");
    EXPECT_EQ(edited_title_text("Shopping", ""), "Shopping");
    EXPECT_EQ(trimmed("  a b  "), "a b");
    EXPECT_EQ(trimmed("   "), "");
}

}  // namespace
}  // namespace kd::note_menu
