// Keeping the settings file under its size limit: the cleaning pass with the busy window, the
// maintenance that makes the user delete notes while the file stays over the limit, and the
// periodic cleaning every 101st start. It lives as a child of the main window.
#pragma once

#include <QObject>

#include <memory>

#include "store/store_size.h"

namespace kd {

class MainWindow;
class NoteListChooser;

namespace maintenance_texts {
inline constexpr const char* kCleaningFirstLine = "Cleaning and optimizing main data file ...";
inline constexpr const char* kCleaningSecondLine = "Please wait few seconds ... ";
inline constexpr const char* kNothingLeftToDelete =
    "The main data file is still over its size limit, but no note is left to delete.\n"
    "Other stored data (for example large recipient groups) takes the room; delete some of it "
    "to make room for new notes.";
}  // namespace maintenance_texts

class StoreMaintenance : public QObject {
    Q_OBJECT
public:
    explicit StoreMaintenance(MainWindow& main);
    ~StoreMaintenance() override;

    void set_chooser(std::unique_ptr<NoteListChooser> chooser);

    // The cleaning pass: the main window disabled, the busy window shown, the stale records of
    // the mode's range deleted while the interface stays alive.
    void clean(CleaningMode mode);
    // Before a new note is shown: when the file is over the limit, the size-limit pass, then
    // the delete list until the file is under the limit (or nothing is left to delete).
    void maintain_if_over_limit();

private:
    void delete_note_numbered(int number);

    MainWindow& main_;
    std::unique_ptr<NoteListChooser> chooser_;
};

}  // namespace kd
