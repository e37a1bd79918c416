// Export and import of notes: the tray's "Export note(s)" and "Import note(s)", a note's
// "Export note" and "Import note", and the writer through which a note appends its record to
// an export file. Made once by the application.
#pragma once

#include <QObject>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "files/note_list_chooser.h"
#include "note/note_services.h"

class QWidget;

namespace kd {

class NoteFileDialogs;
class NoteHost;
class NoteView;

class NoteExportCommands : public QObject, public NoteExportWriter {
    Q_OBJECT
public:
    // Enables the note menus' "Export note" and "Import note" and becomes the services'
    // export writer. `host` makes and numbers the imported notes; `chooser` shows the list of
    // notes to export or import.
    NoteExportCommands(NoteServices& services, NoteHost& host,
                       std::unique_ptr<NoteListChooser> chooser, QObject* parent = nullptr);
    ~NoteExportCommands() override;

    void set_dialogs(std::unique_ptr<NoteFileDialogs> dialogs);

    // NoteExportWriter: appends the record with the current local time.
    bool write(const NoteRecord& record, const std::string& file) override;

    // Tray commands; `parent` is the main window.
    void export_notes(QWidget* parent);
    void import_notes(QWidget* parent);
    // Note commands.
    void export_note(NoteView& note);
    void import_note(NoteView& note);

private:
    void run(int id, NoteView* note);
    // The save dialog until a ".kvd" name is given, then the replace-or-append question; the
    // path to write to, or nothing when the user stopped (or the file could not be replaced).
    std::optional<std::string> choose_export_file(QWidget* parent, const std::string& proposed);
    // The open dialog until a ".kvd" file is chosen.
    std::optional<std::string> choose_import_file(QWidget* parent);
    std::optional<std::vector<int>> choose(QWidget* parent, NoteListMode mode,
                                           const std::vector<std::string>& rows);
    void tell(QWidget* parent, const char* text);
    void restore_current_folder();

    NoteServices& services_;
    NoteHost& host_;
    std::unique_ptr<NoteFileDialogs> dialogs_;
    std::unique_ptr<NoteListChooser> chooser_;
};

}  // namespace kd
