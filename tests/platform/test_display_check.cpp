// Choosing Qt's platform on a Wayland desktop, and the bounded look at whether an X display
// answers, against stand-in X servers on private sockets.
#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstddef>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/display_check.h"
#include "temp_dir.h"

namespace kd {
namespace {

using namespace std::chrono_literals;

struct Probe {
    bool answer = false;
    std::vector<std::string> asked;
    std::function<bool(const std::string&)> function() {
        return [this](const std::string& display) {
            asked.push_back(display);
            return answer;
        };
    }
};

TEST(QtPlatformChoice, XFirstOnlyOnAWaylandDesktopWhoseXDisplayAnswers) {
    Probe probe;
    probe.answer = true;
    EXPECT_EQ(qt_platform_choice({"", "wayland-0", "wayland", ":0"}, probe.function()),
              "xcb;wayland");
    // Some desktops name only the session type; Qt takes Wayland first there too.
    EXPECT_EQ(qt_platform_choice({"", "", "wayland", ":1"}, probe.function()), "xcb;wayland");
    EXPECT_EQ(qt_platform_choice({"", "wayland-1", "", ":2"}, probe.function()), "xcb;wayland");
    EXPECT_EQ(probe.asked, (std::vector<std::string>{":0", ":1", ":2"}));

    // No X server answers (not started, stuck, remote): Qt's own choice, which is Wayland.
    probe.answer = false;
    EXPECT_EQ(qt_platform_choice({"", "wayland-0", "wayland", ":0"}, probe.function()), "");
}

TEST(QtPlatformChoice, LeavesQtAloneWithoutAsking) {
    Probe probe;
    probe.answer = true;
    // What the user set is kept, Wayland included.
    for (const char* set : {"wayland", "xcb", "offscreen", "wayland;xcb"}) {
        EXPECT_EQ(qt_platform_choice({set, "wayland-0", "wayland", ":0"}, probe.function()), "")
            << set;
    }
    // An X11 desktop: Qt takes X by itself.
    EXPECT_EQ(qt_platform_choice({"", "", "x11", ":0"}, probe.function()), "");
    EXPECT_EQ(qt_platform_choice({"", "", "", ":0"}, probe.function()), "");
    // A Wayland desktop without XWayland.
    EXPECT_EQ(qt_platform_choice({"", "wayland-0", "wayland", ""}, probe.function()), "");
    EXPECT_TRUE(probe.asked.empty());
}

// A stand-in X server on one socket: it answers the connection set-up with `status` (or, with
// kNoAnswer, reads it and closes; with kStuck, never takes the connection).
class FakeXServer {
public:
    static constexpr int kStuck = -2;
    static constexpr int kNoAnswer = -1;

    FakeXServer(const std::string& name, bool abstract, int status) : status_(status) {
        listener_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::memcpy(address.sun_path + (abstract ? 1 : 0), name.data(), name.size());
        const auto length =
            static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + name.size() + 1);
        bound_ = ::bind(listener_, reinterpret_cast<const sockaddr*>(&address), length) == 0 &&
                 ::listen(listener_, 4) == 0;
        if (bound_ && status_ != kStuck) {
            server_ = std::thread([this] { serve(); });
        }
    }
    FakeXServer(const FakeXServer&) = delete;
    FakeXServer& operator=(const FakeXServer&) = delete;
    ~FakeXServer() {
        ::shutdown(listener_, SHUT_RDWR);
        if (server_.joinable()) {
            server_.join();
        }
        ::close(listener_);
    }
    bool bound() const { return bound_; }
    // The set-up bytes of the last connection.
    std::string setup() const {
        const std::lock_guard lock(mutex_);
        return setup_;
    }

private:
    void serve() {
        for (;;) {
            const int fd = ::accept(listener_, nullptr, nullptr);
            if (fd < 0) {
                return;
            }
            std::array<char, 12> bytes{};
            std::size_t got = 0;
            for (ssize_t n = 1; n > 0 && got<bytes.size(); got += n> 0 ? n : 0) {
                n = ::read(fd, bytes.data() + got, bytes.size() - got);
            }
            {
                const std::lock_guard lock(mutex_);
                setup_.assign(bytes.data(), got);
            }
            if (status_ >= 0) {
                const char status = static_cast<char>(status_);
                EXPECT_EQ(::write(fd, &status, 1), 1);
            }
            ::close(fd);
        }
    }

    int status_;
    int listener_ = -1;
    bool bound_ = false;
    mutable std::mutex mutex_;
    std::string setup_;
    std::thread server_;
};

TEST(XDisplayAnswers, AnyAnswerOfALocalServerCounts) {
    test::TempDir dir;
    for (int status : {0, 1, 2}) {
        SCOPED_TRACE(status);
        FakeXServer server(dir.file("X5"), false, status);
        ASSERT_TRUE(server.bound());
        EXPECT_TRUE(x_display_answers(":5", 2s, dir.path()));
        EXPECT_EQ(server.setup(), std::string("l\0\13\0\0\0\0\0\0\0\0\0", 12));
        EXPECT_TRUE(x_display_answers(":5.0", 2s, dir.path()));
        EXPECT_TRUE(x_display_answers("unix:5", 2s, dir.path()));
        ::unlink(dir.file("X5").c_str());
    }
    // Only in the abstract name space, as some servers listen.
    FakeXServer abstract(dir.file("X7"), true, 1);
    ASSERT_TRUE(abstract.bound());
    EXPECT_TRUE(x_display_answers(":7", 2s, dir.path()));
}

TEST(XDisplayAnswers, StuckSilentMissingOrRemoteServersDoNot) {
    test::TempDir dir;
    FakeXServer stuck(dir.file("X1"), false, FakeXServer::kStuck);
    FakeXServer silent(dir.file("X2"), false, FakeXServer::kNoAnswer);
    FakeXServer garbage(dir.file("X3"), false, 'x');
    FakeXServer answering(dir.file("X4"), false, 1);
    ASSERT_TRUE(stuck.bound() && silent.bound() && garbage.bound() && answering.bound());
    // Returns after the limit instead of waiting for the server.
    EXPECT_FALSE(x_display_answers(":1", 300ms, dir.path()));
    EXPECT_FALSE(x_display_answers(":2", 2s, dir.path()));
    EXPECT_FALSE(x_display_answers(":3", 2s, dir.path()));
    EXPECT_FALSE(x_display_answers(":9", 2s, dir.path()));
    // Names that are not a local display are not looked up, though X4 would answer.
    for (const char* name : {"", ":", "4", "localhost:4", "host:4.0", ":4.", ":4x", ":4.0.1", ":-4",
                             "unix:", ":0000000004444"}) {
        EXPECT_FALSE(x_display_answers(name, 2s, dir.path())) << name;
    }
    EXPECT_TRUE(x_display_answers(":4", 2s, dir.path()));
}

}  // namespace
}  // namespace kd
