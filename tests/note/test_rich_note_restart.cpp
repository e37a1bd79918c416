// A formatted note in real note windows: it survives ending and starting the real korvadesk
// program unchanged; typing, Ctrl shortcuts and a real focus change save it; web addresses
// open on a click; ShowScrollBar reaches the body of every restored note.
#include <gtest/gtest.h>

#include <signal.h>

#include <QApplication>
#include <QPixmap>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>
#include <QTextList>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "app/main_window.h"
#include "note/note_window.h"
#include "platform/paths.h"
#include "platform/profile_file.h"
#include "store/note_store.h"
#include "support/app_paths_in.h"
#include "support/error_recorder.h"
#include "support/program_runner.h"
#include "support/rtf_test_support.h"
#include "support/test_services.h"
#include "themes/builtin_themes.h"

namespace kd {
namespace {

// The notes of this file share one set of services; none of its tests changes them.
NoteServices& services() {
    static test::TestServices shared{Clock::system()};
    return shared.services;
}

using namespace std::chrono_literals;

NoteRecord sample_record(int number) {
    NoteRecord r = builtin_theme_record(builtin_themes()[0]);
    r.NoteID = number;
    r.TitleText = "Weekend";
    r.EditFont = "DejaVu Sans";
    r.EditFontSize = 10;
    r.EditFontType = "";
    r.EditTextColor = 0x000000;
    r.Left = 40;
    r.Top = 40;
    r.Width = 330;
    r.Height = 250;
    r.Minimized = "No";
    r.Border = "No";
    r.Hidden = "No";
    return r;
}

// What a user does with the body's commands: types the note, then formats parts of it: a
// bold, larger, centred heading; an accented word larger and underlined, a name in red; two
// bullets with "|" and "~", one word blue, one struck out; a smaller italic tail.
void write_mixed_note(NoteBody& body) {
    body.insertPlainText(
        QString::fromUtf8("Weekend plans\n"
                          "Crème brûlée at the café with Zoë\n"
                          "milk | cream\n"
                          "tea ~ 5 o'clock\n"
                          "pipe|tilde~both, naïve Ærø €5"));
    auto select = [&](int block, int start, int length) {
        QTextCursor c(body.document()->findBlockByNumber(block));
        c.setPosition(c.position() + start);
        c.setPosition(c.position() + length, QTextCursor::KeepAnchor);
        body.setTextCursor(c);
    };
    auto colour = [&](QColor chosen) {
        body.set_colour_chooser([chosen](const QColor&) { return std::optional<QColor>(chosen); });
        body.text_colour_command();
    };

    select(0, 0, 13);
    body.bold_command();
    body.increase_size_command();
    body.increase_size_command();
    body.increase_size_command();
    body.center_command();
    select(1, 6, 6);  // brûlée
    body.increase_size_command();
    body.increase_size_command();
    body.underline_command();
    select(1, 30, 3);  // Zoë
    colour(QColor(200, 0, 0));
    select(2, 0, 0);
    QTextCursor both = body.textCursor();
    both.setPosition(body.document()->findBlockByNumber(3).position(), QTextCursor::KeepAnchor);
    body.setTextCursor(both);
    body.bullet_command();
    select(2, 7, 5);  // cream
    colour(QColor(0, 0, 200));
    select(3, 8, 7);  // o'clock
    body.strikeout_command();
    select(4, 23, 6);  // Ærø €5
    body.italic_command();
    body.decrease_size_command();
}

std::string rtf_of(const char* text) {
    return std::string("{\\rtf1\\ansi{\\fonttbl{\\f0 DejaVu Sans;}}\\f0\\fs20 ") + text + "\\par}";
}

class RichNote : public test::ProgramTest {
protected:
    RichNote() : ProgramTest("/tmp/kd-rich-XXXXXX", false) {}

    void SetUp() override {
        ProgramTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        set_app_paths(dirs_.store_paths());
    }

    // The record as the program left it in the settings file, or false when it is missing.
    bool stored(int number, NoteRecord& out) {
        return NoteStore(app_paths(), test::store_errors()).read_record(number, out);
    }

