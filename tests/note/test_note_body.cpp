// The note body's commands, keyboard rules, default look and web addresses, on a real
// widget under the test display.
#include <gtest/gtest.h>

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QClipboard>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>
#include <QTextList>

#include "note/note_body.h"
#include "richtext/body_metrics.h"
#include "richtext/rtf_document.h"

namespace kd {
namespace {

class NoteBodyTest : public ::testing::Test {
protected:
    void SetUp() override {
        body.resize(300, 200);
        body.set_look({0x000000, 0x80FFFF, "Arial", "", 10, 0});
        body.apply_default_format();
        body.show();
        QApplication::setActiveWindow(&body);
        body.setFocus();
    }

    void select(int start, int end) {
        QTextCursor c = body.textCursor();
        c.setPosition(start);
        c.setPosition(end, QTextCursor::KeepAnchor);
        body.setTextCursor(c);
    }
    void caret(int pos) { select(pos, pos); }
    QTextCharFormat format_at(int pos) {
        QTextCursor c(body.document());
        c.setPosition(pos + 1);
        return c.charFormat();
    }
    bool bold_at(int pos) {
        QTextCharFormat f = format_at(pos);
        return f.hasProperty(QTextFormat::FontWeight) ? f.fontWeight() >= QFont::DemiBold
                                                      : body.document()->defaultFont().bold();
    }
    double points_at(int pos) {
        QTextCharFormat f = format_at(pos);
        return f.hasProperty(QTextFormat::FontPointSize)
                   ? f.fontPointSize()
                   : body.document()->defaultFont().pointSizeF();
    }

