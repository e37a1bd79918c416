#include "app/placement.h"

#include <cstdlib>

namespace kd {

namespace {

// More spots than any screen holds; only a guard against a cascade that never ends.
constexpr int kMostSpotsTried = 2000;

// One step of the plain cascade.
std::optional<ScreenPoint> next_spot(CascadeState& state, int left, int top, int width, int height,
                                     int screen_w, int screen_h) {
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

bool is_taken(ScreenPoint spot, const std::vector<ScreenPoint>& taken) {
    for (const ScreenPoint& p : taken) {
        if (std::abs(p.x - spot.x) <= kCascadeTakenSlack &&
            std::abs(p.y - spot.y) <= kCascadeTakenSlack) {
            return true;
        }
    }
    return false;
}

}  // namespace

std::optional<ScreenPoint> cascade_place(CascadeState& state, int left, int top, int width,
                                         int height, int screen_w, int screen_h, bool show,
                                         const std::vector<ScreenPoint>& taken) {
    if (!show) {
        return std::nullopt;
    }
    const std::optional<ScreenPoint> plain =
        next_spot(state, left, top, width, height, screen_w, screen_h);
    if (taken.empty() || !is_taken(plain.value_or(ScreenPoint{left, top}), taken)) {
        return plain;
    }
    const CascadeState after_plain = state;
    for (int tried = 1; tried < kMostSpotsTried; ++tried) {
        const std::optional<ScreenPoint> spot =
            next_spot(state, left, top, width, height, screen_w, screen_h);
        const ScreenPoint at = spot.value_or(ScreenPoint{left, top});
        if (at.x + width >= screen_w - kCascadeEdgeGap) {
            break;  // the runs have left the screen: every spot on it is taken
        }
        if (!is_taken(at, taken)) {
            return spot;
        }
    }
    state = after_plain;
    return plain;
}

ScreenPoint cascade_place_on_screen(CascadeState& state, int left, int top, int width, int height,
                                    int screen_left, int screen_top, int screen_w, int screen_h,
                                    const std::vector<ScreenPoint>& taken) {
    std::vector<ScreenPoint> on_screen;
    on_screen.reserve(taken.size());
    for (const ScreenPoint& p : taken) {
        on_screen.push_back({p.x - screen_left, p.y - screen_top});
    }
    const ScreenPoint at =
        cascade_place(state, left, top, width, height, screen_w, screen_h, true, on_screen)
            .value_or(ScreenPoint{left, top});
    return {screen_left + at.x, screen_top + at.y};
}

}  // namespace kd
