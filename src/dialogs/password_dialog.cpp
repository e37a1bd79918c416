#include "dialogs/password_dialog.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "dialogs/small_dialog_pictures.h"
#include "platform/message_boxes.h"

namespace kd {

namespace sdl = small_dialogs;

namespace {

// Places in dialog pixels; the check mode moves the buttons up to kCheckButtonsTop.
constexpr int kWidth = 290;
constexpr int kSetHeight = 110;
constexpr int kSetButtonsTop = 75;
constexpr int kCheckButtonsTop = 55;
constexpr int kFieldLeft = 150;
constexpr int kFieldWidth = 130;
constexpr int kRowHeight = 22;

QLineEdit* make_field(QWidget* parent, int top) {
    auto* edit = new QLineEdit(parent);
    edit->setEchoMode(QLineEdit::Password);
    edit->setMaxLength(sdl::kPasswordMaxLength);
    edit->setGeometry(kFieldLeft, top, kFieldWidth, kRowHeight);
    return edit;
}

bool is_enter(QEvent* event) {
    if (event->type() != QEvent::KeyPress) {
        return false;
    }
    const int key = static_cast<QKeyEvent*>(event)->key();
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

}  // namespace

PasswordDialog::PasswordDialog(sdl::PasswordMode mode, MessageBoxes& boxes, QWidget* parent)
    : QDialog(parent), mode_(mode), boxes_(boxes) {
    setWindowTitle(QString::fromUtf8(sdl::kPasswordCaption));
    auto* key = new QLabel(this);
    key->setPixmap(key_picture(32));
    key->setGeometry(10, 12, 32, 32);
    auto* first_label = new QLabel(QString::fromUtf8(sdl::kPasswordLabel), this);
    first_label->setGeometry(55, 12, 90, kRowHeight);
    first_ = make_field(this, 12);
    second_label_ = new QLabel(QString::fromUtf8(sdl::kPasswordAgainLabel), this);
    second_label_->setGeometry(55, 42, 90, kRowHeight);
    second_ = make_field(this, 42);
    ok_ = new QPushButton(tr("OK"), this);
    cancel_ = new QPushButton(tr("Cancel"), this);
    ok_->setDefault(true);
    ok_->setGeometry(kWidth - 180, kSetButtonsTop, 80, 26);
    cancel_->setGeometry(kWidth - 90, kSetButtonsTop, 80, 26);
    int height = kSetHeight;
    if (mode_ == sdl::PasswordMode::Check) {
        second_label_->hide();
        second_->hide();
        height -= sdl::kCheckModeShrink;
        ok_->move(ok_->x(), kCheckButtonsTop);
        cancel_->move(cancel_->x(), kCheckButtonsTop);
    }
    setFixedSize(kWidth, height);
    first_->installEventFilter(this);
    second_->installEventFilter(this);
    connect(ok_, &QPushButton::clicked, this, &PasswordDialog::press_ok);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
}

void PasswordDialog::press_ok() {
    const std::string first = sdl::trimmed(first_->text().toStdString());
    const std::string second = sdl::trimmed(second_->text().toStdString());
    first_->setText(QString::fromStdString(first));
    second_->setText(QString::fromStdString(second));
    switch (sdl::password_outcome(mode_, first, second)) {
        case sdl::PasswordOutcome::Stay:
            break;
        case sdl::PasswordOutcome::Accept:
            password_ = first;
            accept();
            break;
        case sdl::PasswordOutcome::Mismatch:
            second_->clear();
            boxes_.tell(this, QMessageBox::Critical, QString::fromUtf8(sdl::kPasswordMismatch));
            break;
    }
}

bool PasswordDialog::eventFilter(QObject* watched, QEvent* event) {
    if (is_enter(event)) {
        if (watched == first_ && mode_ == sdl::PasswordMode::Set) {
            second_->setFocus();
        } else {
            press_ok();
        }
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void PasswordDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    first_->setFocus();
}

}  // namespace kd
