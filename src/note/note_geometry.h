// Windowless arithmetic of the note window: layout rectangles, resize zones, the vertical
// snap while moving, fading steps, title font sizes, style letters and the date title.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "store/style_letters.h"  // font_height_for_points

namespace kd {

inline constexpr int kTitleHeight = 20;
inline constexpr int kMinNoteWidth = 60;
inline constexpr int kMinNoteHeight = 30;
inline constexpr int kNoteTimerMs = 20000;
// Where a note stands before it is placed: the first note of the cascade.
inline constexpr int kNoteTemplateLeft = 100;
inline constexpr int kNoteTemplateTop = 100;

// Edges are exclusive on the right and bottom, as window rectangles are.
struct NoteRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int width() const { return right - left; }
    int height() const { return bottom - top; }
    bool contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
    bool operator==(const NoteRect&) const = default;
};

struct NotePoint {
    int x = 0;
    int y = 0;
    bool operator==(const NotePoint&) const = default;
};

// Child positions in window coordinates for a window of width w and height h; `border` is
// the note's border flag.
struct NoteLayout {
    NoteRect title;        // (0, 0) w by 20
    NoteRect body;         // (2 - b, 20) w - 4 by h - 22 - b
    NoteRect format_rect;  // inside the body: left 2 - b, top 0, right w - 4, bottom h - 22 - b
    NotePoint close;       // (w - 14 - b, 5 - b)
};
NoteLayout note_layout(int w, int h, bool border);

// Close button right after rolling up, and at creation.
NotePoint close_pos_rolled_up(int w);
NotePoint close_pos_at_creation(int w);
inline constexpr NotePoint kRollDownIconPos{3, 4};
inline constexpr NotePoint kStatusIconPos{4, 4};
inline constexpr NotePoint kStatusIconPosRolledUp{16, 4};

// Reminder icon positions (y is always 4).
int expiration_icon_x(bool rolled_up, bool any_status);
int alarm_icon_x(bool rolled_up, bool any_status, bool expiration_set);

// Resize zones of the frameless window; Client means "no sizing here".
enum class HitZone { Client, BottomRight, BottomLeft, TopRight, TopLeft, Bottom, Top, Left, Right };

// The first zone of the table that holds the screen point wins; a rolled-up note has no
// zones.
HitZone note_hit_test(const NoteRect& r, NotePoint p, bool rolled_up);

// New window rectangle for dragging `zone` from `start` by (dx, dy), kept at least the
// minimum size with the opposite edge fixed.
NoteRect resize_rect(const NoteRect& start, HitZone zone, int dx, int dy);

// Adjusts the rectangle proposed while moving so the note stays vertically inside the work
// area; horizontal position is left alone.
NoteRect snap_moving_rect(const NoteRect& proposed, const NoteRect& current,
                          const NoteRect& work_area);

// Restored notes whose rectangle leaves the screen come back at the top-left corner.
NotePoint restored_position(int left, int top, int width, int height, int screen_w, int screen_h);

// Fading: steps in hundredths of a percent so the frame count is exact.
struct FadePlan {
    int step_hundredths = 100;  // 1.0 percent per frame
    int pause_ms = 15;

    bool operator==(const FadePlan&) const = default;
};
FadePlan fade_plan_for_area(long long area);
// Number of frames: levels 100, 100 - s, ... while the level is 0 or more.
int fade_frame_count(const FadePlan& plan);
// Opacity 0..255 of frame i (0-based).
int fade_frame_alpha(const FadePlan& plan, int frame);

// Title font size commands: +1 point without limit, -1 point but not below 1.
int title_size_increased(int size);
int title_size_decreased(int size);

// Style letters B, I, U, S (anywhere, any order) and the title alignment L, C, R.
struct StyleLetters {
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeout = false;
    char align = 0;  // 'L', 'C', 'R' or 0 when none is present
    int weight() const { return bold ? 700 : 400; }
};
StyleLetters parse_style_letters(std::string_view letters);
// Removes every L, C and R and appends `align`.
std::string with_alignment_letter(std::string_view letters, char align);
// Title text trimmed of blanks and padded for the alignment: one leading blank for 'L', one
// trailing blank for 'R', none for 'C'.
std::string aligned_title_text(std::string_view text, char align);

// Date title for the DefaultDateFormat setting; "" for an unknown format.
inline constexpr const char* kDateFormatDots = "DD.MM.YYYY";
inline constexpr const char* kDateFormatDashes = "DD-MM-YYYY";
inline constexpr const char* kDateFormatIso = "YYYY-MM-DD";
inline constexpr const char* kDateFormatUs = "MM/DD/YYYY";
std::string format_date_title(std::string_view format, int year, int month, int day);

// Question asked before deleting a note.
std::string delete_question_text();

}  // namespace kd