    test::ErrorRecorder reports_;
};

TEST_F(RichNote, MixedNoteSurvivesEndingAndStartingTheProgramUnchanged) {
    const NoteRecord record = sample_record(1);
    std::string original_rtf, original_look, stored_rtf;
    QString original_text;
    {
        NoteWindow note(nullptr, 1, services());
        ASSERT_TRUE(note.create_from_record(record, false, false));
        write_mixed_note(*note.body());
        ASSERT_TRUE(note.save_state());
        original_rtf = note.body()->get_rtf();
        original_look = test::describe(*note.body()->document());
        original_text = note.body()->toPlainText();
    }
    {
        // A mark the program drops when it reads and writes the body again, so the body found
        // after the run is the program's own writing, not the value left untouched.
        NoteRecord saved;
        ASSERT_TRUE(stored(1, saved));
        stored_rtf = saved.EditText;
        const std::size_t header = saved.EditText.find("\\deflang1033");
        ASSERT_NE(header, std::string::npos);
        saved.EditText.insert(header + 12, "{\\*\\generator Msftedit 5.41.21.2510;}");
        ASSERT_TRUE(NoteStore(app_paths(), test::store_errors()).write_record(saved));
    }
    ASSERT_TRUE(NoteStore(app_paths(), test::store_errors())
                    .settings()
                    .set_number(Setting::NumberOfNotes, 1));
    // The separators the user typed are escapes, so the stored value stays one whole line.
    EXPECT_NE(original_rtf.find("milk \\'7c"), std::string::npos) << original_rtf;
    EXPECT_NE(original_rtf.find("tea \\'7e"), std::string::npos) << original_rtf;

    // Start the program on the stored note, look at it, end it the way a logout does.
    const pid_t program = launch();
    ASSERT_TRUE(test::wait_windows(program, 1, 10s)) << "the program shows the stored note";
    QTest::qWait(1500);  // let the window map and paint
    if (const char* out = std::getenv("KD_RICH_NOTE_SCREENSHOT")) {
        const QRect area(record.Left - 20, record.Top - 20, record.Width + 40, record.Height + 40);
        const QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(
            0, area.x(), area.y(), area.width(), area.height());
        EXPECT_TRUE(shot.save(out)) << out;
    }
    ::kill(program, SIGTERM);
    ASSERT_EQ(test::wait_exit(program, 10s), 0);

    // What the program wrote back is what it read: the same RTF, the same document.
    NoteRecord back;
    ASSERT_TRUE(stored(1, back));
    EXPECT_EQ(back.EditText, stored_rtf);
    NoteWindow again(nullptr, 1, services());
    ASSERT_TRUE(again.create_from_record(back, false, false));
    const QTextDocument& doc = *again.body()->document();
    EXPECT_EQ(again.body()->toPlainText(), original_text);
    EXPECT_EQ(test::describe(doc), original_look);

    // And it is the note that was written, not merely a stable one.
    ASSERT_EQ(doc.blockCount(), 5);
    const QTextBlock heading = doc.findBlockByNumber(0);
    EXPECT_EQ(heading.blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    EXPECT_TRUE(heading.begin().fragment().charFormat().fontWeight() >= QFont::Bold);
    EXPECT_EQ(doc.findBlockByNumber(1).text(),
              QString::fromUtf8("Crème brûlée at the café with Zoë"));
    QTextList* list = doc.findBlockByNumber(2).textList();
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->format().style(), QTextListFormat::ListDisc);
    EXPECT_EQ(doc.findBlockByNumber(3).textList(), list);
    EXPECT_EQ(doc.findBlockByNumber(4).textList(), nullptr);
    EXPECT_EQ(doc.findBlockByNumber(2).text(), "milk | cream");
    EXPECT_EQ(doc.findBlockByNumber(3).text(), "tea ~ 5 o'clock");
    EXPECT_EQ(doc.findBlockByNumber(4).text(), QString::fromUtf8("pipe|tilde~both, naïve Ærø €5"));
    EXPECT_NE(original_look.find("fg#c80000"), std::string::npos) << original_look;
    EXPECT_NE(original_look.find("fg#0000c8"), std::string::npos) << original_look;
    EXPECT_NE(original_look.find(" S"), std::string::npos) << original_look;
    EXPECT_NE(original_look.find(" I"), std::string::npos) << original_look;
    EXPECT_TRUE(reports_.messages.empty());
}

TEST_F(RichNote, TypedTextAndShortcutsAreSavedWhenTheFocusGoesToAnotherWindow) {
    NoteWindow note(nullptr, 2, services());
    ASSERT_TRUE(note.create_from_record(sample_record(2), false, false));
    NoteBody* body = note.body();
    note.activateWindow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == &note; }));
    body->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return body->hasFocus(); }));

    QTest::keyClicks(body, "Tea | milk ~ sugar");
    QTest::keyClick(body, Qt::Key_Escape);  // swallowed, as is a Tab without Ctrl
    QTest::keyClick(body, Qt::Key_Tab);
    QTest::keyClick(body, Qt::Key_Home, Qt::ControlModifier);
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(body, Qt::Key_Right, Qt::ShiftModifier);
    QTest::keyClick(body, Qt::Key_B, Qt::ControlModifier);
    QTest::keyClick(body, Qt::Key_U, Qt::ControlModifier);
    EXPECT_EQ(body->toPlainText(), "Tea | milk ~ sugar");
    NoteRecord saved;
    EXPECT_FALSE(stored(2, saved)) << "typing alone is no save moment";

    QWidget other;
    other.setGeometry(700, 500, 120, 80);
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !body->hasFocus(); }));
    ASSERT_TRUE(QTest::qWaitFor([&] { return stored(2, saved); })) << "focus loss saves the note";
    EXPECT_NE(saved.EditText.find(" \\'7c milk \\'7e sugar"), std::string::npos) << saved.EditText;

    NoteWindow again(nullptr, 2, services());
    ASSERT_TRUE(again.create_from_record(saved, false, false));
    EXPECT_EQ(again.body()->toPlainText(), "Tea | milk ~ sugar");
    QTextCursor c(again.body()->document());
    c.setPosition(1);
    EXPECT_GE(c.charFormat().fontWeight(), QFont::Bold);
    EXPECT_TRUE(c.charFormat().fontUnderline());
    c.setPosition(5);
    EXPECT_FALSE(c.charFormat().fontUnderline());
    EXPECT_TRUE(reports_.messages.empty());
}

