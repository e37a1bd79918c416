// The real korvadesk program saving a note through its body menu, driven with xdotool: the
// text as a ".txt" file, and the note as a picture that shows the window as drawn, made in a
// private folder whatever was planted in the start folder; and what it says when the module
// that makes JPEG and PNG pictures is missing.
#include <gtest/gtest.h>
#include <signal.h>

#include <QImage>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "platform/paths.h"
#include "platform/profile_file.h"
#include "store/note_store.h"
#include "support/app_paths_in.h"
#include "support/error_recorder.h"
#include "support/program_runner.h"
#include "support/wait_for.h"
#include "themes/builtin_themes.h"

namespace kd {
namespace {

using namespace std::chrono_literals;

bool run(const std::string& command) {
    return std::system(command.c_str()) == 0;
}

std::string file_text(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The program's folders for making pictures in `runtime`: each goes once its picture is
// copied to where the user asked, so until then the copy may be unfinished.
int picture_folders(const std::string& runtime) {
    int found = 0;
    for (const auto& entry : std::filesystem::directory_iterator(runtime))
        found += entry.path().filename().string().starts_with("korvadesk-") ? 1 : 0;
    return found;
}

// The same size and colour in every pixel (what else the images carry aside).
bool same_pixels(const QImage& a, const QImage& b) {
    if (a.size() != b.size())
        return false;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (qRgb(qRed(a.pixel(x, y)), qGreen(a.pixel(x, y)), qBlue(a.pixel(x, y))) !=
                qRgb(qRed(b.pixel(x, y)), qGreen(b.pixel(x, y)), qBlue(b.pixel(x, y))))
                return false;
    return true;
}

class NoteFilesRun : public test::ProgramTest {
protected:
    NoteFilesRun() : ProgramTest("/tmp/kd-files-XXXXXX", true) {}
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

    // Stores one shown note of the given theme, size and rich text as the program's only
    // note, on a port of its own.
    void store_one_note(int theme, const std::string& title, int left, int top, int width,
                        int height, const std::string& rtf) {
        NoteRecord r = builtin_theme_record(builtin_themes()[theme]);
        r.NoteID = 1;
        r.TitleText = title;
        r.Left = left;
        r.Top = top;
        r.Width = width;
        r.Height = height;
        r.Minimized = "No";
        r.Hidden = "No";
        r.EditText = rtf;
        ASSERT_TRUE(NoteStore(app_paths(), test::store_errors()).write_record(r));
        ASSERT_TRUE(NoteStore(app_paths(), test::store_errors())
                        .settings()
                        .set_number(Setting::NumberOfNotes, 1));
        ASSERT_TRUE(ProfileFile::write(dirs_.ini, "KORVADESK", "CommunicationPort",
                                       std::to_string(test::free_tcp_port())));
    }

    // The visible window of the program that is none of `known`, once there is one.
    std::string new_window(pid_t pid, const std::vector<std::string>& known) {
        std::string found;
        test::wait_for(
            [&] {
                for (const std::string& w : test::visible_windows(pid))
                    if (std::find(known.begin(), known.end(), w) == known.end())
                        found = w;
                return !found.empty();
            },
            10s);
        return found;
    }

    // Opens the body menu, goes down `file_item` items in its "File" submenu and chooses it;
    // in the file dialog that opens, types `path` and saves.
    void save_through_file_menu(pid_t pid, const std::string& note, int file_item,
                                const std::string& path) {
        ASSERT_TRUE(run("xdotool mousemove --window " + note + " 150 120 click 3"));
        const std::string menu = new_window(pid, {note});
        ASSERT_FALSE(menu.empty()) << "the body menu opens";
        // Font, Text color, Note color, then File; Right opens it on its first item.
        std::string keys = "xdotool key --delay 100 Down Down Down Down Right";
        for (int i = 0; i < file_item; ++i)
            keys += " Down";
        ASSERT_TRUE(run(keys));
        if (const char* shot = std::getenv("KD_MENU_SHOT"))
            run("import -window root " + std::string(shot));
        ASSERT_TRUE(run("xdotool key Return"));
        const std::string dialog = new_window(pid, {note, menu});
        ASSERT_FALSE(dialog.empty()) << "the file dialog opens";
        // No window manager on the test display: the dialog is given the focus.
        ASSERT_TRUE(run("xdotool windowfocus --sync " + dialog + " sleep 0.3 key ctrl+a type '" +
                        path + "'"));
        ASSERT_TRUE(run("xdotool key Return"));
        // Gone, rather than one window left: a box may follow it at once.
        ASSERT_TRUE(test::wait_for(
            [&] {
                const auto shown = test::visible_windows(pid);
                return std::find(shown.begin(), shown.end(), dialog) == shown.end();
            },
            10s))
            << "the dialog closes";
    }
};

TEST_F(NoteFilesRun, SavesTheTextAndAPictureOfTheNote) {
    ASSERT_NO_FATAL_FAILURE(store_one_note(
        3 /* Green */, "Groceries: Friday", 60, 60, 300, 200,
        "{\\rtf1\\ansi{\\fonttbl{\\f0 DejaVu Sans;}}\\f0\\fs20 Milk\\par Bread\\par}"));
    // Links planted under the picture names of the start folder, where the pictures used to
    // be made: neither followed nor removed.
    const std::string victim = dirs_.root + "/victim";
    std::ofstream(victim) << "precious";
    for (const char* name : {"/Note.bmp", "/Note24.bmp", "/Note.jpg"})
        std::filesystem::create_symlink(victim, dirs_.root + name);

    const pid_t pid = launch();
    ASSERT_TRUE(test::wait_windows(pid, 1)) << "the note comes back";
    const std::string note = test::visible_windows(pid).front();
    std::this_thread::sleep_for(500ms);

    const std::string text = dirs_.root + "/out/groceries";
    ASSERT_TRUE(run("mkdir -p '" + dirs_.root + "/out'"));
    save_through_file_menu(pid, note, 1, text);
    ASSERT_TRUE(test::wait_for([&] { return !file_text(text + ".txt").empty(); }, 5s))
        << "the dialog adds the default extension";
    EXPECT_EQ(file_text(text + ".txt"), "Milk\nBread");

    const std::string picture = dirs_.root + "/out/groceries.bmp";
    save_through_file_menu(pid, note, 2, picture);
    ASSERT_TRUE(test::wait_for(
        [&] { return !file_text(picture).empty() && picture_folders(dirs_.runtime) == 0; }, 5s))
        << "no picture, or its folder is left behind";
    const std::string bmp = file_text(picture);
    ASSERT_GT(bmp.size(), 54u);
    EXPECT_EQ(bmp.substr(0, 2), "BM");
    EXPECT_EQ(bmp[28], 24) << "24 bits per pixel";
    QImage saved(QString::fromStdString(picture));
    ASSERT_EQ(saved.width(), 300);
    ASSERT_EQ(saved.height(), 200);
    // The body far from its text and the title strip in the theme's colours.
    auto colour = [](std::uint32_t ref) {
        return QColor(int(ref & 0xFF), int((ref >> 8) & 0xFF), int((ref >> 16) & 0xFF));
    };
    const NoteRecord green = builtin_theme_record(builtin_themes()[3]);
    EXPECT_EQ(saved.pixelColor(150, 150), colour(green.EditBackColor));
    EXPECT_EQ(saved.pixelColor(250, 3), colour(green.TitleBackColor));
    EXPECT_EQ(file_text(victim), "precious");
    for (const char* name : {"/Note.bmp", "/Note24.bmp", "/Note.jpg"})
        EXPECT_TRUE(std::filesystem::is_symlink(dirs_.root + name)) << name;
    if (const char* shot = std::getenv("KD_SHOT"))
        run("cp '" + picture + "' '" + shot + "'");

    ::kill(pid, SIGTERM);
    EXPECT_EQ(test::wait_exit(pid, 10s), 0);
}

TEST_F(NoteFilesRun, APngPictureHoldsTheNotesPixelsExactly) {
    // An odd width: the bitmap the picture is made from pads its rows.
    ASSERT_NO_FATAL_FAILURE(store_one_note(1, "Shared picture", 40, 40, 333, 211,
                                           "{\\rtf1\\ansi{\\fonttbl{\\f0 DejaVu Sans;}}\\f0\\fs20 "
                                           "Sharp {\\b edges} and {\\i fine} text\\par}"));
    const pid_t pid = launch();
    ASSERT_TRUE(test::wait_windows(pid, 1)) << "the note comes back";
    const std::string note = test::visible_windows(pid).front();
    std::this_thread::sleep_for(500ms);

    ASSERT_TRUE(run("mkdir -p '" + dirs_.root + "/out'"));
    const std::string picture = dirs_.root + "/out/shared.png";
    save_through_file_menu(pid, note, 2, picture);
    ASSERT_TRUE(test::wait_for(
        [&] { return file_text(picture).size() > 8 && picture_folders(dirs_.runtime) == 0; }, 5s));
    EXPECT_EQ(file_text(picture).substr(0, 8), "\x89PNG\r\n\x1a\n");
    const QImage saved =
        QImage(QString::fromStdString(picture), "PNG").convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(saved.size(), QSize(333, 211));
    // The window as the X server holds it, pixel for pixel. The caret blinks: one of a few
    // grabs a quarter of a second apart is in the state the picture caught.
    bool same = false;
    QImage shown;
    for (int attempt = 0; attempt < 8 && !same; ++attempt) {
        shown = test::grab_window(note).convertToFormat(QImage::Format_RGB32);
        same = same_pixels(shown, saved);
        if (!same)
            std::this_thread::sleep_for(250ms);
    }
    EXPECT_TRUE(same) << "the grab is " << shown.width() << "x" << shown.height();
    if (const char* shot = std::getenv("KD_SHOT"))
        run("cp '" + picture + "' '" + shot + "'");

    ::kill(pid, SIGTERM);
    EXPECT_EQ(test::wait_exit(pid, 10s), 0);
}

// A copy of the program with no module folder beside it: the PNG save names the missing module
// in a box (and on standard error), and the program goes on; saving the text still works.
TEST_F(NoteFilesRun, WithoutThePictureModuleAPngSaveSaysSoAndTheProgramGoesOn) {
    ASSERT_NO_FATAL_FAILURE(
        store_one_note(1, "No module", 40, 40, 300, 200,
                       "{\\rtf1\\ansi{\\fonttbl{\\f0 DejaVu Sans;}}\\f0\\fs20 Still here\\par}"));
    const std::string bin = dirs_.root + "/bin";
    std::filesystem::create_directories(bin);
    std::filesystem::copy_file(test::program_path(), bin + "/korvadesk");
    const std::string errors = dirs_.root + "/stderr";
    const pid_t pid = launch({bin + "/korvadesk"}, errors);
    ASSERT_TRUE(test::wait_windows(pid, 1)) << "the note comes back";
    const std::string note = test::visible_windows(pid).front();
    std::this_thread::sleep_for(500ms);

    ASSERT_TRUE(run("mkdir -p '" + dirs_.root + "/out'"));
    const std::string picture = dirs_.root + "/out/shared.png";
    save_through_file_menu(pid, note, 2, picture);
    // The module's box; the picture's own failure box follows it.
    for (int box = 0; box < 2; ++box) {
        ASSERT_NE(test::answer_box(pid, 10s), "") << "box " << box + 1;
    }
    const std::string said = file_text(errors);
    EXPECT_NE(said.find(bin + "/modules/korvadesk-pictures.so"), std::string::npos) << said;
    EXPECT_NE(said.find("could not be loaded"), std::string::npos) << said;
    EXPECT_FALSE(std::filesystem::exists(picture));

    // Alive, and what needs no module still works.
    ASSERT_TRUE(test::wait_windows(pid, 1));
    const std::string text = dirs_.root + "/out/still";
    save_through_file_menu(pid, note, 1, text);
    EXPECT_TRUE(test::wait_for([&] { return file_text(text + ".txt") == "Still here"; }, 5s));

    ::kill(pid, SIGTERM);
    EXPECT_EQ(test::wait_exit(pid, 10s), 0);
}

}  // namespace
}  // namespace kd
