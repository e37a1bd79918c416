// Spelling in the real korvadesk, with the system's en_US dictionary (hunspell-en-us) and
// LANG=en_US.UTF-8: a misspelt word shows red under it (read from the screen), none with
// CheckSpelling "No"; right-clicking the word with xdotool and taking the first suggestion puts
// the right word into the settings file.
#include <gtest/gtest.h>
#include <signal.h>

#include <QColor>
#include <QImage>
#include <QRect>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>

#include "platform/profile_file.h"
#include "store/note_store.h"
#include "support/app_paths_in.h"
#include "support/error_recorder.h"
#include "support/program_runner.h"
#include "support/wait_for.h"

namespace kd {
namespace {

using namespace std::chrono_literals;

bool run(const std::string& command) {
    return std::system(command.c_str()) == 0;
}

// Where the red pixels of the window lie (the wave is drawn smoothed, so pink counts; grey
// smoothing of black text does not); empty when there are none.
QRect red_area(const std::string& window) {
    const QImage shot = test::grab_window(window).convertToFormat(QImage::Format_RGB32);
    QRect area;
    for (int y = 0; y < shot.height(); ++y) {
        for (int x = 0; x < shot.width(); ++x) {
            const QColor c = shot.pixelColor(x, y);
            if (c.red() >= 160 && c.red() - c.green() >= 60 && c.red() - c.blue() >= 60) {
                area |= QRect(x, y, 1, 1);
            }
        }
    }
    return area;
}

// One environment variable set or unset for the test, put back afterwards.
class EnvironmentValue {
public:
    EnvironmentValue(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) {
            old_ = old;
        }
        value ? ::setenv(name, value, 1) : ::unsetenv(name);
    }
    ~EnvironmentValue() { old_ ? ::setenv(name_, old_->c_str(), 1) : ::unsetenv(name_); }

private:
    const char* name_;
    std::optional<std::string> old_;
};

class SpellingRun : public test::ProgramTest {
protected:
    SpellingRun() : ProgramTest("/tmp/kd-e2e-spell-XXXXXX", true) {}
    void SetUp() override {
        if (!std::filesystem::exists("/usr/share/hunspell/en_US.dic")) {
            GTEST_SKIP() << "hunspell-en-us is not installed";
        }
        ProgramTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        set_app_paths(dirs_.store_paths());
    }
    void TearDown() override {
        ProgramTest::TearDown();
        set_app_paths({});
    }

    std::string stored_body() {
        ProfileFile::clear_cache();
        NoteRecord r;
        NoteStore(app_paths(), test::store_errors()).read_record(1, r);
        return r.EditText;
    }

    // The program shows its one note; ended with SIGTERM by the caller.
    pid_t start(std::string& note) {
        const pid_t pid = launch();
        EXPECT_TRUE(test::wait_windows(pid, 1)) << "the note comes back";
        const std::vector<std::string> windows = test::visible_windows(pid);
        note = windows.empty() ? std::string() : windows.front();
        return pid;
    }

    EnvironmentValue lang_{"LANG", "en_US.UTF-8"};
    EnvironmentValue lc_all_{"LC_ALL", nullptr};
    EnvironmentValue lc_messages_{"LC_MESSAGES", nullptr};
};

TEST_F(SpellingRun, AMisspeltWordIsUnderlinedAndTheFirstSuggestionReplacesIt) {
    {
        StoreTransaction tx(app_paths().IniPath, test::store_errors());
        NoteRecord r;
        r.NoteID = 1;
        r.EditFont = "DejaVu Sans";
        r.EditFontSize = 16;
        r.EditBackColor = 0xFFFFFF;
        r.EditTextColor = 0;
        r.TitleText = "spelling";
        r.Left = 60;
        r.Top = 60;
        r.Width = 400;
        r.Height = 200;
        r.Minimized = "No";
        r.Hidden = "No";
        r.EditText = "{\\rtf1\\ansi We recieve it\\par}";
        tx.write_record(r);
        tx.set_number_of_notes(1);
        ASSERT_TRUE(tx.commit());
    }

    // Checking off: no red anywhere, however long the note is looked at.
    ASSERT_TRUE(ProfileFile::write(app_paths().IniPath, "KORVADESK", "CheckSpelling", "No"));
    std::string note;
    pid_t pid = start(note);
    ASSERT_FALSE(note.empty());
    std::this_thread::sleep_for(1500ms);
    EXPECT_TRUE(red_area(note).isEmpty()) << "nothing underlined with CheckSpelling No";
    ::kill(pid, SIGTERM);
    ASSERT_EQ(test::wait_exit(pid, 10s), 0);

    // On (nothing stored): the word is underlined once the dictionary is in.
    ASSERT_TRUE(
        ProfileFile::write(app_paths().IniPath, "KORVADESK", "CheckSpelling", std::nullopt));
    ProfileFile::clear_cache();
    pid = start(note);
    ASSERT_FALSE(note.empty());
    QRect red;
    // Under one word: a line a few pixels high, wider than a letter.
    const bool shown = test::wait_for([&] { return (red = red_area(note)).width() >= 30; }, 10s);
    ASSERT_TRUE(shown) << "the misspelt word shows red: " << red.x() << "," << red.y() << " "
                       << red.width() << "x" << red.height();
    EXPECT_LE(red.height(), 8);

    // The word is just above its underline.
    const QPoint word(red.center().x(), red.top() - 8);
    ASSERT_TRUE(run("xdotool mousemove --window " + note + " " + std::to_string(word.x()) + " " +
                    std::to_string(word.y()) + " click 3 sleep 0.8 key --delay 100 Down Return"));
    EXPECT_TRUE(test::wait_for(
        [&] {
            const std::string body = stored_body();
            return body.find("We receive it") != std::string::npos &&
                   body.find("recieve") == std::string::npos;
        },
        10s))
        << stored_body();
    EXPECT_TRUE(test::wait_for([&] { return red_area(note).isEmpty(); }, 5s))
        << "the right word is not underlined";

    ::kill(pid, SIGTERM);
    EXPECT_EQ(test::wait_exit(pid, 10s), 0);
}

}  // namespace
}  // namespace kd
