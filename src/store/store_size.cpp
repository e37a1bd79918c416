#include "store/store_size.h"

#include <sys/stat.h>

#include "store/note_store.h"

namespace kd {

bool over_size_limit(const std::string& file) {
    struct stat st {};
    if (::stat(file.c_str(), &st) != 0) {
        return false;
    }
    return static_cast<std::uintmax_t>(st.st_size) / 1000 > kStoreSizeLimitThousands;
}

CleaningRange cleaning_range(CleaningMode mode, int note_count, int restored_last) {
    const bool periodic = mode == CleaningMode::Periodic;
    const int above = std::max(periodic ? restored_last : note_count, 0);
    return {above + 1, periodic ? kPeriodicCleaningLast : kSizeLimitCleaningLast};
}

std::vector<int> clean_records(const NoteStore& store, CleaningRange range,
                               const std::function<void()>& after_delete,
                               const std::function<int()>& in_use) {
    std::vector<int> deleted;
    // The file's sections are looked at once: testing every number of the range one by one
    // costs a look at the file each, fifteen thousand of them between two events.
    for (int i : stored_note_numbers(store)) {
        if (i < range.first || i > range.last) {
            continue;
        }
        if ((in_use && i <= in_use()) || !store.record_exists(i)) {
            continue;
        }
        if (store.delete_record(i)) {
            deleted.push_back(i);
        }
        if (after_delete) {
            after_delete();
        }
    }
    return deleted;
}

}  // namespace kd
