#include "platform/window_hints.h"

#include <QGuiApplication>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>

#ifdef KD_HAVE_XCB
#include <xcb/xcb.h>
#endif

namespace kd::window_hints {

namespace {

#ifdef KD_HAVE_XCB
// Atoms never change while the connection lives, and every note asks for the same few when it
// is shown: each is asked of the X server once, all of a call's names in one round trip.
// Used on the UI thread only, like the connection's other users here.
template <std::size_t N>
std::array<xcb_atom_t, N> atoms(xcb_connection_t* c, const std::array<const char*, N>& names) {
    static xcb_connection_t* known_for = nullptr;
    static std::unordered_map<std::string, xcb_atom_t> known;
    if (known_for != c) {
        known.clear();
        known_for = c;
    }
    std::array<xcb_atom_t, N> out{};
    std::array<std::optional<xcb_intern_atom_cookie_t>, N> asked{};
    for (std::size_t i = 0; i < N; ++i) {
        if (const auto it = known.find(names[i]); it != known.end()) {
            out[i] = it->second;
        } else {
            asked[i] =
                xcb_intern_atom(c, 0, static_cast<std::uint16_t>(std::strlen(names[i])), names[i]);
        }
    }
    for (std::size_t i = 0; i < N; ++i) {
        if (!asked[i]) {
            continue;
        }
        xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(c, *asked[i], nullptr);
        out[i] = reply != nullptr ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
        std::free(reply);
        // A failed answer is asked again next time.
        if (out[i] != XCB_ATOM_NONE) {
            known.emplace(names[i], out[i]);
        }
    }
    return out;
}

xcb_atom_t intern_atom(xcb_connection_t* c, const char* name) {
    return atoms<1>(c, {name})[0];
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
    const auto names =
        atoms<3>(c, {"_NET_WM_STATE", "_NET_WM_STATE_SKIP_TASKBAR", "_NET_WM_STATE_SKIP_PAGER"});
    const xcb_atom_t state = names[0];
    const xcb_atom_t skip[] = {names[1], names[2]};
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
