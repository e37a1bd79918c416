// Bodies in other scripts survive load, save and reload as the settings file holds them, and
// stay within the record's capacity; a change that would not fit is taken back.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QMimeData>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCursor>

#include "note/note_body.h"
#include "platform/paths.h"
#include "store/note_store.h"
#include "support/app_paths_in.h"
#include "support/error_recorder.h"

namespace kd {
namespace {

// Words of 2 to 8 letters taken in turn from `letters`, `count` letters in all.
QString words_of(const QString& letters, int count) {
    QString out;
    unsigned seed = 7;
    int word = 0;
    for (int i = 0; i < count; ++i) {
        seed = seed * 1103515245u + 12345u;
        out += letters[qsizetype((seed >> 16) % unsigned(letters.size()))];
        if (++word == 2 + int((seed >> 8) % 7) && i + 1 < count) {
            out += ' ';
            word = 0;
        }
    }
    return out;
}

QString range(char16_t first, char16_t last) {
    QString out;
    for (char16_t c = first; c <= last; ++c)
        out += QChar(c);
    return out;
}

struct Script {
    const char* name;
    QString text;
    const char* converter;  // the code page as the system's converters name it
    int ansi_code_page;
    int charset;
};

std::vector<Script> scripts() {
    QString greek = range(u'\u03B1', u'\u03C9') + QString::fromUtf8("άέήίόύώΑΒΓΔΩ");
    QString japanese = range(u'\u3041', u'\u3093') + range(u'\u30A1', u'\u30F3') +
                       QString::fromUtf8("日本語文字漢字学校先生時間今年会社電話名前言葉");
    QString chinese = QString::fromUtf8("们这个说时国会学来对生到发作里后过没么样还经长问");
    return {
        {"Cyrillic", words_of(range(u'\u0430', u'\u044F') + range(u'\u0410', u'\u042F'), 2000),
         "windows-1251", 1251, 204},
        {"Greek", words_of(greek, 2000), "windows-1253", 1253, 161},
        {"Japanese", words_of(japanese, 1000), "windows-31j", 932, 128},
        {"Chinese", words_of(chinese, 1000), "windows-936", 936, 134},
    };
}

// The body as a Windows copy writes it: \'hh bytes of its code page under its charset.
std::string bytes_form(const Script& s) {
    QStringEncoder encoder(s.converter);
    QByteArray bytes = encoder(s.text);
    EXPECT_FALSE(encoder.hasError()) << s.name;
    std::string rtf = "{\\rtf1\\ansi\\ansicpg" + std::to_string(s.ansi_code_page) +
                      "\\deff0\\deflang1033{\\fonttbl{\\f0\\fnil\\fcharset" +
                      std::to_string(s.charset) + " Arial;}}\r\n\\viewkind4\\uc1\\pard\\f0\\fs20 ";
    char hex[8];
    for (char b : bytes) {
        std::snprintf(hex, sizeof hex, "\\'%02x", unsigned(static_cast<unsigned char>(b)));
        // Trail bytes in the ASCII range go as plain text, as office suites write them;
        // the RTF specials and the separators of the settings file cannot.
        bool plain = static_cast<unsigned char>(b) < 0x80 &&
                     std::string_view("\\{}|~").find(b) == std::string_view::npos;
        rtf += plain ? std::string(1, b) : std::string(hex);
    }
    return rtf + "\\par\r\n}\r\n";
}

// The same body as \uN? escapes in a default font.
std::string unicode_form(const Script& s) {
    std::string rtf =
        "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1033{\\fonttbl{\\f0\\fnil\\fcharset0 "
        "Arial;}}\r\n\\viewkind4\\uc1\\pard\\f0\\fs20 ";
    for (QChar c : s.text) {
        if (c.unicode() < 0x80)
            rtf += char(c.unicode());
        else
            rtf += "\\u" + std::to_string(int(std::int16_t(c.unicode()))) + "?";
    }
    return rtf + "\\par\r\n}\r\n";
}

// Where two texts part, for a readable failure.
std::string first_difference(const QString& got, const QString& want) {
    qsizetype i = 0;
    while (i < got.size() && i < want.size() && got[i] == want[i])
        ++i;
    if (i == got.size() && i == want.size())
        return "same";
    return "at " + std::to_string(i) + ": got \"" + got.mid(i, 12).toStdString() + "\", want \"" +
           want.mid(i, 12).toStdString() + "\"";
}

class NoteBodyScriptsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        set_app_paths(test::app_paths_in(dir.path().toStdString()));
    }
    void TearDown() override { set_app_paths({}); }

    static NoteRecord record_with(const std::string& body) {
        NoteRecord r;
        r.NoteID = 1;
        r.EditFont = "Arial";
        r.EditFontSize = 10;
        r.EditBackColor = 0xFFFFFF;
        r.EditText = body;
        return r;
    }

    QTemporaryDir dir;
};

