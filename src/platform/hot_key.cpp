#include "platform/hot_key.h"

#include <QCoreApplication>
#include <QGuiApplication>

#ifdef KD_HAVE_XCB
#include <QtGui/qguiapplication_platform.h>
#include <xcb/xcb.h>

#include <cstdlib>
#endif

namespace kd {

#ifdef KD_HAVE_XCB
namespace {

xcb_connection_t* x11_connection() {
    auto* app = qGuiApp;
    if (app == nullptr) {
        return nullptr;
    }
    auto* x11 = app->nativeInterface<QNativeInterface::QX11Application>();
    return x11 != nullptr ? x11->connection() : nullptr;
}

constexpr std::uint32_t kKeysymNumLock = 0xff7f;

// Every keycode that produces `keysym` (in its first two levels), from the server's map.
std::vector<xcb_keycode_t> keycodes_for(xcb_connection_t* c, std::uint32_t keysym) {
    std::vector<xcb_keycode_t> out;
    const xcb_setup_t* setup = xcb_get_setup(c);
    const int first = setup->min_keycode;
    const int count = setup->max_keycode - setup->min_keycode + 1;
    auto cookie = xcb_get_keyboard_mapping(c, static_cast<xcb_keycode_t>(first),
                                           static_cast<std::uint8_t>(count));
    xcb_get_keyboard_mapping_reply_t* reply = xcb_get_keyboard_mapping_reply(c, cookie, nullptr);
    if (reply == nullptr) {
        return out;
    }
    const int per = reply->keysyms_per_keycode;
    const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(reply);
    const int total = xcb_get_keyboard_mapping_keysyms_length(reply);
    for (int k = 0; k < count && (k + 1) * per <= total; ++k) {
        for (int level = 0; level < per && level < 2; ++level) {
            const std::uint32_t s = syms[k * per + level];
            // Letters appear in lower or upper case depending on the map.
            if (s == keysym || (keysym >= 'a' && keysym <= 'z' && s == keysym - 0x20)) {
                out.push_back(static_cast<xcb_keycode_t>(first + k));
                break;
            }
        }
    }
    std::free(reply);
    return out;
}

// The modifier bit that NumLock sets, found through the modifier map (usually Mod2).
std::uint16_t numlock_mask(xcb_connection_t* c) {
    const std::vector<xcb_keycode_t> numlock = keycodes_for(c, kKeysymNumLock);
    std::uint16_t mask = 0;
    auto cookie = xcb_get_modifier_mapping(c);
    xcb_get_modifier_mapping_reply_t* reply = xcb_get_modifier_mapping_reply(c, cookie, nullptr);
    if (reply == nullptr) {
        return static_cast<std::uint16_t>(XCB_MOD_MASK_2);
    }
    const xcb_keycode_t* codes = xcb_get_modifier_mapping_keycodes(reply);
    const int per = reply->keycodes_per_modifier;
    for (int mod = 0; mod < 8 && mask == 0; ++mod) {
        for (int i = 0; i < per; ++i) {
            const xcb_keycode_t code = codes[mod * per + i];
            for (xcb_keycode_t n : numlock) {
                if (code != 0 && code == n) {
                    mask = static_cast<std::uint16_t>(1u << mod);
                }
            }
        }
    }
    std::free(reply);
    return mask != 0 ? mask : static_cast<std::uint16_t>(XCB_MOD_MASK_2);
}

}  // namespace
#endif

GlobalHotKey::GlobalHotKey(QObject* parent) : QObject(parent) {}

GlobalHotKey::~GlobalHotKey() {
    unregister();
}

bool GlobalHotKey::register_alt_key(std::uint32_t keysym) {
    unregister();
#ifdef KD_HAVE_XCB
    xcb_connection_t* c = x11_connection();
    if (c == nullptr) {
        return false;
    }
    const xcb_setup_t* setup = xcb_get_setup(c);
    xcb_screen_iterator_t screen = xcb_setup_roots_iterator(setup);
    if (screen.rem == 0) {
        return false;
    }
    root_ = screen.data->root;
    const std::uint16_t numlock = numlock_mask(c);
    ignored_mask_ = static_cast<std::uint16_t>(numlock | XCB_MOD_MASK_LOCK);
    const std::uint16_t variants[] = {0, XCB_MOD_MASK_LOCK, numlock,
                                      static_cast<std::uint16_t>(numlock | XCB_MOD_MASK_LOCK)};
    keycodes_.clear();
    bool failed = false;
    for (xcb_keycode_t code : keycodes_for(c, keysym)) {
        for (std::uint16_t extra : variants) {
            const auto mods = static_cast<std::uint16_t>(XCB_MOD_MASK_1 | extra);
            auto cookie = xcb_grab_key_checked(c, 1, root_, mods, code, XCB_GRAB_MODE_ASYNC,
                                               XCB_GRAB_MODE_ASYNC);
            if (xcb_generic_error_t* error = xcb_request_check(c, cookie)) {
                // Another program holds the key: give up quietly.
                std::free(error);
                failed = true;
                break;
            }
            grabbed_.push_back(Grab{code, mods});
        }
        if (failed) {
            break;
        }
        keycodes_.push_back(code);
    }
    if (failed || grabbed_.empty()) {
        unregister();
        return false;
    }
    if (!filter_installed_ && QCoreApplication::instance() != nullptr) {
        QCoreApplication::instance()->installNativeEventFilter(this);
        filter_installed_ = true;
    }
    return true;
#else
    (void)keysym;
    return false;
#endif
}

void GlobalHotKey::unregister() {
#ifdef KD_HAVE_XCB
    if (!grabbed_.empty()) {
        if (xcb_connection_t* c = x11_connection()) {
            for (const Grab& g : grabbed_) {
                xcb_ungrab_key(c, g.keycode, root_, g.modifiers);
            }
            xcb_flush(c);
        }
    }
#endif
    grabbed_.clear();
    keycodes_.clear();
    if (filter_installed_ && QCoreApplication::instance() != nullptr) {
        QCoreApplication::instance()->removeNativeEventFilter(this);
    }
    filter_installed_ = false;
}

bool GlobalHotKey::nativeEventFilter(const QByteArray& event_type, void* message,
                                     qintptr* /*result*/) {
#ifdef KD_HAVE_XCB
    if (grabbed_.empty() || event_type != "xcb_generic_event_t" || message == nullptr) {
        return false;
    }
    auto* event = static_cast<xcb_generic_event_t*>(message);
    const std::uint8_t type = event->response_type & 0x7f;
    if (type != XCB_KEY_PRESS && type != XCB_KEY_RELEASE) {
        return false;
    }
    auto* key = reinterpret_cast<xcb_key_press_event_t*>(event);
    if (key->event != root_) {
        return false;
    }
    bool ours = false;
    for (std::uint8_t code : keycodes_) {
        ours = ours || code == key->detail;
    }
    const auto mods = static_cast<std::uint16_t>(key->state & ~ignored_mask_ & 0xff);
    if (!ours || mods != XCB_MOD_MASK_1) {
        return false;
    }
    if (type == XCB_KEY_PRESS) {
        emit activated();
    }
    return true;
#else
    (void)event_type;
    (void)message;
    return false;
#endif
}

}  // namespace kd
