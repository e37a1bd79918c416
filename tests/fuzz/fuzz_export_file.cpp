// libFuzzer target for the export-file reader: any bytes as a ".kvd" file must give rows and
// records without a crash or sanitizer report; what is read is UTF-8, and a note appended to
// the file takes the next number and reads back.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <string_view>

#include "files/export_file.h"
#include "platform/paths.h"
#include "platform/profile_file.h"
#include "platform/text_encoding.h"
#include "store/error_reporter.h"
#include "store/note_store.h"

namespace {

void check(bool ok) {
    if (!ok) {
        std::abort();
    }
}

const std::string& kvd_path() {
    static const std::string& path = *[] {
        std::string pattern =
            access("/dev/shm", W_OK) == 0 ? "/dev/shm/kdfuzz-XXXXXX" : "/tmp/kdfuzz-XXXXXX";
        check(mkdtemp(pattern.data()) != nullptr);
        auto* out = new std::string(pattern + "/notes.kvd");
        static const std::string dir = pattern;
        std::atexit([] {
            std::remove(kvd_path().c_str());
            std::remove((kvd_path() + ".tmp").c_str());
            rmdir(dir.c_str());
        });
        return out;
    }();
    return path;
}

void put_file(const std::string& path, std::string_view bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    check(f != nullptr);
    check(std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size());
    check(std::fclose(f) == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const kd::AppPaths paths;
    // Writes of the export file are reported nowhere: the checks below look at what it holds.
    static const kd::ErrorReporter unreported(nullptr);
    const kd::NoteStore store(paths, unreported);
    const std::string& file = kvd_path();
    kd::ProfileFile::clear_cache();
    put_file(file, std::string_view(reinterpret_cast<const char*>(data), size));

    const int count = kd::exported_note_count(file);
    check(count >= 0 && count <= kd::kMaxExportedNotes);
    int looked_at = 0;
    for (const kd::ExportIndexRow& row : kd::read_export_rows(file)) {
        check(row.number >= kd::kFirstExportNumber && row.number < kd::kFirstExportNumber + count);
        check(kd::is_valid_utf8(row.entry) && !row.entry.empty());
        const kd::ExportEntry entry = kd::parse_export_entry(row.entry);
        kd::export_date_cell(entry.stamp, "DD.MM.YYYY");
        kd::export_time_cell(entry.stamp);
        kd::NoteRecord record;
        if (++looked_at <= 40 && kd::read_exported_record(store, file, row.number, record)) {
            check(kd::is_valid_utf8(record.TitleText) && kd::is_valid_utf8(record.EditText));
        }
    }

    if (count < kd::kMaxExportedNotes) {
        kd::NoteRecord note;
        note.TitleText = "Fuzz \xc3\xa9";
        std::tm now{};
        now.tm_mday = 1;
        now.tm_year = 126;
        const int number = kd::append_to_export_file(note, file, now, unreported);
        if (number != 0) {
            check(number == kd::kFirstExportNumber + count);
            check(kd::exported_note_count(file) == count + 1);
            kd::NoteRecord back;
            check(kd::read_exported_record(store, file, number, back));
            check(back.TitleText == note.TitleText);
        }
    }
    return 0;
}
