// The way to the user's mail account from the UI thread: whether the computer is online, and
// the logon of this run, asked for in the logon dialog when none is held. The account (server
// URLs, user name, address) is saved in the settings file; the password stays in memory.
#pragma once

#include <QDialog>

#include <optional>

#include "mail/mail_account.h"

class QLineEdit;

namespace kd {
class NoteStore;
}

namespace kd::mail {

class MailAccess {
public:
    explicit MailAccess(const NoteStore& store);
    virtual ~MailAccess() = default;

    // The held logon, else the one the user gives in the logon dialog (its account saved).
    // Nothing when the user cancels.
    std::optional<MailLogon> logon(QWidget* parent);
    // The server refused the held logon: the next use asks again.
    void forget_password() { session_.forget_password(); }
    // The platform's reachability; unknown counts as online.
    virtual bool online() const;

protected:
    // Shows the logon dialog over `parent`, filled with `account`; tests answer instead.
    virtual std::optional<MailLogon> ask_logon(QWidget* parent, const MailAccount& account);

private:
    const NoteStore& store_;
    MailSession session_;
};

// The logon dialog: the account's servers and user name, and the password.
class LogonDialog : public QDialog {
    Q_OBJECT
public:
    LogonDialog(const MailAccount& account, QWidget* parent = nullptr);
    MailLogon logon() const;

protected:
    void accept() override;

private:
    MailAccount account_;  // what the dialog does not show stays as it was
    QLineEdit* smtp_ = nullptr;
    QLineEdit* imap_ = nullptr;
    QLineEdit* user_ = nullptr;
    QLineEdit* address_ = nullptr;
    QLineEdit* password_ = nullptr;
};

}  // namespace kd::mail
