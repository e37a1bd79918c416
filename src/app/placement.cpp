#include "app/placement.h"

namespace kd {

std::optional<ScreenPoint> cascade_place(CascadeState& state, int left, int top, int width,
                                         int height, int screen_w, int screen_h, bool show) {
    if (!show) {
        return std::nullopt;
    }
    std::optional<ScreenPoint> target;
    if (state.index > 0) {
        const int x = left + (state.column + state.index) * kCascadeStep;
        const int y = top + state.index * kCascadeStep;
        if (y + height < screen_h - kCascadeEdgeGap && x + width < screen_w - kCascadeEdgeGap) {
            target = ScreenPoint{x, y};
        } else {
            // This note starts a new run at the template top edge, one step further right.
            state.index = 0;
            ++state.column;
            target = ScreenPoint{left + state.column * kCascadeStep, top};
        }
    }
    ++state.index;
    return target;
}

ScreenPoint cascade_place_on_screen(CascadeState& state, int left, int top, int width, int height,
                                    int screen_left, int screen_top, int screen_w, int screen_h) {
    const ScreenPoint at = cascade_place(state, left, top, width, height, screen_w, screen_h, true)
                               .value_or(ScreenPoint{left, top});
    return {screen_left + at.x, screen_top + at.y};
}

}  // namespace kd
