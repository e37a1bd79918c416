#include "mail/mail_access.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QNetworkInformation>

#include "mail/mail_texts.h"
#include "store/note_store.h"

namespace kd::mail {

MailAccess::MailAccess(const NoteStore& store) : store_(store) {}

std::optional<MailLogon> MailAccess::logon(QWidget* parent) {
    if (auto held = session_.logon()) {
        return held;
    }
    auto given = ask_logon(parent, read_mail_account(store_));
    if (!given) {
        return std::nullopt;
    }
    write_mail_account(store_, given->account);
    session_.set_logon(*given);
    return given;
}

bool MailAccess::online() const {
    if (QNetworkInformation::instance() == nullptr &&
        !QNetworkInformation::loadBackendByFeatures(QNetworkInformation::Feature::Reachability)) {
        return true;
    }
    const auto* info = QNetworkInformation::instance();
    return info == nullptr ||
           info->reachability() != QNetworkInformation::Reachability::Disconnected;
}

std::optional<MailLogon> MailAccess::ask_logon(QWidget* parent, const MailAccount& account) {
    LogonDialog dialog(account, parent);
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    return dialog.logon();
}

namespace {

// Wide enough for a server URL.
constexpr int kFieldWidth = 280;

QLineEdit* add_field(QFormLayout* form, const char* label, const char* tip,
                     const std::string& text) {
    auto* edit = new QLineEdit(QString::fromStdString(text));
    edit->setMinimumWidth(kFieldWidth);
    edit->setToolTip(QString::fromUtf8(tip));
    form->addRow(QString::fromUtf8(label), edit);
    return edit;
}

}  // namespace

LogonDialog::LogonDialog(const MailAccount& account, QWidget* parent)
    : QDialog(parent), account_(account) {
    setWindowTitle(QString::fromUtf8(kLogonCaption));
    auto* form = new QFormLayout(this);
    smtp_ = add_field(form, kLogonSmtpLabel, kTipSmtp, account.smtp_url);
    imap_ = add_field(form, kLogonImapLabel, kTipImap, account.imap_url);
    user_ = add_field(form, kLogonUserLabel, kTipUser, account.user_name);
    address_ = add_field(form, kLogonAddressLabel, kTipAddress, account.address);
    password_ = add_field(form, kLogonPasswordLabel, kTipPassword, {});
    password_->setEchoMode(QLineEdit::Password);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &LogonDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &LogonDialog::reject);
    // The first field still empty gets the focus; with an account set, the password.
    for (QLineEdit* edit : {smtp_, imap_, user_, password_}) {
        if (edit->text().isEmpty()) {
            edit->setFocus();
            break;
        }
    }
}

MailLogon LogonDialog::logon() const {
    const auto text = [](const QLineEdit* edit) { return edit->text().trimmed().toStdString(); };
    MailAccount account = account_;
    account.smtp_url = text(smtp_);
    account.imap_url = text(imap_);
    account.user_name = text(user_);
    account.address = text(address_);
    return {account, password_->text().toStdString()};
}

void LogonDialog::accept() {
    // The servers and the user name are needed; a refused dialog keeps the focus there.
    for (QLineEdit* edit : {smtp_, imap_, user_}) {
        if (edit->text().trimmed().isEmpty()) {
            edit->setFocus();
            return;
        }
    }
    QDialog::accept();
}

}  // namespace kd::mail
