#include "note/note_geometry.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace kd {

namespace {

constexpr const char* kDeleteQuestionPattern = "Delete note. %s  ";
constexpr const char* kDeleteQuestionFill = "Are you sure ? ";

constexpr int kCornerReach = 10;
constexpr int kEdgeReach = 5;
constexpr int kSnapDistance = 10;

}  // namespace

NoteLayout note_layout(int w, int h, bool border) {
    const int b = border ? 1 : 0;
    NoteLayout layout;
    layout.title = {0, 0, w, kTitleHeight};
    layout.body = {2 - b, kTitleHeight, 2 - b + (w - 4), kTitleHeight + (h - 22 - b)};
    layout.format_rect = {2 - b, 0, w - 4, h - 22 - b};
    layout.close = {w - 14 - b, 5 - b};
    return layout;
}

NotePoint close_pos_rolled_up(int w) {
    return {w - 15, 4};
}

NotePoint close_pos_at_creation(int w) {
    return {w - 14, 5};
}

int expiration_icon_x(bool rolled_up, bool any_status) {
    return (rolled_up ? 15 : 3) + (any_status ? 13 : 0);
}

int alarm_icon_x(bool rolled_up, bool any_status, bool expiration_set) {
    return expiration_icon_x(rolled_up, any_status) + (expiration_set ? 12 : 0);
}

HitZone note_hit_test(const NoteRect& r, NotePoint p, bool rolled_up) {
    if (rolled_up) {
        return HitZone::Client;
    }
    const int c = kCornerReach;
    const int e = kEdgeReach;
    struct Zone {
        NoteRect rect;
        HitZone zone;
    };
    const Zone zones[] = {
        {{r.right - c, r.bottom - c, r.right + c, r.bottom + c}, HitZone::BottomRight},
        {{r.left - c, r.bottom - c, r.left + c, r.bottom + c}, HitZone::BottomLeft},
        {{r.right - c, r.top - c, r.right + c, r.top + c}, HitZone::TopRight},
        {{r.left - c, r.top - c, r.left + c, r.top + c}, HitZone::TopLeft},
        {{r.left + c, r.bottom - e, r.right - c, r.bottom + e}, HitZone::Bottom},
        {{r.left + c, r.top - e, r.right - c, r.top + e}, HitZone::Top},
        {{r.left - e, r.top + c, r.left + e, r.bottom - c}, HitZone::Left},
        {{r.right - e, r.top + c, r.right + e, r.bottom - c}, HitZone::Right},
    };
    for (const Zone& z : zones) {
        if (z.rect.contains(p.x, p.y)) {
            return z.zone;
        }
    }
    return HitZone::Client;
}

NoteRect resize_rect(const NoteRect& start, HitZone zone, int dx, int dy) {
    NoteRect r = start;
    const bool left =
        zone == HitZone::Left || zone == HitZone::TopLeft || zone == HitZone::BottomLeft;
    const bool right =
        zone == HitZone::Right || zone == HitZone::TopRight || zone == HitZone::BottomRight;
    const bool top = zone == HitZone::Top || zone == HitZone::TopLeft || zone == HitZone::TopRight;
    const bool bottom =
        zone == HitZone::Bottom || zone == HitZone::BottomLeft || zone == HitZone::BottomRight;
    if (left) {
        r.left = std::min(start.left + dx, start.right - kMinNoteWidth);
    }
    if (right) {
        r.right = std::max(start.right + dx, start.left + kMinNoteWidth);
    }
    if (top) {
        r.top = std::min(start.top + dy, start.bottom - kMinNoteHeight);
    }
    if (bottom) {
        r.bottom = std::max(start.bottom + dy, start.top + kMinNoteHeight);
    }
    return r;
}

NoteRect snap_moving_rect(const NoteRect& proposed, const NoteRect& current, const NoteRect& work) {
    NoteRect r = proposed;
    if (r.top - work.top < kSnapDistance && r.top < current.top) {
        const int shift = work.top - r.top;
        r.top += shift;
        r.bottom += shift;
    }
    if (r.bottom > work.bottom - kSnapDistance && r.bottom > current.bottom) {
        const int shift = r.bottom - work.bottom;
        r.top -= shift;
        r.bottom -= shift;
    }
    return r;
}

NotePoint restored_position(int left, int top, int width, int height, int screen_w, int screen_h) {
    if (screen_w < left || screen_w < left + width || screen_h < top || screen_h < top + height) {
        return {0, 0};
    }
    return {left, top};
}

FadePlan fade_plan_for_area(long long area) {
    // Bigger windows take bigger steps so a fade lasts about the same time.
    struct Row {
        long long above;
        int step_hundredths;
    };
    static constexpr Row kRows[] = {{1000, 60},    {10000, 70},   {30000, 80},  {60000, 90},
                                    {100000, 100}, {250000, 175}, {500000, 220}};
    int step = 100;
    for (const Row& row : kRows) {
        if (area > row.above) {
            step = row.step_hundredths;
        }
    }
    return {step, step * 15 / 100};
}

int fade_frame_count(const FadePlan& plan) {
    if (plan.step_hundredths <= 0) {
        return 1;
    }
    return 10000 / plan.step_hundredths + 1;
}

int fade_frame_alpha(const FadePlan& plan, int frame) {
    const int level = std::max(0, 10000 - frame * plan.step_hundredths);
    return (level / 100) * 255 / 100;
}

int title_size_increased(int size) {
    return size + 1;
}

int title_size_decreased(int size) {
    return std::max(1, size - 1);
}

StyleLetters parse_style_letters(std::string_view letters) {
    StyleLetters s;
    auto has = [&](char c) { return letters.find(c) != std::string_view::npos; };
    s.bold = has('B');
    s.italic = has('I');
    s.underline = has('U');
    s.strikeout = has('S');
    // Applying the alignments in the order L, C, R each drops the other letters, so the
    // first one found in that order is the one that stays.
    if (has('L')) {
        s.align = 'L';
    } else if (has('C')) {
        s.align = 'C';
    } else if (has('R')) {
        s.align = 'R';
    }
    return s;
}

std::string with_alignment_letter(std::string_view letters, char align) {
    std::string out;
    for (char c : letters) {
        if (c != 'L' && c != 'C' && c != 'R') {
            out += c;
        }
    }
    if (align == 'L' || align == 'C' || align == 'R') {
        out += align;
    }
    return out;
}

std::string aligned_title_text(std::string_view text, char align) {
    const auto first = text.find_first_not_of(' ');
    std::string trimmed;
    if (first != std::string_view::npos) {
        const auto last = text.find_last_not_of(' ');
        trimmed = std::string(text.substr(first, last - first + 1));
    }
    if (align == 'L') {
        return " " + trimmed;
    }
    if (align == 'R') {
        return trimmed + " ";
    }
    return trimmed;
}

std::string format_date_title(std::string_view format, int year, int month, int day) {
    char buf[64];
    if (format == kDateFormatDots) {
        std::snprintf(buf, sizeof buf, "%02d.%02d.%04d", day, month, year);
    } else if (format == kDateFormatDashes) {
        std::snprintf(buf, sizeof buf, "%02d-%02d-%04d", day, month, year);
    } else if (format == kDateFormatIso) {
        std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", year, month, day);
    } else if (format == kDateFormatUs) {
        std::snprintf(buf, sizeof buf, "%02d/%02d/%04d", month, day, year);
    } else {
        return {};
    }
    return buf;
}

std::string delete_question_text() {
    char buf[128];
    std::snprintf(buf, sizeof buf, kDeleteQuestionPattern, kDeleteQuestionFill);
    return buf;
}

}  // namespace kd