TEST_F(NoteBodyScriptsTest, EveryCharacterSurvivesThreeRestartsAndStaysLean) {
    for (const Script& s : scripts()) {
        const std::string lean = bytes_form(s);
        for (const std::string& written : {lean, unicode_form(s)}) {
            SCOPED_TRACE(std::string(s.name) + (written == lean ? " as bytes" : " as \\uN"));
            // The \uN form of these bodies is longer than a record holds (it comes from a
            // message or a paste): the first load takes it as it is.
            std::string first = written;
            if (body_to_stored(written).size() <= kLongestStoredBody) {
                ASSERT_TRUE(NoteStore(app_paths(), test::store_errors())
                                .write_record(record_with(written)));
                NoteRecord loaded;
                ASSERT_TRUE(NoteStore(app_paths(), test::store_errors()).read_record(1, loaded));
                first = loaded.EditText;
            }
            NoteBody body;
            body.set_rtf(first);
            ASSERT_EQ(first_difference(body.toPlainText(), s.text), "same") << first;
            NoteRecord saved = record_with(body.get_rtf());
            EXPECT_LE(body_to_stored(saved.EditText).size(), lean.size() + lean.size() / 10)
                << saved.EditText.substr(0, 400);
            for (int restart = 1; restart <= 3; ++restart) {
                ASSERT_TRUE(NoteStore(app_paths(), test::store_errors()).write_record(saved));
                ASSERT_TRUE(NoteStore(app_paths(), test::store_errors()).read_record(1, saved));
                NoteBody again;
                again.set_rtf(saved.EditText);
                ASSERT_EQ(first_difference(again.toPlainText(), s.text), "same")
                    << "restart " << restart;
                saved.EditText = again.get_rtf();
            }
        }
    }
}

TEST_F(NoteBodyScriptsTest, ChangeThatWouldNotFitIsTakenBackWithOneMessage) {
    std::vector<QString> told;
    NoteBody body;
    body.set_notifier([&](const QString& text) { told.push_back(text); });
    // Close to the capacity: 2,400 Cyrillic letters take about 9,700 bytes.
    QString start = words_of(range(u'\u0430', u'\u044F'), 2400);
    body.insertPlainText(start);
    QApplication::processEvents();
    ASSERT_TRUE(told.empty());
    ASSERT_LE(body_to_stored(body.get_rtf()).size(), kLongestStoredBody);

    // A short addition that fits stays.
    body.insertPlainText("ok");
    QApplication::processEvents();
    EXPECT_TRUE(told.empty());
    EXPECT_EQ(body.toPlainText(), start + "ok");

    // A paste of 400 more letters does not fit: all of it goes, nothing before it does.
    body.insertPlainText(words_of(range(u'\u0430', u'\u044F'), 400));
    QApplication::processEvents();
    ASSERT_EQ(told.size(), 1u);
    EXPECT_TRUE(told[0].startsWith("This note is full"));
    EXPECT_EQ(body.toPlainText(), start + "ok");
    EXPECT_EQ(body.textCursor().position(), start.size() + 2);
    EXPECT_LE(body_to_stored(body.get_rtf()).size(), kLongestStoredBody);

    // Typing on goes on being refused, one message per change.
    QTest::keyClicks(&body, "");
    body.insertPlainText(QString(3000, QChar('x')));
    QApplication::processEvents();
    EXPECT_EQ(told.size(), 2u);
    EXPECT_EQ(body.toPlainText(), start + "ok");
}

TEST_F(NoteBodyScriptsTest, BodyThatCameInTooLongMayShrinkButNotGrow) {
    std::vector<QString> told;
    NoteBody body;
    body.set_notifier([&](const QString& text) { told.push_back(text); });
    body.set_rtf("{\\rtf1 " + std::string(12000, 'w') + "}");
    QTextCursor c = body.textCursor();
    c.movePosition(QTextCursor::End);
    c.deletePreviousChar();
    body.setTextCursor(c);
    QApplication::processEvents();
    EXPECT_TRUE(told.empty());
    EXPECT_EQ(body.toPlainText().size(), 11999);
    body.insertPlainText("ab");
    QApplication::processEvents();
    EXPECT_EQ(told.size(), 1u);
    EXPECT_EQ(body.toPlainText().size(), 11999);
}

TEST_F(NoteBodyScriptsTest, BodyCutInTheFileLoadsAsFarAsItGoes) {
    std::string rtf = unicode_form(scripts()[0]);
    NoteBody body;
    body.set_rtf(rtf.substr(0, 6000));
    EXPECT_GT(body.toPlainText().size(), 800);  // 7 bytes a letter
    EXPECT_TRUE(scripts()[0].text.startsWith(body.toPlainText()));
}

TEST_F(NoteBodyScriptsTest, PastedPicturesAreLeftOutWithOneMessage) {
    std::vector<QString> told;
    NoteBody body;
    body.set_notifier([&](const QString& text) { told.push_back(text); });
    body.show();

    auto* mime = new QMimeData;
    QImage picture(8, 8, QImage::Format_RGB32);
    picture.fill(Qt::red);
    mime->setImageData(picture);
    mime->setHtml("<p>before <b>bold</b><img src=\"data:image/png;base64,AAAA\"> after</p>");
    mime->setText("before bold after");
    QApplication::clipboard()->setMimeData(mime);
    body.paste_command();
    QApplication::processEvents();
    EXPECT_EQ(body.toPlainText(), "before bold after");
    EXPECT_FALSE(body.toPlainText().contains(QChar::ObjectReplacementCharacter));
    ASSERT_EQ(told.size(), 1u);
    EXPECT_TRUE(told[0].startsWith("Pictures are not kept"));

    // Text without pictures pastes as before, silently.
    auto* text = new QMimeData;
    text->setText(" more");
    QApplication::clipboard()->setMimeData(text);
    body.paste_command();
    QApplication::processEvents();
    EXPECT_EQ(body.toPlainText(), "before bold after more");
    EXPECT_EQ(told.size(), 1u);
}

}  // namespace
}  // namespace kd
