// Reading what other programs write: rich-edit 1.0 and 2.0+, WordPad and LibreOffice, plus
// malformed input, which must never hang, crash or lose what can be read.
#include <gtest/gtest.h>

#include <QTextBlock>
#include <QTextDocument>
#include <QTextList>

#include "richtext/rtf_document.h"
#include "richtext/rtf_reader.h"
#include "support/rtf_test_support.h"

namespace kd {
namespace {

struct Read {
    std::unique_ptr<QTextDocument> doc = test::make_doc();
    bool is_rtf = false;
    explicit Read(std::string_view rtf, int charset = 0) {
        is_rtf = read_rtf(rtf, *doc, {charset});
    }
    QString text() const { return doc->toPlainText(); }
    QTextBlock block(int n) const { return doc->findBlockByNumber(n); }
    // Format of the character at `pos` of the whole text.
    QTextCharFormat at(int pos) const {
        QTextBlock b = doc->findBlock(pos);
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            QTextFragment f = it.fragment();
            if (pos >= f.position() && pos < f.position() + f.length())
                return f.charFormat();
        }
        return {};
    }
    int find(const char* s) const { return int(text().indexOf(QString::fromUtf8(s))); }
};

TEST(RtfReader, RichEdit1Sample) {
    // Rich-edit 1.0: no \ansicpg, font table without \fcharset on some entries.
    Read r(
        "{\\rtf1\\ansi\\deff0\\deftab720{\\fonttbl{\\f0\\fswiss MS Sans Serif;}"
        "{\\f1\\froman\\fcharset2 Symbol;}{\\f2\\fswiss Arial;}}\r\n"
        "{\\colortbl\\red0\\green0\\blue0;\\red255\\green0\\blue0;}\r\n"
        "\\deflang1033\\pard\\plain\\f2\\fs20\\b Bold\\plain\\f2\\fs20  and \\plain\\f2\\fs20"
        "\\cf1 red\\plain\\f2\\fs20  \\'e9t\\'e9\r\n\\par }");
    EXPECT_TRUE(r.is_rtf);
    EXPECT_EQ(r.text(), QString::fromUtf8("Bold and red été"));
    EXPECT_EQ(r.at(0).fontWeight(), QFont::Bold);
    EXPECT_FALSE(r.at(r.find("and")).hasProperty(QTextFormat::FontWeight));
    EXPECT_EQ(r.at(r.find("red")).foreground().color(), QColor(255, 0, 0));
    // The first colour-table entry is black here, not automatic: \cf0 text has no colour of its
    // own.
    EXPECT_FALSE(r.at(0).hasProperty(QTextFormat::ForegroundBrush));
}

TEST(RtfReader, RichEdit2SampleWithGeneratorLangAndTrailingNul) {
    std::string rtf =
        "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1033{\\fonttbl{\\f0\\fnil\\fcharset0 Arial;}"
        "{\\f1\\fnil\\fcharset0 Courier New;}}\r\n{\\colortbl ;\\red0\\green128\\blue0;}\r\n"
        "{\\*\\generator Msftedit 5.41.21.2510;}\\viewkind4\\uc1\\pard\\qc\\lang1033\\f0\\fs28 "
        "Title\\par\r\n\\pard\\cf1\\i\\f1\\fs20 code\\cf0\\i0\\f0  \\u8364?5 \\highlight1 mark"
        "\\highlight0\\par\r\n}\r\n";
    rtf.push_back('\0');
    Read r(rtf);
    EXPECT_EQ(r.text(), QString::fromUtf8("Title\ncode €5 mark"));
    EXPECT_EQ(r.block(0).blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    EXPECT_EQ(r.block(1).blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignLeft);
    EXPECT_EQ(r.at(0).fontPointSize(), 14);
    QTextCharFormat code = r.at(r.find("code"));
    EXPECT_EQ(code.fontFamilies().toStringList(), QStringList{"Courier New"});
    EXPECT_TRUE(code.fontItalic());
    EXPECT_EQ(code.foreground().color(), QColor(0, 128, 0));
    EXPECT_FALSE(r.at(r.find("€")).hasProperty(QTextFormat::FontPointSize));  // 10 pt = default
    EXPECT_EQ(r.at(r.find("mark")).background().color(), QColor(0, 128, 0));
}

TEST(RtfReader, WordPadBulletsAndIndents) {
    Read r(
        "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1033{\\fonttbl{\\f0\\fswiss\\fcharset0 "
        "Arial;}{\\f1\\fnil\\fcharset2 Symbol;}}\r\n{\\*\\generator Msftedit 5.41.15.1515;}"
        "\\viewkind4\\uc1\\pard\\f0\\fs20 Shopping:\\par\r\n"
        "\\pard{\\pntext\\f1\\'B7\\tab}{\\*\\pn\\pnlvlblt\\pnf1\\pnindent0{\\pntxtb\\'B7}}"
        "\\fi-720\\li720 milk\\par\r\n{\\pntext\\f1\\'B7\\tab}bread\\par\r\n"
        "\\pard{\\pntext\\f0 1.\\tab}{\\*\\pn\\pnlvlbody\\pnf0\\pnindent0\\pnstart1\\pndec"
        "{\\pntxta.}}\\fi-360\\li360 first\\par\r\n{\\pntext\\f0 2.\\tab}second\\par\r\n"
        "\\pard\\li1440\\ri720 quoted\\par\r\n\\pard\\qr right\\par\r\n}\r\n");
    EXPECT_EQ(r.text(), QString::fromUtf8("Shopping:\nmilk\nbread\nfirst\nsecond\nquoted\nright"));
    EXPECT_EQ(r.block(0).textList(), nullptr);
    ASSERT_NE(r.block(1).textList(), nullptr);
    EXPECT_EQ(r.block(1).textList(), r.block(2).textList());
    EXPECT_EQ(r.block(1).textList()->format().style(), QTextListFormat::ListDisc);
    EXPECT_EQ(pixels_to_twips(r.block(1).blockFormat().leftMargin()), 720);
    EXPECT_EQ(pixels_to_twips(r.block(1).blockFormat().textIndent()), -720);
    ASSERT_NE(r.block(3).textList(), nullptr);
    EXPECT_EQ(r.block(3).textList()->format().style(), QTextListFormat::ListDecimal);
    EXPECT_EQ(r.block(4).textList(), r.block(3).textList());
    EXPECT_EQ(r.block(5).textList(), nullptr);
    EXPECT_EQ(pixels_to_twips(r.block(5).blockFormat().leftMargin()), 1440);
    EXPECT_EQ(pixels_to_twips(r.block(5).blockFormat().rightMargin()), 720);
    EXPECT_EQ(r.block(6).blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight);
}

TEST(RtfReader, LibreOfficeSample) {
    // Stylesheet, info, list tables, \uc with two fallback bytes, fields, \ls lists.
    Read r(
        "{\\rtf1\\ansi\\deff3\\adeflang1025\r\n"
        "{\\fonttbl{\\f0\\froman\\fprq2\\fcharset0 Times New Roman;}{\\f1\\froman\\fprq2"
        "\\fcharset2 Symbol;}{\\f3\\fswiss\\fprq2\\fcharset0 Liberation Sans{\\*\\falt Arial};}"
        "{\\f4\\fnil\\fprq2\\fcharset238 DejaVu Sans;}}\r\n"
        "{\\colortbl;\\red0\\green0\\blue0;\\red0\\green0\\blue255;}\r\n"
        "{\\stylesheet{\\s0\\snext0\\hich\\af3\\loch\\f3\\fs24 Normal;}{\\*\\cs15\\cf2 Link;}}\r\n"
        "{\\*\\listtable{\\list\\listtemplateid1{\\listlevel\\levelnfc23{\\leveltext \\'01\\u8226 "
        "?;}"
        "{\\levelnumbers;}\\fi-360\\li720}\\listid1}}{\\*\\listoverridetable{\\listoverride"
        "\\listid1\\listoverridecount0\\ls1}}\r\n"
        "{\\info{\\creatim\\yr2024\\mo1\\dy2}{\\author Someone}}{\\*\\generator "
        "LibreOffice/7.4}\r\n"
        "\\deftab709\\viewscale100\\formshade\\paperh16838\\paperw11906\r\n"
        "\\pgndec\\pard\\plain \\s0\\rtlch\\af3\\afs24 \\ltrch\\hich\\af3\\loch\\f3\\fs24 "
        "{\\rtlch \\ltrch\\loch Na\\uc2 \\u239\\'3f\\'3fve }{\\b\\loch bold}\\par\r\n"
        "\\pard\\plain \\ls1\\fi-360\\li720{\\listtext\\pard\\plain \\u8226\\'95\\tab}"
        "{\\rtlch \\ltrch\\loch item}\\par\r\n"
        "\\pard\\plain {\\field{\\*\\fldinst HYPERLINK \"http://example.org/\"}"
        "{\\fldrslt {\\cf2\\ul\\ulc0 example}}}{\\f4\\fs24  \\'b9\\'e8}\\par\r\n"
        "\\pard\\plain {\\*\\bkmkstart x}{\\*\\bkmkend x}{\\*\\unknownthing skipped}"
        "{\\pict\\pngblip\\picw10 89504e47}{\\object{\\*\\objdata 0102}{\\result shown}}\\par}");
    EXPECT_EQ(r.text(), QString::fromUtf8("Naïve bold\nitem\nexample ąč\nshown"));
    // Liberation Sans is the default font (\deff3) and 12 pt.
    QTextCharFormat first = r.at(0);
    EXPECT_EQ(first.fontFamilies().toStringList(), QStringList{"Liberation Sans"});
    EXPECT_EQ(first.fontPointSize(), 12);
    EXPECT_EQ(r.at(r.find("bold")).fontWeight(), QFont::Bold);
    ASSERT_NE(r.block(1).textList(), nullptr);
    EXPECT_EQ(r.at(r.find("example")).foreground().color(), QColor(0, 0, 255));
    EXPECT_TRUE(r.at(r.find("example")).fontUnderline());
    EXPECT_EQ(r.at(r.find("ą")).intProperty(kCharsetProperty), 238);
}

TEST(RtfReader, CodePages) {
    Read cyr(
        "{\\rtf1\\ansi\\ansicpg1251\\deff0{\\fonttbl{\\f0\\fnil Arial;}}\\f0 "
        "\\'cf\\'f0\\'e8\\par}");
    EXPECT_EQ(cyr.text(), QString::fromUtf8("При"));
    Read unknown("{\\rtf1\\ansi\\ansicpg9999\\deff0 \\'e9\\'80\\par}");
    EXPECT_EQ(unknown.text(), QString::fromUtf8("é€"));
    Read raw_high("{\\rtf1\\ansi \xe9t\xe9}");  // 8-bit bytes written without escaping
    EXPECT_EQ(raw_high.text(), QString::fromUtf8("été"));
    Read unused("{\\rtf1\\ansi \\'81}");  // a byte 1252 leaves empty is kept as it is
    EXPECT_EQ(unused.text(), QString(QChar(0x81)));
}

TEST(RtfReader, UnicodeSkippingAndSpecialWords) {
    Read r(
        "{\\rtf1\\ansi\\uc1 a\\u1078?b\\uc0\\u1079  c{\\uc3\\u1080 xyzd}e\\uc1\\u-10179?"
        "\\u-8704?\\emdash\\endash\\bullet\\lquote\\rquote\\ldblquote\\rdblquote\\~\\tab\\line "
        "\\{\\}\\\\\\u65536?\\u0?\\u-40000?f}");
    EXPECT_EQ(r.doc->toRawText(),
              QString::fromUtf8("aжbз cиde\U0001F600—–•‘’“”\u00A0\t\u2028{}\\f"));
}

TEST(RtfReader, BinDataIsSkippedWithoutTakingBracesForGroups) {
    std::string rtf = "{\\rtf1\\ansi a{\\*\\blob\\bin6 }}}{{{}b\\par}";
    Read r(rtf);
    EXPECT_EQ(r.text(), "ab");
}

TEST(RtfReader, PlainTextIsTakenAsText) {
    Read utf8("Hello\r\nw\xc3\xb6rld");
    EXPECT_FALSE(utf8.is_rtf);
    EXPECT_EQ(utf8.text(), QString::fromUtf8("Hello\nwörld"));
    Read latin("caf\xe9");
    EXPECT_EQ(latin.text(), QString::fromUtf8("café"));
    Read empty("");
    EXPECT_EQ(empty.text(), QString());
}

TEST(RtfReader, MalformedInputKeepsWhatCanBeRead) {
    EXPECT_EQ(Read("{\\rtf1\\ansi unclosed {\\b group").text(), "unclosed group");
    EXPECT_EQ(Read("{\\rtf1 early} after").text(), "early");
    EXPECT_EQ(Read("{\\rtf1 a\\").text(), "a");
    EXPECT_EQ(Read("{\\rtf1 a\\'").text(), "a");
    EXPECT_EQ(Read("{\\rtf1 a\\'zz\\'4").text(), "azz\x04");
    EXPECT_EQ(Read("{\\rtf1 \\fs99999999999999999999 big\\li-99999999999  x}").text(), "big x");
    EXPECT_EQ(Read("{\\rtf1 \\bin999999999 lost}").text(), "");
    EXPECT_EQ(Read("{\\rtf1 \\cf99\\highlight-3\\f77 odd indexes}").text(), "odd indexes");
    EXPECT_EQ(Read("{\\rtf1 \\uc999999\\u20 x}").text(), "\x14");
    EXPECT_EQ(Read("{\\rtf1{\\fonttbl{\\f0 Unterminated").text(), "");
    EXPECT_EQ(Read(std::string(40, '\\')).text(), std::string(40, '\\').c_str());
}

TEST(RtfReader, DeepNestingIsBounded) {
    std::string deep = "{\\rtf1 ";
    deep += std::string(100000, '{');
    deep += "\\b deep";
    deep += std::string(100000, '}');
    deep += " tail}";
    Read r(deep);
    EXPECT_EQ(r.text(), "deep tail");
    EXPECT_FALSE(r.at(r.find("tail")).hasProperty(QTextFormat::FontWeight));
}

}  // namespace
}  // namespace kd
