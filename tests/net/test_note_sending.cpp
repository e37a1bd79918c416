// Sending a note from a note window under Xvfb: recipients in order, the marks, the error
// report, AfterSend, and a note sent to this same process's receiving server.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QTest>
#include <QTimer>

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/main_window.h"
#include "app/wiring.h"
#include "net/arrival_sound.h"
#include "net/loopback_peer.h"
#include "net/note_receiving.h"
#include "net/note_sending.h"
#include "note/note_menus.h"
#include "note/note_window.h"
#include "platform/paths.h"
#include "platform/profile_file.h"
#include "platform/temp_dir.h"
#include "store/note_store.h"
#include "support/app_paths_in.h"
#include "support/box_answerer.h"
#include "support/error_recorder.h"
#include "support/sample_note.h"
#include "support/test_services.h"
#include "support/wait_for.h"

namespace kd {
namespace {

using namespace std::chrono_literals;
using test::RawServer;
using test::read_message;

using test::BoxAnswerer;

RawServer::Serve acknowledging(std::chrono::milliseconds delay = 0ms) {
    return [delay](const Socket& c) {
        read_message(c);
        std::this_thread::sleep_for(delay);
        c.send_all(kAcknowledgement);
    };
}

class NoteSendingTest : public ::testing::Test {
protected:
    void SetUp() override {
        ProfileFile::clear_cache();
        set_app_paths(test::app_paths_in(dir_.path()));
    }
    void TearDown() override {
        for (auto& w : notes_) {
            delete w.data();
        }
        set_app_paths({});
    }

    NoteWindow* make_note(int number) {
        auto* w = new NoteWindow(nullptr, number, ts_.services);
        w->create_from_record(test::tahoma_note_record(number, "{\\rtf1 Milk}"), false, false);
        w->save_state();
        notes_.push_back(w);
        return w;
    }
    void set(const char* key, const std::string& value) {
        ASSERT_TRUE(ProfileFile::write(app_paths().IniPath, "KORVADESK", key, value));
    }

