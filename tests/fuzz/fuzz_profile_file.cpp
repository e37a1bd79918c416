// libFuzzer target for the settings-file reader: any bytes as Korvadesk.ini must parse, and
// every typed read the program makes of it (settings, note records, lists, mailboxes) must
// finish without a crash or sanitizer report. What is read must be UTF-8, agree with a fresh
// parse, and survive a write of another key unchanged.
#include <strings.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "platform/paths.h"
#include "platform/profile_file.h"
#include "platform/text_encoding.h"
#include "store/note_lists.h"
#include "store/note_store.h"
#include "support/app_paths_in.h"

namespace {

void check(bool ok) {
    if (!ok) {
        std::abort();
    }
}

struct Files {
    std::string dir, ini, net;
};

const Files& files() {
    // Never destroyed: the exit handler below still needs the names.
    static const Files& f = *[] {
        // /dev/shm keeps the per-input rewrite off the disk when it is there.
        std::string pattern =
            access("/dev/shm", W_OK) == 0 ? "/dev/shm/kdfuzz-XXXXXX" : "/tmp/kdfuzz-XXXXXX";
        check(mkdtemp(pattern.data()) != nullptr);
        auto* out = new Files{pattern, pattern + "/Korvadesk.ini", pattern + "/Korvadesk.net"};
        kd::AppPaths paths;
        paths.IniPath = out->ini;
        paths.NetListPath = out->net;
        kd::set_app_paths(paths);
        std::atexit([] {
            std::remove(files().ini.c_str());
            std::remove((files().ini + ".tmp").c_str());
            std::remove(files().net.c_str());
            rmdir(files().dir.c_str());
        });
        return out;
    }();
    return f;
}

void put_file(const std::string& path, std::string_view bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    check(f != nullptr);
    check(std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size());
    check(std::fclose(f) == 0);
}

// Reads one key both ways and checks what the program may rely on.
std::string read_checked(const std::string& path, std::string_view section, std::string_view key,
                         std::size_t capacity, bool also_uncached = false) {
    std::string value = kd::ProfileFile::read(path, section, key, capacity);
    // A fresh parse costs a whole read of the file, so only a few keys are compared that way.
    check(!also_uncached || value == kd::ProfileFile::read_uncached(path, section, key, capacity));
    check(kd::is_valid_utf8(value));
    // Windows-1252 bytes grow to at most three UTF-8 bytes each.
    check(value.size() <= 3 * (capacity == 0 ? 0 : capacity - 1));
    return value;
}

void read_everything(const std::string& ini) {
    namespace t = kd::store_texts;
    static const kd::ErrorReporter unreported(nullptr);
    const kd::NoteStore store{kd::app_paths(), unreported};
    const kd::Settings settings = store.settings();
    for (std::size_t i = 0; i < kd::settings_table::kCount; ++i) {
        settings.text(static_cast<kd::Setting>(i));
    }
    settings.number(kd::Setting::NumberOfNotes);
    settings.number(kd::Setting::CommunicationPort);
    settings.show_all_password();
    store.count_saved_themes();
    store.default_border();

    // Records the program looks at: the first notes, the default look, a built-in and a
    // saved theme, and whatever NOTE_ID_ sections the input names by the note count.
    kd::NoteRecord record;
    const int count = settings.number(kd::Setting::NumberOfNotes);
    for (int n = 1; n <= 3 || (n <= count && n <= 40); ++n) {
        if (store.read_record(n, record)) {
            check(kd::is_valid_utf8(record.TitleText));
        }
    }
    for (int n : {t::kFirstExportRecord, t::kDefaultLookRecord, t::kFirstBuiltInThemeRecord,
                  t::kFirstSavedThemeRecord, t::kHighestRecord}) {
        store.read_record(n, record);
        store.record_exists(n);
    }
    store.read_record(std::string_view("-1"), record);
    store.read_record(std::string_view("00001"), record);

    const kd::NoteLists lists(ini, files().net, unreported);
    const std::string groups = lists.group_names();
    int group_reads = 0;
    for (const auto& name : kd::non_empty_entries(groups)) {
        if (++group_reads > 20) {
            break;
        }
        lists.read_group(name);
        lists.count_group_members(name);
    }
    lists.read_network_list();
    for (int key = kd::lists::kFirstSavedThemeNumber;
         key < kd::lists::kFirstSavedThemeNumber + kd::lists::kSavedThemeSlots; ++key) {
        lists.saved_theme_name(key);
    }
    lists.next_saved_theme_number();
    int slots = 0;
    for (int slot : lists.network_mailbox_slots()) {
        if (++slots > 20) {
            break;
        }
        lists.read_network_mailbox(slot);
    }
    lists.read_email_mailbox();
    kd::NoteLists::exported_notes(ini);
    kd::NoteLists::read_export_index(ini, 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    namespace t = kd::store_texts;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const Files& f = files();
    kd::ProfileFile::clear_cache();
    put_file(f.ini, bytes);
    // The receive-list file is read the same way; the input doubles as it.
    put_file(f.net, bytes);

    read_everything(f.ini);

    // Every key of the main section reads the same after another key is written: a rewrite
    // must keep what it does not change.
    std::vector<std::string> keys = kd::ProfileFile::keys(f.ini, t::kMainSection);
    check(keys.empty() || kd::ProfileFile::has_section(f.ini, t::kMainSection));
    constexpr std::string_view kProbeKey = "KdFuzzProbe";
    bool probe_in_input = false;
    for (const auto& key : keys) {
        probe_in_input =
            probe_in_input || (key.size() == kProbeKey.size() &&
                               strncasecmp(key.data(), kProbeKey.data(), kProbeKey.size()) == 0);
    }
    if (keys.size() > 32) {
        keys.resize(32);
    }
    std::vector<std::string> before;
    for (const auto& key : keys) {
        before.push_back(read_checked(f.ini, t::kMainSection, key, 4096, before.size() < 4));
    }
    if (!probe_in_input && kd::ProfileFile::write(f.ini, t::kMainSection, kProbeKey, "1")) {
        check(read_checked(f.ini, t::kMainSection, kProbeKey, 16, true) == "1");
        for (std::size_t i = 0; i < keys.size(); ++i) {
            check(read_checked(f.ini, t::kMainSection, keys[i], 4096) == before[i]);
        }
        // Removing it again goes through the indexes kept up to date without a parse: the
        // keys must read as before, and as a fresh parse reads them.
        check(kd::ProfileFile::delete_key(f.ini, t::kMainSection, kProbeKey));
        check(read_checked(f.ini, t::kMainSection, kProbeKey, 16, true).empty());
        for (std::size_t i = 0; i < keys.size(); ++i) {
            check(read_checked(f.ini, t::kMainSection, keys[i], 4096, i < 4) == before[i]);
        }
    }
    return 0;
}
