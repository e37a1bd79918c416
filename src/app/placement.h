// Where a new note goes: notes shown one after another form diagonal runs 40 pixels apart,
// each run starting 40 pixels right of the previous one, and a run ends before a note would
// come within 20 pixels of the screen's right or bottom edge.
#pragma once

#include <optional>

namespace kd {

inline constexpr int kCascadeStep = 40;
inline constexpr int kCascadeEdgeGap = 20;

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
std::optional<ScreenPoint> cascade_place(CascadeState& state, int left, int top, int width,
                                         int height, int screen_w, int screen_h, bool show);

// The same cascade on a screen whose top-left corner need not be the origin: the template
// position is taken relative to that corner. Always returns where the note goes.
ScreenPoint cascade_place_on_screen(CascadeState& state, int left, int top, int width, int height,
                                    int screen_left, int screen_top, int screen_w, int screen_h);

}  // namespace kd
