// Installing the program: `cmake --install` into a temporary prefix, and the Debian package
// that CPack builds, installed and removed with dpkg in a private root (the machine's own
// package database is never touched).
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <sstream>
#include <string>

#include "platform/temp_dir.h"
#include "support/program_runner.h"

namespace kd {
namespace {

namespace fs = std::filesystem;
using test::read_text;
using test::run_output;
using test::TempDir;

// Every file below `root`, relative to it, without dpkg's own database.
std::set<std::string> files_below(const std::string& root) {
    std::set<std::string> found;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        const std::string rel = fs::relative(entry.path(), root).string();
        if (!entry.is_directory() && rel.rfind("var/lib/dpkg", 0) != 0) {
            found.insert(rel);
        }
    }
    return found;
}

// The files the installation holds below its prefix.
std::set<std::string> expected_files() {
    std::set<std::string> files = {
        "bin/korvadesk",
        "share/applications/korvadesk.desktop",
        "share/icons/hicolor/scalable/apps/korvadesk.svg",
        "share/doc/korvadesk/README.md",
    };
    if (KD_HAVE_HOSTQUILL) {
        files.insert("bin/hostquill");
    }
    for (const char* module : {"mail", "pictures", "sound"}) {
        files.insert(std::string(KD_MODULE_INSTALL_DIR) + "/korvadesk-" + module + ".so");
    }
    for (int size : {16, 22, 32, 48, 64, 128}) {
        const std::string s = std::to_string(size);
        files.insert("share/icons/hicolor/" + s + "x" + s + "/apps/korvadesk.png");
    }
    for (const auto& shot : fs::directory_iterator(KD_SOURCE_DIR "/docs/screenshots")) {
        files.insert("share/doc/korvadesk/docs/screenshots/" + shot.path().filename().string());
    }
    return files;
}

std::string shell(const std::string& command) {
    return run_output(command + " 2>&1; echo \"rc=$?\"");
}

TEST(Install, PrefixHoldsProgramMenuEntryIconAndDocs) {
    TempDir prefix;
    const std::string out =
        shell("'" KD_CMAKE_COMMAND "' --install '" KD_BINARY_DIR "' --strip --prefix '" +
              prefix.path() + "'");
    ASSERT_NE(out.find("rc=0"), std::string::npos) << out;
    const std::set<std::string> found = files_below(prefix.path());
    for (const std::string& file : expected_files()) {
        EXPECT_TRUE(found.count(file)) << "missing " << file;
    }
    // The modules lie where the installed program looks for them from its own folder.
    for (const char* module : {"mail", "pictures", "sound"}) {
        EXPECT_TRUE(fs::is_regular_file(prefix.file("bin/" KD_MODULES_FROM_PROGRAM "/korvadesk-") +
                                        module + ".so"))
            << module;
    }

    // The menu entry is valid, starts the installed program and names the installed icon.
    const std::string desktop = prefix.file("share/applications/korvadesk.desktop");
    EXPECT_EQ(shell("desktop-file-validate '" + desktop + "'"), "rc=0\n");
    const std::string entry = read_text(desktop);
    EXPECT_NE(entry.find("\nExec=korvadesk\n"), std::string::npos);
    EXPECT_NE(entry.find("\nExec=korvadesk --new-note\n"), std::string::npos);
    EXPECT_NE(entry.find("\nExec=korvadesk --show-all\n"), std::string::npos);
    EXPECT_NE(entry.find("\nIcon=korvadesk\n"), std::string::npos);
    EXPECT_NE(
        read_text(prefix.file("share/icons/hicolor/scalable/apps/korvadesk.svg")).find("<svg"),
        std::string::npos);

    // The installed program answers without a display.
    EXPECT_EQ(
        shell("env -u DISPLAY -u WAYLAND_DISPLAY '" + prefix.file("bin/korvadesk") + "' --version"),
        "Korvadesk 5.lan\nrc=0\n");
}

TEST(Install, DebianPackageListsItsFilesAndInstallsAndRemovesCleanly) {
    TempDir work;
    const std::string out = shell("cd '" + work.path() +
                                  "' && '" KD_CPACK_COMMAND "' -G DEB --config '" KD_BINARY_DIR
                                  "/CPackConfig.cmake' -B '" +
                                  work.path() + "'");
    ASSERT_NE(out.find("rc=0"), std::string::npos) << out;
    std::string deb;
    for (const auto& entry : fs::directory_iterator(work.path())) {
        if (entry.path().extension() == ".deb") {
            deb = entry.path().string();
        }
    }
    ASSERT_FALSE(deb.empty()) << out;
    EXPECT_EQ(run_output("dpkg-deb -f '" + deb + "' Package"), "korvadesk\n");
    const std::string depends = run_output("dpkg-deb -f '" + deb + "' Depends");
    EXPECT_NE(depends.find("libqt6widgets6"), std::string::npos) << depends;
    EXPECT_NE(depends.find("ca-certificates"), std::string::npos) << depends;

    // The file list: exactly the installation, below /usr.
    std::set<std::string> listed;
    std::istringstream list(run_output("dpkg-deb -c '" + deb + "'"));
    for (std::string line; std::getline(list, line);) {
        const std::size_t path = line.find("./usr/");
        if (path != std::string::npos && line.back() != '/') {
            listed.insert(line.substr(path + 6));
        }
    }
    EXPECT_EQ(listed, expected_files());

    // dpkg in a root of its own: the install puts every file there, the removal takes every
    // one away again.
    const std::string root = work.file("root");
    fs::create_directories(root + "/var/lib/dpkg/info");
    fs::create_directories(root + "/var/lib/dpkg/updates");
    test::write_text(root + "/var/lib/dpkg/status", "");
    const std::string dpkg = "dpkg --root='" + root + "' --force-depends --force-not-root ";
    ASSERT_NE(shell(dpkg + "-i '" + deb + "'").find("rc=0"), std::string::npos);
    std::set<std::string> installed;
    for (const std::string& file : files_below(root)) {
        installed.insert(file.substr(4));  // "usr/"
    }
    EXPECT_EQ(installed, expected_files());
    EXPECT_EQ(shell("env -u DISPLAY '" + root + "/usr/bin/korvadesk' --version"),
              "Korvadesk 5.lan\nrc=0\n");
    ASSERT_NE(shell(dpkg + "-r korvadesk").find("rc=0"), std::string::npos);
    EXPECT_TRUE(files_below(root).empty());
    EXPECT_FALSE(fs::exists(root + "/usr/bin"));
}

}  // namespace
}  // namespace kd
