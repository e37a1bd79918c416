// Starting the real korvadesk (or a floor program) from a benchmark: a private settings file
// with stored notes, and a watch on the X server for the windows it maps.
#pragma once

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "platform/paths.h"
#include "platform/profile_file.h"
#include "store/note_store.h"
#include "support/app_paths_in.h"
#include "support/error_recorder.h"
#include "support/test_display.h"
#include "themes/builtin_themes.h"

namespace kd::bench {

// A settings file as a user's earlier starts leave it, with `notes` notes. In a fresh
// temporary folder, removed at the end; or in `root` (made when missing), which is kept.
class StoredNotes {
public:
    explicit StoredNotes(int notes, const std::string& root = {}) : keep_(!root.empty()) {
        if (keep_) {
            root_ = root;
            std::filesystem::create_directories(root_);
            std::filesystem::permissions(root_, std::filesystem::perms::owner_all);
        } else {
            std::string pattern =
                (std::filesystem::temp_directory_path() / "kdstart-XXXXXX").string();
            if (mkdtemp(pattern.data()) == nullptr) {
                std::abort();
            }
            root_ = pattern;
        }
        config_ = root_ + "/config";
        runtime_ = root_ + "/runtime";
        std::filesystem::create_directories(config_);
        std::filesystem::create_directories(runtime_);
        std::filesystem::permissions(runtime_, std::filesystem::perms::owner_all);
        kd::AppPaths paths;
        paths.StartFolder = root_;
        paths.IniPath = config_ + "/Korvadesk.ini";
        paths.NetListPath = config_ + "/Korvadesk.net";
        paths.OsLabel = "Linux";
        kd::set_app_paths(paths);
        kd::write_builtin_themes(NoteStore(app_paths(), kd::test::store_errors()));
        kd::StoreTransaction tx(app_paths().IniPath, kd::test::store_errors());
        for (int i = 1; i <= notes; ++i) {
            kd::NoteRecord r;
            r.NoteID = i;
            r.EditBackColor = 0xC0FFFF;
            r.TitleBackColor = 0x80E0E0;
            r.EditFont = "Tahoma";
            r.TitleFont = "Tahoma";
            r.EditFontSize = 9;
            r.TitleFontSize = 8;
            r.TitleFontType = "C";
            r.TitleText = "Note " + std::to_string(i);
            r.EditText =
                "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fnil Tahoma;}}"
                "\\viewkind4\\uc1\\pard\\f0\\fs18 Shopping list " +
                std::to_string(i) + "\\par\\b milk\\b0 , bread, \\i apples\\i0\\par}";
            r.Left = 10 + 9 * i;
            r.Top = 10 + 7 * i;
            r.Width = 200;
            r.Height = 150;
            r.Minimized = "No";
            r.Border = "No";
            r.Hidden = "No";
            tx.write_record(r);
        }
        tx.set_number_of_notes(notes);
        const char* keys[][2] = {{"IniUpdate", "0111"},       {"Version", "5.lan"},
                                 {"AskBeforeDelete", "Yes"},  {"ReadNetworkOnStart", "No"},
                                 {"CheckEmailOnStart", "No"}, {"NmbOfProgramStarts", "1"},
                                 {"DefaultTitle", "Date"},    {"DefaultDateFormat", "DD.MM.YYYY"},
                                 {"DefaultWidth", "200"},     {"DefaultHeight", "150"},
                                 {"CommunicationPort", "0"},  {"DisableHotkey", "Yes"},
                                 {"PlaySound", "No"}};
        for (const auto& kv : keys) {
            tx.set(kd::store_texts::kMainSection, kv[0], kv[1]);
        }
        if (!tx.commit()) {
            std::abort();
        }
    }
    ~StoredNotes() {
        if (!keep_) {
            std::filesystem::remove_all(root_);
        }
    }
    StoredNotes(const StoredNotes&) = delete;
    StoredNotes& operator=(const StoredNotes&) = delete;

