#include "files/note_file_dialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QPrintDialog>
#include <QPrinter>

#include "files/note_file_rules.h"

namespace kd {

namespace {

std::optional<std::string> run_file_dialog(QFileDialog& dialog, const std::string& filter,
                                           const std::string& default_extension,
                                           const std::string& proposed = {}) {
    dialog.setNameFilters(QString::fromStdString(dialog_name_filter(filter)).split(";;"));
    dialog.setDefaultSuffix(QString::fromStdString(default_extension));
    dialog.setDirectory(QDir::currentPath());
    if (!proposed.empty())
        dialog.selectFile(QString::fromStdString(proposed));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst().toStdString();
}

}  // namespace

std::optional<std::string> NoteFileDialogs::open_file(QWidget* parent, const std::string& filter,
                                                      const std::string& default_extension) {
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    return run_file_dialog(dialog, filter, default_extension);
}

std::optional<std::string> NoteFileDialogs::save_file(QWidget* parent, const std::string& filter,
                                                      const std::string& default_extension,
                                                      const std::string& proposed) {
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    return run_file_dialog(dialog, filter, default_extension, proposed);
}

bool NoteFileDialogs::set_up_printer(QWidget* parent, QPrinter& printer) {
    QPrintDialog dialog(&printer, parent);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
    dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
    return dialog.exec() == QDialog::Accepted;
}

}  // namespace kd
