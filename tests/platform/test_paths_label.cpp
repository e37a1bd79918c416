#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "platform/os_label.h"
#include "platform/paths.h"

namespace kd {
namespace {

TEST(OsLabel, VersionTable) {
    struct Row {
        int major, minor;
        const char* label;
    };
    const Row rows[] = {
        {0, 0, ""},           {1, 0, kLabel9x},  {4, 90, kLabel9x}, {5, 0, kLabel2000Xp},
        {5, 2, kLabel2000Xp}, {6, 0, kLabel78},  {6, 1, kLabel78},  {6, 2, kLabel10},
        {6, 3, kLabel10},     {7, 1, kLabel78},  {7, 2, kLabel10},  {8, 0, ""},
        {9, 5, ""},           {10, 0, kLabel10}, {11, 0, ""},       {-1, 0, ""},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(os_label_for_version(r.major, r.minor), r.label) << r.major << "." << r.minor;
    }
}

TEST(OsLabel, WhatEachLabelAllows) {
    // An empty label (an unknown future version) gets the restyling hook.
    EXPECT_TRUE(os_installs_control_restyling(""));
    EXPECT_TRUE(os_installs_control_restyling(kLabel10));
    EXPECT_FALSE(os_installs_control_restyling(kLabel78));
    EXPECT_FALSE(os_installs_control_restyling(kLabelLinux));

    EXPECT_TRUE(os_uses_transparency(kLabelLinux));
    EXPECT_FALSE(os_uses_transparency(kLabel10));
    EXPECT_FALSE(os_uses_fade_on_delete(kLabel9x));
    EXPECT_TRUE(os_uses_fade_on_delete(kLabel10));
    EXPECT_FALSE(os_has_console_messaging(kLabelLinux));
    EXPECT_TRUE(os_has_console_messaging(kLabel10));
    EXPECT_EQ(current_os_label(), kLabelLinux);
}

TEST(Paths, ConfigFolderRules) {
    EXPECT_EQ(config_folder("/x/cfg", "/home/u", "/start"), "/x/cfg");
    // A relative XDG_CONFIG_HOME is not valid and is ignored.
    EXPECT_EQ(config_folder("rel/cfg", "/home/u", "/start"), "/home/u/.config");
    EXPECT_EQ(config_folder("", "/home/u/", "/start"), "/home/u/.config");
    EXPECT_EQ(config_folder(nullptr, nullptr, "/start"), "/start");
    EXPECT_EQ(config_folder(nullptr, "/", "/start"), "/.config");
}

TEST(Paths, ComputedFromEnvironmentAndWorkingFolder) {
    namespace fs = std::filesystem;
    const fs::path base = fs::temp_directory_path() / ("kd_paths_" + std::to_string(getpid()));
    const fs::path cfg = base / "new" / "config";
    const fs::path work = base / "work";
    fs::create_directories(work);
    const fs::path old_cwd = fs::current_path();
    fs::current_path(work);
    setenv("XDG_CONFIG_HOME", cfg.c_str(), 1);

    const AppPaths p = compute_app_paths();

    fs::current_path(old_cwd);
    EXPECT_EQ(p.StartFolder, fs::canonical(work).string());
    EXPECT_TRUE(fs::is_directory(cfg)) << "the folder is created when missing";
    EXPECT_EQ(p.IniPath, cfg.string() + "/Korvadesk.ini");
    EXPECT_EQ(p.NetListPath, cfg.string() + "/Korvadesk.net");
    EXPECT_EQ(p.OsLabel, kLabelLinux);
    fs::remove_all(base);
}

}  // namespace
}  // namespace kd
