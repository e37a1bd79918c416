// The dialogs of the note file commands: open and save file dialogs and the printer set-up.
// The standard ones unless a test gives its own. A file dialog starts in the folder last used
// for its kind of file (by its default extension), else in the home folder.
#pragma once

#include <optional>
#include <string>

#include "files/note_file_rules.h"

class QPrinter;
class QWidget;

namespace kd {

class NoteFileDialogs {
public:
    virtual ~NoteFileDialogs() = default;
    // The chosen path; nothing on Cancel. `filter` is "|"-separated ("Text (*.txt)|*.txt|"),
    // `default_extension` is added to a name typed without one.
    virtual std::optional<std::string> open_file(QWidget* parent, const std::string& filter,
                                                 const std::string& default_extension);
    // The save dialog starts with `proposed` as the file name. An existing file is not asked
    // about here: the commands ask themselves.
    virtual std::optional<std::string> save_file(QWidget* parent, const std::string& filter,
                                                 const std::string& default_extension,
                                                 const std::string& proposed);
    // The print dialog without page range or selection; false on Cancel.
    virtual bool set_up_printer(QWidget* parent, QPrinter& printer);

private:
    std::optional<std::string> run(QWidget* parent, bool save, const std::string& filter,
                                   const std::string& default_extension,
                                   const std::string& proposed);

    RecentFolders folders_;
};

}  // namespace kd
