// The note window's arithmetic, without a display.
#include <gtest/gtest.h>

#include "note/note_geometry.h"

namespace kd {
namespace {

TEST(NoteLayout, PositionsWithoutBorder) {
    const NoteLayout l = note_layout(200, 150, false);
    EXPECT_EQ(l.title, (NoteRect{0, 0, 200, 20}));
    EXPECT_EQ(l.body, (NoteRect{2, 20, 198, 148}));  // (2, 20), 196 by 128
    EXPECT_EQ(l.format_rect, (NoteRect{2, 0, 196, 128}));
    EXPECT_EQ(l.close, (NotePoint{186, 5}));
}

TEST(NoteLayout, PositionsWithBorder) {
    const NoteLayout l = note_layout(200, 150, true);
    EXPECT_EQ(l.body, (NoteRect{1, 20, 197, 147}));  // (1, 20), 196 by 127
    EXPECT_EQ(l.format_rect, (NoteRect{1, 0, 196, 127}));
    EXPECT_EQ(l.close, (NotePoint{185, 4}));
    EXPECT_EQ(close_pos_rolled_up(200), (NotePoint{185, 4}));
    EXPECT_EQ(close_pos_at_creation(200), (NotePoint{186, 5}));
}

TEST(NoteLayout, ReminderIconsShiftForRollDownIconStatusAndExpiration) {
    EXPECT_EQ(expiration_icon_x(false, false), 3);
    EXPECT_EQ(expiration_icon_x(true, false), 15);
    EXPECT_EQ(expiration_icon_x(false, true), 16);
    EXPECT_EQ(expiration_icon_x(true, true), 28);
    EXPECT_EQ(alarm_icon_x(false, false, false), 3);
    EXPECT_EQ(alarm_icon_x(false, false, true), 15);
    EXPECT_EQ(alarm_icon_x(true, true, true), 40);
}

// Window at (100, 100)-(300, 250).
const NoteRect kWin{100, 100, 300, 250};

TEST(NoteHitTest, CornersWinOverEdges) {
    EXPECT_EQ(note_hit_test(kWin, {299, 249}, false), HitZone::BottomRight);
    EXPECT_EQ(note_hit_test(kWin, {290, 240}, false), HitZone::BottomRight);
    EXPECT_EQ(note_hit_test(kWin, {100, 249}, false), HitZone::BottomLeft);
    EXPECT_EQ(note_hit_test(kWin, {109, 240}, false), HitZone::BottomLeft);
    EXPECT_EQ(note_hit_test(kWin, {299, 100}, false), HitZone::TopRight);
    EXPECT_EQ(note_hit_test(kWin, {100, 100}, false), HitZone::TopLeft);
    EXPECT_EQ(note_hit_test(kWin, {109, 109}, false), HitZone::TopLeft);
}

TEST(NoteHitTest, EdgesAndClient) {
    EXPECT_EQ(note_hit_test(kWin, {200, 249}, false), HitZone::Bottom);
    EXPECT_EQ(note_hit_test(kWin, {200, 245}, false), HitZone::Bottom);
    EXPECT_EQ(note_hit_test(kWin, {200, 244}, false), HitZone::Client);
    EXPECT_EQ(note_hit_test(kWin, {200, 100}, false), HitZone::Top);
    EXPECT_EQ(note_hit_test(kWin, {200, 104}, false), HitZone::Top);
    EXPECT_EQ(note_hit_test(kWin, {200, 105}, false), HitZone::Client);
    EXPECT_EQ(note_hit_test(kWin, {100, 170}, false), HitZone::Left);
    EXPECT_EQ(note_hit_test(kWin, {104, 170}, false), HitZone::Left);
    EXPECT_EQ(note_hit_test(kWin, {105, 170}, false), HitZone::Client);
    EXPECT_EQ(note_hit_test(kWin, {299, 170}, false), HitZone::Right);
    EXPECT_EQ(note_hit_test(kWin, {295, 170}, false), HitZone::Right);
    EXPECT_EQ(note_hit_test(kWin, {294, 170}, false), HitZone::Client);
    // Edge zones stop 10 pixels before the corners; the corner squares take over there.
    EXPECT_EQ(note_hit_test(kWin, {110, 100}, false), HitZone::Top);
    EXPECT_EQ(note_hit_test(kWin, {109, 100}, false), HitZone::TopLeft);
}

TEST(NoteHitTest, RolledUpNoteHasNoZones) {
    EXPECT_EQ(note_hit_test(kWin, {299, 249}, true), HitZone::Client);
    EXPECT_EQ(note_hit_test(kWin, {100, 170}, true), HitZone::Client);
}

TEST(NoteResize, NeverBelowSixtyByThirty) {
    const NoteRect start{100, 100, 300, 250};
    EXPECT_EQ(resize_rect(start, HitZone::BottomRight, -500, -500), (NoteRect{100, 100, 160, 130}));
    EXPECT_EQ(resize_rect(start, HitZone::TopLeft, 500, 500), (NoteRect{240, 220, 300, 250}));
    EXPECT_EQ(resize_rect(start, HitZone::Right, 20, 99), (NoteRect{100, 100, 320, 250}));
    EXPECT_EQ(resize_rect(start, HitZone::Top, 99, -20), (NoteRect{100, 80, 300, 250}));
    EXPECT_EQ(resize_rect(start, HitZone::Client, 50, 50), start);
}

TEST(NoteSnap, TopSnapsOntoWorkAreaWhenMovingUp) {
    const NoteRect work{0, 30, 1280, 1000};
    const NoteRect current{100, 60, 300, 260};
    // Moving up to 9 pixels below the work area's top snaps onto it.
    EXPECT_EQ(snap_moving_rect({100, 39, 300, 239}, current, work), (NoteRect{100, 30, 300, 230}));
    // 10 pixels below is left alone.
    EXPECT_EQ(snap_moving_rect({100, 40, 300, 240}, current, work), (NoteRect{100, 40, 300, 240}));
    // Above the work area too.
    EXPECT_EQ(snap_moving_rect({100, -50, 300, 150}, current, work), (NoteRect{100, 30, 300, 230}));
    // Moving down near the top does not snap.
    EXPECT_EQ(snap_moving_rect({100, 35, 300, 235}, {100, 20, 300, 220}, work),
              (NoteRect{100, 35, 300, 235}));
}

TEST(NoteSnap, BottomSnapsAndNoHorizontalChange) {
    const NoteRect work{0, 0, 1280, 1000};
    const NoteRect current{100, 700, 300, 900};
    EXPECT_EQ(snap_moving_rect({-150, 795, 50, 995}, current, work),
              (NoteRect{-150, 800, 50, 1000}));
    EXPECT_EQ(snap_moving_rect({1200, 780, 1400, 990}, current, work),
              (NoteRect{1200, 780, 1400, 990}));
    // Moving up near the bottom does not snap.
    EXPECT_EQ(snap_moving_rect({100, 795, 300, 995}, {100, 810, 300, 1010}, work),
              (NoteRect{100, 795, 300, 995}));
}

TEST(NoteRestore, RectangleBeyondTheScreenComesBackAtTopLeft) {
    EXPECT_EQ(restored_position(1200, 50, 200, 100, 1280, 1024), (NotePoint{0, 0}));
    EXPECT_EQ(restored_position(1300, 50, 200, 100, 1280, 1024), (NotePoint{0, 0}));
    EXPECT_EQ(restored_position(100, 950, 200, 100, 1280, 1024), (NotePoint{0, 0}));
    EXPECT_EQ(restored_position(1080, 924, 200, 100, 1280, 1024), (NotePoint{1080, 924}));
    // Negative coordinates are not corrected.
    EXPECT_EQ(restored_position(-120, 50, 200, 100, 1280, 1024), (NotePoint{-120, 50}));
}

TEST(NoteFade, StepAndPauseByArea) {
    EXPECT_EQ(fade_plan_for_area(1000), (FadePlan{100, 15}));
    EXPECT_EQ(fade_plan_for_area(1001), (FadePlan{60, 9}));
    EXPECT_EQ(fade_plan_for_area(10001), (FadePlan{70, 10}));
    EXPECT_EQ(fade_plan_for_area(40000), (FadePlan{80, 12}));
    EXPECT_EQ(fade_plan_for_area(60001), (FadePlan{90, 13}));
    EXPECT_EQ(fade_plan_for_area(100001), (FadePlan{100, 15}));
    EXPECT_EQ(fade_plan_for_area(250001), (FadePlan{175, 26}));
    EXPECT_EQ(fade_plan_for_area(500001), (FadePlan{220, 33}));
}

TEST(NoteFade, FrameCountsAndLevels) {
    const FadePlan p200 = fade_plan_for_area(200 * 200);
    EXPECT_EQ(fade_frame_count(p200), 126);
    EXPECT_EQ(fade_frame_alpha(p200, 0), 255);
    EXPECT_EQ(fade_frame_alpha(p200, 1), 99 * 255 / 100);  // level 99.2
    EXPECT_EQ(fade_frame_alpha(p200, 125), 0);             // level 0.0 is still a frame
    EXPECT_EQ(fade_frame_count(fade_plan_for_area(500)), 101);
    EXPECT_EQ(fade_frame_count(fade_plan_for_area(5000)), 167);   // 0.6: 100 / 0.6 = 166.7
    EXPECT_EQ(fade_frame_count(fade_plan_for_area(600000)), 46);  // 2.2: 45.45
    EXPECT_EQ(fade_frame_count(fade_plan_for_area(300000)), 58);  // 1.75: 57.1
}

TEST(NoteTitleSize, StepsStopAtOneButNotAbove) {
    EXPECT_EQ(title_size_decreased(1), 1);
    EXPECT_EQ(title_size_decreased(8), 7);
    EXPECT_EQ(title_size_increased(8), 9);
    EXPECT_EQ(title_size_increased(400), 401);
}

TEST(StyleLetters, AnyOrderOtherLettersIgnored) {
    const StyleLetters bc = parse_style_letters("BC");
    EXPECT_TRUE(bc.bold);
    EXPECT_EQ(bc.weight(), 700);
    EXPECT_EQ(bc.align, 'C');
    const StyleLetters none = parse_style_letters("");
    EXPECT_FALSE(none.bold || none.italic || none.underline || none.strikeout);
    EXPECT_EQ(none.weight(), 400);
    EXPECT_EQ(none.align, 0);
    const StyleLetters all = parse_style_letters("xSUIBR");
    EXPECT_TRUE(all.bold && all.italic && all.underline && all.strikeout);
    EXPECT_EQ(all.align, 'R');
    EXPECT_FALSE(parse_style_letters("bius").bold);  // capitals only
}

TEST(StyleLetters, AlignmentCommandReplacesAllThree) {
    EXPECT_EQ(with_alignment_letter("BLCR", 'C'), "BC");
    EXPECT_EQ(with_alignment_letter("IU", 'R'), "IUR");
    EXPECT_EQ(aligned_title_text("  My note  ", 'L'), " My note");
    EXPECT_EQ(aligned_title_text(" My note", 'R'), "My note ");
    EXPECT_EQ(aligned_title_text("My note ", 'C'), "My note");
    EXPECT_EQ(aligned_title_text("   ", 'L'), " ");
}

TEST(DateTitle, FourFormatsAndUnknown) {
    EXPECT_EQ(format_date_title("DD.MM.YYYY", 2026, 3, 7), "07.03.2026");
    EXPECT_EQ(format_date_title("DD-MM-YYYY", 2026, 3, 7), "07-03-2026");
    EXPECT_EQ(format_date_title("YYYY-MM-DD", 2026, 3, 7), "2026-03-07");
    EXPECT_EQ(format_date_title("MM/DD/YYYY", 2026, 3, 7), "03/07/2026");
    EXPECT_EQ(format_date_title("D.M.YY", 2026, 3, 7), "");
    EXPECT_EQ(format_date_title("", 2026, 3, 7), "");
}

TEST(DeleteQuestion, BuiltFromItsPattern) {
    EXPECT_EQ(delete_question_text(), "Delete note. Are you sure ?   ");
}

}  // namespace
}  // namespace kd
