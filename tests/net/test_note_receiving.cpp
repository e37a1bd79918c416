// Received notes become note windows of the main window: a raw loopback peer sends, the
// half-second tick makes the window (under Xvfb).
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include <chrono>
#include <string>
#include <thread>

#include "app/main_window.h"
#include "app/wiring.h"
#include "net/arrival_sound.h"
#include "net/note_message.h"
#include "net/note_receiving.h"
#include "note/note_menus.h"
#include "note/note_window.h"
#include "platform/paths.h"
#include "platform/profile_file.h"
#include "platform/socket.h"
#include "platform/temp_dir.h"
#include "store/note_store.h"
#include "support/app_paths_in.h"
#include "support/error_recorder.h"
#include "support/test_services.h"
#include "support/wait_for.h"

namespace kd {
namespace {

using namespace std::chrono_literals;

// Sends from the loopback address `from` (127.0.0.1 when empty), like another computer.
std::string send_note(std::uint16_t port, const std::string& message,
                      const std::string& from = {}) {
    SocketStatus status;
    Socket s;
    if (from.empty()) {
        s = Socket::connect_tcp("127.0.0.1", port, 2s, status);
    } else {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in local{};
        local.sin_family = AF_INET;
        ::inet_pton(AF_INET, from.c_str(), &local.sin_addr);
        sockaddr_in peer{};
        peer.sin_family = AF_INET;
        peer.sin_port = htons(port);
        peer.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) == 0 &&
            ::connect(fd, reinterpret_cast<sockaddr*>(&peer), sizeof peer) == 0) {
            s = Socket(fd);
        } else {
            ::close(fd);
        }
    }
    if (!s.valid()) {
        return "refused";
    }
    s.send_all(message);
    std::string reply;
    char buf[64];
    while (s.wait_readable(5s, nullptr) == WaitResult::Ready) {
        long n = s.receive_some(buf, sizeof buf, status);
        if (n <= 0) {
            break;
        }
        reply.append(buf, static_cast<std::size_t>(n));
    }
    return reply;
}

std::string message_from(const std::string& sender, const std::string& title,
                         const std::string& font_type) {
    NoteRecord r;
    r.EditText = "{\\rtf1 Hello}";
    r.EditFont = "Tahoma";
    r.EditFontSize = 10;
    r.TitleText = title;
    r.TitleFont = "Verdana";
    r.TitleFontType = font_type;
    r.TitleFontSize = 9;
    r.Left = 5;
    r.Top = 5;
    r.Width = 260;
    r.Height = 190;
    return build_note_message(sender, r);
}

class NoteReceivingTest : public ::testing::Test {
protected:
    void SetUp() override {
        ProfileFile::clear_cache();
        AppPaths p;
        p.IniPath = dir_.file("Korvadesk.ini");
        p.NetListPath = dir_.file("Korvadesk.net");
        set_app_paths(p);
        SocketStatus status;
        std::string step;
        port_ = Socket::listen_tcp("127.0.0.1", 0, 1, status, step).local_port();
        ProfileFile::write(p.IniPath, "KORVADESK", "CommunicationPort", std::to_string(port_));
        main_ = std::make_unique<MainWindow>(ts_.services);
        NoteReceiver::Options o;
        o.bind_address = "127.0.0.1";
        receiving_ = new NoteReceiving(*main_, ts_.services, o, main_.get());
        connect_receiving(*main_, *receiving_, sound_);
        // The sounds are counted instead of played.
        QObject::disconnect(receiving_, &NoteReceiving::arrival_sound_wanted, nullptr, nullptr);
        QObject::disconnect(main_.get(), &MainWindow::alert_sound_requested, nullptr, nullptr);
        QObject::connect(receiving_, &NoteReceiving::arrival_sound_wanted, [this] { ++sounds_; });
        QObject::connect(main_.get(), &MainWindow::alert_sound_requested, [this] { ++sounds_; });
        receiving_->start_server();
        test::wait_for([this] { return receiving_->receiver().listening_port() == port_; }, 5s,
                       2ms);
    }
    void TearDown() override {
        main_.reset();
        set_app_paths({});
    }

    test::TempDir dir_;
    test::TestServices ts_{Clock::system()};
    ArrivalSound sound_{ts_.modules};
    std::uint16_t port_ = 0;
    std::unique_ptr<MainWindow> main_;
    NoteReceiving* receiving_ = nullptr;  // owned by the main window
    int sounds_ = 0;
};

