// Document -> RTF -> document round trips for every property the body can carry, and the
// shape of what the writer puts out.
#include <gtest/gtest.h>

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>

#include "richtext/rtf_document.h"
#include "richtext/rtf_reader.h"
#include "richtext/rtf_writer.h"
#include "support/rtf_test_support.h"

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

std::size_t occurrences(const std::string& text, const std::string& part) {
    std::size_t n = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++n;
    return n;
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

TEST(RtfRoundTrip, LongListsKeepTheirBulletsAndCountOn) {
    // Long runs of bullets are read into several lists, which changes neither the look nor
    // what is written; a numbered list stays one, so its numbers count on.
    std::string bullets = "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\pard{\\*\\pn\\pnlvlblt}";
    std::string numbers = "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\pard{\\*\\pn\\pnlvlbody\\pndec}";
    for (int i = 0; i < 300; ++i) {
        bullets += "x\\par ";
        numbers += "x\\par ";
    }
    auto doc = make_doc();
    ASSERT_TRUE(read_rtf(bullets + "}", *doc));
    for (int i = 0; i < 300; ++i) {
        const QTextList* list = doc->findBlockByNumber(i).textList();
        ASSERT_NE(list, nullptr) << i;
        EXPECT_EQ(list->format().style(), QTextListFormat::ListDisc);
    }
    const std::string written = write_rtf(*doc);
    EXPECT_EQ(occurrences(written, "{\\pntext\\f1\\'b7\\tab}"), 300u) << written.substr(0, 400);
    expect_round_trip(*doc);

    ASSERT_TRUE(read_rtf(numbers + "}", *doc));
    const QTextBlock last = doc->findBlockByNumber(299);
    ASSERT_NE(last.textList(), nullptr);
    EXPECT_EQ(last.textList()->itemNumber(last), 299);
    EXPECT_NE(write_rtf(*doc).find("{\\pntext\\f0 300.\\tab}"), std::string::npos);
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
    EXPECT_NE(rtf.find("x\\'7cy\\'7ez \\'e9 \\f1\\'e6 \\f2\\'92\\'86 \\u-10179?\\u-8704? "
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

TEST(RtfRoundTrip, HiddenTextAndSuperAndSubscriptAreKept) {
    const std::string in =
        "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fnil\\fcharset0 Arial;}}"
        "\\f0\\fs20 E = mc\\super 2\\nosupersub , H\\sub 2\\sub0 O{\\v secret|note}shown"
        "\\v  also hidden\\v0  end\\par}";
    std::string source = in;
    for (int pass = 1; pass <= 3; ++pass) {
        SCOPED_TRACE(pass);
        QTextDocument doc;
        doc.setDefaultFont(make_doc()->defaultFont());
        read_rtf(source, doc);
        QString text = doc.toPlainText();
        // Hidden text takes one object place each and shows nothing.
        EXPECT_EQ(
            text,
            QString("E = mc2, H2O%1shown%1 end").arg(QChar(QChar::ObjectReplacementCharacter)));
        QTextCursor c(&doc);
        c.setPosition(text.indexOf('2') + 1);
        EXPECT_EQ(c.charFormat().verticalAlignment(), QTextCharFormat::AlignSuperScript);
        c.setPosition(text.lastIndexOf('2') + 1);
        EXPECT_EQ(c.charFormat().verticalAlignment(), QTextCharFormat::AlignSubScript);
        c.setPosition(text.indexOf(QChar::ObjectReplacementCharacter) + 1);
        EXPECT_EQ(c.charFormat().objectType(), kHiddenTextObject);
        EXPECT_EQ(c.charFormat().property(kHiddenTextProperty).toString(), "secret|note");

        source = write_rtf(doc);
        EXPECT_NE(
            source.find("mc\\super 2\\nosupersub , H\\sub 2\\nosupersub O{\\v secret\\'7cnote}"
                        "shown{\\v  also hidden} end"),
            std::string::npos)
            << source;
    }
}

TEST(RtfRoundTrip, TextTypedNextToHiddenTextStaysVisible) {
    QTextDocument doc;
    read_rtf("{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 a{\\v secret}\\par}", doc);
    QTextCursor c(&doc);
    c.movePosition(QTextCursor::EndOfBlock);
    c.insertText("typed");  // with the format of the character before: the hidden object
    std::string rtf = write_rtf(doc);
    EXPECT_NE(rtf.find("a{\\v secret}typed\\par"), std::string::npos) << rtf;
    QTextDocument back;
    read_rtf(rtf, back);
    EXPECT_EQ(back.toPlainText(),
              QString("a%1typed").arg(QChar(QChar::ObjectReplacementCharacter)));
}

TEST(RtfReader, DoubleByteCodePages) {
    auto read = [](const std::string& body, int charset, int ansi) {
        QTextDocument doc;
        read_rtf("{\\rtf1\\ansi\\ansicpg" + std::to_string(ansi) +
                     "\\deff0{\\fonttbl{\\f0\\fnil\\fcharset0 Arial;}{\\f1\\fnil\\fcharset" +
                     std::to_string(charset) + " X;}}\\f1 " + body + "\\par}",
                 doc);
        return doc.toPlainText();
    };
    // Shift_JIS, second bytes as hex and as plain text (\'83e is "te").
    EXPECT_EQ(read("\\'82\\'a0\\'83e\\'93\\'fa\\'96\\'7b", 128, 1252),
              QString::fromUtf8("あテ日本"));
    // By the document's code page when the font says ANSI.
    EXPECT_EQ(read("\\'d6\\'d0\\'ce\\'c4", 0, 936), QString::fromUtf8("中文"));
    EXPECT_EQ(read("\\'c7\\'d1\\'b1\\'db", 129, 1252), QString::fromUtf8("한글"));
    EXPECT_EQ(read("\\'a4\\'a4\\'a4\\'e5", 136, 1252), QString::fromUtf8("中文"));
    // Half-width katakana are single bytes; a lead byte cut off by a control word is dropped.
    EXPECT_EQ(read("\\'b1\\'82\\b x", 128, 1252), QString::fromUtf8("ｱx"));
}

TEST(RtfWriter, OtherScriptsTakeOneFontEntryPerCodePage) {
    auto doc = make_doc();
    QTextCursor c(doc.get());
    c.insertText(
        QString::fromUtf8("abc Привет мир, café Ελλάδα 日本語です 한글 中文们 \U0001F600 x"));
    std::string rtf = write_rtf(*doc);
    // Spaces and punctuation stay in the page they follow; the text only changes font where
    // the page lacks a character.
    EXPECT_NE(
        rtf.find("\\fs20 abc \\f1\\'cf\\'f0\\'e8\\'e2\\'e5\\'f2 \\'ec\\'e8\\'f0, caf\\f0\\'e9 "
                 "\\f2\\'c5\\'eb\\'eb\\'dc\\'e4\\'e1 \\f3"),
        std::string::npos)
        << rtf;
    EXPECT_NE(rtf.find("{\\f1\\fnil\\fcharset204 Arial;}{\\f2\\fnil\\fcharset161 Arial;}"),
              std::string::npos)
        << rtf;
    EXPECT_NE(rtf.find("\\fcharset128 Arial;"), std::string::npos) << rtf;
    EXPECT_NE(rtf.find("\\fcharset134 Arial;"), std::string::npos) << rtf;
    EXPECT_NE(rtf.find("\\fcharset129 Arial;"), std::string::npos) << rtf;
    EXPECT_NE(rtf.find("\\u-10179?\\u-8704? x"), std::string::npos) << rtf;

    QTextDocument back;
    back.setDefaultFont(doc->defaultFont());
    read_rtf(rtf, back);
    EXPECT_EQ(back.toPlainText(), doc->toPlainText());
    EXPECT_EQ(write_rtf(back), rtf);
}

}  // namespace
}  // namespace kd
