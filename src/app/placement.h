// Where a new note goes: notes shown one after another form diagonal runs 40 pixels apart,
// each run starting 40 pixels right of the previous one, and a run ends before a note would
// come within 20 pixels of the screen's right or bottom edge. A spot where a shown note already
// lies is skipped, so notes made after a restart, or brought back from a screen that went away,
// never land on top of others.
#pragma once

#include <optional>
#include <vector>

namespace kd {

inline constexpr int kCascadeStep = 40;
inline constexpr int kCascadeEdgeGap = 20;
// A spot counts as taken when a note's top-left corner lies this close to it on both axes.
inline constexpr int kCascadeTakenSlack = 8;

struct ScreenPoint {
    int x = 0;
    int y = 0;
    bool operator==(const ScreenPoint&) const = default;
};

// Position of the next note in the current run, and the number of runs started so far.
struct CascadeState {
    int index = 0;
    int column = 0;
    bool operator==(const CascadeState&) const = default;
};

// One note handed to the placement. `left`/`top` is its template position, `width`/`height`
// the size it will have once shown. Returns where to move the note, or nothing to leave it
// where it is. Only shown notes take part in the cascade; a note placed without showing
// (restored at start) neither moves nor advances the run.
//
// `taken` holds the top-left corners of the notes already shown. The cascade steps on past
// every spot within kCascadeTakenSlack of one of them, as if a note had been placed there;
// when no free spot is left on the screen the note takes the spot the plain cascade gives.
std::optional<ScreenPoint> cascade_place(CascadeState& state, int left, int top, int width,
                                         int height, int screen_w, int screen_h, bool show,
                                         const std::vector<ScreenPoint>& taken = {});

// The same cascade on a screen whose top-left corner need not be the origin: the template
// position is taken relative to that corner; `taken` is in desktop coordinates. Always returns
// where the note goes.
ScreenPoint cascade_place_on_screen(CascadeState& state, int left, int top, int width, int height,
                                    int screen_left, int screen_top, int screen_w, int screen_h,
                                    const std::vector<ScreenPoint>& taken = {});

}  // namespace kd
