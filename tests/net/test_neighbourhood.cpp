// Reading the neighbourhood through a stand-in companion program placed in the program folder:
// it is started in the start folder and waited for while the UI keeps running, the busy window
// stands at the corner of the work area meanwhile, a companion that is missing or hangs leaves
// the list as it was, and one planted in the start folder never runs.
#include <gtest/gtest.h>

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>

#include <filesystem>
#include <fstream>
#include <string>

#include "net/neighbourhood.h"
#include "platform/busy_window.h"
#include "platform/paths.h"
#include "platform/profile_file.h"
#include "platform/temp_dir.h"
#include "store/note_lists.h"
#include "support/app_paths_in.h"
#include "support/error_recorder.h"

namespace kd {
namespace {

using namespace std::chrono_literals;

class NeighbourhoodTest : public ::testing::Test {
protected:
    void SetUp() override {
        ProfileFile::clear_cache();
        AppPaths paths = test::app_paths_in(dir_.path());
        set_app_paths(paths);
        ASSERT_TRUE(NoteLists(app_paths(), test::store_errors()).write_network_list("old~"));
    }
    void TearDown() override { set_app_paths({}); }

    // A companion that writes `list` into NetList (as the real one does) after `pause`.
    void place_companion(const std::string& body) {
        const std::string path = dir_.file(kCompanionProgram);
        std::ofstream(path) << "#!/bin/sh\n" << body << "\n";
        std::filesystem::permissions(path, std::filesystem::perms::owner_all);
    }
    std::string net_list() {
        ProfileFile::clear_cache();
        return NoteLists(app_paths(), test::store_errors()).read_network_list();
    }

    test::TempDir dir_;
};

TEST_F(NeighbourhoodTest, CompanionIsWaitedForWithTheBusyWindowShown) {
    // It checks it runs in the start folder and leaves its mark there.
    place_companion("sleep 0.5\n[ \"$(pwd)\" = '" + dir_.path() +
                    "' ] || exit 3\nprintf '[NETWORK_LIST]\\nNetList=alpha~bravo~\\n' > "
                    "Korvadesk.net");
    bool busy_seen = false;
    bool at_corner = false;
    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        ++ticks;
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* busy = qobject_cast<BusyWindow*>(w);
            if (busy == nullptr || !busy->isVisible())
                continue;
            busy_seen = busy->first_line() == kBusyFirstLine &&
                        busy->second_line() == kBusyReadingNetwork &&
                        busy->windowTitle() == " Korvadesk 5.lan";
            const QRect area = busy->screen()->availableGeometry();
            at_corner = busy->frameGeometry().bottomRight() == area.bottomRight();
        }
    });
    ticker.start(50);
    EXPECT_EQ(read_network_neighbourhood(app_paths()), CompanionResult::Finished);
    EXPECT_EQ(net_list(), "alpha~bravo~");
    // The UI ran while we waited.
    EXPECT_GT(ticks, 0);
    EXPECT_TRUE(busy_seen);
    EXPECT_TRUE(at_corner);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(NeighbourhoodTest, MissingOrHangingCompanionLeavesTheListAlone) {
    EXPECT_EQ(companion_program(dir_.path() + "/nowhere"), "");
    EXPECT_EQ(read_network_neighbourhood(app_paths(), nullptr), CompanionResult::Missing);
    EXPECT_EQ(net_list(), "old~");

    place_companion("exec sleep 30");
    EXPECT_EQ(read_network_neighbourhood(app_paths(), nullptr, 400ms), CompanionResult::TimedOut);
    EXPECT_EQ(net_list(), "old~");
}

TEST_F(NeighbourhoodTest, OnlyTheProgramFolderIsSearchedNeverTheStartFolder) {
    test::TempDir own;
    const std::string path = own.file(kCompanionProgram);
    std::ofstream(path)
        << "#!/bin/sh\nprintf '[NETWORK_LIST]\\nNetList=ours~\\n' > Korvadesk.net\n";
    std::filesystem::permissions(path, std::filesystem::perms::owner_all);
    EXPECT_EQ(companion_program(own.path()), path);

    // Something dropped into the folder the program was started from (say, downloads).
    place_companion(
        "touch planted-ran\nprintf '[NETWORK_LIST]\\nNetList=evil~\\n' > Korvadesk.net");
    AppPaths paths = app_paths();
    paths.ProgramFolder = own.path();
    EXPECT_EQ(read_network_neighbourhood(paths), CompanionResult::Finished);
    EXPECT_EQ(net_list(), "ours~") << "ours ran, in the start folder";
    EXPECT_FALSE(std::filesystem::exists(dir_.file("planted-ran")));

    paths.ProgramFolder.clear();
    EXPECT_EQ(read_network_neighbourhood(paths), CompanionResult::Missing);
    EXPECT_FALSE(std::filesystem::exists(dir_.file("planted-ran")));

    // A file that cannot run is no companion.
    std::filesystem::permissions(path, std::filesystem::perms::owner_read);
    EXPECT_EQ(companion_program(own.path()), "");
}

TEST_F(NeighbourhoodTest, OnlyCompanionSystemsReadTheNeighbourhood) {
    EXPECT_TRUE(reads_network_through_companion("Linux"));
    EXPECT_TRUE(reads_network_through_companion("Windows 10"));
    EXPECT_FALSE(reads_network_through_companion("Windows 95/98/Me"));
    place_companion("printf '[NETWORK_LIST]\\nNetList=new~\\n' > Korvadesk.net");
    AppPaths paths = app_paths();
    paths.OsLabel = "";
    set_app_paths(paths);
    read_network_neighbourhood(app_paths());
    EXPECT_EQ(net_list(), "old~");
}

}  // namespace
}  // namespace kd
