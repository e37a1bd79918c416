#include "dialogs/network_settings_page.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "dialogs/send_dialog_rules.h"
#include "dialogs/send_dialog_service.h"
#include "dialogs/settings_rules.h"
#include "dialogs/settings_texts.h"
#include "note/note_services.h"
#include "platform/message_boxes.h"
#include "store/note_store.h"

namespace kd {

namespace st = settings_texts;
namespace sr = settings_rules;
namespace sd = send_dialog;

namespace {

QString default_port() {
    return QString::number(store_texts::kDefaultCommunicationPort);
}

}  // namespace

NetworkSettingsPage::NetworkSettingsPage(NoteServices& services, const IdentitySource& identity,
                                         QWidget* parent)
    : SettingsPage(parent), services_(services), identity_(identity) {
    build();
    read_settings();
    connect(kind_, &QComboBox::activated, this, &NetworkSettingsPage::change_kind);
    connect(manager_, &QPushButton::clicked, this, [this] { open_send_manager(services_, this); });
}

void NetworkSettingsPage::add_row(const char* label, QWidget* control) {
    grid_->addWidget(new QLabel(settings_text(label), this), row_, 0);
    grid_->addWidget(control, row_++, 1);
}

YesNoPair* NetworkSettingsPage::add_pair(const char* label, const char* tip) {
    auto* pair = new YesNoPair(this);
    pair->set_tip(settings_text(tip));
    add_row(label, pair);
    return pair;
}

QLineEdit* NetworkSettingsPage::add_minutes(const char* label, const char* tip) {
    auto* edit = new QLineEdit(this);
    edit->setToolTip(settings_text(tip));
    edit->setMaximumWidth(80);
    auto* box = new QWidget(this);
    auto* line = new QHBoxLayout(box);
    line->setContentsMargins(0, 0, 0, 0);
    line->addWidget(edit);
    line->addWidget(new QLabel(settings_text(st::kMinutes), box));
    line->addStretch(1);
    add_row(label, box);
    return edit;
}

QComboBox* NetworkSettingsPage::add_list(const char* label, const char* tip,
                                         std::initializer_list<const char*> items) {
    auto* list = new QComboBox(this);
    for (const char* item : items) {
        list->addItem(settings_text(item));
    }
    list->setToolTip(settings_text(tip));
    add_row(label, list);
    return list;
}

void NetworkSettingsPage::build() {
    grid_ = new QGridLayout(this);
    read_on_start_ = add_pair(st::kReadOnStart, st::kTipReadOnStart);
    read_interval_ = add_minutes(st::kReadInterval, st::kTipReadInterval);
    after_send_ = add_list(st::kAfterSend, st::kTipAfterSend,
                           {st::kAfterSendItems[0], st::kAfterSendItems[1]});
    send_errors_ = add_pair(st::kSendErrors, st::kTipSendErrors);
    ask_reply_ = add_pair(st::kAskReply, st::kTipAskReply);

    kind_ = new QComboBox(this);
    for (const char* kind : sd::kSenderKindTexts) {
        kind_->addItem(settings_text(kind));
    }
    kind_->setToolTip(settings_text(st::kTipSentFromKind));
    sender_ = new QLineEdit(this);
    sender_->setToolTip(settings_text(st::kTipSentFromText));
    auto* sender_box = new QWidget(this);
    auto* sender_row = new QHBoxLayout(sender_box);
    sender_row->setContentsMargins(0, 0, 0, 0);
    sender_row->addWidget(kind_);
    sender_row->addWidget(sender_, 1);
    add_row(st::kSentFrom, sender_box);
    manager_ = new QPushButton(settings_text(st::kManager), this);
    manager_->setAutoDefault(false);
    manager_->setToolTip(settings_text(st::kTipManager));
    grid_->addWidget(manager_, row_++, 1, Qt::AlignLeft);

    email_on_start_ = add_pair(st::kEmailOnStart, st::kTipEmailOnStart);
    email_interval_ = add_minutes(st::kEmailInterval, st::kTipEmailInterval);
    attach_picture_ = add_pair(st::kAttachPicture, st::kTipAttachPicture);
    picture_format_ = add_list(st::kPictureFormat, st::kTipPictureFormat,
                               {st::kPictureItems[0], st::kPictureItems[1]});
    port_ = new QLineEdit(this);
    port_->setMaximumWidth(80);
    port_->setToolTip(settings_text(st::kTipPort).arg(default_port()));
    add_row(st::kPort, port_);
    play_sound_ = add_pair(st::kPlaySound, st::kTipPlaySound);
    grid_->setRowStretch(row_, 1);
}

void NetworkSettingsPage::read_settings() {
    const Settings settings = services_.store().settings();
    read_on_start_->set_yes(settings.ticked(Setting::ReadNetworkOnStart));
    read_interval_->setText(
        QString::fromStdString(sr::text_or(settings.text(Setting::ReadNetworkInterval), "0")));
    after_send_->setCurrentIndex(settings.shown(Setting::AfterSend));
    send_errors_->set_yes(settings.ticked(Setting::ShowSendErrorMessage));
    ask_reply_->set_yes(settings.ticked(Setting::AskWhenReply));
    const sd::SenderChoice sender =
        sd::sender_from_setting(settings.text(Setting::SentFrom), identity_);
    kind_->setCurrentIndex(static_cast<int>(sender.kind));
    sender_->setText(QString::fromStdString(sender.text));
    sender_->setReadOnly(sender.read_only);
    email_on_start_->set_yes(settings.ticked(Setting::CheckEmailOnStart));
    email_interval_->setText(
        QString::fromStdString(sr::text_or(settings.text(Setting::CheckEmailInterval), "0")));
    attach_picture_->set_yes(settings.ticked(Setting::IncludePictureAttachment));
    // A missing format is stored at once, whatever button ends the dialog.
    picture_format_->setCurrentIndex(shown_choice_of(
        Setting::DefaultPictureFormat, settings.filled(Setting::DefaultPictureFormat)));
    port_->setText(QString::fromStdString(
        sr::text_or(settings.text(Setting::CommunicationPort), default_port().toStdString())));
    play_sound_->set_yes(settings.ticked(Setting::PlaySound));
}

void NetworkSettingsPage::change_kind(int index) {
    if (index < 0) {
        return;
    }
    const sd::SenderChoice choice = sd::sender_for_kind(static_cast<sd::SenderKind>(index),
                                                        sender_->text().toStdString(), identity_);
    sender_->setText(QString::fromStdString(choice.text));
    sender_->setReadOnly(choice.read_only);
}

bool NetworkSettingsPage::apply() {
    sr::NetworkValues v;
    v.read_on_start = read_on_start_->is_yes();
    v.read_interval = read_interval_->text().toStdString();
    v.after_send = after_send_->currentIndex();
    v.send_errors = send_errors_->is_yes();
    v.ask_reply = ask_reply_->is_yes();
    v.kind = static_cast<sd::SenderKind>(std::max(0, kind_->currentIndex()));
    v.sender_text = sender_->text().toStdString();
    v.email_on_start = email_on_start_->is_yes();
    v.email_interval = email_interval_->text().toStdString();
    v.attach_picture = attach_picture_->is_yes();
    v.picture_format = picture_format_->currentIndex();
    v.port = port_->text().toStdString();
    v.play_sound = play_sound_->is_yes();
    const sr::NetworkOutcome out = sr::apply_network(services_.store(), v);
    if (out.intervals_stored) {
        emit intervals_applied(out.email_interval, out.read_interval);
    }
    if (out.port_changed) {
        services_.boxes().tell(this, QMessageBox::Information,
                               settings_text(st::kPortChanged).arg(default_port()));
    }
    if (out.ok) {
        return true;
    }
    services_.boxes().tell(this, out.error_icon ? QMessageBox::Critical : QMessageBox::NoIcon,
                           settings_text(out.error));
    using Focus = sr::NetworkOutcome::Focus;
    if (out.focus == Focus::KindBox) {
        kind_->setFocus();
    } else if (out.focus == Focus::SenderEdit) {
        sender_->setFocus();
    } else if (out.focus == Focus::PortEdit) {
        port_->setFocus();
    }
    return false;
}

}  // namespace kd
