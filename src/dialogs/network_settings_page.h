// "Network settings": reading the neighbourhood, sending, the default sender identity,
// e-mail notes and their pictures, the port and the arrival sound.
#pragma once

#include "dialogs/settings_widgets.h"

#include <initializer_list>

class QComboBox;
class QGridLayout;
class QLineEdit;
class QPushButton;

namespace kd {

class IdentitySource;
class NoteServices;

class NetworkSettingsPage : public SettingsPage {
    Q_OBJECT
public:
    NetworkSettingsPage(NoteServices& services, const IdentitySource& identity,
                        QWidget* parent = nullptr);
    bool apply() override;

    YesNoPair* read_on_start() const { return read_on_start_; }
    QLineEdit* read_interval() const { return read_interval_; }
    QComboBox* after_send() const { return after_send_; }
    YesNoPair* send_errors() const { return send_errors_; }
    YesNoPair* ask_reply() const { return ask_reply_; }
    QComboBox* sender_kind() const { return kind_; }
    QLineEdit* sender_edit() const { return sender_; }
    QPushButton* manager_button() const { return manager_; }
    YesNoPair* email_on_start() const { return email_on_start_; }
    QLineEdit* email_interval() const { return email_interval_; }
    YesNoPair* attach_picture() const { return attach_picture_; }
    QComboBox* picture_format() const { return picture_format_; }
    QLineEdit* port_edit() const { return port_; }
    YesNoPair* play_sound() const { return play_sound_; }

signals:
    // The intervals in minutes the running program takes at once.
    void intervals_applied(int check_email_minutes, int read_network_minutes);

private:
    void build();
    void add_row(const char* label, QWidget* control);
    YesNoPair* add_pair(const char* label, const char* tip);
    QLineEdit* add_minutes(const char* label, const char* tip);
    QComboBox* add_list(const char* label, const char* tip,
                        std::initializer_list<const char*> items);
    void read_settings();
    void change_kind(int index);

    NoteServices& services_;
    const IdentitySource& identity_;
    QGridLayout* grid_ = nullptr;
    int row_ = 0;
    YesNoPair* read_on_start_ = nullptr;
    QLineEdit* read_interval_ = nullptr;
    QComboBox* after_send_ = nullptr;
    YesNoPair* send_errors_ = nullptr;
    YesNoPair* ask_reply_ = nullptr;
    QComboBox* kind_ = nullptr;
    QLineEdit* sender_ = nullptr;
    QPushButton* manager_ = nullptr;
    YesNoPair* email_on_start_ = nullptr;
    QLineEdit* email_interval_ = nullptr;
    YesNoPair* attach_picture_ = nullptr;
    QComboBox* picture_format_ = nullptr;
    QLineEdit* port_ = nullptr;
    YesNoPair* play_sound_ = nullptr;
};

}  // namespace kd
