// Bounds on a note's geometry and look, whatever it came from: a stored record, a received
// message, an imported file or pasted settings. Everything from outside passes through here
// before a window is sized, placed or painted from it.
#pragma once

#include <cstddef>
#include <vector>

#include "note/note_geometry.h"
#include "store/note_record.h"

namespace kd {

// The largest desktop a note is bounded to while the real screens are not known (a message
// parsed away from the window side): the window system addresses 16-bit coordinates.
inline constexpr int kMaxDesktopExtent = 16384;
inline constexpr NoteRect kLargestDesktop{0, 0, kMaxDesktopExtent, kMaxDesktopExtent};
// Positions stay within this distance of the origin: beyond any real arrangement of monitors,
// so a note from a monitor that is away keeps its place, yet addressable by the window system.
inline constexpr int kMaxNoteCoordinate = 16000;
// A missing (0) or negative size gives the size of a new note.
inline constexpr int kMissingNoteWidth = 200;
inline constexpr int kMissingNoteHeight = 200;
// Font sizes in points: the rich text's own range (\fs up to 3276 half points).
inline constexpr int kMinFontPoints = 1;
inline constexpr int kMaxFontPoints = 1638;
// Colours are 0x00BBGGRR; the top byte carries nothing.
inline constexpr ColorRef kColourMask = 0x00FFFFFF;
// Face names as the settings file reads them back.
inline constexpr std::size_t kMaxFontFaceLength = 254;
// A note counts as on a screen when this much of its title strip lies on one, so the user can
// still take hold of it there.
inline constexpr int kReachableWidth = 40;
inline constexpr int kReachableHeight = kTitleHeight / 2;

// The whole desktop: the bounding rectangle of all screens (kLargestDesktop when none).
NoteRect desktop_bounds(const std::vector<NoteRect>& screens);

// A size between the note minimum and the desktop's; missing or negative sizes become the
// size of a new note first.
int bounded_note_width(int width, const NoteRect& desktop);
int bounded_note_height(int height, const NoteRect& desktop);
int bounded_coordinate(int value);
int bounded_font_points(int points);

// The record with its size, position, font sizes, colours and face names in range; texts and
// flags as they are.
NoteRecord bounded_note_record(NoteRecord record, const NoteRect& desktop);

// Whether the user can reach the note at `rect` on one of the screens (its title strip lies
// on one of them by at least kReachableWidth x kReachableHeight). True when no screen is
// known.
bool note_reachable(const NoteRect& rect, const std::vector<NoteRect>& screens);

}  // namespace kd
