// A body with a long list, read on another thread: what the note shows, keeps and writes is
// the same as when it loads at once, and nothing done to the note while it is read gets lost.
#include <gtest/gtest.h>

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>
#include <QTextList>
#include <QThread>
#include <climits>
#include <string>
#include <thread>

#include "note/note_body.h"
#include "richtext/rtf_reader.h"
#include "richtext/rtf_writer.h"

namespace kd {
namespace {

constexpr int kItems = 600;

// A numbered list with links and bold words, a bulleted one and a closing paragraph, as a
// peer writes it (not in the form the body writes back).
std::string long_list_body() {
    std::string rtf =
        "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fnil Arial;}}\\pard\\f0{\\*\\pn\\pnlvlbody\\pndec}"
        "\\fs20 ";
    for (int i = 0; i < kItems; ++i) {
        rtf += "\\b item\\b0  " + std::to_string(i);
        if (i % 100 == 7) {
            rtf += " www.example.com/" + std::to_string(i);
        }
        rtf += "\\par ";
    }
    rtf += "\\pard{\\*\\pn\\pnlvlblt}one\\par two\\par\\pard end}";
    return rtf;
}

void set_up(NoteBody& body) {
    body.resize(300, 200);
    body.set_look({0x000000, 0x80FFFF, "Arial", "", 10, 0});
    body.apply_default_format();
    body.show();
}

bool read_in(NoteBody& body) {
    return QTest::qWaitFor([&] { return !body.reading(); }, 20000);
}

class NoteBodyReadingTest : public ::testing::Test {
protected:
    void SetUp() override {
        set_up(aside);
        set_up(at_once);
        at_once.set_paragraphs_read_aside(INT_MAX);
        at_once.set_rtf(rtf);
        ASSERT_FALSE(at_once.reading());
        QApplication::setActiveWindow(&aside);
        aside.setFocus();
    }

