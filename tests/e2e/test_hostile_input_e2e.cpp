// The real korvadesk program against input from outside that must not hurt it: a raw LAN peer
// sending absurd sizes, a settings file with absurd sizes, places and note counts, a crowd of
// idle connections, and notes stored on a screen that is not there now.
#include <gtest/gtest.h>

#include <signal.h>

#include <chrono>
#include <climits>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "net/note_message.h"
#include "note/note_bounds.h"
#include "platform/profile_file.h"
#include "platform/socket.h"
#include "store/note_store.h"
#include "support/app_paths_in.h"
#include "support/error_recorder.h"
#include "support/program_runner.h"
#include "support/wait_for.h"

namespace kd {
namespace {

using namespace std::chrono_literals;
using test::run_output;

constexpr long kResidentLimitKb = 200 * 1024;

long resident_kb(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::stol(line.substr(6));
        }
    }
    return -1;
}

struct Size {
    int w = 0;
    int h = 0;
};

Size display_size() {
    std::istringstream in(run_output("xdotool getdisplaygeometry 2>/dev/null"));
    Size s;
    in >> s.w >> s.h;
    return s;
}

// "Position: X,Y (screen: 0)" and "Geometry: WxH" of a window.
struct WindowBox {
    int x = INT_MIN, y = INT_MIN, w = 0, h = 0;
};

WindowBox window_box(const std::string& window) {
    const std::string out = run_output("xdotool getwindowgeometry " + window + " 2>/dev/null");
    WindowBox b;
    const auto at = out.find("Position: ");
    const auto size = out.find("Geometry: ");
    if (at != std::string::npos) {
        std::sscanf(out.c_str() + at, "Position: %d,%d", &b.x, &b.y);
    }
    if (size != std::string::npos) {
        std::sscanf(out.c_str() + size, "Geometry: %dx%d", &b.w, &b.h);
    }
    return b;
}

std::string message_sized(int width, int height, int left, int top) {
    NoteRecord r;
    r.EditText = "{\\rtf1\\ansi Hostile sizes}";
    r.EditFont = "Tahoma";
    r.EditFontSize = INT_MAX;
    r.TitleText = "T";
    r.Width = width;
    r.Height = height;
    r.Left = left;
    r.Top = top;
    return build_note_message("PEER", r);
}

class HostileInput : public test::ProgramTest {
protected:
    HostileInput() : ProgramTest("/tmp/kd-e2e-hostile-XXXXXX", true) {}

    void SetUp() override {
        ProgramTest::SetUp();
        if (IsSkipped()) {
            return;
        }
        port_ = test::free_tcp_port();
        ASSERT_TRUE(
            ProfileFile::write(dirs_.ini, "KORVADESK", "CommunicationPort", std::to_string(port_)));
        ASSERT_TRUE(ProfileFile::write(dirs_.ini, "KORVADESK", "PlaySound", "No"));
    }

    std::string key(const std::string& section, const char* name) {
        return ProfileFile::read(dirs_.ini, section, name, 64);
    }
    static int leading(const std::string& text) { return text.empty() ? 0 : std::stoi(text); }

    Socket connect_when_listening() {
        SocketStatus status;
        Socket peer;
        test::wait_for(
            [&] {
                peer = Socket::connect_tcp("127.0.0.1", port_, 200ms, status);
                return peer.valid();
            },
            10s);
        return peer;
    }

    static std::string reply_of(const Socket& peer, std::chrono::milliseconds limit) {
        std::string reply;
        char buf[64];
        SocketStatus status;
        while (reply.size() < kAcknowledgement.size() &&
               peer.wait_readable(limit, nullptr) == WaitResult::Ready) {
            const long n = peer.receive_some(buf, sizeof buf, status);
            if (n <= 0) {
                break;
            }
            reply.append(buf, static_cast<std::size_t>(n));
        }
        return reply;
    }

    bool wait_for_notes(int count) {
        return test::wait_for(
            [&] { return key("KORVADESK", "NumberOfNotes") == std::to_string(count); }, 10s);
    }

    std::uint16_t port_ = 0;
};