TEST_F(NoteReceivingTest, NamedSenderBecomesARepliableNoteWindow) {
    ASSERT_EQ(send_note(port_, message_from("PC17", "ignored", "L")), kAcknowledgement);
    emit main_->tick();
    ASSERT_EQ(main_->notes().size(), 1);
    NoteWindow* note = main_->notes().front();
    EXPECT_TRUE(note->note().title_text().starts_with("PC17 "));
    EXPECT_EQ(note->note().title_text().size(), 10u);  // "PC17 hh:mm"
    EXPECT_EQ(note->note().reply_address(), "PC17");
    EXPECT_EQ(note->note().title_look().face, "Arial Narrow");
    EXPECT_TRUE(note->note().has_status(NoteStatus::Received));
    EXPECT_TRUE(note->isVisible());
    EXPECT_EQ(note->width(), 260);
    EXPECT_EQ(sounds_, 1);
    // Counted and stored at once, so closing the program cannot lose it.
    NoteStore store{app_paths(), test::store_errors()};
    EXPECT_EQ(store.settings().number(Setting::NumberOfNotes), 1);
    EXPECT_TRUE(store.record_exists(note->note().number()));
}

TEST_F(NoteReceivingTest, ReceivedMarkAndTitleMenuNameTheAddressTheNoteCameFrom) {
    // The title claims another computer; the mark tells where it really came from.
    const std::time_t before = std::time(nullptr);
    ASSERT_EQ(send_note(port_, message_from("BOSS-PC", "t", ""), "127.0.0.5"), kAcknowledgement);
    const std::time_t after = std::time(nullptr);
    emit main_->tick();
    ASSERT_EQ(main_->notes().size(), 1);
    NoteWindow* note = main_->notes().front();
    EXPECT_TRUE(note->note().title_text().starts_with("BOSS-PC "));
    const auto line_at = [](std::time_t t) {
        std::tm local{};
        ::localtime_r(&t, &local);
        char text[64];
        std::snprintf(text, sizeof text, "Received from 127.0.0.5 at %02d:%02d", local.tm_hour,
                      local.tm_min);
        return std::string(text);
    };
    const std::string& shown = note->note().received_from();
    EXPECT_TRUE(shown == line_at(before) || shown == line_at(after)) << shown;
    // The tip of the received mark.
    int tips = 0;
    for (QWidget* child : note->findChildren<QWidget*>()) {
        tips += child->isVisible() && child->toolTip() == QString::fromStdString(shown);
    }
    EXPECT_EQ(tips, 1);
    // A line of the title menu, which does nothing when chosen.
    note->menus()->prepare_title_menu();
    QAction* line = note->menus()->received_from_item();
    EXPECT_TRUE(line->isVisible());
    EXPECT_FALSE(line->isEnabled());
    EXPECT_EQ(line->text().toStdString(), shown);
    // Not stored: the record has no place for it, and a note made here has no such line.
    EXPECT_EQ(test::read_text(app_paths().IniPath).find("127.0.0.5"), std::string::npos);
    NoteWindow* own = main_->create_note();
    own->menus()->prepare_title_menu();
    EXPECT_FALSE(own->menus()->received_from_item()->isVisible());
}

TEST_F(NoteReceivingTest, AnonymousAndNameSendersShowACleanTitleAndCannotBeAnswered) {
    ProfileFile::write(app_paths().IniPath, "KORVADESK", "PlaySound", "No");
    ASSERT_EQ(send_note(port_, message_from("ANONYMOUS", "Shopping", "R")), kAcknowledgement);
    ASSERT_EQ(send_note(port_, message_from("Name:Anna", "x", "")), kAcknowledgement);
    emit main_->tick();
    // The second note follows in a pass of its own, once the first is painted.
    ASSERT_TRUE(QTest::qWaitFor([this] { return main_->notes().size() == 2; }, 5000));
    NoteWindow* anonymous = main_->notes()[0];
    NoteWindow* named = main_->notes()[1];
    // The received-title rule pads for the right alignment, and the window keeps that one
    // blank (the title is worked out once, not again on the padded title).
    EXPECT_EQ(anonymous->note().title_text(), "Shopping ");
    EXPECT_EQ(anonymous->note().reply_address(), "");
    EXPECT_TRUE(named->note().title_text().starts_with("Anna "));
    EXPECT_EQ(named->note().reply_address(), "");
    EXPECT_EQ(sounds_, 0);
}

