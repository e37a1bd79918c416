#include "platform/window_hints.h"

#include <QGuiApplication>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#ifdef KD_HAVE_XCB
#include <xcb/xcb.h>
#endif

namespace kd::window_hints {

namespace {

#ifdef KD_HAVE_XCB
xcb_atom_t intern_atom(xcb_connection_t* c, const char* name) {
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 0, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr);
    if (reply == nullptr) {
        return XCB_ATOM_NONE;
    }
    const xcb_atom_t atom = reply->atom;
    std::free(reply);
    return atom;
}

// Whether a window manager that follows the desktop conventions runs on this display.
bool window_manager_runs(xcb_connection_t* c, xcb_window_t root) {
    const xcb_atom_t check = intern_atom(c, "_NET_SUPPORTING_WM_CHECK");
    if (check == XCB_ATOM_NONE) {
        return false;
    }
    xcb_get_property_reply_t* reply = xcb_get_property_reply(
        c, xcb_get_property(c, 0, root, check, XCB_ATOM_WINDOW, 0, 1), nullptr);
    if (reply == nullptr) {
        return false;
    }
    const bool found = xcb_get_property_value_length(reply) >= 4;
    std::free(reply);
    return found;
}

void give_keyboard(QWidget* window) {
    auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    if (x11 == nullptr || x11->connection() == nullptr) {
        return;
    }
    xcb_connection_t* c = x11->connection();
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    if (screen == nullptr) {
        return;
    }
    const auto id = static_cast<xcb_window_t>(window->winId());
    if (window_manager_runs(c, screen->root)) {
        xcb_client_message_event_t event{};
        event.response_type = XCB_CLIENT_MESSAGE;
        event.format = 32;
        event.window = id;
        event.type = intern_atom(c, "_NET_ACTIVE_WINDOW");
        event.data.data32[0] = 2;  // source: a pager, that is the user's own request
        event.data.data32[1] = XCB_CURRENT_TIME;
        xcb_send_event(c, 0, screen->root,
                       XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       reinterpret_cast<const char*>(&event));
    } else {
        xcb_set_input_focus(c, XCB_INPUT_FOCUS_PARENT, id, XCB_CURRENT_TIME);
    }
    xcb_flush(c);
}
#endif

// How often and how long activate() waits for the window to be on the screen.
constexpr int kExposedPollMs = 20;
constexpr int kExposedPolls = 100;

}  // namespace

void mark_skip_taskbar(QWidget* window) {
#ifdef KD_HAVE_XCB
    if (QGuiApplication::platformName() != "xcb") {
        return;
    }
    auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    if (x11 == nullptr || x11->connection() == nullptr) {
        return;
    }
    xcb_connection_t* c = x11->connection();
    // The toolkit keeps states it does not manage when it adds its own.
    const xcb_atom_t state = intern_atom(c, "_NET_WM_STATE");
    const xcb_atom_t skip[] = {intern_atom(c, "_NET_WM_STATE_SKIP_TASKBAR"),
                               intern_atom(c, "_NET_WM_STATE_SKIP_PAGER")};
    if (state == XCB_ATOM_NONE || skip[0] == XCB_ATOM_NONE) {
        return;
    }
    const auto id = static_cast<xcb_window_t>(window->winId());
    xcb_change_property(c, XCB_PROP_MODE_APPEND, id, state, XCB_ATOM_ATOM, 32, 2, skip);
    xcb_flush(c);
#else
    (void)window;
#endif
}

void set_keep_above(QWidget* window, bool on) {
    const bool was_visible = window->isVisible();
    window->setWindowFlag(Qt::WindowStaysOnTopHint, on);
    if (was_visible) {
        window->show();
    }
}

std::optional<QPoint> position_on_screen(const QWidget* window) {
#ifdef KD_HAVE_XCB
    if (window == nullptr || !window->testAttribute(Qt::WA_WState_Created) ||
        QGuiApplication::platformName() != "xcb") {
        return std::nullopt;
    }
    auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    if (x11 == nullptr || x11->connection() == nullptr) {
        return std::nullopt;
    }
    xcb_connection_t* c = x11->connection();
    const auto id = static_cast<xcb_window_t>(window->internalWinId());
    const xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(c));
    if (id == 0 || screens.rem == 0) {
        return std::nullopt;
    }
    // Qt runs on the default screen; its root holds every note.
    const xcb_window_t root = screens.data->root;
    xcb_translate_coordinates_reply_t* at =
        xcb_translate_coordinates_reply(c, xcb_translate_coordinates(c, id, root, 0, 0), nullptr);
    if (at == nullptr) {
        return std::nullopt;
    }
    const QPoint out(at->dst_x, at->dst_y);
    std::free(at);
    return out;
#else
    (void)window;
    return std::nullopt;
#endif
}

void activate(QWidget* window) {
    window->raise();
    window->activateWindow();
#ifdef KD_HAVE_XCB
    if (QGuiApplication::platformName() != "xcb") {
        return;
    }
    // The window manager maps a new window in its own time; the request counts only after.
    auto* timer = new QTimer(window);
    timer->setInterval(kExposedPollMs);
    QPointer<QWidget> target(window);
    auto polls = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, target, polls] {
        QWindow* handle = target ? target->windowHandle() : nullptr;
        if (handle != nullptr && handle->isExposed()) {
            give_keyboard(target);
        } else if (++*polls < kExposedPolls) {
            return;
        }
        timer->deleteLater();
        timer->stop();
    });
    timer->start();
#endif
}

bool window_places_known() {
    return !QGuiApplication::platformName().startsWith(QStringLiteral("wayland"));
}

}  // namespace kd::window_hints
