#include "dialogs/general_settings_page.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSignalBlocker>
#include <filesystem>

#include "dialogs/password_dialog.h"
#include "dialogs/settings_rules.h"
#include "dialogs/settings_texts.h"
#include "note/note_services.h"
#include "platform/autostart.h"
#include "platform/clock.h"
#include "platform/message_boxes.h"
#include "platform/paths.h"
#include "reminders/note_stamp.h"
#include "store/note_store.h"

namespace kd {

namespace st = settings_texts;
namespace sr = settings_rules;

namespace {

// The user's configuration folder: where the settings file lives.
std::string config_folder_of(const NoteServices& services) {
    return std::filesystem::path(services.paths().IniPath).parent_path().string();
}

}  // namespace

GeneralSettingsPage::GeneralSettingsPage(NoteServices& services, QWidget* parent)
    : SettingsPage(parent), services_(services) {
    build();
    read_settings();
    connect(date_format_, &QComboBox::currentIndexChanged, this,
            &GeneralSettingsPage::show_date_example);
    connect(lock_, &QCheckBox::toggled, this, &GeneralSettingsPage::lock_toggled);
}

void GeneralSettingsPage::build() {
    date_format_ = new QComboBox(this);
    for (const char* format : st::kDateFormats) {
        date_format_->addItem(settings_text(format));
    }
    date_format_->setToolTip(settings_text(st::kTipDateFormat));
    date_label_ = new QLabel(this);
    auto* grid = new QGridLayout(this);
    grid->addWidget(date_label_, 0, 0);
    grid->addWidget(date_format_, 0, 1);
    int row = 1;
    const auto add_pair = [&](const char* label, const char* tip) {
        auto* pair = new YesNoPair(this);
        pair->set_tip(settings_text(tip));
        grid->addWidget(new QLabel(settings_text(label), this), row, 0);
        grid->addWidget(pair, row++, 1);
        return pair;
    };
    scroll_bar_ = add_pair(st::kScrollBar, st::kTipScrollBar);
    close_button_ = add_pair(st::kCloseButton, st::kTipCloseButton);
    close_menu_ = add_pair(st::kCloseMenu, st::kTipCloseMenu);
    confirm_delete_ = add_pair(st::kConfirmDelete, st::kTipConfirmDelete);
    task_bar_ = add_pair(st::kTaskBar, st::kTipTaskBar);
    random_themes_ = add_pair(st::kRandomThemes, st::kTipRandomThemes);
    lock_ = new QCheckBox(settings_text(st::kLock), this);
    lock_->setToolTip(settings_text(st::kTipLock));
    password_ = new QLineEdit(this);
    password_->setEchoMode(QLineEdit::Password);
    password_->setMaxLength(small_dialogs::kPasswordMaxLength);
    password_->setEnabled(false);
    password_->setToolTip(settings_text(st::kTipPassword));
    grid->addWidget(lock_, row, 0);
    grid->addWidget(password_, row++, 1);
    hot_key_ = new QCheckBox(settings_text(st::kHotKey), this);
    hot_key_->setToolTip(settings_text(st::kTipHotKey));
    grid->addWidget(hot_key_, row++, 0, 1, 2);
    autostart_ = new QCheckBox(settings_text(st::kAutostart), this);
    autostart_->setToolTip(settings_text(st::kTipAutostart));
    grid->addWidget(autostart_, row++, 0, 1, 2);
    spelling_ = new QCheckBox(settings_text(st::kCheckSpelling), this);
    spelling_->setToolTip(settings_text(st::kTipCheckSpelling));
    grid->addWidget(spelling_, row++, 0, 1, 2);
    grid->setRowStretch(row, 1);
}

void GeneralSettingsPage::read_settings() {
    const Settings settings = services_.store().settings();
    // Reading the date format writes the first one when none is stored.
    const int format = sr::date_format_index(settings.text(Setting::DefaultDateFormat));
    date_format_->setCurrentIndex(format);
    show_date_example();
    scroll_bar_->set_yes(settings.ticked(Setting::ShowScrollBar));
    close_button_->set_yes(settings.ticked(Setting::ShowCloseButton));
    close_menu_->set_yes(settings.ticked(Setting::DisableCloseMenu));
    confirm_delete_->set_yes(settings.ticked(Setting::AskBeforeDelete));
    task_bar_->set_yes(settings.ticked(Setting::ShowTaskBar));
    random_themes_->set_yes(settings.ticked(Setting::RandomThemes));
    hot_key_->setChecked(settings.ticked(Setting::DisableHotkey));
    autostart_->setChecked(autostart_enabled(config_folder_of(services_)));
    spelling_->setChecked(settings.ticked(Setting::CheckSpelling));
    const bool locked = settings.ticked(Setting::ShowAllPasswordYesNo);
    set_lock_checked(locked);
    password_->setText(locked ? QString::fromStdString(settings.show_all_password()) : QString());
}

void GeneralSettingsPage::show_date_example() {
    const std::optional<NoteStamp> today = stamp_from_time(services_.clock().now());
    const std::string example =
        today ? format_display_date(date_format_->currentText().toStdString(), *today) : "";
    date_label_->setText(settings_text(st::kDateFormatBefore) + QString::fromStdString(example) +
                         settings_text(st::kDateFormatAfter));
}

void GeneralSettingsPage::set_lock_checked(bool checked) {
    const QSignalBlocker block(lock_);
    lock_->setChecked(checked);
}

void GeneralSettingsPage::lock_toggled(bool checked) {
    const Settings settings = services_.store().settings();
    if (checked) {
        PasswordDialog dialog(small_dialogs::PasswordMode::Set, services_.boxes(), this);
        if (dialog.exec() != QDialog::Accepted) {
            set_lock_checked(false);
            return;
        }
        password_->setText(QString::fromStdString(dialog.password()));
        settings.set_show_all_lock(true, dialog.password());
        return;
    }
    if (password_->text().isEmpty()) {
        return;
    }
    const std::string stored = settings.show_all_password();
    PasswordDialog dialog(small_dialogs::PasswordMode::Check, services_.boxes(), this);
    if (dialog.exec() != QDialog::Accepted) {
        set_lock_checked(true);
        return;
    }
    if (dialog.password() != stored) {
        set_lock_checked(true);
        services_.boxes().tell(this, QMessageBox::Critical, settings_text(st::kWrongPassword));
        return;
    }
    password_->clear();
    settings.set_show_all_lock(false, "");
}

bool GeneralSettingsPage::apply() {
    sr::GeneralValues v;
    v.date_format = date_format_->currentText().toStdString();
    v.scroll_bar = scroll_bar_->is_yes();
    v.task_bar = task_bar_->is_yes();
    v.close_button = close_button_->is_yes();
    v.disable_hotkey = hot_key_->isChecked();
    v.ask_before_delete = confirm_delete_->is_yes();
    v.disable_close_menu = close_menu_->is_yes();
    v.random_themes = random_themes_->is_yes();
    v.lock_checked = lock_->isChecked();
    v.check_spelling = spelling_->isChecked();
    sr::apply_general(services_.store(), v);
    services_.set_show_scroll_bar(v.scroll_bar);
    services_.set_check_spelling(v.check_spelling);
    emit hot_key_applied(!v.disable_hotkey);
    return apply_autostart();
}

bool GeneralSettingsPage::apply_autostart() {
    const std::string folder = config_folder_of(services_);
    const bool on = autostart_->isChecked();
    if (on == autostart_enabled(folder)) {
        return true;
    }
    std::string error;
    if (set_autostart(folder, on, QCoreApplication::applicationFilePath().toStdString(), error)) {
        return true;
    }
    services_.boxes().tell(this, QMessageBox::Warning, QString::fromStdString(error));
    autostart_->setFocus();
    return false;
}

}  // namespace kd