    NoteBody body;
};

TEST_F(NoteBodyTest, DefaultFormatFullAndColoursOnly) {
    TextLook look = body.look();
    look.face = "Courier New";
    look.size = 8;
    look.style = "BIUS";
    look.text_colour = 0x0000FF;  // red
    body.set_look(look);
    body.apply_default_format();
    QFont f = body.document()->defaultFont();
    EXPECT_EQ(f.family(), "Courier New");
    EXPECT_EQ(f.pointSize(), screen_point_size(8, body.logicalDpiY()));
    EXPECT_TRUE(f.bold());
    EXPECT_TRUE(f.italic());
    EXPECT_TRUE(f.underline());
    EXPECT_FALSE(f.strikeOut());  // S is stored, but the default look applies B, I and U only
    EXPECT_EQ(body.palette().color(QPalette::Text), QColor(255, 0, 0));
    EXPECT_EQ(body.palette().color(QPalette::Base), QColor(255, 255, 128));

    look.text_colour = 0x00FF00;
    look.back_colour = 0xFF0000;
    look.size = 20;
    body.set_look(look);
    body.apply_default_format(true);
    EXPECT_EQ(body.palette().color(QPalette::Text), QColor(255, 0, 0));
    EXPECT_EQ(body.palette().color(QPalette::Base), QColor(0, 0, 255));
    EXPECT_EQ(body.document()->defaultFont().pointSize(), f.pointSize());
}

TEST_F(NoteBodyTest, FontWithoutSelectionChangesDefaultLookAndUnformattedText) {
    body.setPlainText("plain own");
    select(6, 9);
    QTextCharFormat own;
    own.setFontFamilies({"Times New Roman"});
    own.setFontPointSize(20);
    body.mergeCurrentCharFormat(own);
    caret(0);
    QFont seen;
    body.set_font_chooser([&](const QFont& initial) -> std::optional<QFont> {
        seen = initial;
        QFont chosen("Courier New");
        chosen.setPointSizeF(14.7);
        chosen.setWeight(QFont::Bold);
        chosen.setStrikeOut(true);
        return chosen;
    });
    body.font_command();
    EXPECT_EQ(seen.family(), "Arial");
    EXPECT_EQ(seen.pointSize(), 10);
    EXPECT_EQ(body.look().face, "Courier New");
    EXPECT_EQ(body.look().size, 14);
    EXPECT_EQ(body.look().style, "BS");
    EXPECT_EQ(body.document()->defaultFont().family(), "Courier New");
    EXPECT_TRUE(bold_at(0));
    // Text with a look of its own keeps it.
    EXPECT_EQ(format_at(7).fontFamilies().toStringList(), QStringList{"Times New Roman"});
    EXPECT_EQ(points_at(7), 20);
}

TEST_F(NoteBodyTest, FontWithSelectionChangesOnlyTheSelection) {
    body.setPlainText("one two");
    select(4, 7);
    body.set_font_chooser([](const QFont& initial) -> std::optional<QFont> {
        EXPECT_EQ(initial.family(), "Arial");
        QFont chosen("Courier New");
        chosen.setPointSize(16);
        chosen.setWeight(QFont::DemiBold);  // not exactly bold: stays regular
        chosen.setItalic(true);
        return chosen;
    });
    body.font_command();
    EXPECT_EQ(body.look().face, "Arial");
    EXPECT_EQ(body.look().size, 10);
    EXPECT_EQ(format_at(5).fontFamilies().toStringList(), QStringList{"Courier New"});
    EXPECT_EQ(points_at(5), 16);
    EXPECT_FALSE(bold_at(5));
    EXPECT_TRUE(format_at(5).fontItalic());
    EXPECT_FALSE(format_at(1).hasProperty(QTextFormat::FontFamilies));

    // Cancel changes nothing.
    body.set_font_chooser([](const QFont&) { return std::optional<QFont>(); });
    std::string before = body.get_rtf();
    body.font_command();
    EXPECT_EQ(body.get_rtf(), before);
}

TEST_F(NoteBodyTest, ColourCommands) {
    body.setPlainText("abc");
    QSignalSpy back_changed(&body, &NoteBody::back_colour_changed);
    body.set_colour_chooser([](const QColor&) { return std::optional<QColor>(QColor(0, 128, 0)); });
    select(0, 1);
    body.text_colour_command();
    EXPECT_EQ(format_at(0).foreground().color(), QColor(0, 128, 0));
    EXPECT_EQ(body.look().text_colour, 0x000000u);
    caret(3);
    body.text_colour_command();
    EXPECT_EQ(body.look().text_colour, 0x008000u);
    EXPECT_EQ(body.palette().color(QPalette::Text), QColor(0, 128, 0));
    EXPECT_FALSE(format_at(1).hasProperty(QTextFormat::ForegroundBrush));

    body.set_colour_chooser([](const QColor& initial) {
        EXPECT_EQ(initial, QColor(255, 255, 128));
        return std::optional<QColor>(QColor(10, 20, 30));
    });
    body.note_colour_command();
    EXPECT_EQ(body.look().back_colour, 0x1E140Au);
    EXPECT_EQ(body.palette().color(QPalette::Base), QColor(10, 20, 30));
    EXPECT_EQ(body.palette().color(QPalette::Text), QColor(0, 128, 0));  // unchanged
    EXPECT_EQ(back_changed.count(), 1);
}

TEST_F(NoteBodyTest, EffectsToggleOnSelectionAndInsertionPoint) {
    body.setPlainText("abcd");
    select(0, 2);
    body.bold_command();
    EXPECT_TRUE(bold_at(0));
    EXPECT_TRUE(bold_at(1));
    EXPECT_FALSE(bold_at(2));
    body.bold_command();
    EXPECT_FALSE(bold_at(0));
    // Partly bold: switched on for all.
    select(1, 2);
    body.bold_command();
    select(0, 3);
    body.bold_command();
    EXPECT_TRUE(bold_at(0) && bold_at(1) && bold_at(2));

    select(0, 4);
    body.italic_command();
    body.underline_command();
    body.strikeout_command();
    EXPECT_TRUE(format_at(3).fontItalic());
    EXPECT_TRUE(format_at(3).fontUnderline());
    EXPECT_TRUE(format_at(3).fontStrikeOut());
    body.regular_command();
    EXPECT_FALSE(bold_at(0));
    EXPECT_FALSE(format_at(3).fontItalic() || format_at(3).fontUnderline() ||
                 format_at(3).fontStrikeOut());

    // No selection: the format of what is typed next.
    caret(4);
    body.bold_command();
    QTest::keyClicks(&body, "x");
    EXPECT_EQ(body.toPlainText(), "abcdx");
    EXPECT_TRUE(bold_at(4));
}

TEST_F(NoteBodyTest, SizeCommands) {
    body.setPlainText("abc");
    int dpi = body.logicalDpiY();
    select(0, 1);
    body.increase_size_command();
    EXPECT_EQ(points_at(0), screen_point_size(11, dpi));
    QTextCharFormat one;
    one.setFontPointSize(1);
    select(1, 2);
    body.mergeCurrentCharFormat(one);
    body.decrease_size_command();
    EXPECT_EQ(points_at(1), 1);
    select(2, 3);
    body.decrease_size_command();
    EXPECT_EQ(points_at(2), screen_point_size(9, dpi));
}

TEST_F(NoteBodyTest, AlignmentBulletsAndParagraph) {
    body.setPlainText("one\ntwo\nthree");
    select(0, 5);
    body.center_command();
    auto align = [&](int n) {
        return body.document()->findBlockByNumber(n).blockFormat().alignment() &
               Qt::AlignHorizontal_Mask;
    };
    EXPECT_EQ(align(0), Qt::AlignHCenter);
    EXPECT_EQ(align(1), Qt::AlignHCenter);
    EXPECT_NE(align(2), Qt::AlignHCenter);
    body.right_command();
    EXPECT_EQ(align(0), Qt::AlignRight);
    body.left_command();
    EXPECT_EQ(align(1), Qt::AlignLeft);

    body.bullet_command();
    EXPECT_NE(body.document()->findBlockByNumber(0).textList(), nullptr);
    EXPECT_EQ(body.document()->findBlockByNumber(0).textList(),
              body.document()->findBlockByNumber(1).textList());
    EXPECT_EQ(body.document()->findBlockByNumber(2).textList(), nullptr);
    body.bullet_command();
    EXPECT_EQ(body.document()->findBlockByNumber(0).textList(), nullptr);
    EXPECT_EQ(body.document()->findBlockByNumber(1).textList(), nullptr);

    // The paragraph command applies what the editor hands back; Cancel changes nothing.
    body.set_paragraph_editor([](const QTextBlockFormat& current) {
        QTextBlockFormat f = current;
        f.setLeftMargin(30);
        return std::optional<QTextBlockFormat>(f);
    });
    caret(9);
    body.paragraph_command();
    EXPECT_EQ(body.document()->findBlockByNumber(2).blockFormat().leftMargin(), 30);
    body.set_paragraph_editor(
        [](const QTextBlockFormat&) { return std::optional<QTextBlockFormat>(); });
    body.paragraph_command();
    EXPECT_EQ(body.document()->findBlockByNumber(2).blockFormat().leftMargin(), 30);
}

TEST_F(NoteBodyTest, CaseCommandsAreOneUndoStepAndKeepTheStartFormat) {
    body.setPlainText("hello World");
    select(0, 1);
    body.bold_command();
    select(0, 11);
    body.uppercase_command();
    EXPECT_EQ(body.toPlainText(), "HELLO WORLD");
    EXPECT_TRUE(bold_at(6));  // the whole replacement takes the format at its start
    body.undo_command();
    EXPECT_EQ(body.toPlainText(), "hello World");
    EXPECT_TRUE(body.redo_available());
    body.redo_command();
    EXPECT_EQ(body.toPlainText(), "HELLO WORLD");
    EXPECT_FALSE(body.redo_available());
    select(0, 5);
    body.lowercase_command();
    EXPECT_EQ(body.toPlainText(), "hello WORLD");
    caret(2);
    body.uppercase_command();  // empty selection: nothing
    EXPECT_EQ(body.toPlainText(), "hello WORLD");
}

// "w0 w1 ... w(n-1)" with the space after the last word when `trailing_space`.
QString words(int n, bool trailing_space = false) {
    QStringList list;
    for (int i = 0; i < n; ++i) {
        list << QStringLiteral("w%1").arg(i);
    }
    return list.join(' ') + (trailing_space && n > 0 ? QStringLiteral(" ") : QString());
}

TEST_F(NoteBodyTest, TypedWordsUndoOneAtATimeAndRedoWithBothKeys) {
    QTest::keyClicks(&body, words(20));
    ASSERT_EQ(body.toPlainText(), words(20));
    // Each undo takes back the last word; the space after the word before stays with it.
    for (int n = 19; n >= 0; --n) {
        QTest::keyClick(&body, Qt::Key_Z, Qt::ControlModifier);
        ASSERT_EQ(body.toPlainText(), words(n, true)) << n;
    }
    QTest::keyClick(&body, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(body.toPlainText(), "");
    EXPECT_FALSE(body.document()->isUndoAvailable());
    QTest::keyClick(&body, Qt::Key_Z, Qt::ControlModifier);  // nothing left: nothing happens
    EXPECT_EQ(body.toPlainText(), "");
    for (int n = 1; n <= 20; ++n) {
        if (n % 2 == 0) {
            QTest::keyClick(&body, Qt::Key_Y, Qt::ControlModifier);
        } else {
            QTest::keyClick(&body, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        }
        ASSERT_EQ(body.toPlainText(), words(n, n < 20)) << n;
    }
    EXPECT_FALSE(body.redo_available());
    // Something new after an undo drops what could have been redone.
    body.undo_command();
    EXPECT_TRUE(body.redo_available());
    QTest::keyClicks(&body, "x");
    EXPECT_FALSE(body.redo_available());
}

TEST_F(NoteBodyTest, UndoKeepsManyStepsOfEveryKindButNotTheLoadedText) {
    body.set_rtf("{\\rtf1\\ansi loaded\\par}");
    EXPECT_FALSE(body.document()->isUndoAvailable()) << "loading is no step";
    caret(body.toPlainText().size());
    QTest::keyClicks(&body, words(110));  // 110 steps
    select(0, 6);
    body.bold_command();
    EXPECT_TRUE(bold_at(0));
    caret(body.toPlainText().size());
    QTest::keyClick(&body, Qt::Key_Return);
    QApplication::clipboard()->setText("pasted");
    body.paste_command();
    QTest::keyClicks(&body, "typed");
    EXPECT_EQ(body.toPlainText(), "loaded" + words(110) + "\npastedtyped");
    body.undo_command();
    EXPECT_EQ(body.toPlainText(), "loaded" + words(110) + "\npasted") << "typing after a paste";
    body.undo_command();
    body.undo_command();
    EXPECT_EQ(body.toPlainText(), "loaded" + words(110));
    EXPECT_TRUE(bold_at(0));
    body.undo_command();
    EXPECT_FALSE(bold_at(0));
    for (int i = 0; i < 110; ++i) {
        body.undo_command();
    }
    EXPECT_EQ(body.toPlainText(), "loaded");
    EXPECT_FALSE(body.document()->isUndoAvailable());
    for (int i = 0; i < 114; ++i) {
        body.redo_command();
    }
    EXPECT_EQ(body.toPlainText(), "loaded" + words(110) + "\npastedtyped");
    EXPECT_TRUE(bold_at(0));
}

TEST_F(NoteBodyTest, EditCommands) {
    body.setPlainText("abc def");
    select(0, 4);
    body.cut_command();
    EXPECT_EQ(body.toPlainText(), "def");
    caret(3);
    body.paste_command();
    EXPECT_EQ(body.toPlainText(), "defabc ");
    body.select_all_command();
    body.copy_command();
    body.delete_command();
    EXPECT_EQ(body.toPlainText(), "");
    body.paste_command();
    EXPECT_EQ(body.toPlainText(), "defabc ");
}

TEST_F(NoteBodyTest, FindDownAndUp) {
    body.setPlainText("cat dog cat Cat bird cat");
    select(12, 15);  // the third "Cat"
    EXPECT_TRUE(body.find_next("cat", false, false, true));
    EXPECT_EQ(body.textCursor().selectionStart(), 21);
    EXPECT_FALSE(body.find_next("cat", false, false, true));  // nothing after: unchanged
    EXPECT_EQ(body.textCursor().selectionStart(), 21);
    // Up takes the first occurrence in the text before the selection, not the nearest.
    EXPECT_TRUE(body.find_next("cat", false, false, false));
    EXPECT_EQ(body.textCursor().selectionStart(), 0);
    EXPECT_FALSE(body.find_next("cat", false, false, false));
    select(16, 16);
    EXPECT_TRUE(body.find_next("Cat", false, true, false));
    EXPECT_EQ(body.textCursor().selectionStart(), 12);
    body.setPlainText("catalog cat");
    caret(0);
    EXPECT_TRUE(body.find_next("cat", true, false, true));
    EXPECT_EQ(body.textCursor().selectionStart(), 8);
}

TEST_F(NoteBodyTest, FindDialogIsModelessAndPresetFromTheSelection) {
    body.setPlainText("one two one");
    select(0, 3);
    body.find_command();
    FindDialog* dialog = body.find_dialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_FALSE(dialog->isModal());
    EXPECT_EQ(dialog->text(), "one");
    EXPECT_TRUE(dialog->down());
    emit dialog->find_next();
    EXPECT_EQ(body.textCursor().selectionStart(), 8);
    dialog->hide();
}

TEST_F(NoteBodyTest, KeyboardRules) {
    QSignalSpy ctrl(&body, &NoteBody::ctrl_changed);
    QTest::keyClicks(&body, "ab");
    QTest::keyClick(&body, Qt::Key_Escape);
    QTest::keyClick(&body, Qt::Key_Tab);
    EXPECT_EQ(body.toPlainText(), "ab");
    QTest::keyPress(&body, Qt::Key_Control);
    EXPECT_TRUE(body.ctrl_down());
    QTest::keyClick(&body, Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(body.toPlainText(), "ab\t");
    select(0, 2);
    QTest::keyClick(&body, Qt::Key_B, Qt::ControlModifier);
    QTest::keyClick(&body, Qt::Key_I, Qt::ControlModifier);
    QTest::keyClick(&body, Qt::Key_U, Qt::ControlModifier);
    QTest::keyClick(&body, Qt::Key_S, Qt::ControlModifier);
    EXPECT_TRUE(bold_at(0));
    EXPECT_TRUE(format_at(0).fontItalic());
    EXPECT_TRUE(format_at(0).fontUnderline());
    EXPECT_TRUE(format_at(0).fontStrikeOut());
    QTest::keyRelease(&body, Qt::Key_Control);
    EXPECT_FALSE(body.ctrl_down());
    QTest::keyPress(&body, Qt::Key_Control);
    QTest::keyPress(&body, Qt::Key_Alt, Qt::ControlModifier);
    EXPECT_FALSE(body.ctrl_down());
    QTest::keyRelease(&body, Qt::Key_Alt, Qt::ControlModifier);
    QTest::keyRelease(&body, Qt::Key_Control);
    ASSERT_GE(ctrl.count(), 4);
    EXPECT_EQ(ctrl.at(0).at(0).toBool(), true);
    EXPECT_EQ(ctrl.at(1).at(0).toBool(), false);
    QTest::keyClick(&body, Qt::Key_F, Qt::ControlModifier);
    ASSERT_NE(body.find_dialog(), nullptr);
    EXPECT_TRUE(body.find_dialog()->isVisible());
    body.find_dialog()->hide();
}

TEST_F(NoteBodyTest, FocusLossIsSignalled) {
    QSignalSpy lost(&body, &NoteBody::focus_lost);
    QWidget other;
    other.show();
    QApplication::setActiveWindow(&body);
    body.setFocus();
    QFocusEvent out(QEvent::FocusOut, Qt::OtherFocusReason);
    QApplication::sendEvent(&body, &out);
    EXPECT_EQ(lost.count(), 1);
    QFocusEvent popup(QEvent::FocusOut, Qt::PopupFocusReason);
    QApplication::sendEvent(&body, &popup);
    EXPECT_EQ(lost.count(), 1);
}

TEST_F(NoteBodyTest, ScrollBarFlag) {
    body.set_scroll_bar_flag(false);
    EXPECT_EQ(body.verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    body.move(5, 5);
    EXPECT_EQ(body.verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    body.set_scroll_bar_flag(true);
    EXPECT_EQ(body.verticalScrollBarPolicy(), Qt::ScrollBarAsNeeded);
}

TEST_F(NoteBodyTest, SettingsAppliedAgainUnchangedDoNotLayTheTextOutAgain) {
    QString text;
    for (int i = 0; i < 200; ++i)
        text += "line of a long note\n";
    body.setPlainText(text);
    body.set_scroll_bar_flag(false);
    QApplication::processEvents();
    QSignalSpy layouts(body.document()->documentLayout(), &QAbstractTextDocumentLayout::update);

    // A note applies both on every move and resize, theme and settings change.
    body.set_scroll_bar_flag(false);
    body.move(body.pos() + QPoint(7, 3));
    body.resize(body.width(), body.height() + 20);
    body.apply_default_format();
    body.apply_default_format(true);
    QApplication::processEvents();
    EXPECT_EQ(layouts.count(), 0);

    TextLook look = body.look();
    look.size = 14;
    body.set_look(look);
    body.apply_default_format();
    EXPECT_GT(layouts.count(), 0) << "a change is laid out";
}

TEST_F(NoteBodyTest, TextTooLargeToShowIsShownSmallerAndKeptAsItCame) {
    const int largest = 200 * 72 / body.logicalDpiY();  // points
    // One long word at the largest size RTF can say, and a default size far beyond a note.
    TextLook look = body.look();
    look.size = 1000;
    body.set_look(look);
    body.apply_default_format();
    EXPECT_EQ(body.document()->defaultFont().pointSize(), largest);
    NoteBody first;
    look = first.look();
    look.size = 1000;
    first.set_look(look);
    first.apply_default_format();
    first.set_rtf("{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fnil Arial;}}\\f0\\fs3276 " +
                  std::string(4000, 'W') + "\\fs40  small\\par\\plain plain}");
    const std::string stored = first.get_rtf();
    EXPECT_NE(stored.find("\\fs3276 WWW"), std::string::npos) << stored.substr(0, 300);
    EXPECT_NE(stored.find("\\fs40  small"), std::string::npos);
    EXPECT_NE(stored.find("\\fs" + std::to_string(screen_point_size(1000, body.logicalDpiY()) * 2) +
                          " plain"),
              std::string::npos);

    // Loaded again and saved without a change, it comes back the same.
    body.set_rtf(stored);
    EXPECT_EQ(points_at(0), largest);
    EXPECT_EQ(points_at(4001), 20);
    EXPECT_EQ(body.get_rtf(), stored);
    EXPECT_EQ(body.wordWrapMode(), QTextOption::WrapAnywhere);

    // A size the user gives it is kept as given.
    select(0, 2);
    body.decrease_size_command();
    EXPECT_EQ(points_at(0), screen_point_size(largest - 1, body.logicalDpiY()));
    EXPECT_NE(body.get_rtf().find("\\fs" + std::to_string(int(points_at(0)) * 2) + " WW"),
              std::string::npos);

    body.setPlainText("short words only");
    EXPECT_EQ(body.wordWrapMode(), QTextOption::WrapAtWordBoundaryOrAnywhere);
}

TEST_F(NoteBodyTest, WebAddressesOpenOnClick) {
    std::vector<QUrl> opened;
    body.set_url_opener([&](const QUrl& url) { opened.push_back(url); });
    body.setPlainText("visit www.example.org today");
    ASSERT_EQ(body.links().size(), 1u);
    EXPECT_EQ(body.links()[0].address, "www.example.org");
    EXPECT_EQ(body.links()[0].start, 6);

    QTextCursor c(body.document());
    c.setPosition(9);
    QPoint on_link = body.cursorRect(c).center() + QPoint(2, 0);
    c.setPosition(2);
    QPoint off_link = body.cursorRect(c).center() + QPoint(2, 0);
    QTest::mouseClick(body.viewport(), Qt::LeftButton, Qt::NoModifier, off_link);
    EXPECT_TRUE(opened.empty());
    QTest::mouseClick(body.viewport(), Qt::LeftButton, Qt::NoModifier, on_link);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], QUrl("http://www.example.org"));
    QTest::mouseClick(body.viewport(), Qt::LeftButton, Qt::ControlModifier, on_link);
    EXPECT_EQ(opened.size(), 2u);

    body.setPlainText("no address any more");
    EXPECT_TRUE(body.links().empty());
    QApplication::processEvents();  // the marks follow once the change is over
    EXPECT_TRUE(body.extraSelections().isEmpty());
}

TEST_F(NoteBodyTest, LinksOtherThanWebAndMailAskFirstNamingTheWholeAddress) {
    std::vector<QUrl> opened;
    std::vector<QString> asked;
    bool answer = false;
    body.set_url_opener([&](const QUrl& url) { opened.push_back(url); });
    body.set_link_asker([&](const QString& question) {
        asked.push_back(question);
        return answer;
    });

    for (const char* direct : {"http://example.org/a", "https://example.org/b",
                               "mailto:ana@example.org", "HTTP://EXAMPLE.ORG/C", "www.example.org"})
        body.open_link(QString::fromUtf8(direct));
    EXPECT_TRUE(asked.empty());
    ASSERT_EQ(opened.size(), 5u);
    EXPECT_EQ(opened[3].scheme(), "http");
    EXPECT_EQ(opened[4], QUrl("http://www.example.org"));

    opened.clear();
    const QStringList others = {"file:///etc/passwd", "telnet://host.example.org",
                                "news:comp.lang.c", "FILE:///tmp/x"};
    for (const QString& other : others)
        body.open_link(other);
    EXPECT_TRUE(opened.empty()) << "answered No";
    ASSERT_EQ(asked.size(), 4u);
    EXPECT_TRUE(asked[0].contains("file:///etc/passwd"));
    EXPECT_TRUE(asked[1].contains("telnet://host.example.org"));
    EXPECT_TRUE(asked[2].contains("news:comp.lang.c"));

    answer = true;
    body.open_link(others[0]);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], QUrl("file:///etc/passwd"));

    // The whole address, encoded: a long one is broken into lines, and a character that
    // turns text around shows as its code.
    asked.clear();
    const QString tricky = "file:///home/ana/" + QString(100, 'a') + QChar(0x202E) + "fdp.exe";
    body.open_link(tricky);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_FALSE(asked[0].contains(QChar(0x202E)));
    EXPECT_TRUE(QString(asked[0]).remove('\n').contains("file:///home/ana/" + QString(100, 'a') +
                                                        "%E2%80%AEfdp.exe"));

    // A click on such an address in the text asks too.
    asked.clear();
    opened.clear();
    answer = false;
    body.setPlainText("see file:///etc/passwd now");
    ASSERT_EQ(body.links().size(), 1u);
    QTextCursor c(body.document());
    c.setPosition(8);
    QTest::mouseClick(body.viewport(), Qt::LeftButton, Qt::NoModifier,
                      body.cursorRect(c).center() + QPoint(2, 0));
    EXPECT_EQ(asked.size(), 1u);
    EXPECT_TRUE(opened.empty());
}

}  // namespace
}  // namespace kd
