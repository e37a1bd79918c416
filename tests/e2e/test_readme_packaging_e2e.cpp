// The README's commands on a fresh clone, as a new developer types them: `scripts/run.sh`
// builds and starts the program (stopped here once its first note shows), then the commands of
// the README's "Packaging" section install into a staging folder and build the Debian package,
// which installs and removes with dpkg in a root of its own.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "platform/temp_dir.h"
#include "support/program_runner.h"
#include "support/wait_for.h"

namespace kd {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::read_text;
using test::run_output;

// The commands of one README section: its indented lines, without the comments after "#".
std::vector<std::string> readme_commands(const std::string& readme, const std::string& heading) {
    std::vector<std::string> out;
    const std::size_t start = readme.find("\n" + heading + "\n");
    if (start == std::string::npos) {
        return out;
    }
    std::istringstream in(readme.substr(start + heading.size() + 2));
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("## ", 0) == 0) {
            break;
        }
        if (line.rfind("    ", 0) != 0) {
            continue;
        }
        std::string command = line.substr(4);
        const std::size_t comment = command.find("  #");
        if (comment != std::string::npos) {
            command = command.substr(0, comment);
        }
        while (!command.empty() && command.back() == ' ') {
            command.pop_back();
        }
        out.push_back(command);
    }
    return out;
}

std::string shell(const std::string& command) {
    return run_output(command + " 2>&1; echo \"rc=$?\"");
}

bool succeeded(const std::string& output) {
    return output.size() >= 5 && output.substr(output.size() - 5) == "rc=0\n";
}

// Every file below `root`, relative to it, without dpkg's own database.
std::vector<std::string> files_below(const std::string& root) {
    std::vector<std::string> found;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        const std::string rel = fs::relative(entry.path(), root).string();
        if (!entry.is_directory() && rel.rfind("var/lib/dpkg", 0) != 0) {
            found.push_back(rel);
        }
    }
    return found;
}

// Whether the process has ended (looked at without reaping it).
bool ended(pid_t pid) {
    siginfo_t info{};
    return ::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
           info.si_pid == pid;
}

class ReadmePackaging : public test::ProgramTest {
protected:
    ReadmePackaging() : ProgramTest("/tmp/kd-readme-XXXXXX", true) {}
};

TEST_F(ReadmePackaging, RunScriptOnAFreshCloneLeavesABuildThatInstallsAndPackages) {
    if (!fs::exists(KD_SOURCE_DIR "/.git")) {
        GTEST_SKIP() << "the source folder is no git checkout";
    }
    const std::string clone = dirs_.root + "/clone";
    ASSERT_TRUE(succeeded(shell("git clone -q '" KD_SOURCE_DIR "' '" + clone + "'")));

    // The README's first command, with the program stopped once it shows its first note. The
    // build may take many minutes; the shared compiler cache, when there is one, shortens it.
    if (!run_output("command -v ccache").empty()) {
        ::setenv("CMAKE_CXX_COMPILER_LAUNCHER", "ccache", 1);
        ::setenv("CMAKE_C_COMPILER_LAUNCHER", "ccache", 1);
        ::setenv("CCACHE_BASEDIR", clone.c_str(), 1);
    }
    // The program listens on the default port, which other tests' first starts may hold at the
    // same moment: a network namespace of its own keeps that port free.
    std::vector<std::string> command = {clone + "/scripts/run.sh"};
    if (::geteuid() == 0 && !run_output("command -v unshare").empty()) {
        command.insert(command.begin(), {"unshare", "-n"});
    }
    const pid_t run = launch(command, dirs_.root + "/run-output");
    ASSERT_TRUE(test::wait_for([&] { return !test::visible_windows(run).empty() || ended(run); },
                               50min, 1s))
        << read_text(dirs_.root + "/run-output");
    ASSERT_FALSE(test::visible_windows(run).empty())
        << "scripts/run.sh ended without showing a note:\n"
        << read_text(dirs_.root + "/run-output");
    ::kill(run, SIGTERM);
    EXPECT_EQ(test::wait_exit(run, 20s), 0);

    // The Packaging section's commands, in order, on what run.sh left; the install goes to a
    // staging folder, which the README offers in place of /usr/local.
    const std::vector<std::string> commands =
        readme_commands(read_text(clone + "/README.md"), "## Packaging");
    ASSERT_EQ(commands.size(), 2u);
    const std::string staging = dirs_.root + "/staging";
    for (std::string command : commands) {
        const std::size_t prefix = command.find("/usr/local");
        if (prefix != std::string::npos) {
            command.replace(prefix, 10, staging);
        }
        const std::string out = shell("cd '" + clone + "' && " + command);
        ASSERT_TRUE(succeeded(out)) << command << "\n" << out;
    }
    EXPECT_TRUE(fs::exists(staging + "/bin/korvadesk"));
    EXPECT_TRUE(fs::exists(staging + "/bin/hostquill"));

    std::string deb;
    for (const auto& entry : fs::directory_iterator(clone + "/build/release")) {
        if (entry.path().extension() == ".deb") {
            deb = entry.path().string();
        }
    }
    ASSERT_FALSE(deb.empty()) << "cpack left no package";

    // dpkg in a root of its own, so the machine's own package database is never touched.
    const std::string root = dirs_.root + "/dpkg-root";
    fs::create_directories(root + "/var/lib/dpkg/info");
    fs::create_directories(root + "/var/lib/dpkg/updates");
    test::write_text(root + "/var/lib/dpkg/status", "");
    const std::string dpkg = "dpkg --root='" + root + "' --force-depends --force-not-root ";
    ASSERT_TRUE(succeeded(shell(dpkg + "-i '" + deb + "'")));
    EXPECT_TRUE(fs::exists(root + "/usr/bin/korvadesk"));
    EXPECT_TRUE(fs::exists(root + "/usr/bin/hostquill"));
    EXPECT_EQ(shell("env -u DISPLAY '" + root + "/usr/bin/korvadesk' --version"),
              "Korvadesk 5.lan\nrc=0\n");
    ASSERT_TRUE(succeeded(shell(dpkg + "-r korvadesk")));
    EXPECT_TRUE(files_below(root).empty());
}

}  // namespace
}  // namespace kd
