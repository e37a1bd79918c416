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
