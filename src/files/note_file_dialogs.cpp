#include "files/note_file_dialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QPrintDialog>
#include <QPrinter>

#include "files/note_file_rules.h"

namespace kd {

std::optional<std::string> NoteFileDialogs::run(QWidget* parent, bool save,
                                                const std::string& filter,
                                                const std::string& default_extension,
                                                const std::string& proposed) {
    QFileDialog dialog(parent);
    if (save) {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
    }
    dialog.setNameFilters(QString::fromStdString(dialog_name_filter(filter)).split(";;"));
    dialog.setDefaultSuffix(QString::fromStdString(default_extension));
    dialog.setDirectory(QString::fromStdString(
        folders_.start_folder(default_extension, QDir::homePath().toStdString())));
    if (!proposed.empty()) {
        dialog.selectFile(QString::fromStdString(proposed));
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    const std::string chosen = dialog.selectedFiles().constFirst().toStdString();
    folders_.chose(default_extension, chosen);
    return chosen;
}

std::optional<std::string> NoteFileDialogs::open_file(QWidget* parent, const std::string& filter,
                                                      const std::string& default_extension) {
    return run(parent, false, filter, default_extension, {});
}

std::optional<std::string> NoteFileDialogs::save_file(QWidget* parent, const std::string& filter,
                                                      const std::string& default_extension,
                                                      const std::string& proposed) {
    return run(parent, true, filter, default_extension, proposed);
}

bool NoteFileDialogs::set_up_printer(QWidget* parent, QPrinter& printer) {
    QPrintDialog dialog(&printer, parent);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
    dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
    return dialog.exec() == QDialog::Accepted;
}

}  // namespace kd
