// The settings file's size limit and the cleaning pass that removes stale note records (records
// above the note count left by an earlier run). Windowless: the main window's maintenance
// shows the busy window and the delete dialog around it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace kd {

class NoteStore;

// Over the limit from 61 000 bytes on (the size in thousands of bytes, remainder dropped, above
// 60). A file whose size cannot be obtained is not over it.
inline constexpr std::uintmax_t kStoreSizeLimitThousands = 60;
bool over_size_limit(const std::string& file);

enum class CleaningMode { SizeLimit, Periodic };

// Both ranges stay far below the theme records (90000 and up).
inline constexpr int kSizeLimitCleaningLast = 15000;
inline constexpr int kPeriodicCleaningLast = 5000;

struct CleaningRange {
    int first = 1;
    int last = 0;
};
// Size limit: note count + 1 to 15000; periodic: the last record the start restores (the stored
// NumberOfNotes when it is a count, notes_to_restore()) + 1 to 5000.
CleaningRange cleaning_range(CleaningMode mode, int note_count, int restored_last);

// Deletes every existing record of the range in increasing order and calls `after_delete`
// after each deletion (the caller keeps the interface alive there). Numbers up to `in_use()`
// belong to open notes and are kept: notes that arrive meanwhile take the numbers above the
// note count. A record that cannot be deleted is reported by the store and the pass goes on.
// Returns the numbers deleted.
std::vector<int> clean_records(const NoteStore& store, CleaningRange range,
                               const std::function<void()>& after_delete = {},
                               const std::function<int()>& in_use = {});

}  // namespace kd
