#include "files/note_file_commands.h"

#include <sys/stat.h>

#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QPointer>
#include <QPrinter>

#include "files/file_texts.h"
#include "files/note_file_dialogs.h"
#include "files/note_file_rules.h"
#include "files/note_picture.h"
#include "files/note_print.h"
#include "note/note_menus_model.h"
#include "note/note_services.h"
#include "note/note_view.h"
#include "platform/message_boxes.h"
#include "platform/paths.h"
#include "platform/private_files.h"
#include "platform/text_encoding.h"

namespace kd {

namespace ft = file_texts;
namespace nm = note_menu;

namespace {

// Every file dialog may have moved the current folder; the program works from the start
// folder.
void restore_current_folder(const NoteServices& services) {
    QDir::setCurrent(QString::fromStdString(services.paths().StartFolder));
}

bool file_exists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

}  // namespace

NoteFileCommands::NoteFileCommands(NoteServices& services, QObject* parent)
    : QObject(parent), services_(services), dialogs_(std::make_unique<NoteFileDialogs>()) {
    for (int id : {nm::kOpenFile, nm::kSaveNoteAs, nm::kSaveAsPicture, nm::kPrintNote}) {
        services_.set_command_enabled(id, true);
    }
    connect(&services_, &NoteServices::command_requested, this, &NoteFileCommands::run);
}

NoteFileCommands::~NoteFileCommands() = default;

void NoteFileCommands::set_dialogs(std::unique_ptr<NoteFileDialogs> dialogs) {
    dialogs_ = std::move(dialogs);
}

void NoteFileCommands::run(int id, NoteView* note) {
    if (note == nullptr) {
        return;
    }
    switch (id) {
        case nm::kOpenFile:
            open_file(*note);
            break;
        case nm::kSaveNoteAs:
            save_note_as(*note);
            break;
        case nm::kSaveAsPicture:
            save_as_picture(*note);
            break;
        case nm::kPrintNote:
            print_note(*note);
            break;
        default:
            break;
    }
}

void NoteFileCommands::tell(NoteView& note, const std::string& text) {
    services_.boxes().tell(note.widget(), QMessageBox::Warning, QString::fromStdString(text));
}

void NoteFileCommands::open_file(NoteView& note) {
    QPointer<QWidget> alive(note.widget());
    const std::optional<std::string> path =
        dialogs_->open_file(note.widget(), ft::kOpenFilter, ft::kTextExtension);
    restore_current_folder(services_);
    if (!path || !alive) {
        return;
    }
    std::string text;
    if (!read_text_file(*path, text)) {
        tell(note, path_message(ft::kCanNotOpen, *path));
        return;
    }
    switch (opened_as(file_extension(*path))) {
        case OpenedAs::RichText:
            note.set_body_rtf(text);
            break;
        case OpenedAs::PlainText:
            note.set_body_text(text_as_utf8(text));
            break;
        case OpenedAs::Ignored:
            break;
    }
}

std::optional<std::string> NoteFileCommands::choose_save_file(NoteView& note, bool& append) {
    QPointer<QWidget> alive(note.widget());
    append = false;
    std::optional<std::string> path =
        dialogs_->save_file(note.widget(), ft::kSaveFilter, ft::kTextExtension,
                            proposed_text_file_name(note.note().title_text()));
    restore_current_folder(services_);
    while (path && alive && file_exists(*path)) {
        const bool append_offered = offers_append(file_extension(*path));
        const auto answer = services_.boxes().show(
            note.widget(), QMessageBox::Question,
            QString::fromStdString(existing_file_question(*path, append_offered)),
            QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes);
        if (answer == QMessageBox::Yes || !alive) {
            break;
        }
        if (answer != QMessageBox::No) {
            return std::nullopt;
        }
        if (append_offered) {
            append = true;
            break;
        }
        path = dialogs_->save_file(note.widget(), ft::kSaveFilter, ft::kTextExtension,
                                   proposed_text_file_name(note.note().title_text()));
        restore_current_folder(services_);
    }
    if (!alive) {
        return std::nullopt;
    }
    return path;
}

void NoteFileCommands::save_note_as(NoteView& note) {
    bool append = false;
    const std::optional<std::string> path = choose_save_file(note, append);
    if (!path) {
        return;
    }
    const std::string text = saves_rich_text(file_extension(*path))
                                 ? note.body_rtf()
                                 : text_to_save(note.body_plain_text(), append);
    if (!write_text_file(*path, text, append)) {
        tell(note, path_message(ft::kCanNotSave, *path));
    }
}

void NoteFileCommands::save_as_picture(NoteView& note) {
    QPointer<QWidget> alive(note.widget());
    const std::optional<std::string> path =
        dialogs_->save_file(note.widget(), std::string(ft::kPictureFilter) + ft::kPngPictureFilter,
                            ft::kPictureExtension, note.note().title_text());
    restore_current_folder(services_);
    if (!path || !alive) {
        return;
    }
    const std::string extension = file_extension(*path);
    const char* made_name = extension == "bmp"   ? ft::kNoteBmp
                            : extension == "jpg" ? ft::kNoteJpg
                            : extension == "png" ? ft::kNotePng
                                                 : nullptr;
    if (made_name == nullptr) {
        return;
    }
    // The pictures are made in a fresh folder of our own: a file planted under one of their
    // names in the start folder (a link, a FIFO) could otherwise be overwritten or hang us.
    const PrivateTempFolder pictures;
    const std::string& folder = pictures.path();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool made = make_note_picture(note, extension, folder);
    const bool copied = made && copy_file(picture_path(folder, made_name), *path);
    delete_note_pictures(services_.boxes(), note.widget(), folder);
    QApplication::restoreOverrideCursor();
    if (!copied && alive) {
        tell(note, ft::kPictureFailed);
    }
}

void NoteFileCommands::print_note(NoteView& note) {
    QPointer<QWidget> alive(note.widget());
    QPrinter printer(QPrinter::HighResolution);
    if (!dialogs_->set_up_printer(note.widget(), printer) || !alive) {
        return;
    }
    kd::print_note(note, printer);
}

}  // namespace kd
