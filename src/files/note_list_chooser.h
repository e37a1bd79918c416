// Choosing notes from a check-box list: which notes to export, which of an export file to
// import, which to delete when the settings file is full. The list itself is a dialog of the
// program's (`DialogNoteListChooser`); the application hands it in, tests hand in their own.
#pragma once

#include <optional>
#include <string>
#include <vector>

class QWidget;

namespace kd {

class MessageBoxes;

enum class NoteListMode { ImportOne = 1, Import = 2, Export = 3, Delete = 4 };

class NoteListChooser {
public:
    virtual ~NoteListChooser() = default;
    // `rows`: index entries of an export file (import modes) or "title~n~Yes~" rows of stored
    // notes (export and delete); `date_format` is DefaultDateFormat, for the import modes.
    // Gives the positions in `rows` of the checked rows, or nothing when it was cancelled.
    virtual std::optional<std::vector<int>> choose(QWidget* parent, NoteListMode mode,
                                                   const std::vector<std::string>& rows,
                                                   const std::string& date_format,
                                                   MessageBoxes& boxes) = 0;
};

}  // namespace kd
