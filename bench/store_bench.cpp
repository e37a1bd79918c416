// Reading a settings file of 100 notes: through the parsed-file cache, and re-reading and
// re-parsing the file for every key as the Windows profile functions do. Saving one note: as
// one transaction, and key by key with a rewrite of the file each, as Windows does. The Windows
// way of each pair runs second and reports "speedup": how many times faster ours is. And what
// storing a received note costs the interface with and without the settings file's writer.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <thread>

#include "platform/paths.h"
#include "platform/profile_file.h"
#include "store/note_store.h"
#include "support/app_paths_in.h"
#include "support/error_recorder.h"

namespace {

namespace t = kd::store_texts;

constexpr int kRecords = 100;
double g_cached_read_seconds = 0;
double g_transaction_seconds = 0;

double seconds_per_iteration(const benchmark::State& state, double total) {
    return state.iterations() == 0 ? 0 : total / static_cast<double>(state.iterations());
}

constexpr std::array<std::string_view, 24> kKeys = {
    t::kNoteID,       t::kEditBackColor, t::kEditTextColor, t::kEditFont,       t::kEditFontType,
    t::kEditFontSize, t::kEditCharSet,   t::kEditText,      t::kTitleBackColor, t::kTitleTextColor,
    t::kTitleFont,    t::kTitleFontType, t::kTitleFontSize, t::kTitleText,      t::kTitleCharSet,
    t::kLeft,         t::kTop,           t::kHeight,        t::kWidth,          t::kMinimized,
    t::kBorder,       t::kHidden,        t::kExpiration,    t::kAlarm,
};

class StoreFile {
public:
    StoreFile() {
        std::string pattern = (std::filesystem::temp_directory_path() / "kdbench-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            std::abort();
        }
        folder_ = pattern;
        path_ = folder_ + "/Korvadesk.ini";
        kd::AppPaths paths;
        paths.IniPath = path_;
        kd::set_app_paths(paths);
        const kd::NoteStore store{kd::app_paths(), kd::test::store_errors()};
        store.settings().set_number(kd::Setting::NumberOfNotes, kRecords);
        for (int i = 1; i <= kRecords; ++i) {
            kd::NoteRecord r;
            r.NoteID = i;
            r.EditFont = "DejaVu Sans";
            r.EditFontType = "B";
            r.EditText = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 DejaVu Sans;}}\n\\f0\\fs20 Note " +
                         std::to_string(i) + " with a line of text\\par\n}";
            r.EditFontSize = 10;
            r.TitleFont = "DejaVu Sans";
            r.TitleFontType = "C";
            r.TitleText = "Note " + std::to_string(i);
            r.TitleFontSize = 9;
            r.Top = 100 + i;
            r.Left = 200 + i;
            r.Height = 180;
            r.Width = 200;
            r.Minimized = "No";
            r.Border = "Yes";
            r.Hidden = "No";
            store.write_record(r);
        }
    }
    ~StoreFile() {
        std::error_code ec;
        std::filesystem::remove_all(folder_, ec);
    }
    const std::string& path() const { return path_; }

private:
    std::string folder_;
    std::string path_;
};

StoreFile& store_file() {
    static StoreFile f;
    return f;
}

void BM_ReadAllKeysCached(benchmark::State& state) {
    const std::string& path = store_file().path();
    const auto begin = std::chrono::steady_clock::now();
    for (auto _ : state) {
        for (int i = 1; i <= kRecords; ++i) {
            const std::string section = "NOTE_ID_" + std::to_string(i);
            for (std::string_view key : kKeys) {
                benchmark::DoNotOptimize(kd::ProfileFile::read(path, section, key, 10240));
            }
        }
    }
    g_cached_read_seconds = seconds_per_iteration(
        state, std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count());
    state.SetItemsProcessed(state.iterations() * kRecords * kKeys.size());
}
BENCHMARK(BM_ReadAllKeysCached)->Unit(benchmark::kMillisecond);

void BM_ReadAllKeysReparsingEachTime(benchmark::State& state) {
    const std::string& path = store_file().path();
    const auto begin = std::chrono::steady_clock::now();
    for (auto _ : state) {
        for (int i = 1; i <= kRecords; ++i) {
            const std::string section = "NOTE_ID_" + std::to_string(i);
            for (std::string_view key : kKeys) {
                benchmark::DoNotOptimize(kd::ProfileFile::read_uncached(path, section, key, 10240));
            }
        }
    }
    const double per = seconds_per_iteration(
        state, std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count());
    if (g_cached_read_seconds > 0) {
        state.counters["speedup"] = per / g_cached_read_seconds;
    }
    state.SetItemsProcessed(state.iterations() * kRecords * kKeys.size());
}
BENCHMARK(BM_ReadAllKeysReparsingEachTime)->Unit(benchmark::kMillisecond);

