#include <gtest/gtest.h>

#include <filesystem>

#include "platform/autostart.h"
#include "platform/temp_dir.h"

namespace kd {
namespace {

using test::read_text;
using test::TempDir;

TEST(Autostart, SwitchingOnWritesTheEntryAndOffRemovesIt) {
    TempDir dir;
    const std::string config = dir.file("config");  // the autostart folder does not exist yet
    std::string error;
    EXPECT_FALSE(autostart_enabled(config));

    ASSERT_TRUE(set_autostart(config, true, "/usr/bin/korvadesk", error)) << error;
    const std::string file = config + "/autostart/korvadesk.desktop";
    EXPECT_EQ(autostart_file(config), file);
    EXPECT_TRUE(autostart_enabled(config));
    const std::string entry = read_text(file);
    EXPECT_EQ(entry.rfind("[Desktop Entry]\n", 0), 0u);
    EXPECT_NE(entry.find("\nType=Application\n"), std::string::npos);
    EXPECT_NE(entry.find("\nExec=/usr/bin/korvadesk\n"), std::string::npos);

    // Twice on is still one entry; off twice is no error.
    ASSERT_TRUE(set_autostart(config, true, "/usr/bin/korvadesk", error));
    ASSERT_TRUE(set_autostart(config, false, "", error)) << error;
    EXPECT_FALSE(std::filesystem::exists(file));
    EXPECT_TRUE(set_autostart(config, false, "", error));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(config + "/autostart"),
                            std::filesystem::directory_iterator{}),
              0)
        << "no temporary file left behind";
}

TEST(Autostart, ProgramPathsWithBlanksAndSpecialCharactersAreQuoted) {
    // Desktop-entry rules: quoted argument, then the string escape doubles backslashes.
    EXPECT_NE(autostart_entry("/home/a b/korvadesk").find("\nExec=\"/home/a b/korvadesk\"\n"),
              std::string::npos);
    EXPECT_NE(autostart_entry("/opt/$x/k").find("\nExec=\"/opt/\\\\$x/k\"\n"), std::string::npos);
    EXPECT_NE(autostart_entry("/opt/100%/k").find("\nExec=\"/opt/100%%/k\"\n"), std::string::npos);
}

TEST(Autostart, AFolderInTheWayIsReported) {
    TempDir dir;
    std::filesystem::create_directories(dir.file("config/autostart/korvadesk.desktop/x"));
    std::string error;
    EXPECT_FALSE(set_autostart(dir.file("config"), false, "", error));
    EXPECT_NE(error.find("korvadesk.desktop"), std::string::npos);
    error.clear();
    EXPECT_FALSE(set_autostart(dir.file("config"), true, "/usr/bin/korvadesk", error));
    EXPECT_FALSE(error.empty());
}

}  // namespace
}  // namespace kd