TEST_F(HostileInput, PeerSendingHugeSizesCannotBloatOrCrashTheProgram) {
    const pid_t pid = launch();
    const Size display = display_size();
    ASSERT_GT(display.w, 0);
    const std::vector<std::string> messages = {
        message_sized(2147483647, 2147483647, 0, 0),
        message_sized(-2147483647, -2147483647, 0, 0),
        message_sized(99999, 99999, 2147483647, -2147483647),
    };
    for (const std::string& m : messages) {
        Socket peer = connect_when_listening();
        ASSERT_TRUE(peer.valid()) << "port " << port_ << "; the program "
                                  << (::kill(pid, 0) == 0 ? "runs" : "has ended");
        ASSERT_TRUE(peer.send_all(m).ok());
        EXPECT_EQ(reply_of(peer, 5s), kAcknowledgement);
    }
    ASSERT_TRUE(wait_for_notes(4)) << "the first empty note and three received ones";
    std::this_thread::sleep_for(500ms);  // painted meanwhile

    ASSERT_EQ(::kill(pid, 0), 0) << "the program is still running";
    const long rss = resident_kb(pid);
    EXPECT_GT(rss, 0);
    EXPECT_LT(rss, kResidentLimitKb) << "resident size in kB";
    for (int n = 2; n <= 4; ++n) {
        const std::string section = "NOTE_ID_" + std::to_string(n);
        SCOPED_TRACE(section);
        const int w = leading(key(section, "Width"));
        const int h = leading(key(section, "Height"));
        EXPECT_GE(w, kMinNoteWidth);
        EXPECT_LE(w, display.w);
        EXPECT_GE(h, kMinNoteHeight);
        EXPECT_LE(h, display.h);
        EXPECT_LE(leading(key(section, "EditFontSize")), kMaxFontPoints);
    }
    EXPECT_EQ(leading(key("NOTE_ID_2", "Width")), display.w);
    EXPECT_EQ(leading(key("NOTE_ID_3", "Width")), kMissingNoteWidth);

    ::kill(pid, SIGTERM);
    EXPECT_EQ(test::wait_exit(pid, 10s), 0);
}

TEST_F(HostileInput, StoredHugeSizesAndPlacesRestoreWithinTheDesktop) {
    NoteRecord r;
    r.NoteID = 1;
    r.EditText = "{\\rtf1 Huge}";
    r.EditFont = "Tahoma";
    r.EditFontSize = 10;
    r.TitleText = "Huge";
    r.TitleFont = "Tahoma";
    r.TitleFontSize = 8;
    r.Width = 99999;
    r.Height = 99999;
    r.Left = -99999;
    r.Top = 99999;
    r.Minimized = "No";
    r.Hidden = "No";
    r.Border = "No";
    ASSERT_TRUE(NoteStore(app_paths(), test::store_errors()).write_record(r, dirs_.ini));
    ASSERT_TRUE(ProfileFile::write(dirs_.ini, "KORVADESK", "NumberOfNotes", "1"));

    const pid_t pid = launch();
    const Size display = display_size();
    std::vector<std::string> windows;
    test::wait_for(
        [&] {
            windows = test::visible_windows(pid, "^Huge$", test::NameMatch::All);
            return !windows.empty();
        },
        10s);
    ASSERT_EQ(windows.size(), 1u);
    std::this_thread::sleep_for(300ms);
    const WindowBox box = window_box(windows.front());
    EXPECT_EQ(box.w, display.w);
    EXPECT_EQ(box.h, display.h);
    // On no screen at the stored place: shown where new notes go, not wrapped by X.
    EXPECT_EQ(box.x, kNoteTemplateLeft);
    EXPECT_EQ(box.y, kNoteTemplateTop);
    EXPECT_LT(resident_kb(pid), kResidentLimitKb);

    ::kill(pid, SIGTERM);
    EXPECT_EQ(test::wait_exit(pid, 10s), 0);
    EXPECT_EQ(leading(key("NOTE_ID_1", "Width")), display.w);
    EXPECT_EQ(leading(key("NOTE_ID_1", "Height")), display.h);
    EXPECT_EQ(leading(key("NOTE_ID_1", "Left")), -kMaxNoteCoordinate);
    EXPECT_EQ(leading(key("NOTE_ID_1", "Top")), kMaxNoteCoordinate);
}

