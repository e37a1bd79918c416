// What a top-level window asks of the window manager beyond Qt's own flags: no taskbar or
// pager entry, staying above other windows. The X11 calls live behind these functions, so
// the windows that use them hold no display-server code.
#pragma once

class QWidget;

namespace kd::window_hints {

// Taskbars differ in which window types they list, so a window without a taskbar button
// also says so in its window state. Call before the window is mapped (in its show event),
// where the window manager reads it. Does nothing outside X11.
void mark_skip_taskbar(QWidget* window);

// Keeps the window above the others, or lets it go back among them; a visible window is
// shown again, as changing the flag hides it.
void set_keep_above(QWidget* window, bool on);

// Raises the window and gives it the keyboard, as a person's own request: on X11 once the
// window is on the screen, through the window manager when one runs (as a pager asks, which
// no focus-stealing rule refuses), else straight from the X server.
void activate(QWidget* window);

}  // namespace kd::window_hints
