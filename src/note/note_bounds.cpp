#include "note/note_bounds.h"

#include <algorithm>

namespace kd {

namespace {

int bounded_size(int value, int missing, int minimum, int desktop_extent) {
    if (value <= 0) {
        value = missing;
    }
    return std::max(minimum, std::min(value, desktop_extent));
}

}  // namespace

NoteRect desktop_bounds(const std::vector<NoteRect>& screens) {
    if (screens.empty()) {
        return kLargestDesktop;
    }
    NoteRect out = screens.front();
    for (const NoteRect& s : screens) {
        out.left = std::min(out.left, s.left);
        out.top = std::min(out.top, s.top);
        out.right = std::max(out.right, s.right);
        out.bottom = std::max(out.bottom, s.bottom);
    }
    return out;
}

int bounded_note_width(int width, const NoteRect& desktop) {
    return bounded_size(width, kMissingNoteWidth, kMinNoteWidth,
                        std::min(desktop.width(), kMaxDesktopExtent));
}

int bounded_note_height(int height, const NoteRect& desktop) {
    return bounded_size(height, kMissingNoteHeight, kMinNoteHeight,
                        std::min(desktop.height(), kMaxDesktopExtent));
}

int bounded_coordinate(int value) {
    return std::clamp(value, -kMaxNoteCoordinate, kMaxNoteCoordinate);
}

int bounded_font_points(int points) {
    return std::clamp(points, kMinFontPoints, kMaxFontPoints);
}

NoteRecord bounded_note_record(NoteRecord r, const NoteRect& desktop) {
    r.Width = bounded_note_width(r.Width, desktop);
    r.Height = bounded_note_height(r.Height, desktop);
    r.Left = bounded_coordinate(r.Left);
    r.Top = bounded_coordinate(r.Top);
    r.EditFontSize = bounded_font_points(r.EditFontSize);
    r.TitleFontSize = bounded_font_points(r.TitleFontSize);
    for (ColorRef* c : {&r.EditTextColor, &r.EditBackColor, &r.TitleTextColor, &r.TitleBackColor}) {
        *c &= kColourMask;
    }
    if (r.EditFont.size() > kMaxFontFaceLength) {
        r.EditFont.resize(kMaxFontFaceLength);
    }
    if (r.TitleFont.size() > kMaxFontFaceLength) {
        r.TitleFont.resize(kMaxFontFaceLength);
    }
    return r;
}

bool note_reachable(const NoteRect& rect, const std::vector<NoteRect>& screens) {
    if (screens.empty()) {
        return true;
    }
    const NoteRect strip{rect.left, rect.top, rect.right, rect.top + kTitleHeight};
    return std::any_of(screens.begin(), screens.end(), [&](const NoteRect& s) {
        const int w = std::min(strip.right, s.right) - std::max(strip.left, s.left);
        const int h = std::min(strip.bottom, s.bottom) - std::max(strip.top, s.top);
        return w >= kReachableWidth && h >= kReachableHeight;
    });
}

}  // namespace kd
