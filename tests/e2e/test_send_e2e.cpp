// Two real korvadesk programs, each in a network namespace of its own joined by a veth pair
// that only this test uses, both listening on the default port: a group send from the first
// program's note menu makes a note appear on the second with the sender's computer name and
// the time in its title, and "Reply to" on that note sends a note back. Each program also
// has its own host name (a UTS namespace) and its own configuration and runtime folders; the
// X display is reached through its socket file, which namespaces do not hide. The menus are
// driven with real mouse clicks and key presses through the X server.
#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/profile_file.h"
#include "support/program_runner.h"
#include "support/wait_for.h"

namespace kd {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::wait_for;

// Each program runs in a network namespace of its own; starting and answering take a while.
constexpr auto kPeerLimit = 15s;

using test::run_output;

// Addresses on the test's own veth pair, nowhere else.
constexpr const char* kAddressA = "10.213.0.1";
constexpr const char* kAddressB = "10.213.0.2";
constexpr const char* kHostA = "kdhosta";
constexpr const char* kHostB = "kdhostb";

bool run(const std::string& command) {
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

struct Geometry {
    int x = 0, y = 0, width = 0, height = 0;
};

Geometry window_geometry(const std::string& window) {
    Geometry g;
    const std::string out = run_output("xdotool getwindowgeometry " + window + " 2>/dev/null");
    const auto at = out.find("Position: ");
    const auto size = out.find("Geometry: ");
    if (at != std::string::npos)
        std::sscanf(out.c_str() + at, "Position: %d,%d", &g.x, &g.y);
    if (size != std::string::npos)
        std::sscanf(out.c_str() + size, "Geometry: %dx%d", &g.width, &g.height);
    return g;
}

// A received note's title from a named sender: the sender, one blank and the time HH:MM.
bool is_sender_and_time(const std::string& title, const std::string& sender) {
    const std::string prefix = sender + " ";
    if (title.size() != prefix.size() + 5 || title.compare(0, prefix.size(), prefix) != 0)
        return false;
    const std::string time = title.substr(prefix.size());
    auto digit = [](char c) { return c >= '0' && c <= '9'; };
    return digit(time[0]) && digit(time[1]) && time[2] == ':' && digit(time[3]) && digit(time[4]);
}

// One korvadesk in its own namespace, with its own folders and host name.
struct Peer : test::ProgramFolders {
    std::string netns, host, address;
    pid_t pid = -1;
};

class SendEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        if (!run("command -v Xvfb"))
            GTEST_SKIP() << "needs Xvfb";
        if (::geteuid() != 0)
            GTEST_SKIP() << "needs root to make network namespaces";
        if (!run("command -v xdotool") || !run("command -v unshare") || !run("ip netns list"))
            GTEST_SKIP() << "needs xdotool, unshare and iproute2 with 'ip netns'";

        const std::string tag = std::to_string(::getpid());
        a_.netns = "kdm" + tag + "a";
        a_.host = kHostA;
        a_.address = kAddressA;
        b_.netns = "kdm" + tag + "b";
        b_.host = kHostB;
        b_.address = kAddressB;
        veth_a_ = "kdm" + tag + "va";
        veth_b_ = "kdm" + tag + "vb";
        made_namespaces_ = true;
        made_netns_folder_ = !fs::exists("/etc/netns");
        ASSERT_TRUE(run("ip netns add " + a_.netns));
        ASSERT_TRUE(run("ip netns add " + b_.netns));
        ASSERT_TRUE(run("ip link add " + veth_a_ + " type veth peer name " + veth_b_));
        for (auto [peer, veth] : {std::pair{&a_, veth_a_}, std::pair{&b_, veth_b_}}) {
            const std::string in = "ip -n " + peer->netns + " ";
            ASSERT_TRUE(run("ip link set " + veth + " netns " + peer->netns));
            ASSERT_TRUE(run(in + "addr add " + peer->address + "/24 dev " + veth));
            ASSERT_TRUE(run(in + "link set " + veth + " up"));
            ASSERT_TRUE(run(in + "link set lo up"));
            // Name resolution inside the namespace: `ip netns exec` puts this file over
            // /etc/hosts, so each program finds the other by its computer name.
            const fs::path etc = fs::path("/etc/netns") / peer->netns;
            fs::create_directories(etc);
            std::ofstream(etc / "hosts") << "127.0.0.1 localhost\n"
                                         << kAddressA << " " << kHostA << "\n"
                                         << kAddressB << " " << kHostB << "\n";
            ASSERT_TRUE(test::make_program_folders("/tmp/kd-send-e2e-XXXXXX", *peer));
        }
        // Both programs share one X server of the test's own; it asks for no cookie, so their
        // own host names do not matter to it.
        std::string why;
        display_ = test::TestDisplay::start(why);
        ASSERT_TRUE(display_) << "no X server for the test: " << why;
        display_variable_ = std::make_unique<test::DisplayVariable>(display_->name());
    }

    void TearDown() override {
        for (Peer* p : {&a_, &b_}) {
            test::kill_program(p->pid);
            test::remove_program_folders(*p);
            std::error_code ec;
            if (made_namespaces_ && !p->netns.empty()) {
                run("ip netns del " + p->netns);
                fs::remove_all(fs::path("/etc/netns") / p->netns, ec);
            }
        }
        // Deleting a namespace takes its end of the pair and with it the other end.
        if (!veth_a_.empty())
            run("ip link del " + veth_a_);
        if (made_netns_folder_) {
            std::error_code ec;
            fs::remove("/etc/netns", ec);  // only while empty
        }
    }

