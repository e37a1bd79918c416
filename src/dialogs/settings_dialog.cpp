#include "dialogs/settings_dialog.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "dialogs/default_note_page.h"
#include "dialogs/general_settings_page.h"
#include "dialogs/network_settings_page.h"
#include "dialogs/settings_texts.h"
#include "platform/app_identity.h"

namespace kd {

namespace st = settings_texts;

SettingsDialog::SettingsDialog(NoteServices& services, const IdentitySource& identity,
                               QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(QString::fromUtf8(st::kCaptionPattern).arg(kAppName, kVersionLabel));
    if (parent == nullptr) {
        setWindowIcon(qApp->windowIcon());
    }
    tabs_ = new QTabWidget(this);
    general_ = new GeneralSettingsPage(services, tabs_);
    default_note_ = new DefaultNotePage(services, tabs_);
    network_ = new NetworkSettingsPage(services, identity, tabs_);
    tabs_->addTab(general_, QString::fromUtf8(st::kGeneralTab));
    tabs_->addTab(default_note_, QString::fromUtf8(st::kDefaultNoteTab));
    tabs_->addTab(network_, QString::fromUtf8(st::kNetworkTab));
    tabs_->setCurrentIndex(General);

    save_ = new QPushButton(QString::fromUtf8(st::kSave), this);
    auto* cancel = new QPushButton(QString::fromUtf8(st::kCancel), this);
    save_->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(save_);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs_);
    layout->addLayout(buttons);

    connect(save_, &QPushButton::clicked, this, &SettingsDialog::save);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(general_, &GeneralSettingsPage::hot_key_applied, this,
            &SettingsDialog::hot_key_applied);
    connect(network_, &NetworkSettingsPage::intervals_applied, this,
            &SettingsDialog::intervals_applied);
    connect(default_note_, &DefaultNotePage::organize_themes_requested, this,
            &SettingsDialog::organize_themes_requested);
}

void SettingsDialog::save() {
    // Pages stored before a refusing one keep what they stored.
    SettingsPage* const pages[] = {general_, default_note_, network_};
    for (int i = 0; i < 3; ++i) {
        if (!pages[i]->apply()) {
            tabs_->setCurrentIndex(i);
            return;
        }
    }
    accept();
}

}  // namespace kd