TEST_F(HostileInput, FiftyIdlePeersDoNotDelayAGoodNote) {
    const pid_t pid = launch();
    Socket first = connect_when_listening();
    ASSERT_TRUE(first.valid());
    std::vector<Socket> idle;
    idle.push_back(std::move(first));
    SocketStatus status;
    while (idle.size() < 50) {
        idle.push_back(Socket::connect_tcp("127.0.0.1", port_, 2s, status));
        ASSERT_TRUE(idle.back().valid()) << status.message();
    }
    std::this_thread::sleep_for(200ms);

    Socket good = Socket::connect_tcp("127.0.0.1", port_, 2s, status);
    ASSERT_TRUE(good.valid());
    const auto before = std::chrono::steady_clock::now();
    ASSERT_TRUE(good.send_all(message_sized(240, 180, 0, 0)).ok());
    EXPECT_EQ(reply_of(good, 1s * test::kSlowdown), kAcknowledgement);
    EXPECT_LT(std::chrono::steady_clock::now() - before, 1s * test::kSlowdown);
    EXPECT_TRUE(wait_for_notes(2));
    ::kill(pid, SIGTERM);
    EXPECT_EQ(test::wait_exit(pid, 10s), 0);
}

TEST_F(HostileInput, NotesFromAScreenThatIsAwayShowOnThisOneAndKeepTheirPlace) {
    const Size display = display_size();
    ASSERT_GT(display.w, 0);
    // Stored on a monitor right of this one; one of them hidden. A third lies on this screen.
    auto record = [](int id, const char* title, int left, int top, const char* hidden) {
        NoteRecord r;
        r.NoteID = id;
        r.EditText = "{\\rtf1 x}";
        r.EditFont = "Tahoma";
        r.EditFontSize = 10;
        r.TitleText = title;
        r.TitleFont = "Tahoma";
        r.TitleFontSize = 8;
        r.Width = 200;
        r.Height = 150;
        r.Left = left;
        r.Top = top;
        r.Minimized = "No";
        r.Hidden = hidden;
        r.Border = "No";
        return r;
    };
    NoteStore store{app_paths(), test::store_errors()};
    ASSERT_TRUE(store.write_record(record(1, "Away", display.w + 580, 148, "No"), dirs_.ini));
    ASSERT_TRUE(
        store.write_record(record(2, "AwayHidden", display.w + 730, 490, "Yes"), dirs_.ini));
    ASSERT_TRUE(store.write_record(record(3, "Here", 580, 148, "No"), dirs_.ini));
    ASSERT_TRUE(ProfileFile::write(dirs_.ini, "KORVADESK", "NumberOfNotes", "3"));

    const pid_t pid = launch();
    std::vector<std::string> away;
    test::wait_for(
        [&] {
            away = test::visible_windows(pid, "^Away$", test::NameMatch::All);
            return !away.empty();
        },
        10s);
    ASSERT_EQ(away.size(), 1u);
    std::this_thread::sleep_for(300ms);
    const WindowBox a = window_box(away.front());
    EXPECT_EQ(a.x, kNoteTemplateLeft);
    EXPECT_EQ(a.y, kNoteTemplateTop);
    const std::vector<std::string> here =
        test::visible_windows(pid, "^Here$", test::NameMatch::All);
    ASSERT_EQ(here.size(), 1u);
    const WindowBox h = window_box(here.front());
    EXPECT_EQ(h.x, 580);
    EXPECT_EQ(h.y, 148);
    EXPECT_TRUE(test::visible_windows(pid, "^AwayHidden$", test::NameMatch::All).empty());

    // Saved on the way out (SIGTERM saves every note): the places on the other monitor stay.
    ::kill(pid, SIGTERM);
    EXPECT_EQ(test::wait_exit(pid, 10s), 0);
    EXPECT_EQ(leading(key("NOTE_ID_1", "Left")), display.w + 580);
    EXPECT_EQ(leading(key("NOTE_ID_1", "Top")), 148);
    EXPECT_EQ(leading(key("NOTE_ID_2", "Left")), display.w + 730);
    EXPECT_EQ(leading(key("NOTE_ID_2", "Top")), 490);
    EXPECT_EQ(key("NOTE_ID_2", "Hidden"), "Yes");
    EXPECT_EQ(leading(key("NOTE_ID_3", "Left")), 580);
}

