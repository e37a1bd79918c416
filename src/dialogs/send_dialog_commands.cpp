// What the send dialog's buttons, keys and menus do.
#include <QApplication>
#include <QComboBox>
#include <QCursor>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QStyle>
#include <QTreeWidget>

#include "dialogs/send_dialog.h"
#include "dialogs/text_entry_dialog.h"
#include "net/identity.h"
#include "net/neighbourhood.h"
#include "net/note_sending.h"
#include "note/note_services.h"
#include "platform/message_boxes.h"
#include "platform/wait_cursor.h"
#include "store/note_lists.h"

namespace kd {

namespace sd = send_dialog;

namespace {

// A "~" would split the name in the list of group names.
bool usable_group_name(const std::string& name) {
    return !name.empty() && name.find(lists::kListSeparator) == std::string::npos;
}

}  // namespace

void SendDialog::add_typed() {
    const sd::Recipient recipient = sd::typed_recipient(typed_->text().toStdString());
    if (!recipient.text.empty() && !holds_recipient(recipient.text)) {
        insert_recipient(recipient);
        typed_->clear();
    }
    after_list_change();
}

void SendDialog::add_selected_computers() {
    // In list order, so the last selected ends up on top as with single adds.
    for (int i = 0; i < neighbourhood_->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = neighbourhood_->topLevelItem(i);
        const std::string text = item->text(0).toStdString();
        if (item->isSelected() && !text.empty() && !holds_recipient(text)) {
            insert_recipient({text, false});
        }
    }
    after_list_change();
}

void SendDialog::add_all_computers() {
    for (const std::string& text : neighbourhood()) {
        if (!text.empty() && !holds_recipient(text)) {
            insert_recipient({text, false});
        }
    }
    after_list_change();
}

void SendDialog::remove_selected() {
    qDeleteAll(recipients_->selectedItems());
    after_list_change();
}

void SendDialog::clear_recipients() {
    recipients_->clear();
    after_list_change();
}

void SendDialog::select_group(int index) {
    if (index < 0) {
        return;
    }
    recipients_->clear();
    const std::string name = groups_->itemText(index).toStdString();
    for (const std::string& member :
         non_empty_entries(NoteLists(services_.store()).read_group(name))) {
        insert_recipient(sd::listed_recipient(member));
    }
    update_buttons();
}

std::optional<std::string> SendDialog::ask_group_name() {
    return TextEntryDialog::ask(small_dialogs::TextEntryMode::GroupName, std::string(), this);
}

void SendDialog::save_group() {
    const std::optional<std::string> name = ask_group_name();
    if (name && usable_group_name(*name)) {
        std::vector<std::string> members;
        for (const std::string& text : recipients()) {
            members.push_back(text + lists::kListSeparator);
        }
        if (NoteLists(services_.store()).save_group(*name, members)) {
            const QString shown = QString::fromStdString(*name);
            int at = groups_->findText(shown, Qt::MatchExactly | Qt::MatchCaseSensitive);
            if (at < 0) {
                groups_->addItem(shown);
                at = groups_->count() - 1;
            }
            groups_->setCurrentIndex(at);
        }
    }
    update_buttons();
}

void SendDialog::delete_group() {
    const int index = groups_->currentIndex();
    if (index < 0) {
        return;
    }
    const QString name = groups_->itemText(index);
    const QString question = QString::fromUtf8(sd::kDeleteGroupQuestionStart) + name +
                             QString::fromUtf8(sd::kDeleteGroupQuestionEnd);
    if (services_.boxes().ask(this, QMessageBox::Question, question)) {
        NoteLists(services_.store()).delete_group(name.toStdString());
        groups_->removeItem(index);
        groups_->setCurrentIndex(-1);
        recipients_->clear();
    }
    update_buttons();
}

void SendDialog::refresh_neighbourhood() {
    read_network_neighbourhood(services_.paths(), this);
    fill_neighbourhood();
    update_add_button();
    update_buttons();
}

void SendDialog::change_sender_kind(int index) {
    if (index < 0 || index >= static_cast<int>(sd::kSenderKindTexts.size())) {
        return;
    }
    set_sender(sd::sender_for_kind(static_cast<sd::SenderKind>(index),
                                   sender_->text().toStdString(), identity_));
}

void SendDialog::show_ip_address(QTreeWidget* list) {
    const QList<QTreeWidgetItem*> selected = list->selectedItems();
    if (selected.size() != 1) {
        return;
    }
    const QString entry = selected.front()->text(0);
    std::string address;
    {
        WaitCursor wait;
        address = identity_.ip_address_of(entry.toStdString());
    }
    if (address.empty()) {
        services_.boxes().tell(this, QMessageBox::NoIcon,
                               QString::fromUtf8(sd::kNoIpFormat).arg(entry));
    } else {
        services_.boxes().tell(
            this, QMessageBox::Information,
            QString::fromUtf8(sd::kShowIpFormat).arg(entry, QString::fromStdString(address)));
    }
}

QMenu* SendDialog::make_neighbourhood_menu() {
    if (neighbourhood_->selectedItems().size() != 1) {
        return nullptr;
    }
    auto* menu = new QMenu(this);
    QAction* add =
        menu->addAction(style()->standardIcon(QStyle::SP_ArrowRight),
                        QString::fromUtf8(sd::kMenuAdd), this, &SendDialog::add_selected_computers);
    add->setData(sd::kNeighbourhoodAdd);
    QAction* show = menu->addAction(style()->standardIcon(QStyle::SP_MessageBoxInformation),
                                    QString::fromUtf8(sd::kMenuShowIp), this,
                                    [this] { show_ip_address(neighbourhood_); });
    show->setData(sd::kNeighbourhoodShowIp);
    return menu;
}

QMenu* SendDialog::make_recipient_menu() {
    const QList<QTreeWidgetItem*> selected = recipients_->selectedItems();
    if (selected.size() != 1) {
        return nullptr;
    }
    auto* menu = new QMenu(this);
    QAction* remove =
        menu->addAction(style()->standardIcon(QStyle::SP_ArrowLeft),
                        QString::fromUtf8(sd::kMenuRemove), this, &SendDialog::remove_selected);
    remove->setData(sd::kRecipientRemove);
    QAction* show = menu->addAction(style()->standardIcon(QStyle::SP_MessageBoxInformation),
                                    QString::fromUtf8(sd::kMenuShowIp), this,
                                    [this] { show_ip_address(recipients_); });
    show->setData(sd::kRecipientShowIp);
    show->setEnabled(sd::can_show_ip_address(selected.front()->text(0).toStdString()));
    return menu;
}

void SendDialog::show_list_menu(QTreeWidget*, QMenu* menu) {
    if (menu == nullptr) {
        return;
    }
    menu->exec(QCursor::pos());
    menu->deleteLater();
}

void SendDialog::send() {
    if (manager_) {
        return;
    }
    if (!note_) {
        reject();
        return;
    }
    if (services_.email_check_running()) {
        services_.boxes().tell(this, QMessageBox::Information,
                               QString::fromUtf8(sd::kEmailCheckRunning));
        return;
    }
    const auto kind = static_cast<sd::SenderKind>(kinds_->currentIndex());
    const sd::IdentityCheck check = sd::check_identity(kind, sender_->text().toStdString());
    if (!check.ok()) {
        services_.boxes().tell(this, QMessageBox::Warning, QString::fromUtf8(check.error));
        (check.focus == sd::IdentityCheck::Focus::KindBox ? static_cast<QWidget*>(kinds_)
                                                          : static_cast<QWidget*>(sender_))
            ->setFocus();
        return;
    }
    const NoteViewPointer note = note_;
    MessageBoxes& boxes = services_.boxes();
    // The dialog goes once the computers were tried, before the note e-mail; the report
    // comes after both.
    const SendOutcome outcome =
        send_to_recipients(*note, recipients(), check.identity, [this] { accept(); });
    sent_ = true;
    sent_without_errors_ = outcome.sent_without_errors();
    show_send_errors(services_.store(), boxes, outcome.error_text,
                     note && !outcome.note_gone ? note->widget() : nullptr);
}

}  // namespace kd
