// "Send note to other": the recipients of one note, typed or taken from the network
// neighbourhood or a saved group, the identity to send as, and the send itself. Opened
// without a note it is the manager of groups and the neighbourhood, and sends nothing.
#pragma once

#include <QDialog>
#include <QPointer>

#include <optional>
#include <string>
#include <vector>

#include "dialogs/send_dialog_rules.h"
#include "note/note_view.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace kd {

class IdentitySource;
class NoteServices;
class NoteView;

class SendDialog : public QDialog {
    Q_OBJECT
public:
    // `note` null: manager mode.
    SendDialog(NoteView* note, NoteServices& services, const IdentitySource& identity,
               QWidget* parent = nullptr);

    // After the run: whether "Send note" sent, and whether every recipient got the note.
    bool sent() const { return sent_; }
    bool sent_without_errors() const { return sent_without_errors_; }

    // The lists from the top, as shown.
    std::vector<std::string> recipients() const;
    std::vector<std::string> neighbourhood() const;

    // ---- The controls, for tests.
    QLineEdit* typed_edit() const { return typed_; }
    QTreeWidget* neighbourhood_list() const { return neighbourhood_; }
    QTreeWidget* recipient_list() const { return recipients_; }
    QComboBox* group_box() const { return groups_; }
    QComboBox* sender_kind_box() const { return kinds_; }
    QLineEdit* sender_edit() const { return sender_; }
    QLabel* sender_label() const { return sender_label_; }
    QToolButton* add_button() const { return add_; }
    QToolButton* add_all_button() const { return add_all_; }
    QToolButton* remove_button() const { return remove_; }
    QToolButton* clear_button() const { return clear_; }
    QPushButton* refresh_button() const { return refresh_; }
    QPushButton* save_group_button() const { return save_group_; }
    QPushButton* delete_group_button() const { return delete_group_; }
    QPushButton* send_button() const { return send_; }
    QPushButton* close_button() const { return close_; }
    // The pop-up menu of a list as a right click would show it; null where none would open.
    QMenu* make_neighbourhood_menu();
    QMenu* make_recipient_menu();

    // ---- Commands (buttons, keys and menus call them).
    void add_typed();
    void add_selected_computers();
    void add_all_computers();
    void remove_selected();
    void clear_recipients();
    void select_group(int index);
    void save_group();
    void delete_group();
    void refresh_neighbourhood();
    void change_sender_kind(int index);
    void show_ip_address(QTreeWidget* list);
    void send();

protected:
    // The group name, or nothing when the user cancels; tests answer it themselves.
    virtual std::optional<std::string> ask_group_name();
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void build_controls();
    void build_layout();
    void set_tooltips();
    void connect_controls();
    void fill_neighbourhood();
    void fill_groups();
    void set_sender(const send_dialog::SenderChoice& choice);
    void insert_recipient(const send_dialog::Recipient& recipient);
    bool holds_recipient(const std::string& text) const;
    void after_list_change();
    void update_add_button();
    void update_buttons();
    void show_list_menu(QTreeWidget* list, QMenu* menu);

    // The note may delete itself (its expiry) while the dialog is open.
    NoteViewPointer note_;
    const bool manager_;
    NoteServices& services_;
    const IdentitySource& identity_;
    bool sent_ = false;
    bool sent_without_errors_ = false;

    QLineEdit* typed_ = nullptr;
    QToolButton* add_ = nullptr;
    QTreeWidget* neighbourhood_ = nullptr;
    QToolButton* add_all_ = nullptr;
    QPushButton* refresh_ = nullptr;
    QTreeWidget* recipients_ = nullptr;
    QToolButton* remove_ = nullptr;
    QToolButton* clear_ = nullptr;
    QComboBox* groups_ = nullptr;
    QPushButton* save_group_ = nullptr;
    QPushButton* delete_group_ = nullptr;
    QLabel* sender_label_ = nullptr;
    QComboBox* kinds_ = nullptr;
    QLineEdit* sender_ = nullptr;
    QPushButton* send_ = nullptr;
    QPushButton* close_ = nullptr;
};

}  // namespace kd
