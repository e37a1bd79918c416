#include "files/note_export_commands.h"

#include <sys/stat.h>
#include <QDir>
#include <QMessageBox>
#include <QPointer>
#include <cerrno>
#include <cstdio>

#include "files/export_file.h"
#include "files/note_file_dialogs.h"
#include "files/note_file_rules.h"
#include "note/note_menus_model.h"
#include "note/note_view.h"
#include "platform/clock.h"
#include "platform/message_boxes.h"
#include "platform/paths.h"
#include "store/note_store.h"

namespace kd {

namespace et = export_texts;
namespace nm = note_menu;

namespace {

bool file_exists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

std::vector<std::string> entries_of(const std::vector<ExportIndexRow>& rows) {
    std::vector<std::string> out;
    out.reserve(rows.size());
    for (const ExportIndexRow& row : rows) {
        out.push_back(row.entry);
    }
    return out;
}

}  // namespace

NoteExportCommands::NoteExportCommands(NoteServices& services, NoteHost& host,
                                       std::unique_ptr<NoteListChooser> chooser, QObject* parent)
    : QObject(parent),
      services_(services),
      host_(host),
      dialogs_(std::make_unique<NoteFileDialogs>()),
      chooser_(std::move(chooser)) {
    services_.set_export_writer(this);
    services_.set_command_enabled(nm::kExportNote, true);
    services_.set_command_enabled(nm::kImportNote, true);
    connect(&services_, &NoteServices::command_requested, this, &NoteExportCommands::run);
}

NoteExportCommands::~NoteExportCommands() {
    if (services_.export_writer() == this) {
        services_.set_export_writer(nullptr);
    }
}

void NoteExportCommands::set_dialogs(std::unique_ptr<NoteFileDialogs> dialogs) {
    dialogs_ = std::move(dialogs);
}

void NoteExportCommands::run(int id, NoteView* note) {
    if (note == nullptr) {
        return;
    }
    if (id == nm::kExportNote) {
        export_note(*note);
    } else if (id == nm::kImportNote) {
        import_note(*note);
    }
}

bool NoteExportCommands::write(const NoteRecord& record, const std::string& file) {
    return append_to_export_file(record, file, services_.clock().local_now(),
                                 services_.store().errors()) != 0;
}

void NoteExportCommands::tell(QWidget* parent, const char* text) {
    services_.boxes().tell(parent, QMessageBox::Warning, QString::fromUtf8(text));
}

// Every file dialog may have moved the current folder; the program works from the start
// folder.
void NoteExportCommands::restore_current_folder() {
    QDir::setCurrent(QString::fromStdString(services_.paths().StartFolder));
}

std::optional<std::string> NoteExportCommands::choose_export_file(QWidget* parent,
                                                                  const std::string& proposed) {
    QPointer<QWidget> alive(parent);
    for (;;) {
        std::optional<std::string> path =
            dialogs_->save_file(parent, et::kFilter, et::kExtension, proposed);
        restore_current_folder();
        if (!path || (parent != nullptr && !alive)) {
            return std::nullopt;
        }
        if (file_extension(*path) != et::kExtension) {
            tell(parent, et::kWrongExportExtension);
            continue;
        }
        if (!file_exists(*path)) {
            return path;
        }
        const auto answer = services_.boxes().show(
            parent, QMessageBox::Question,
            QString::fromStdString(replace_or_append_question(*path)),
            QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes);
        if (answer == QMessageBox::No) {
            return path;
        }
        if (answer != QMessageBox::Yes) {
            return std::nullopt;
        }
        if (std::remove(path->c_str()) != 0 && errno != ENOENT) {
            tell(parent, et::kCanNotReplace);
            return std::nullopt;
        }
        return path;
    }
}

std::optional<std::string> NoteExportCommands::choose_import_file(QWidget* parent) {
    for (;;) {
        std::optional<std::string> path = dialogs_->open_file(parent, et::kFilter, et::kExtension);
        restore_current_folder();
        if (!path) {
            return std::nullopt;
        }
        if (file_extension(*path) == et::kExtension) {
            return path;
        }
        tell(parent, et::kWrongImportExtension);
    }
}

std::optional<std::vector<int>> NoteExportCommands::choose(QWidget* parent, NoteListMode mode,
                                                           const std::vector<std::string>& rows) {
    return chooser_->choose(parent, mode, rows,
                            services_.store().settings().text(Setting::DefaultDateFormat),
                            services_.boxes());
}

void NoteExportCommands::export_notes(QWidget* parent) {
    const NoteStore& store = services_.store();
    const std::vector<std::string> rows = stored_note_rows(store, host_.note_count());
    const auto chosen = choose(parent, NoteListMode::Export, rows);
    if (!chosen || chosen->empty()) {
        return;
    }
    const std::optional<std::string> path = choose_export_file(parent, {});
    if (!path) {
        return;
    }
    const std::tm now = services_.clock().local_now();
    for (int k : *chosen) {
        if (k < 0 || k >= static_cast<int>(rows.size())) {
            continue;
        }
        NoteRecord record;
        if (store.read_record(parse_note_row(rows[k]).number, record)) {
            append_to_export_file(record, *path, now, store.errors());
        }
    }
}

void NoteExportCommands::import_notes(QWidget* parent) {
    const std::optional<std::string> path = choose_import_file(parent);
    if (!path) {
        return;
    }
    const std::vector<ExportIndexRow> rows = read_export_rows(*path);
    const auto chosen = choose(parent, NoteListMode::Import, entries_of(rows));
    if (!chosen) {
        return;
    }
    std::vector<NoteViewPointer> made;
    for (int k : *chosen) {
        NoteRecord record;
        if (k < 0 || k >= static_cast<int>(rows.size()) ||
            !read_exported_record(services_.store(), *path, rows[k].number, record)) {
            continue;
        }
        NoteView* note = host_.create_note();
        if (note->create_from_record(record, true, true)) {
            made.emplace_back(note);
        }
    }
    if (made.empty()) {
        return;
    }
    // The new notes and the count in one write, as for notes that arrive.
    StoreTransaction tx(services_.store());
    tx.set_number_of_notes(host_.note_count());
    std::vector<Note*> alive;
    for (const NoteViewPointer& note : made) {
        if (note) {
            alive.push_back(&note->note());
        }
    }
    write_notes(tx, alive, store_texts::kErrorWritingNote);
}

void NoteExportCommands::export_note(NoteView& note) {
    QPointer<QWidget> alive(note.widget());
    const std::optional<std::string> path =
        choose_export_file(note.widget(), proposed_text_file_name(note.note().title_text()));
    if (path && alive) {
        note.save_state(*path);
    }
}

void NoteExportCommands::import_note(NoteView& note) {
    QPointer<QWidget> alive(note.widget());
    const std::optional<std::string> path = choose_import_file(note.widget());
    if (!path || !alive) {
        return;
    }
    int number = kFirstExportNumber;
    if (exported_note_count(*path) != 1) {
        const std::vector<ExportIndexRow> rows = read_export_rows(*path);
        const auto chosen = choose(note.widget(), NoteListMode::ImportOne, entries_of(rows));
        if (!chosen || chosen->empty() || !alive || chosen->front() < 0 ||
            chosen->front() >= static_cast<int>(rows.size())) {
            return;
        }
        number = rows[chosen->front()].number;
    }
    NoteRecord record;
    if (read_exported_record(services_.store(), *path, number, record)) {
        note.import_record(record);
    }
}

}  // namespace kd