    test::TempDir dir_;
    test::TestServices ts_{Clock::system()};
    std::vector<QPointer<NoteWindow>> notes_;
    test::ErrorRecorder store_errors_;
};

TEST_F(NoteSendingTest, EveryRecipientIsTriedAndOnlyTheFailingOneIsReported) {
    RawServer server(acknowledging());
    set("CommunicationPort", std::to_string(server.port()));
    NoteWindow* note = make_note(1);
    BoxAnswerer boxes(ts_.boxes);
    SendOutcome out = send_note(*note, {"127.0.0.1", "no-such-host.invalid", "localhost"}, "pc17");
    const std::string line =
        "NO-SUCH-HOST.INVALID : Can't find computer with that name or IP address.\n";
    EXPECT_EQ(out.error_text, line);
    EXPECT_EQ(server.connections(), 2);
    EXPECT_TRUE(note->note().has_status(NoteStatus::SendFailed));
    EXPECT_FALSE(note->note().has_status(NoteStatus::Sent));
    EXPECT_EQ(boxes.texts, std::vector<std::string>{line});
}

TEST_F(NoteSendingTest, FailureWithoutReportStillMarksTheNote) {
    set("ShowSendErrorMessage", "No");
    std::uint16_t closed_port;
    {
        RawServer gone([](const Socket&) {});
        closed_port = gone.port();
    }
    set("CommunicationPort", std::to_string(closed_port));
    NoteWindow* note = make_note(1);
    BoxAnswerer boxes(ts_.boxes);
    SendOutcome out = send_note(*note, {"localhost"}, "");
    EXPECT_EQ(out.error_text,
              "LOCALHOST : Korvadesk program must be installed and started on computer.\n");
    EXPECT_TRUE(note->note().has_status(NoteStatus::SendFailed));
    QApplication::processEvents();
    EXPECT_TRUE(boxes.texts.empty());
}

TEST_F(NoteSendingTest, CleanSendMarksTheNoteAndTheGroupSendGoesTheSameWay) {
    RawServer server(acknowledging());
    set("CommunicationPort", std::to_string(server.port()));
    NoteWindow* note = make_note(1);
    SendOutcome out = send_note(*note, {"", "127.0.0.1"}, "");
    EXPECT_TRUE(out.sent_without_errors());
    EXPECT_EQ(server.connections(), 1);
    EXPECT_TRUE(note->note().has_status(NoteStatus::Sent));

    // The note menus' group send and Reply go through the same procedure.
    NetworkNoteSending sending;
    BoxAnswerer boxes(ts_.boxes);
    sending.send_note(*note, {"no-such-host.invalid"}, "");
    EXPECT_TRUE(note->note().has_status(NoteStatus::SendFailed));
}

TEST_F(NoteSendingTest, EmailRecipientsAreReportedNotReachedAndTheNoteStaysUnsent) {
    RawServer server(acknowledging());
    set("CommunicationPort", std::to_string(server.port()));
    set("AfterSend", "DeleteNote");
    NoteWindow* note = make_note(1);
    QPointer<NoteWindow> guard(note);
    BoxAnswerer boxes(ts_.boxes);
    const std::string anna =
        "anna@example.org : Sending notes by e-mail is not available, so the note was not sent "
        "to this address.\n";
    const std::string bob =
        "Bob@Example.com : Sending notes by e-mail is not available, so the note was not sent to "
        "this address.\n";

    SendOutcome mail_only = send_note(*note, {"anna@example.org", "Bob@Example.com"}, "");
    EXPECT_EQ(mail_only.error_text, anna + bob);
    EXPECT_EQ(mail_only.email_recipients.size(), 2u);
    EXPECT_EQ(server.connections(), 0) << "no TCP connection for e-mail addresses";
    ASSERT_TRUE(guard && !guard->note().deleted()) << "not deleted although AfterSend says so";
    EXPECT_TRUE(NoteStore(app_paths(), test::store_errors()).record_exists(1));
    EXPECT_FALSE(note->note().has_status(NoteStatus::Sent));
    EXPECT_TRUE(note->note().has_status(NoteStatus::SendFailed));
    EXPECT_EQ(boxes.texts, std::vector<std::string>{anna + bob});

    // Mixed with a computer that acknowledges: that one gets it, the address is still named.
    SendOutcome mixed = send_note(*note, {"anna@example.org", "127.0.0.1"}, "");
    EXPECT_EQ(mixed.error_text, anna);
    EXPECT_EQ(server.connections(), 1);
    EXPECT_TRUE(guard && !guard->note().deleted());
    EXPECT_FALSE(note->note().has_status(NoteStatus::Sent));
}

TEST_F(NoteSendingTest, OverlongNoteIsWarnedAboutAndSentWhole) {
    std::string received;
    RawServer server([&](const Socket& c) {
        received = read_message(c);
        c.send_all(kAcknowledgement);
    });
    set("CommunicationPort", std::to_string(server.port()));
    NoteWindow* note = make_note(1);
    note->body()->set_rtf("{\\rtf1 " + std::string(12000, 'w') + "}");
    BoxAnswerer boxes(ts_.boxes);
    SendOutcome out = send_note(*note, {"127.0.0.1"}, "");
    EXPECT_TRUE(out.sent_without_errors());
    EXPECT_EQ(boxes.texts, std::vector<std::string>{kMessageTooBigText});
    EXPECT_GT(received.size(), kMaxMessageSize);
    EXPECT_TRUE(note->note().has_status(NoteStatus::Sent));
}

TEST_F(NoteSendingTest, DeleteAfterSendAsksNothing) {
    RawServer server(acknowledging());
    set("CommunicationPort", std::to_string(server.port()));
    set("AfterSend", "DeleteNote");
    set("AskBeforeDelete", "Yes");
    NoteWindow* note = make_note(1);
    ASSERT_TRUE(NoteStore(app_paths(), test::store_errors()).record_exists(1));
    BoxAnswerer boxes(ts_.boxes);
    QPointer<NoteWindow> guard(note);
    SendOutcome out = send_note(*note, {"127.0.0.1"}, "");
    EXPECT_TRUE(out.note_gone);
    EXPECT_TRUE(!guard || guard->note().deleted());
    EXPECT_FALSE(NoteStore(app_paths(), test::store_errors()).record_exists(1));
    QApplication::processEvents();
    EXPECT_TRUE(boxes.texts.empty());
}

TEST_F(NoteSendingTest, UiKeepsRunningWithTheWaitCursorWhileAPeerIsSlow) {
    RawServer server(acknowledging(400ms));
    set("CommunicationPort", std::to_string(server.port()));
    NoteWindow* note = make_note(1);
    int ticks = 0;
    bool waiting_cursor = false;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        ++ticks;
        const QCursor* c = QApplication::overrideCursor();
        waiting_cursor = waiting_cursor || (c && c->shape() == Qt::WaitCursor);
    });
    timer.start(20);
    SendOutcome out = send_note(*note, {"127.0.0.1"}, "");
    EXPECT_TRUE(out.sent_without_errors());
    EXPECT_GE(ticks, 5);
    EXPECT_TRUE(waiting_cursor);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(NoteSendingTest, NoteSentToOurOwnPortArrivesInThisProcess) {
    SocketStatus status;
    std::string step;
    const std::uint16_t port = Socket::listen_tcp("127.0.0.1", 0, 1, status, step).local_port();
    set("CommunicationPort", std::to_string(port));
    set("PlaySound", "No");
    auto main = std::make_unique<MainWindow>(ts_.services);
    NoteReceiver::Options o;
    o.bind_address = "127.0.0.1";
    auto* receiving = new NoteReceiving(*main, ts_.services, o, main.get());
    ArrivalSound sound(ts_.modules);
    connect_receiving(*main, *receiving, sound);
    receiving->start_server();
    test::wait_for([&] { return receiving->receiver().listening_port() == port; }, 2500ms, 5ms);

    NoteWindow* note = main->place_note(nullptr, true);
    note->body()->set_rtf("{\\rtf1 Round trip}");
    note->resize(250, 190);
    SendOutcome out = send_note(*note, {"localhost"}, "Name:Tester");
    EXPECT_TRUE(out.sent_without_errors()) << out.error_text;
    EXPECT_TRUE(note->note().has_status(NoteStatus::Sent));

    // The acknowledgement starts the passes that make it (the sending waited in an event loop
    // of its own); the tick would too.
    emit main->tick();
    ASSERT_TRUE(QTest::qWaitFor([&] { return main->notes().size() == 2; }, 5000));
    NoteWindow* got = main->notes()[1];
    EXPECT_TRUE(got->note().has_status(NoteStatus::Received));
    EXPECT_EQ(got->body()->toPlainText().toStdString(), "Round trip");
    EXPECT_EQ(got->width(), 250);
    EXPECT_EQ(got->height(), 190);
    EXPECT_EQ(got->note().body_look().back_colour, note->note().body_look().back_colour);
    // A typed name keeps its case and cannot be answered.
    EXPECT_TRUE(got->note().title_text().starts_with("Tester ")) << got->note().title_text();
    receiving->stop_server();
    main.reset();
}

}  // namespace
}  // namespace kd
