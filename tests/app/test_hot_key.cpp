// The Alt+N grab on the test's X display: taken when free, given up quietly when another
// program holds the key, and released again.
#include <gtest/gtest.h>

#include <xcb/xcb.h>
#include <QGuiApplication>

#include <cstdlib>

#include "platform/hot_key.h"

namespace kd {
namespace {

// Another X client that holds Alt+N (all keycodes of the letter n, with and without locks).
class OtherProgramGrab {
public:
    OtherProgramGrab() {
        c_ = xcb_connect(nullptr, nullptr);
        const xcb_setup_t* setup = xcb_get_setup(c_);
        root_ = xcb_setup_roots_iterator(setup).data->root;
        // XCB_GRAB_ANY with the lock variants: every key with Alt is taken.
        const int variants[] = {0, XCB_MOD_MASK_LOCK, XCB_MOD_MASK_2,
                                XCB_MOD_MASK_2 | XCB_MOD_MASK_LOCK};
        for (int extra : variants) {
            xcb_grab_key(c_, 1, root_, static_cast<std::uint16_t>(XCB_MOD_MASK_1 | extra),
                         XCB_GRAB_ANY, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
        }
        std::free(xcb_get_input_focus_reply(c_, xcb_get_input_focus(c_), nullptr));
    }
    ~OtherProgramGrab() { xcb_disconnect(c_); }

private:
    xcb_connection_t* c_;
    xcb_window_t root_;
};

bool on_x11() {
    return QGuiApplication::platformName() == QLatin1String("xcb");
}

TEST(GlobalHotKey, GrabsReleasesAndStaysQuietWhenTheKeyIsTaken) {
    if (!on_x11()) {
        GTEST_SKIP() << "X11 only";
    }
    GlobalHotKey key;
    EXPECT_TRUE(key.register_alt_key(kKeysymN));
    key.unregister();
    EXPECT_FALSE(key.is_registered());
    {
        OtherProgramGrab other;
        EXPECT_FALSE(key.register_alt_key(kKeysymN));
        EXPECT_FALSE(key.is_registered());
    }
    // Free again once the other program let go.
    EXPECT_TRUE(key.register_alt_key(kKeysymN));
}

}  // namespace
}  // namespace kd