TEST_F(RichNote, WebAddressOfARestoredNoteOpensOnAClickAndFollowsAReload) {
    NoteRecord record = sample_record(3);
    record.EditText = rtf_of("Recipe: www.example.org/cake is good");
    NoteWindow note(nullptr, 3, services());
    ASSERT_TRUE(note.create_from_record(record, false, false));
    NoteBody* body = note.body();
    std::vector<QUrl> opened;
    body->set_url_opener([&](const QUrl& url) { opened.push_back(url); });
    QApplication::processEvents();
    ASSERT_EQ(body->extraSelections().size(), 1);

    auto point_at = [&](int pos) {
        QTextCursor c(body->document());
        c.setPosition(pos);
        return body->cursorRect(c).center() + QPoint(2, 0);
    };
    QTest::mouseClick(body->viewport(), Qt::LeftButton, Qt::NoModifier, point_at(2));
    EXPECT_TRUE(opened.empty());
    QTest::mouseClick(body->viewport(), Qt::LeftButton, Qt::NoModifier, point_at(12));
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], QUrl("http://www.example.org/cake"));
    QTest::mouseClick(body->viewport(), Qt::LeftButton, Qt::ControlModifier, point_at(20));
    EXPECT_EQ(opened.size(), 2u);

    // Loading other text into a body that shows marks: the marks follow the new text.
    body->set_rtf(rtf_of("two: https://a.example/x and www.b.example"));
    body->setPlainText("see www.c.example");
    body->set_rtf(rtf_of("two: https://a.example/x and www.b.example"));
    QApplication::processEvents();
    const QList<QTextEdit::ExtraSelection> marks = body->extraSelections();
    ASSERT_EQ(marks.size(), 2);
    EXPECT_EQ(marks[0].cursor.selectedText(), "https://a.example/x");
    EXPECT_EQ(marks[1].cursor.selectedText(), "www.b.example");
    body->setPlainText("no address");
    QApplication::processEvents();
    EXPECT_TRUE(body->extraSelections().isEmpty());
}

TEST_F(RichNote, ScrollBarSettingReachesTheBodyOfEveryRestoredNote) {
    NoteRecord record = sample_record(1);
    record.Height = 120;
    std::string lines;
    for (int i = 1; i <= 30; ++i)
        lines += "line " + std::to_string(i) + "\\par ";
    record.EditText = rtf_of(lines.c_str());
    ASSERT_TRUE(NoteStore(app_paths(), test::store_errors()).write_record(record));
    ASSERT_TRUE(NoteStore(app_paths(), test::store_errors())
                    .settings()
                    .set_number(Setting::NumberOfNotes, 1));

    for (const char* setting : {"No", "Yes"}) {
        SCOPED_TRACE(setting);
        ASSERT_TRUE(ProfileFile::write(dirs_.ini, "KORVADESK", "ShowScrollBar", setting));
        MainWindow main(services());
        ASSERT_TRUE(main.start());
        ASSERT_EQ(main.notes().size(), 1);
        NoteWindow* note = main.notes().first();
        QApplication::processEvents();
        NoteBody* body = note->body();
        ASSERT_GT(body->document()->size().height(), body->viewport()->height());
        const bool shown = std::string(setting) == "Yes";
        EXPECT_EQ(body->verticalScrollBar()->isVisible(), shown);
        note->resize(note->width() + 30, note->height() + 10);
        QApplication::processEvents();
        EXPECT_EQ(body->verticalScrollBar()->isVisible(), shown);
    }
}

// Disabled while the note window's layout shrinks the document below the body's width
// (QTextDocument::adjustSize after placing the body): a new note then breaks typed text at
// every word, and a centred line sits left of the middle of the note.
TEST_F(RichNote, TextLaysOutAtTheFullWidthOfTheBody) {
    NoteWindow note(nullptr, 4, services());
    ASSERT_TRUE(note.create_from_record(sample_record(4), false, false));
    NoteBody* body = note.body();
    QTest::keyClicks(body, "hello world this is a note");
    QApplication::processEvents();
    EXPECT_EQ(body->document()->textWidth(), body->viewport()->width());
    EXPECT_EQ(body->document()->firstBlock().layout()->lineCount(), 1);
    note.resize(note.width() + 40, note.height());
    QApplication::processEvents();
    EXPECT_EQ(body->document()->textWidth(), body->viewport()->width());
}

}  // namespace
}  // namespace kd