TEST_F(NoteReceivingTest, RejectedMessageWarnsOnceAndReceivingStops) {
    std::string bad = message_from("PC1", "t", "");
    bad.replace(bad.find("{\\rtf1 Hello}"), 13, "   ");
    ASSERT_EQ(send_note(port_, bad), kAcknowledgement);
    ts_.boxes.answer_all(QMessageBox::Ok);
    emit main_->tick();
    // The box opens after the tick, so the ticks go on while it waits for the user.
    EXPECT_TRUE(ts_.boxes.answered_texts().empty());
    // The message may also be taken by the passes its acknowledgement started; the ticks go
    // on either way until the box has come.
    ASSERT_TRUE(QTest::qWaitFor(
        [this] {
            emit main_->tick();
            return !ts_.boxes.answered_texts().empty();
        },
        5000));
    QCoreApplication::processEvents();
    EXPECT_EQ(ts_.boxes.answered_texts().size(), 1u);
    EXPECT_EQ(sounds_, 1);  // the warning sound
    EXPECT_TRUE(main_->notes().isEmpty());
    EXPECT_FALSE(main_->is_closed());
    EXPECT_FALSE(main_->attack_flag());
    ASSERT_TRUE(test::wait_for([this] { return !receiving_->receiver().server_running(); }, 5s));
    EXPECT_EQ(send_note(port_, message_from("PC1", "t", "")), "refused");
}

TEST_F(NoteReceivingTest, BurstIsShownInPassesInArrivalOrderWithoutWaitingForTicks) {
    ProfileFile::write(app_paths().IniPath, "KORVADESK", "PlaySound", "Yes");
    constexpr int kBurst = 12;
    ReceivedNoteQueue& queue = receiving_->receiver().queue();
    for (int i = 0; i < kBurst; ++i) {
        ASSERT_EQ(queue.append(message_from("ANONYMOUS", "burst" + std::to_string(i), "")),
                  ReceivedSpool::Append::Kept);
    }
    emit main_->tick();
    // The tick makes one note; the others follow in passes of the event loop, each stored
    // with its note, so the interface answers between them.
    EXPECT_EQ(main_->notes().size(), 1);
    EXPECT_EQ(queue.waiting(), kBurst - 1u);
    EXPECT_EQ(
        NoteStore(app_paths(), test::store_errors()).settings().number(Setting::NumberOfNotes), 1);
    for (int pass = 0; pass < 3 * kBurst && main_->notes().size() < kBurst; ++pass) {
        QCoreApplication::processEvents();
        // However many a pass took, each is counted and stored with its window.
        EXPECT_EQ(
            NoteStore(app_paths(), test::store_errors()).settings().number(Setting::NumberOfNotes),
            main_->notes().size());
        // A tick meanwhile takes nothing from the queue: the passes do.
        if (pass == 2) {
            const auto at_tick = main_->notes().size();
            emit main_->tick();
            EXPECT_EQ(main_->notes().size(), at_tick);
        }
    }
    // The rest without a tick, as fast as the notes are painted.
    ASSERT_TRUE(QTest::qWaitFor([&] { return main_->notes().size() == kBurst; }, 5000));
    EXPECT_EQ(queue.waiting(), 0u);
    for (int i = 0; i < kBurst; ++i) {
        EXPECT_EQ(main_->notes()[i]->note().title_text(), "burst" + std::to_string(i));
    }
    EXPECT_EQ(
        NoteStore(app_paths(), test::store_errors()).settings().number(Setting::NumberOfNotes),
        kBurst);
    EXPECT_EQ(sounds_, 1) << "one sound for a burst";
}

TEST_F(NoteReceivingTest, AcknowledgedNoteIsShownWithoutATick) {
    ASSERT_EQ(send_note(port_, message_from("PC17", "t", ""), "127.0.0.9"), kAcknowledgement);
    ASSERT_TRUE(QTest::qWaitFor([&] { return main_->notes().size() == 1; }, 5000));
    EXPECT_TRUE(main_->notes().front()->note().title_text().starts_with("PC17 "));
    EXPECT_EQ(receiving_->receiver().queue().waiting(), 0u);
    EXPECT_EQ(sounds_, 1);
}

}  // namespace
}  // namespace kd
