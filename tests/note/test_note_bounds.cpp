// The one bounding rule for a note's geometry and look, and the test whether a note can be
// reached on the screens there are.
#include <gtest/gtest.h>

#include <climits>

#include "note/note_bounds.h"

namespace kd {
namespace {

const NoteRect kOneScreen{0, 0, 1280, 1024};
const NoteRect kLeftMonitor{0, 0, 1280, 1024};
const NoteRect kRightMonitor{1280, 0, 2560, 1024};

TEST(NoteBounds, SizesStayBetweenTheMinimumAndTheWholeDesktop) {
    const NoteRect desktop = desktop_bounds({kLeftMonitor, kRightMonitor});
    EXPECT_EQ(desktop, (NoteRect{0, 0, 2560, 1024}));
    EXPECT_EQ(bounded_note_width(INT_MAX, desktop), 2560);
    EXPECT_EQ(bounded_note_height(INT_MAX, desktop), 1024);
    EXPECT_EQ(bounded_note_width(2000, desktop), 2000) << "a note across both monitors";
    EXPECT_EQ(bounded_note_width(2000, kOneScreen), 1280);
    EXPECT_EQ(bounded_note_width(5, kOneScreen), kMinNoteWidth);
    EXPECT_EQ(bounded_note_height(5, kOneScreen), kMinNoteHeight);
    // Missing or negative: the size of a new note, not the minimum or a wrapped huge value.
    EXPECT_EQ(bounded_note_width(0, kOneScreen), kMissingNoteWidth);
    EXPECT_EQ(bounded_note_width(-2147483647, kOneScreen), kMissingNoteWidth);
    EXPECT_EQ(bounded_note_height(INT_MIN, kOneScreen), kMissingNoteHeight);
    // No screens known: the largest desktop the window system can address.
    EXPECT_EQ(bounded_note_width(INT_MAX, desktop_bounds({})), kMaxDesktopExtent);
    // A desktop smaller than a note's minimum still gives the minimum.
    EXPECT_EQ(bounded_note_width(500, NoteRect{0, 0, 20, 20}), kMinNoteWidth);
}

TEST(NoteBounds, RecordKeepsSaneValuesAndBoundsTheRest) {
    NoteRecord r;
    r.Left = -99999;
    r.Top = 2147483647;
    r.Width = 99999;
    r.Height = 99999;
    r.EditFontSize = 0;
    r.TitleFontSize = 2147483647;
    r.EditTextColor = 0xFF123456;
    r.TitleBackColor = 0x00ABCDEF;
    r.EditFont = std::string(5000, 'x');
    r.TitleText = std::string(3000, 't');
    const NoteRecord b = bounded_note_record(r, kOneScreen);
    EXPECT_EQ(b.Left, -kMaxNoteCoordinate);
    EXPECT_EQ(b.Top, kMaxNoteCoordinate);
    EXPECT_EQ(b.Width, 1280);
    EXPECT_EQ(b.Height, 1024);
    EXPECT_EQ(b.EditFontSize, kMinFontPoints);
    EXPECT_EQ(b.TitleFontSize, kMaxFontPoints);
    EXPECT_EQ(b.EditTextColor, 0x00123456u);
    EXPECT_EQ(b.TitleBackColor, 0x00ABCDEFu);
    EXPECT_EQ(b.EditFont.size(), kMaxFontFaceLength);
    EXPECT_EQ(b.TitleText, r.TitleText) << "texts are not the bound's business";

    NoteRecord sane;
    sane.Left = 1500;  // on a second monitor that is away now: the place is kept
    sane.Top = -40;
    sane.Width = 240;
    sane.Height = 180;
    sane.EditFontSize = 10;
    sane.TitleFontSize = 8;
    EXPECT_EQ(bounded_note_record(sane, kOneScreen), sane);
}

TEST(NoteBounds, ANoteIsReachableWhenEnoughOfItsTitleStripIsOnAScreen) {
    const std::vector<NoteRect> two{kLeftMonitor, kRightMonitor};
    const std::vector<NoteRect> one{kLeftMonitor};
    const NoteRect on_right{1500, 300, 1740, 480};
    EXPECT_TRUE(note_reachable(on_right, two));
    EXPECT_FALSE(note_reachable(on_right, one));
    // Dragged partly off the right edge: still there to take hold of.
    EXPECT_TRUE(note_reachable(NoteRect{1280 - kReachableWidth, 10, 1480, 200}, one));
    EXPECT_FALSE(note_reachable(NoteRect{1280 - kReachableWidth + 1, 10, 1480, 200}, one));
    // Title strip above the top edge: the body shows but cannot be dragged back.
    EXPECT_FALSE(note_reachable(NoteRect{100, -15, 340, 165}, one));
    EXPECT_TRUE(note_reachable(NoteRect{100, -10, 340, 170}, one));
    // Left of the desktop, and the smaller-screen case: (730, 490) on 640x480.
    EXPECT_FALSE(note_reachable(NoteRect{-500, 100, -260, 280}, one));
    EXPECT_FALSE(note_reachable(NoteRect{730, 490, 930, 690}, {NoteRect{0, 0, 640, 480}}));
    EXPECT_TRUE(note_reachable(NoteRect{580, 148, 780, 348}, {NoteRect{0, 0, 640, 480}}));
    EXPECT_TRUE(note_reachable(on_right, {})) << "no screen known: leave the note alone";
}

}  // namespace
}  // namespace kd
