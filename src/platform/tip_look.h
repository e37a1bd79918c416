// The one look of the program's tips: dark text on pale yellow (0xAFFFFF), at most 200 pixels
// wide, 300 in the dialogs that say so.
#pragma once

namespace kd {

inline constexpr int kTipWidth = 200;
inline constexpr int kWideTipWidth = 300;
// A style sheet rule for one window whose tips may be 300 pixels wide; the colours come from
// the program's look.
inline constexpr const char* kWideTipStyle = "QToolTip { max-width: 300px; }";

// Gives every tip of the application the look. Call once the application object exists.
void install_tip_look();

}  // namespace kd