    const std::string rtf = long_list_body();
    NoteBody aside;
    NoteBody at_once;
};

TEST_F(NoteBodyReadingTest, ReadAsideTheBodyIsTheOneLoadedAtOnce) {
    QSignalSpy changed(&aside, &NoteBody::contents_changed);
    aside.set_rtf(rtf);
    ASSERT_TRUE(aside.reading());
    // Saved while it is read, the note keeps the body as it came.
    EXPECT_EQ(aside.get_rtf(), rtf);
    ASSERT_TRUE(read_in(aside));
    // It came in another form than the body writes: the note has something new to save.
    EXPECT_EQ(changed.count(), 1);

    EXPECT_EQ(aside.get_rtf(), at_once.get_rtf());
    EXPECT_EQ(aside.toPlainText(), at_once.toPlainText());
    const QTextBlock last_item = aside.document()->findBlockByNumber(kItems - 1);
    ASSERT_NE(last_item.textList(), nullptr);
    EXPECT_EQ(last_item.textList()->count(), kItems);
    EXPECT_EQ(last_item.textList()->itemText(last_item), QString("%1.").arg(kItems));
    EXPECT_FALSE(aside.document()->isUndoAvailable());
    EXPECT_EQ(aside.document()->isModified(), at_once.document()->isModified());
    EXPECT_EQ(aside.textCursor().position(), at_once.textCursor().position());
    ASSERT_EQ(aside.links().size(), at_once.links().size());
    EXPECT_EQ(aside.links().back().address, at_once.links().back().address);
    EXPECT_EQ(aside.wordWrapMode(), at_once.wordWrapMode());
    // Handed over whole to this thread, with all that hangs on it.
    EXPECT_EQ(aside.document()->thread(), QThread::currentThread());
    for (const QObject* part : aside.document()->findChildren<QObject*>()) {
        EXPECT_EQ(part->thread(), QThread::currentThread()) << part->metaObject()->className();
    }

    // Read aside again into a body whose document was read aside: the same once more.
    aside.set_rtf(rtf);
    ASSERT_TRUE(read_in(aside));
    EXPECT_EQ(aside.get_rtf(), at_once.get_rtf());
    // What the body writes reads back as it is: nothing new to save.
    changed.clear();
    aside.set_rtf(at_once.get_rtf());
    ASSERT_TRUE(read_in(aside));
    EXPECT_EQ(changed.count(), 0);
}

TEST_F(NoteBodyReadingTest, TypingAndCommandsWhileReadingGoIntoTheBodyAsSet) {
    aside.set_rtf(rtf);
    ASSERT_TRUE(aside.reading());
    QTest::keyClicks(&aside, "Z");
    EXPECT_FALSE(aside.reading());
    EXPECT_TRUE(aside.toPlainText().endsWith("endZ"));
    aside.undo_command();
    EXPECT_EQ(aside.get_rtf(), at_once.get_rtf()) << "the typing is one step on the read body";

    // Everything removed while the body was read stays removed: the reading's late notice
    // does not bring the text back.
    aside.set_rtf(rtf);
    ASSERT_TRUE(aside.reading());
    aside.select_all_command();
    aside.delete_command();
    QTest::qWait(300);
    EXPECT_EQ(aside.toPlainText(), "");
    EXPECT_TRUE(aside.document()->isUndoAvailable());
}

// Typing gives up a reading that may be half way through: the body loads its text at once,
// and the thread goes on reading the same text to the end, so the body must not take it
// away (under the sanitizers, a text freed beneath the thread is a report; the thread must
// then be still reading when the body has loaded it, which a busy machine makes likely).
TEST_F(NoteBodyReadingTest, TypingWhileTheThreadReadsGivesItUpAndBothGoOnCleanly) {
    for (const int wait_ms : {2, 10, 30, 80}) {
        aside.set_rtf(rtf);
        ASSERT_TRUE(aside.reading());
        std::this_thread::sleep_for(std::chrono::milliseconds(wait_ms));
        aside.setFocus();
        QTest::keyClicks(&aside, "Z");
        EXPECT_FALSE(aside.reading());
        EXPECT_TRUE(aside.toPlainText().endsWith("endZ")) << "after " << wait_ms << " ms";
    }
    EXPECT_TRUE(NoteBody::wait_for_readings(std::chrono::seconds(30)));
}

TEST_F(NoteBodyReadingTest, ABodySetWhileAnotherIsReadReplacesIt) {
    aside.set_rtf(rtf);
    ASSERT_TRUE(aside.reading());
    aside.set_rtf("{\\rtf1\\ansi short\\par}");
    EXPECT_FALSE(aside.reading());
    const std::string short_body = aside.get_rtf();
    QTest::qWait(300);
    EXPECT_EQ(aside.get_rtf(), short_body);
    EXPECT_EQ(aside.toPlainText(), "short");
}

TEST(NoteBodyReading, ABodyClosedWhileReadingKeepsItsTextAndGoesCleanly) {
    const std::string rtf = long_list_body();
    auto* body = new NoteBody;
    set_up(*body);
    body->set_rtf(rtf);
    ASSERT_TRUE(body->reading());
    EXPECT_EQ(body->get_rtf(), rtf) << "what a note saves as it closes";
    delete body;
    // The reading's notice, if it was already on its way, finds no body.
    QTest::qWait(300);
    // The program's end waits for the given-up reading's thread, which does end.
    EXPECT_TRUE(NoteBody::wait_for_readings(std::chrono::seconds(30)));
}

// What the reading thread does is safe there because it makes nothing of the interface
// thread's: reading and writing a body lay nothing out (no layout, so no font engine).
TEST(NoteBodyReading, ReadingAndWritingMakeNoLayout) {
    const std::string rtf = long_list_body();
    std::string written;
    bool laid_out = true;
    std::thread([&] {
        QTextDocument doc;
        read_rtf(rtf, doc);
        written = write_rtf(doc);
        laid_out = !doc.findChildren<QAbstractTextDocumentLayout*>().isEmpty();
    }).join();
    EXPECT_FALSE(written.empty());
    EXPECT_FALSE(laid_out);
}

}  // namespace
}  // namespace kd
