// The settings dialog: three pages behind tabs, stored one after the other by "Save and
// Apply changes", which closes the dialog only when every page took its input.
#pragma once

#include <QDialog>

class QPushButton;
class QTabWidget;

namespace kd {

class DefaultNotePage;
class GeneralSettingsPage;
class IdentitySource;
class NetworkSettingsPage;
class NoteServices;

class SettingsDialog : public QDialog {
    Q_OBJECT
public:
    SettingsDialog(NoteServices& services, const IdentitySource& identity,
                   QWidget* parent = nullptr);

    enum Page { General = 0, DefaultNote = 1, Network = 2 };
    GeneralSettingsPage* general_page() const { return general_; }
    DefaultNotePage* default_note_page() const { return default_note_; }
    NetworkSettingsPage* network_page() const { return network_; }
    QTabWidget* tabs() const { return tabs_; }
    QPushButton* save_button() const { return save_; }

    // "Save and Apply changes": stops at the first page that refuses, on its tab.
    void save();

signals:
    void hot_key_applied(bool take);
    void intervals_applied(int check_email_minutes, int read_network_minutes);
    void organize_themes_requested(QWidget* parent);

private:
    QTabWidget* tabs_ = nullptr;
    GeneralSettingsPage* general_ = nullptr;
    DefaultNotePage* default_note_ = nullptr;
    NetworkSettingsPage* network_ = nullptr;
    QPushButton* save_ = nullptr;
};

}  // namespace kd