void BM_ReadAllRecords(benchmark::State& state) {
    store_file();
    const kd::NoteStore store{kd::app_paths(), kd::test::store_errors()};
    for (auto _ : state) {
        for (int i = 1; i <= kRecords; ++i) {
            kd::NoteRecord r;
            benchmark::DoNotOptimize(store.read_record(i, r));
        }
    }
}
BENCHMARK(BM_ReadAllRecords)->Unit(benchmark::kMillisecond);

// One note save: the whole file is rewritten, synced and renamed.
void BM_WriteOneRecord(benchmark::State& state) {
    store_file();
    const kd::NoteStore store{kd::app_paths(), kd::test::store_errors()};
    kd::NoteRecord r;
    if (!store.read_record(50, r)) {
        state.SkipWithError("record 50 missing");
        return;
    }
    int n = 0;
    const auto begin = std::chrono::steady_clock::now();
    for (auto _ : state) {
        r.Left = ++n % 1000;
        benchmark::DoNotOptimize(store.write_record(r));
    }
    g_transaction_seconds = seconds_per_iteration(
        state, std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count());
}
BENCHMARK(BM_WriteOneRecord)->Unit(benchmark::kMillisecond);

// The same save key by key: 24 rewrites, syncs and renames of the whole file.
void BM_WriteOneRecordKeyByKey(benchmark::State& state) {
    const std::string& path = store_file().path();
    int n = 0;
    const auto begin = std::chrono::steady_clock::now();
    for (auto _ : state) {
        ++n;
        for (std::string_view key : kKeys) {
            const std::string value = std::string(key) + std::to_string(n % 1000);
            benchmark::DoNotOptimize(kd::ProfileFile::write(path, "NOTE_ID_50", key, value));
        }
    }
    const double per = seconds_per_iteration(
        state, std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count());
    if (g_transaction_seconds > 0) {
        state.counters["speedup"] = per / g_transaction_seconds;
    }
}
BENCHMARK(BM_WriteOneRecordKeyByKey)->Unit(benchmark::kMillisecond);

// A received note stored into a settings file of 330 to 440 KB (33 notes of 10 KB, and 10 more
// as they come), as the tick does: its record, the note count and the spool's taken mark in one
// transaction. Measured is what the caller (the interface thread) waits: with the file replaced
// on its own thread (0), and handed to the settings writer (1). Notes come 50 ms apart, as a
// burst's ticks take them; the pause is not measured. The writer's last replace is waited for
// after the loop.
void BM_StoreReceivedNote(benchmark::State& state) {
    std::string pattern = (std::filesystem::temp_directory_path() / "kdbench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        state.SkipWithError("no folder");
        return;
    }
    kd::AppPaths paths;
    paths.IniPath = pattern + "/Korvadesk.ini";
    kd::NoteStore store(paths, kd::test::store_errors());
    kd::NoteRecord r;
    r.EditFont = "DejaVu Sans";
    r.EditFontSize = 10;
    r.EditText = "{\\rtf1\\ansi " + std::string(10000, 'x') + "\\par}";
    r.TitleText = "PC17 09:05";
    {
        kd::StoreTransaction tx(store);
        for (int i = 1; i <= 33; ++i) {
            r.NoteID = i;
            tx.write_record(r);
        }
        tx.set_number_of_notes(33);
        tx.commit();
    }
    if (state.range(0) == 1) {
        store.write_in_background();
    }
    int n = 0;
    for (auto _ : state) {
        kd::StoreTransaction tx(store);
        r.NoteID = 34 + n % 10;
        r.Left = ++n;
        tx.write_record(r);
        tx.set_number_of_notes(r.NoteID);
        tx.set("NOTE_RECEIVED", "SpoolTaken", "1:" + std::to_string(n));
        benchmark::DoNotOptimize(tx.commit());
        state.PauseTiming();
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        state.ResumeTiming();
    }
    state.counters["file_kb"] =
        static_cast<double>(std::filesystem::file_size(paths.IniPath)) / 1000.0;
    if (!store.finish_writes(std::chrono::seconds(10))) {
        state.SkipWithError("the writer did not finish");
    }
    std::error_code ec;
    std::filesystem::remove_all(pattern, ec);
}
BENCHMARK(BM_StoreReceivedNote)->Arg(0)->Arg(1)->Iterations(40)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
