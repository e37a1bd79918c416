// The real korvadesk program with a settings file copied from a Windows copy: a Windows-1252
// title comes back with its letters, a Cyrillic body written as code-page bytes stays within
// its record, and typing past the record's capacity shows the message and loses nothing.
#include <gtest/gtest.h>
#include <signal.h>

#include <QStringEncoder>
#include <QTextDocument>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "note/note_body.h"
#include "platform/paths.h"
#include "platform/profile_file.h"
#include "richtext/rtf_reader.h"
#include "store/note_store.h"
#include "support/app_paths_in.h"
#include "support/error_recorder.h"
#include "support/program_runner.h"
#include "themes/builtin_themes.h"

namespace kd {
namespace {

using namespace std::chrono_literals;

// Cyrillic words, `letters` letters in all.
QString cyrillic(int letters) {
    QString out;
    for (int i = 0; i < letters; ++i) {
        out += QChar(char16_t(0x0430 + (i * 11) % 32));
        if (i % 6 == 5)
            out += ' ';
    }
    return out;
}

// The body as a Windows copy stores it: \'hh bytes under \ansicpg1251.
std::string windows_body(const QString& text) {
    QByteArray bytes = QStringEncoder("windows-1251")(text);
    std::string rtf =
        "{\\rtf1\\ansi\\ansicpg1251\\deff0\\deflang1049{\\fonttbl{\\f0\\fnil\\fcharset204 "
        "Arial;}}\r\n\\viewkind4\\uc1\\pard\\f0\\fs20 ";
    char hex[8];
    for (char b : bytes) {
        std::snprintf(hex, sizeof hex, "\\'%02x", unsigned(static_cast<unsigned char>(b)));
        rtf += static_cast<unsigned char>(b) < 0x80 ? std::string(1, b) : std::string(hex);
    }
    return rtf + "\\par\r\n}\r\n";
}

class BodyCapacityRun : public test::ProgramTest {
protected:
    BodyCapacityRun() : ProgramTest("/tmp/kd-capacity-XXXXXX", true) {}
    void SetUp() override {
        ProgramTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        set_app_paths(dirs_.store_paths());
    }
    void TearDown() override {
        ProgramTest::TearDown();
        set_app_paths({});
    }
};

TEST_F(BodyCapacityRun, WindowsTitleAndFullCyrillicBodyTypingPastTheCapacity) {
    // About 10,200 bytes once written by the program: a few more letters do not fit.
    QString text;
    {
        int letters = 2300;
        for (;; letters += 10) {
            NoteBody probe;
            probe.set_rtf(windows_body(cyrillic(letters)));
            if (body_to_stored(probe.get_rtf()).size() > kLongestStoredBody - 40)
                break;
        }
        text = cyrillic(letters);
    }
    NoteRecord r = builtin_theme_record(builtin_themes()[0]);
    r.NoteID = 1;
    r.EditFont = "DejaVu Sans";
    r.EditFontSize = 10;
    r.Left = 40;
    r.Top = 40;
    r.Width = 400;
    r.Height = 300;
    r.Minimized = "No";
    r.Hidden = "No";
    r.EditText = windows_body(text);
    ASSERT_LE(body_to_stored(r.EditText).size(), kLongestStoredBody);
    ASSERT_TRUE(NoteStore(app_paths(), test::store_errors()).write_record(r));
    ASSERT_TRUE(NoteStore(app_paths(), test::store_errors())
                    .settings()
                    .set_number(Setting::NumberOfNotes, 1));
    // The title as a Windows copy writes it.
    ASSERT_TRUE(ProfileFile::write(dirs_.ini, "NOTE_ID_1", "TitleText", "Caf\xE9 \xC4pfel"));

    const pid_t pid = launch();
    ASSERT_TRUE(test::wait_windows(pid, 1)) << "the note comes back";
    const std::string note = test::visible_windows(pid).front();
    std::this_thread::sleep_for(500ms);
    // No window manager on the test display: a click gives the note the focus.
    ASSERT_EQ(std::system(
                  ("xdotool mousemove --window " + note + " 200 200 click 1 sleep 0.3 key ctrl+End")
                      .c_str()),
              0);
    // Letters one key at a time, each once the last was taken: the first few fit, the one
    // past the capacity brings the message.
    bool shown = false;
    for (int i = 0; i < 40 && !shown; ++i) {
        ASSERT_EQ(std::system("xdotool type x"), 0);
        shown = test::wait_windows(pid, 2, 300ms);
    }
    ASSERT_TRUE(shown || test::wait_windows(pid, 2)) << "the message is shown";
    if (const char* shot = std::getenv("KD_SHOT"))
        std::system(("import -window root " + std::string(shot)).c_str());
    // Without a window manager the box may not hold the keyboard focus: give it the focus,
    // then Return.
    std::string box;
    for (const std::string& w : test::visible_windows(pid))
        if (w != note)
            box = w;
    ASSERT_FALSE(box.empty());
    ASSERT_EQ(std::system(("xdotool windowfocus --sync " + box + " key Return").c_str()), 0);
    if (!test::wait_windows(pid, 1)) {
        std::system("import -window root /tmp/kd-capacity-fail.png");
        for (const std::string& w : test::visible_windows(pid))
            std::fprintf(stderr, "window %s: %s\n", w.c_str(),
                         test::run_output("xdotool getwindowname " + w).c_str());
        FAIL() << "one message, closed with Return";
    }

    ::kill(pid, SIGTERM);
    ASSERT_EQ(test::wait_exit(pid, 10s), 0);
    ProfileFile::clear_cache();
    NoteRecord saved;
    ASSERT_TRUE(NoteStore(app_paths(), test::store_errors()).read_record(1, saved));
    EXPECT_EQ(saved.TitleText, "Café Äpfel");
    EXPECT_LE(body_to_stored(saved.EditText).size(), kLongestStoredBody);
    EXPECT_EQ(saved.EditText.find("\\u10"), std::string::npos) << "letters as bytes, not \\uN";
    QTextDocument doc;
    read_rtf(saved.EditText, doc);
    QString back = doc.toPlainText();
    ASSERT_TRUE(back.startsWith(text)) << "nothing that was there is lost";
    QString typed = back.mid(text.size());
    EXPECT_GT(typed.size(), 0);
    EXPECT_LT(typed.size(), 40);
    EXPECT_EQ(typed, QString(typed.size(), QChar('x')));
}

}  // namespace
}  // namespace kd