    const std::string& config() const { return config_; }
    const std::string& runtime() const { return runtime_; }
    const std::string& root() const { return root_; }

private:
    bool keep_ = false;
    std::string root_, config_, runtime_;
};

// Watches the root window for maps of new windows.
class MapWatcher {
public:
    MapWatcher() {
        conn_ = xcb_connect(nullptr, nullptr);
        if (xcb_connection_has_error(conn_) != 0) {
            return;
        }
        root_ = xcb_setup_roots_iterator(xcb_get_setup(conn_)).data->root;
        const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(conn_, root_, XCB_CW_EVENT_MASK, &mask);
        xcb_flush(conn_);
        ok_ = true;
    }
    ~MapWatcher() { xcb_disconnect(conn_); }
    bool ok() const { return ok_; }

    void drain() {
        while (xcb_generic_event_t* e = xcb_poll_for_event(conn_)) {
            std::free(e);
        }
    }
    // Waits until `count` windows were mapped (not counting override-redirect popups); false
    // when they were not within the limit, so a program that fails never hangs the run.
    bool wait_maps(int count, std::chrono::milliseconds limit = std::chrono::seconds(60)) {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        int seen = 0;
        while (seen < count) {
            xcb_generic_event_t* e = xcb_poll_for_event(conn_);
            if (e == nullptr) {
                const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                    deadline - std::chrono::steady_clock::now());
                if (left.count() <= 0 || xcb_connection_has_error(conn_) != 0) {
                    return false;
                }
                pollfd p{xcb_get_file_descriptor(conn_), POLLIN, 0};
                ::poll(&p, 1, static_cast<int>(left.count()));
                continue;
            }
            if ((e->response_type & 0x7F) == XCB_MAP_NOTIFY &&
                !reinterpret_cast<xcb_map_notify_event_t*>(e)->override_redirect) {
                last_mapped_ = reinterpret_cast<xcb_map_notify_event_t*>(e)->window;
                ++seen;
            }
            std::free(e);
        }
        return true;
    }
    // The window whose map wait_maps saw last.
    xcb_window_t last_mapped() const { return last_mapped_; }

private:
    xcb_connection_t* conn_ = nullptr;
    xcb_window_t root_ = 0;
    xcb_window_t last_mapped_ = 0;
    bool ok_ = false;
};

// The resident memory of `pid` in kB, -1 when it cannot be read.
inline long resident_kb(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::stol(line.substr(6));
        }
    }
    return -1;
}

// CPU time the process has used so far (all its threads), in milliseconds.
inline double cpu_ms(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // Fields after the command name, which ends at the last ")": state is field 3, utime 14.
    std::istringstream fields(stat.substr(stat.rfind(')') + 2));
    std::string field;
    double ticks = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i) {
        if (i >= 14) {
            ticks += std::atof(field.c_str());
        }
    }
    return ticks * 1000.0 / static_cast<double>(::sysconf(_SC_CLK_TCK));
}

// This build's korvadesk, or the one KD_PROGRAM names (to measure another build in the same
// run of the floor).
inline std::string korvadesk_program() {
    const char* other = std::getenv("KD_PROGRAM");
    return other != nullptr && *other != 0 ? std::string(other)
                                           : std::string(KD_BINARY_DIR) + "/korvadesk";
}

// Starts `program` with the folders of `folders`, and `argument` when not empty.
inline pid_t start(const std::string& program, const StoredNotes& folders,
                   const std::string& argument = {}) {
    const pid_t pid = fork();
    if (pid == 0) {
        setenv("XDG_CONFIG_HOME", folders.config().c_str(), 1);
        setenv("XDG_RUNTIME_DIR", folders.runtime().c_str(), 1);
        setenv("QT_QPA_PLATFORM", "xcb", 1);
        if (chdir(folders.root().c_str()) != 0) {
            _exit(126);
        }
        if (argument.empty()) {
            execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
        } else {
            execl(program.c_str(), program.c_str(), argument.c_str(), static_cast<char*>(nullptr));
        }
        _exit(127);
    }
    return pid;
}

// main() of a benchmark that starts programs: they run on an X server of the benchmark's own, so
// nothing else on the machine's displays is measured with them, nor disturbed.
inline int run_on_own_display(int argc, char** argv) {
    std::string why;
    const auto display = kd::test::TestDisplay::start(why);
    if (!display) {
        std::fprintf(stderr, "no X server for the benchmark: %s\n", why.c_str());
        return 1;
    }
    const kd::test::DisplayVariable variable(display->name());
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

}  // namespace kd::bench
