// The password dialog of the Show-all lock: in set mode the password is typed twice, in check
// mode once. It only reads the text; the caller compares it with the stored password.
#pragma once

#include <QDialog>

#include <string>

#include "dialogs/small_dialog_rules.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace kd {

class MessageBoxes;

class PasswordDialog : public QDialog {
    Q_OBJECT
public:
    PasswordDialog(small_dialogs::PasswordMode mode, MessageBoxes& boxes,
                   QWidget* parent = nullptr);

    // The trimmed password after OK.
    std::string password() const { return password_; }

    QLineEdit* password_edit() const { return first_; }
    QLineEdit* confirmation_edit() const { return second_; }
    QPushButton* ok_button() const { return ok_; }
    QPushButton* cancel_button() const { return cancel_; }

    // "OK": trims both fields; closes only with a usable password.
    void press_ok();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    const small_dialogs::PasswordMode mode_;
    MessageBoxes& boxes_;
    std::string password_;
    QLineEdit* first_ = nullptr;
    QLineEdit* second_ = nullptr;
    QLabel* second_label_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* cancel_ = nullptr;
};

}  // namespace kd
