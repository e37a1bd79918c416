#include "dialogs/text_entry_dialog.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>

#include "dialogs/small_dialog_pictures.h"

namespace kd {

namespace sdl = small_dialogs;

TextEntryDialog::TextEntryDialog(sdl::TextEntryMode mode, const std::string& initial,
                                 QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(QString::fromUtf8(sdl::text_entry_caption(mode)));
    setWindowIcon(QIcon(pen_picture(32)));
    auto* picture = new QLabel(this);
    picture->setPixmap(pen_picture(32));
    edit_ = new QLineEdit(QString::fromStdString(initial), this);
    edit_->setMinimumWidth(260);
    note_ = new QLabel(QString::fromUtf8(sdl::kReservedCharacterNote), this);
    note_->setVisible(false);
    ok_ = new QPushButton(tr("OK"), this);
    ok_->setDefault(true);
    auto* cancel = new QPushButton(tr("Cancel"), this);
    connect(ok_, &QPushButton::clicked, this, &TextEntryDialog::press_ok);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* grid = new QGridLayout(this);
    grid->addWidget(picture, 0, 0, 2, 1, Qt::AlignTop);
    grid->addWidget(edit_, 0, 1);
    grid->addWidget(note_, 1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok_);
    buttons->addWidget(cancel);
    grid->addLayout(buttons, 2, 0, 1, 2);
    edit_->selectAll();
}

void TextEntryDialog::press_ok() {
    const std::string typed = edit_->text().toStdString();
    edit_->setText(QString::fromStdString(sdl::trimmed(typed)));
    const std::optional<std::string> accepted = sdl::accepted_entry(typed);
    if (!accepted) {
        // Blanks only stay silently; a "~" says why the text is not taken.
        note_->setVisible(typed.find(sdl::kReservedCharacter) != std::string::npos);
        return;
    }
    text_ = *accepted;
    accept();
}

std::optional<std::string> TextEntryDialog::ask(sdl::TextEntryMode mode, const std::string& initial,
                                                QWidget* parent) {
    // The parent (a note that expires) may take the dialog with it while it runs.
    QPointer<TextEntryDialog> dialog = new TextEntryDialog(mode, initial, parent);
    const int result = dialog->exec();
    if (dialog == nullptr) {
        return std::nullopt;
    }
    std::optional<std::string> text;
    if (result == QDialog::Accepted) {
        text = dialog->text();
    }
    delete dialog;
    return text;
}

}  // namespace kd
