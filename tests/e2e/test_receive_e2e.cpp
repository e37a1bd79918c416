// The real korvadesk program receives a note from a raw loopback peer: within a second a note
// window titled with the sender and the time shows the received mark and the sent body, and
// the note is stored in the settings file.
#include <gtest/gtest.h>

#include <signal.h>

#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QRegularExpression>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "net/note_message.h"
#include "note/note_geometry.h"
#include "note/note_pictures.h"
#include "platform/profile_file.h"
#include "platform/socket.h"
#include "support/program_runner.h"
#include "support/wait_for.h"

namespace kd {
namespace {

using namespace std::chrono_literals;
using test::run_output;

// Colours as the settings file holds them: 0x00BBGGRR.
constexpr ColorRef kRed = 0x000000FF;
constexpr ColorRef kWhite = 0x00FFFFFF;
constexpr ColorRef kBlue = 0x00FF0000;
constexpr ColorRef kPaleYellow = 0x00C0FFFF;

QColor colour_of(ColorRef c) {
    return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
}

int pixels_near(const QImage& image, const QRect& area, const QColor& colour) {
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor p = image.pixelColor(x, y);
            if (std::abs(p.red() - colour.red()) < 40 &&
                std::abs(p.green() - colour.green()) < 40 &&
                std::abs(p.blue() - colour.blue()) < 40) {
                ++count;
            }
        }
    }
    return count;
}

class ReceiveEndToEnd : public test::ProgramTest {
protected:
    ReceiveEndToEnd() : ProgramTest("/tmp/kd-e2e-receive-XXXXXX", true) {}

    // The program's first visible window whose name matches `pattern`, "" when none.
    std::string window_named(const std::string& pattern) {
        const std::vector<std::string> found =
            test::visible_windows(pid_, pattern, test::NameMatch::All);
        return found.empty() ? std::string() : found.front();
    }

    pid_t pid_ = -1;
};

std::string sent_note() {
    NoteRecord r;
    r.EditText = "{\\rtf1\\ansi{\\fonttbl{\\f0 Tahoma;}}\\f0\\fs32 Hello from PC17}";
    r.EditFont = "Tahoma";
    r.EditFontSize = 16;
    r.EditBackColor = kPaleYellow;
    r.EditTextColor = kBlue;
    r.TitleText = "ignored for a named sender";
    r.TitleBackColor = kWhite;
    r.TitleTextColor = kRed;
    r.Left = 5;
    r.Top = 5;
    r.Width = 260;
    r.Height = 190;
    return build_note_message("PC17", r);
}

TEST_F(ReceiveEndToEnd, NoteFromARawPeerBecomesAStoredNoteWindowWithinASecond) {
    const std::uint16_t port = test::free_tcp_port();
    SocketStatus status;
    std::string step;
    ASSERT_TRUE(
        ProfileFile::write(dirs_.ini, "KORVADESK", "CommunicationPort", std::to_string(port)));
    ASSERT_TRUE(ProfileFile::write(dirs_.ini, "KORVADESK", "PlaySound", "No"));
    pid_ = launch();

    // The program listens once it has started; the first start shows one empty note.
    Socket peer;
    test::wait_for(
        [&] {
            peer = Socket::connect_tcp("127.0.0.1", port, 200ms, status);
            return peer.valid();
        },
        10s);
    ASSERT_TRUE(peer.valid()) << "the program does not listen on port " << port;
    ASSERT_TRUE(peer.send_all(sent_note()).ok());
    std::string reply;
    char buf[64];
    while (reply.size() < kAcknowledgement.size() &&
           peer.wait_readable(5s, nullptr) == WaitResult::Ready) {
        const long n = peer.receive_some(buf, sizeof buf, status);
        if (n <= 0) {
            break;
        }
        reply.append(buf, static_cast<std::size_t>(n));
    }
    ASSERT_EQ(reply, kAcknowledgement);
    const auto acknowledged = std::chrono::steady_clock::now();

    const std::string title_pattern = "^PC17 [0-2][0-9]:[0-5][0-9]$";
    std::string window;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        1s - (std::chrono::steady_clock::now() - acknowledged));
    test::wait_for(
        [&] {
            window = window_named(title_pattern);
            return !window.empty();
        },
        left, 30ms);
    ASSERT_FALSE(window.empty()) << "no note titled with the sender and the time within 1 s";
    const std::string wm_name = run_output("xprop -id " + window + " WM_NAME 2>/dev/null");
    EXPECT_TRUE(QString::fromStdString(wm_name).contains(
        QRegularExpression("WM_NAME\\(\\w+\\) = \"PC17 \\d\\d:\\d\\d\"")))
        << wm_name;

    // The window as the X server shows it: the received mark in the title strip, drawn in the
    // title colour, and the body text in its own colour on its background.
    std::this_thread::sleep_for(200ms);
    const QImage shot = test::grab_window(window).convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(shot.width(), 260);
    const QRect icon(kStatusIconPos.x, kStatusIconPos.y, kNoteIconSize, kNoteIconSize);
    QImage expected(kNoteIconSize, kNoteIconSize, QImage::Format_RGB32);
    expected.fill(colour_of(kWhite));
    {
        QPainter p(&expected);
        p.drawPixmap(0, 0, note_picture(NotePicture::Received, colour_of(kRed)));
    }
    const int ink = pixels_near(expected, expected.rect(), colour_of(kRed));
    ASSERT_GT(ink, 0);
    EXPECT_EQ(pixels_near(shot, icon, colour_of(kRed)), ink) << "the received mark";
    const QRect body(0, kTitleHeight + 2, shot.width(), shot.height() - kTitleHeight - 2);
    EXPECT_GT(pixels_near(shot, body, colour_of(kPaleYellow)), body.width() * body.height() / 2);
    EXPECT_GT(pixels_near(shot, body, colour_of(kBlue)), 20) << "the body text is drawn";

    // Stored at once: the first note and the received one.
    EXPECT_EQ(ProfileFile::read(dirs_.ini, "KORVADESK", "NumberOfNotes", 16), "2");
    EXPECT_NE(ProfileFile::read(dirs_.ini, "NOTE_ID_2", "EditText", 4096).find("Hello from PC17"),
              std::string::npos);
    EXPECT_EQ(ProfileFile::read(dirs_.ini, "NOTE_ID_2", "Width", 16), "260");

    ::kill(pid_, SIGTERM);
    test::wait_exit(pid_, 10s);
}

}  // namespace
}  // namespace kd
