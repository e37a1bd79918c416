// "General settings": date format, note behaviour, the Show-all lock (stored the moment it
// is set or cleared) and the Alt+N hot key.
#pragma once

#include "dialogs/settings_widgets.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;

namespace kd {

class NoteServices;
class YesNoPair;

class GeneralSettingsPage : public SettingsPage {
    Q_OBJECT
public:
    explicit GeneralSettingsPage(NoteServices& services, QWidget* parent = nullptr);
    bool apply() override;

    QComboBox* date_format_box() const { return date_format_; }
    QLabel* date_label() const { return date_label_; }
    YesNoPair* scroll_bar() const { return scroll_bar_; }
    YesNoPair* close_button() const { return close_button_; }
    YesNoPair* close_menu() const { return close_menu_; }
    YesNoPair* confirm_delete() const { return confirm_delete_; }
    YesNoPair* task_bar() const { return task_bar_; }
    YesNoPair* random_themes() const { return random_themes_; }
    QCheckBox* lock_box() const { return lock_; }
    QLineEdit* password_field() const { return password_; }
    QCheckBox* hot_key_box() const { return hot_key_; }
    QCheckBox* autostart_box() const { return autostart_; }
    QCheckBox* spelling_box() const { return spelling_; }

signals:
    // The hot key is to be given up, and taken again when `take` is set.
    void hot_key_applied(bool take);

private:
    void build();
    void read_settings();
    // The desktop's autostart entry, next to the settings file; not kept in the file itself.
    bool apply_autostart();
    void show_date_example();
    void lock_toggled(bool checked);
    // Sets the box without running the lock's dialogs again.
    void set_lock_checked(bool checked);

    NoteServices& services_;
    QComboBox* date_format_ = nullptr;
    QLabel* date_label_ = nullptr;
    YesNoPair* scroll_bar_ = nullptr;
    YesNoPair* close_button_ = nullptr;
    YesNoPair* close_menu_ = nullptr;
    YesNoPair* confirm_delete_ = nullptr;
    YesNoPair* task_bar_ = nullptr;
    YesNoPair* random_themes_ = nullptr;
    QCheckBox* lock_ = nullptr;
    QLineEdit* password_ = nullptr;
    QCheckBox* hot_key_ = nullptr;
    QCheckBox* autostart_ = nullptr;
    QCheckBox* spelling_ = nullptr;
};

}  // namespace kd
