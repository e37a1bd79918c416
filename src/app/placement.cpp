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

}  // namespace kd