    void launch(Peer& p) {
        // The test display has no tray; the notice about it would add a window.
        ProfileFile::write(p.ini, "KORVADESK", "NoTrayNoticeShown", "Yes");
        const pid_t pid = ::fork();
        if (pid == 0) {
            if (!test::enter_program_folders(p))
                ::_exit(126);
            const std::string script = "hostname " + p.host + " && exec \"$0\"";
            // `ip netns exec` and `unshare` both exec in place, so the pid stays korvadesk's.
            ::execlp("ip", "ip", "netns", "exec", p.netns.c_str(), "unshare", "--uts", "sh", "-c",
                     script.c_str(), test::program_path().c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        p.pid = pid;
    }

    static std::vector<std::string> visible_windows(const Peer& p, const std::string& name = {}) {
        return test::visible_windows(p.pid, name);
    }

    static std::string window_name(const std::string& window) {
        std::string name = run_output("xdotool getwindowname " + window + " 2>/dev/null");
        while (!name.empty() && (name.back() == '\n' || name.back() == '\r'))
            name.pop_back();
        return name;
    }

    // Right button released over the note's body, then, once the menu is on the screen, keys
    // through its grab. A fixed pause was too short on a loaded machine.
    static void body_menu_keys(const Peer& p, const std::string& window, const std::string& keys) {
        const Geometry g = window_geometry(window);
        ASSERT_GT(g.width, 0);
        const std::string at = std::to_string(g.x + g.width / 2) + " " +
                               std::to_string(g.y + 20 + (g.height - 20) / 2);
        const std::size_t before = visible_windows(p).size();
        ASSERT_TRUE(run("xdotool mousemove --sync " + at + " click 3"));
        ASSERT_TRUE(wait_for([&] { return visible_windows(p).size() > before; }, 5s))
            << "the body menu did not open";
        std::this_thread::sleep_for(200ms);
        ASSERT_TRUE(run("xdotool key --delay 150 " + keys));
    }

    static std::string key(const Peer& p, const std::string& section, const char* name) {
        return ProfileFile::read(p.ini, section, name, 1024);
    }

    // Title of the newest received note in the program's file (its records are written at
    // once on arrival).
    static std::string received_title(const Peer& p, const std::string& host) {
        for (int n = 1; n <= 10; ++n) {
            const std::string section = "NOTE_ID_" + std::to_string(n);
            const std::string title = key(p, section, "TitleText");
            if (title.rfind(host, 0) == 0)
                return title;
        }
        return {};
    }

    Peer a_, b_;
    std::string veth_a_, veth_b_;
    std::unique_ptr<test::TestDisplay> display_;
    std::unique_ptr<test::DisplayVariable> display_variable_;
    bool made_namespaces_ = false;
    bool made_netns_folder_ = false;
};

TEST_F(SendEndToEnd, GroupSendArrivesWithSenderAndTimeAndReplyComesBack) {
    // A knows B as a saved group of one.
    ASSERT_TRUE(ProfileFile::write(a_.ini, "RECIPIENTS_LIST", "ListNames", "Neighbour~"));
    ASSERT_TRUE(
        ProfileFile::write(a_.ini, "RECIPIENTS_LIST", "Neighbour", std::string(kAddressB) + "~"));

    launch(b_);
    ASSERT_TRUE(wait_for([&] { return visible_windows(b_).size() == 1; }, kPeerLimit))
        << "B starts with one empty note";
    launch(a_);
    ASSERT_TRUE(wait_for([&] { return visible_windows(a_).size() == 1; }, kPeerLimit))
        << "A starts with one empty note";
    std::this_thread::sleep_for(500ms);

    // A: body menu, up past "Delete note", "Hide note" and "Print note" to "Send note to";
    // right opens it on its first item, "Other ...", and down reaches the group.
    body_menu_keys(a_, visible_windows(a_).front(), "Up Up Up Up Right Down Return");

    std::string title_on_b;
    ASSERT_TRUE(wait_for(
        [&] {
            for (const std::string& w : visible_windows(b_, "KDHOSTA")) {
                title_on_b = window_name(w);
            }
            return is_sender_and_time(title_on_b, "KDHOSTA");
        },
        kPeerLimit))
        << "B shows a note from KDHOSTA with the time; last title seen: '" << title_on_b << "'";
    EXPECT_TRUE(is_sender_and_time(received_title(b_, "KDHOSTA"), "KDHOSTA"));
    EXPECT_EQ(visible_windows(b_).size(), 2u);

    // A marked its note sent and shows no error box.
    EXPECT_EQ(visible_windows(a_).size(), 1u);

    // B: "Reply to KDHOSTA" sits above "Print note"; the question is answered Yes.
    const std::string received = visible_windows(b_, "KDHOSTA").front();
    body_menu_keys(b_, received, "Up Up Up Up Return");
    std::string box;
    ASSERT_TRUE(wait_for(
        [&] {
            for (const std::string& w : visible_windows(b_)) {
                if (window_name(w) == "Korvadesk")
                    box = w;
            }
            return !box.empty();
        },
        kPeerLimit))
        << "B asks before replying";
    run("xdotool windowfocus --sync " + box);
    ASSERT_TRUE(run("xdotool key Return"));

    std::string title_on_a;
    ASSERT_TRUE(wait_for(
        [&] {
            for (const std::string& w : visible_windows(a_, "KDHOSTB"))
                title_on_a = window_name(w);
            return is_sender_and_time(title_on_a, "KDHOSTB");
        },
        kPeerLimit))
        << "A shows the reply from KDHOSTB; last title seen: '" << title_on_a << "'";

    for (Peer* p : {&a_, &b_}) {
        ::kill(p->pid, SIGTERM);
        EXPECT_NE(test::wait_exit(p->pid, 10s), -1);
        p->pid = -1;
    }
}

}  // namespace
}  // namespace kd