// A note count that cannot be one (negative, a word, beyond any count) restored none of the
// stored notes: the start wrote its empty note over record 1 and left the others to the
// cleaning. Now every stored note comes back under its number, and standard error says why.
TEST_F(HostileInput, ANoteCountThatIsNoCountRestoresEveryStoredNote) {
    auto record = [](int id) {
        NoteRecord r;
        r.NoteID = id;
        r.EditText = "{\\rtf1 Body " + std::to_string(id) + "}";
        r.EditFont = "Tahoma";
        r.EditFontSize = 10;
        r.TitleText = "Kept note " + std::to_string(id);
        r.TitleFont = "Tahoma";
        r.TitleFontSize = 8;
        r.Width = 200;
        r.Height = 150;
        r.Left = 100 + 220 * (id - 1);
        r.Top = 100;
        r.Minimized = "No";
        r.Hidden = "No";
        r.Border = "No";
        return r;
    };
    const std::string err = dirs_.root + "/stderr.txt";
    const auto stored_notes_intact = [&] {
        for (int id = 1; id <= 3; ++id) {
            const std::string section = "NOTE_ID_" + std::to_string(id);
            EXPECT_EQ(key(section, "TitleText"), "Kept note " + std::to_string(id));
            EXPECT_NE(ProfileFile::read(dirs_.ini, section, "EditText", 4096)
                          .find("Body " + std::to_string(id)),
                      std::string::npos)
                << id;
        }
        EXPECT_FALSE(ProfileFile::has_section(dirs_.ini, "NOTE_ID_4"));
        EXPECT_EQ(key("KORVADESK", "NumberOfNotes"), "3");
    };
    for (const char* count : {"-1", "abc", "2147483647"}) {
        SCOPED_TRACE(count);
        std::remove(dirs_.ini.c_str());
        std::remove(err.c_str());
        ASSERT_TRUE(
            ProfileFile::write(dirs_.ini, "KORVADESK", "CommunicationPort", std::to_string(port_)));
        ASSERT_TRUE(ProfileFile::write(dirs_.ini, "KORVADESK", "PlaySound", "No"));
        NoteStore store{app_paths(), test::store_errors()};
        for (int id = 1; id <= 3; ++id) {
            ASSERT_TRUE(store.write_record(record(id), dirs_.ini));
        }
        ASSERT_TRUE(ProfileFile::write(dirs_.ini, "KORVADESK", "NumberOfNotes", count));

        const pid_t pid = launch(err);
        ASSERT_TRUE(wait_for_notes(3));
        ASSERT_TRUE(test::wait_windows(pid, 3)) << test::visible_windows(pid).size();
        std::this_thread::sleep_for(500ms);
        EXPECT_EQ(test::visible_windows(pid).size(), 3u) << "no empty note besides them";
        for (int id = 1; id <= 3; ++id) {
            const std::string title = "^Kept note " + std::to_string(id) + "$";
            EXPECT_EQ(test::visible_windows(pid, title, test::NameMatch::All).size(), 1u) << id;
        }
        stored_notes_intact();

        ::kill(pid, SIGTERM);
        EXPECT_EQ(test::wait_exit(pid, 10s), 0);
        stored_notes_intact();
        std::ifstream in(err);
        std::vector<std::string> said;
        for (std::string line; std::getline(in, line);) {
            if (line.find("NumberOfNotes") != std::string::npos) {
                said.push_back(line);
            }
        }
        ASSERT_EQ(said.size(), 1u);
        EXPECT_NE(said[0].find("\"" + std::string(count) + "\""), std::string::npos) << said[0];
        EXPECT_NE(said[0].find("3 note(s)"), std::string::npos) << said[0];
    }
}

}  // namespace
}  // namespace kd
