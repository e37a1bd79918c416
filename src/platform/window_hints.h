// What a top-level window asks of the window manager beyond Qt's own flags: no taskbar or
// pager entry, staying above other windows. The X11 calls live behind these functions, so
// the windows that use them hold no display-server code.
#pragma once

#include <QPoint>
#include <optional>

class QWidget;

namespace kd::window_hints {

// Taskbars differ in which window types they list, so a window without a taskbar button
// also says so in its window state. Call before the window is mapped (in its show event),
// where the window manager reads it. Does nothing outside X11.
void mark_skip_taskbar(QWidget* window);

// Keeps the window above the others, or lets it go back among them; a visible window is
// shown again, as changing the flag hides it.
void set_keep_above(QWidget* window, bool on);

// Where the X server has the window's top-left corner, in screen coordinates. The toolkit's
// own idea can be wrong under a window manager that puts the window into a frame of its own
// (it may take the place inside the frame, 0,0, for the place on the screen). Nothing when
// the window has no native window yet or the display is not X11.
std::optional<QPoint> position_on_screen(const QWidget* window);
// Raises the window and gives it the keyboard, as a person's own request: on X11 once the
// window is on the screen, through the window manager when one runs (as a pager asks, which
// no focus-stealing rule refuses), else straight from the X server.
void activate(QWidget* window);
// Whether the windowing system lets a program place its windows and says where they are.
// Wayland does neither: there a window's own idea of its place is 0,0, not where it is.
bool window_places_known();

}  // namespace kd::window_hints
