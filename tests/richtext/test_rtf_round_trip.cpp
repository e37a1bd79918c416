// Document -> RTF -> document round trips for every property the body can carry, and the
// shape of what the writer puts out.
#include <gtest/gtest.h>

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>

#include "richtext/rtf_document.h"
#include "richtext/rtf_reader.h"
#include "richtext/rtf_test_support.h"
#include "richtext/rtf_writer.h"

namespace kd {
namespace {

using test::describe;
using test::make_doc;

std::string round_trip(const QTextDocument& doc, QTextDocument& back, int charset = 0) {
    std::string rtf = write_rtf(doc, {charset, 1252});
    back.setDefaultFont(doc.defaultFont());
    EXPECT_TRUE(read_rtf(rtf, back, {charset}));
    return rtf;
}

void expect_round_trip(const QTextDocument& doc, int charset = 0) {
    QTextDocument back;
    std::string rtf = round_trip(doc, back, charset);
    EXPECT_EQ(describe(back), describe(doc)) << rtf;
    // A second pass must not drift.
    EXPECT_EQ(write_rtf(back, {charset, 1252}), rtf);
}

TEST(RtfRoundTrip, CharacterEffectsSizesFontsAndColours) {
    auto doc = make_doc();
    QTextCursor c(doc.get());
    auto put = [&](const QString& text, auto&& tweak) {
        QTextCharFormat f;
        tweak(f);
        c.insertText(text, f);
    };
    put("plain ", [](QTextCharFormat&) {});
    put("bold ", [](QTextCharFormat& f) { f.setFontWeight(QFont::Bold); });
    put("italic ", [](QTextCharFormat& f) { f.setFontItalic(true); });
    put("under ", [](QTextCharFormat& f) { f.setFontUnderline(true); });
    put("strike ", [](QTextCharFormat& f) { f.setFontStrikeOut(true); });
    put("all ", [](QTextCharFormat& f) {
        f.setFontWeight(QFont::Bold);
        f.setFontItalic(true);
        f.setFontUnderline(true);
        f.setFontStrikeOut(true);
    });
    put("big ", [](QTextCharFormat& f) { f.setFontPointSize(24); });
    put("half ", [](QTextCharFormat& f) { f.setFontPointSize(10.5); });
    put("tiny ", [](QTextCharFormat& f) { f.setFontPointSize(1); });
    put("red ", [](QTextCharFormat& f) { f.setForeground(QColor(255, 0, 0)); });
    put("blue on yellow ", [](QTextCharFormat& f) {
        f.setForeground(QColor(0, 0, 255));
        f.setBackground(QColor(255, 255, 0));
    });
    put("red again ", [](QTextCharFormat& f) { f.setForeground(QColor(255, 0, 0)); });
    put("courier ", [](QTextCharFormat& f) { f.setFontFamilies({"Courier New"}); });
    put(QString::fromUtf8("Привет "), [](QTextCharFormat& f) {
        f.setFontFamilies({"Times New Roman"});
        f.setProperty(kCharsetProperty, 204);
    });
    put("regular again", [](QTextCharFormat& f) { f.setFontWeight(QFont::Normal); });
    expect_round_trip(*doc);
}

TEST(RtfRoundTrip, DefaultBoldTextSwitchedOffStaysOff) {
    auto doc = make_doc();
    QFont f = doc->defaultFont();
    f.setBold(true);
    doc->setDefaultFont(f);
    QTextCursor c(doc.get());
    c.insertText("bold by default ");
    QTextCharFormat off;
    off.setFontWeight(QFont::Normal);
    c.insertText("not bold", off);
    expect_round_trip(*doc);
}

TEST(RtfRoundTrip, ParagraphsAlignmentIndentsBulletsAndNumbers) {
    auto doc = make_doc();
    QTextCursor c(doc.get());
    c.insertText("left");
    QTextBlockFormat centre;
    centre.setAlignment(Qt::AlignHCenter);
    c.insertBlock(centre);
    c.insertText("centred");
    QTextBlockFormat right;
    right.setAlignment(Qt::AlignRight);
    c.insertBlock(right);
    c.insertText("right");
    QTextBlockFormat justify;
    justify.setAlignment(Qt::AlignJustify);
    c.insertBlock(justify);
    c.insertText("justified");
    QTextBlockFormat indented;
    indented.setAlignment(Qt::AlignLeft);
    indented.setLeftMargin(48);
    indented.setRightMargin(24);
    indented.setTextIndent(-16);
    c.insertBlock(indented);
    c.insertText("indented");
    c.insertBlock(QTextBlockFormat());
    QTextListFormat bullets;
    bullets.setStyle(QTextListFormat::ListDisc);
    c.createList(bullets);
    c.insertText("first bullet");
    c.insertBlock();
    c.insertText("second bullet");
    QTextBlockFormat plain;
    plain.setAlignment(Qt::AlignLeft);
    c.insertBlock(plain);
    c.insertText("");  // an empty line between
    c.insertBlock(plain);
    QTextListFormat numbers;
    numbers.setStyle(QTextListFormat::ListDecimal);
    c.createList(numbers);
    c.insertText("one");
    c.insertBlock();
    c.insertText("two");
    c.insertBlock(plain);
    c.insertText("after");
    expect_round_trip(*doc);
}

TEST(RtfRoundTrip, SpecialCharactersAndSeparators) {
    auto doc = make_doc();
    QTextCursor c(doc.get());
    c.insertText(QString::fromUtf8("a|b~c \\ {braces} tab\there"));
    c.insertText(QString(QChar::LineSeparator) + "next line");
    c.insertBlock();
    c.insertText(QString::fromUtf8("café naïve €5 „quotes“ – "));
    // Text outside the document's code page is read back with the character set of the font
    // entry the writer gave it.
    QTextCharFormat japanese;
    japanese.setProperty(kCharsetProperty, 128);
    c.insertText(QString::fromUtf8("日本語 \U0001F600 ±"), japanese);
    c.insertBlock();
    c.insertText("");  // trailing empty paragraph
    expect_round_trip(*doc);
}

TEST(RtfRoundTrip, EmptyDocument) {
    auto doc = make_doc();
    QTextDocument back;
    back.setDefaultFont(doc->defaultFont());
    read_rtf(write_rtf(*doc), back);
    EXPECT_EQ(back.toPlainText(), QString());
    EXPECT_EQ(back.blockCount(), 1);
}

TEST(RtfWriter, WritesTheRichEditForm) {
    auto doc = make_doc();
    QTextCursor c(doc.get());
    c.insertText("Hello ");
    QTextCharFormat red;
    red.setForeground(QColor(255, 0, 0));
    red.setFontWeight(QFont::Bold);
    c.insertText("world", red);
    std::string rtf = write_rtf(*doc);
    EXPECT_EQ(rtf,
              "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1033{\\fonttbl{\\f0\\fnil\\fcharset0 "
              "Arial;}}\r\n{\\colortbl ;\\red255\\green0\\blue0;}\r\n\\viewkind4\\uc1\\pard\\f0"
              "\\fs20 Hello \\cf1\\b world\\par\r\n}\r\n");
}

TEST(RtfWriter, BulletsAsRichEditWritesThem) {
    auto doc = make_doc();
    QTextCursor c(doc.get());
    QTextListFormat bullets;
    bullets.setStyle(QTextListFormat::ListDisc);
    c.createList(bullets);
    c.insertText("one");
    c.insertBlock();
    c.insertText("two");
    std::string rtf = write_rtf(*doc);
    EXPECT_NE(rtf.find("{\\f1\\fnil\\fcharset2 Symbol;}"), std::string::npos) << rtf;
    EXPECT_NE(rtf.find("\\pard{\\pntext\\f1\\'b7\\tab}{\\*\\pn\\pnlvlblt\\pnf1\\pnindent0{\\pntxtb"
                       "\\'b7}}\\f0\\fs20 one\\par\r\n{\\pntext\\f1\\'b7\\tab}two\\par"),
              std::string::npos)
        << rtf;
}

TEST(RtfWriter, OutputIsSevenBitAndFreeOfSeparators) {
    auto doc = make_doc();
    QFont f = doc->defaultFont();
    f.setFamily("Odd|Face~Name");
    doc->setDefaultFont(f);
    QTextCursor c(doc.get());
    c.insertText(QString::fromUtf8("x|y~z é ж 中 \U0001F600 ||~~"));
    std::string rtf = write_rtf(*doc);
    for (char ch : rtf) {
        EXPECT_TRUE(static_cast<unsigned char>(ch) < 0x80) << rtf;
        EXPECT_NE(ch, '|') << rtf;
        EXPECT_NE(ch, '~') << rtf;
    }
    // Characters of other code pages go out as their bytes in a font entry of that page.
    EXPECT_NE(rtf.find("x\\'7cy\\'7ez \\'e9 \\f1\\'84\\'77 \\'92\\'86 \\u-10179?\\u-8704? "
                       "\\'7c\\'7c\\'7e\\'7e"),
              std::string::npos)
        << rtf;
}

TEST(RtfWriter, CyrillicFontWritesItsOwnCodePage) {
    auto doc = make_doc();
    QTextCursor c(doc.get());
    QTextCharFormat cyr;
    cyr.setFontFamilies({"Arial CYR"});
    cyr.setProperty(kCharsetProperty, 204);
    c.insertText(QString::fromUtf8("Жж"), cyr);
    std::string rtf = write_rtf(*doc);
    EXPECT_NE(rtf.find("{\\f1\\fnil\\fcharset204 Arial CYR;}"), std::string::npos) << rtf;
    EXPECT_NE(rtf.find("\\'c6\\'e6"), std::string::npos) << rtf;
}

}  // namespace
}  // namespace kd
