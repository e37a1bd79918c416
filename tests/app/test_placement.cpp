// New-note cascade arithmetic and the tray menu's enable rules.
#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "app/placement.h"
#include "app/tray_menu.h"

namespace kd {
namespace {

constexpr int kW = 1280;
constexpr int kH = 1024;

// Places `count` shown notes of size w x h from template (l, t); returns where each ended up.
std::vector<ScreenPoint> run(CascadeState& s, int count, int l, int t, int w, int h) {
    std::vector<ScreenPoint> out;
    for (int i = 0; i < count; ++i) {
        std::optional<ScreenPoint> p = cascade_place(s, l, t, w, h, kW, kH, true);
        out.push_back(p.value_or(ScreenPoint{l, t}));
    }
    return out;
}

TEST(Cascade, FirstNoteStaysAtTemplateAndLaterOnesStepDiagonally) {
    CascadeState s;
    EXPECT_EQ(cascade_place(s, 100, 100, 200, 200, kW, kH, true), std::nullopt);
    EXPECT_EQ(s, (CascadeState{1, 0}));
    EXPECT_EQ(cascade_place(s, 100, 100, 200, 200, kW, kH, true), (ScreenPoint{140, 140}));
    EXPECT_EQ(cascade_place(s, 100, 100, 200, 200, kW, kH, true), (ScreenPoint{180, 180}));
    EXPECT_EQ(s, (CascadeState{3, 0}));
}

TEST(Cascade, RunWrapsTwentyPixelsBeforeTheBottomEdge) {
    // Bottom edges: 300, 340, ... A note whose bottom would reach H - 20 = 1004 starts a new
    // run: 300 + 40 * 17 = 980 still fits (980 < 1004); 1020 does not.
    CascadeState s;
    std::vector<ScreenPoint> p = run(s, 20, 100, 100, 200, 200);
    EXPECT_EQ(p[17], (ScreenPoint{100 + 17 * 40, 100 + 17 * 40}));
    EXPECT_EQ(p[18], (ScreenPoint{140, 100}));  // new run: template top, one step right
    EXPECT_EQ(p[19], (ScreenPoint{100 + 2 * 40, 140}));
    EXPECT_EQ(s, (CascadeState{2, 1}));
}

TEST(Cascade, BoundaryIsStrict) {
    // Shifted bottom exactly at H - 20 wraps; one pixel less does not.
    CascadeState s{1, 0};
    EXPECT_EQ(cascade_place(s, 0, 0, 100, kH - 20 - 40, kW, kH, true), (ScreenPoint{40, 0}));
    EXPECT_EQ(s, (CascadeState{1, 1}));
    CascadeState t{1, 0};
    EXPECT_EQ(cascade_place(t, 0, 0, 100, kH - 20 - 41, kW, kH, true), (ScreenPoint{40, 40}));
}

TEST(Cascade, RunWrapsBeforeTheRightEdgeAndLaterRunsStartFurtherRight) {
    // A wide note: the right edge limits first. Right edges 1100, 1140, 1180, 1220 (< 1260),
    // then 1260 is not below W - 20 and wraps.
    CascadeState s;
    std::vector<ScreenPoint> p = run(s, 7, 100, 100, 1000, 100);
    EXPECT_EQ(p[3], (ScreenPoint{220, 220}));
    EXPECT_EQ(p[4], (ScreenPoint{140, 100}));
    // The second run steps on from its own start, 40 right of the first run's start.
    EXPECT_EQ(p[5], (ScreenPoint{180, 140}));
    EXPECT_EQ(p[6], (ScreenPoint{220, 180}));
}

TEST(Cascade, NotesPlacedWithoutShowingNeitherMoveNorAdvance) {
    CascadeState s;
    EXPECT_EQ(cascade_place(s, 100, 100, 200, 200, kW, kH, false), std::nullopt);
    EXPECT_EQ(s, (CascadeState{0, 0}));
    s = CascadeState{3, 1};
    EXPECT_EQ(cascade_place(s, 100, 100, 200, 200, kW, kH, false), std::nullopt);
    EXPECT_EQ(s, (CascadeState{3, 1}));
}

TEST(Cascade, OnAScreenAwayFromTheOriginTheRunIsRelativeToItsCorner) {
    CascadeState s;
    EXPECT_EQ(cascade_place_on_screen(s, 100, 100, 200, 200, 1280, 0, 1280, 1024),
              (ScreenPoint{1380, 100}));
    EXPECT_EQ(cascade_place_on_screen(s, 100, 100, 200, 200, 1280, 0, 1280, 1024),
              (ScreenPoint{1420, 140}));
    // The run ends before the screen's own bottom edge, not the desktop's.
    CascadeState low;
    low.index = 20;
    EXPECT_EQ(cascade_place_on_screen(low, 100, 100, 200, 200, 0, 500, 1280, 600),
              (ScreenPoint{140, 600}));
}

TEST(Cascade, SpotsWhereNotesLieAreSkippedAsIfNotesWerePlacedThere) {
    // After a restart the run starts again at the template spot, where the first notes lie;
    // a corner within 8 pixels counts, 9 pixels away does not.
    CascadeState s;
    const std::vector<ScreenPoint> taken = {{100, 100}, {148, 132}, {189, 189}};
    EXPECT_EQ(cascade_place(s, 100, 100, 200, 200, kW, kH, true, taken), (ScreenPoint{180, 180}));
    EXPECT_EQ(s, (CascadeState{3, 0}));
    CascadeState u;
    EXPECT_EQ(cascade_place(u, 100, 100, 200, 200, kW, kH, true, {{109, 100}}), std::nullopt);
    EXPECT_EQ(u, (CascadeState{1, 0}));

    // A taken spot at the end of a run sends the note to the next run's start.
    CascadeState w{17, 0};
    EXPECT_EQ(cascade_place(w, 100, 100, 200, 200, kW, kH, true, {{780, 780}}),
              (ScreenPoint{140, 100}));
}

TEST(Cascade, AFullScreenFallsBackToThePlainCascadeSpot) {
    // Every spot of a small screen is taken: the note goes where the plain cascade puts it,
    // and the run goes on from there as without the taken spots.
    CascadeState s;
    std::vector<ScreenPoint> taken;
    CascadeState probe;
    for (int i = 0; i < 200; ++i) {
        taken.push_back(
            cascade_place(probe, 0, 0, 100, 100, 400, 300, true).value_or(ScreenPoint{}));
    }
    EXPECT_EQ(cascade_place(s, 0, 0, 100, 100, 400, 300, true, taken), std::nullopt);
    EXPECT_EQ(s, (CascadeState{1, 0}));
    EXPECT_EQ(cascade_place(s, 0, 0, 100, 100, 400, 300, true, taken), (ScreenPoint{40, 40}));
}

TEST(Cascade, NotesBroughtBackToAScreenSkipEachOther) {
    // Three notes from a monitor that went away, placed one after another on the second
    // screen's run: each takes its own spot, and a note already at the first spot is passed.
    CascadeState s;
    std::vector<ScreenPoint> taken = {{1380, 100}};
    for (int i = 0; i < 3; ++i) {
        taken.push_back(cascade_place_on_screen(s, 100, 100, 200, 200, 1280, 0, 1280, 1024, taken));
    }
    EXPECT_EQ(taken[1], (ScreenPoint{1420, 140}));
    EXPECT_EQ(taken[2], (ScreenPoint{1460, 180}));
    EXPECT_EQ(taken[3], (ScreenPoint{1500, 220}));
}

TEST(TrayMenu, EnableRules) {
    TrayMenuState m;
    EXPECT_FALSE(m.enabled(kCmdShowAll));
    EXPECT_FALSE(m.marked(kCmdShowAll));
    EXPECT_TRUE(m.enabled(kCmdNewNote));

    m.refresh_on_open(false);
    EXPECT_FALSE(m.enabled(kCmdHideAll));
    EXPECT_FALSE(m.marked(kCmdHideAll));
    EXPECT_FALSE(m.enabled(kCmdExport));
    m.refresh_on_open(true);
    EXPECT_TRUE(m.enabled(kCmdHideAll));
    EXPECT_TRUE(m.enabled(kCmdExport));

    m.after_hide_all();
    EXPECT_TRUE(m.enabled(kCmdShowAll));
    EXPECT_TRUE(m.marked(kCmdShowAll));
    EXPECT_FALSE(m.enabled(kCmdHideAll));
    m.after_show_all();
    EXPECT_FALSE(m.enabled(kCmdShowAll));
    EXPECT_TRUE(m.enabled(kCmdHideAll));

    m.set_dialog_open(kCmdAbout, true);
    EXPECT_FALSE(m.enabled(kCmdAbout));
    m.set_dialog_open(kCmdAbout, false);
    EXPECT_TRUE(m.enabled(kCmdAbout));
    m.set_available(kCmdSettings, false);
    EXPECT_FALSE(m.enabled(kCmdSettings));
}

}  // namespace
}  // namespace kd
