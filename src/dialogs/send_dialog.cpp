#include "dialogs/send_dialog.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "net/identity.h"
#include "net/net_list.h"
#include "note/note_services.h"
#include "store/note_lists.h"
#include "store/note_store.h"

namespace kd {

namespace sd = send_dialog;

namespace {

// Tips on a pale yellow (0xAFFFFF), at most 300 pixels wide.
constexpr const char* kTipStyle =
    "QToolTip { background-color: #ffffaf; color: black; max-width: 300px; }";
constexpr int kPictureSize = 16;
// Whether a list entry is an e-mail address rides on the item.
constexpr int kEmailRole = Qt::UserRole + 1;

QPixmap blank_picture() {
    QPixmap picture(kPictureSize, kPictureSize);
    picture.fill(Qt::transparent);
    return picture;
}

// A screen on a stand.
QIcon computer_icon() {
    QPixmap picture = blank_picture();
    QPainter p(&picture);
    p.setPen(QColor(40, 40, 40));
    p.setBrush(QColor(70, 130, 200));
    p.drawRect(1, 1, 13, 9);
    p.setBrush(QColor(190, 190, 190));
    p.drawRect(5, 11, 5, 1);
    p.drawRect(2, 13, 11, 2);
    return QIcon(picture);
}

// An envelope.
QIcon email_icon() {
    QPixmap picture = blank_picture();
    QPainter p(&picture);
    p.setPen(QColor(40, 40, 40));
    p.setBrush(QColor(250, 240, 200));
    p.drawRect(1, 3, 13, 9);
    p.drawLine(1, 3, 8, 9);
    p.drawLine(14, 3, 8, 9);
    return QIcon(picture);
}

QTreeWidget* make_list(QWidget* parent, const char* column) {
    auto* list = new QTreeWidget(parent);
    list->setColumnCount(1);
    list->setHeaderLabel(QString::fromUtf8(column));
    list->header()->setDefaultAlignment(Qt::AlignCenter);
    list->header()->setSectionsMovable(true);
    list->setColumnWidth(0, sd::kColumnWidth);
    list->setRootIsDecorated(false);
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setAllColumnsShowFocus(true);
    list->setContextMenuPolicy(Qt::CustomContextMenu);
    list->setIconSize(QSize(kPictureSize, kPictureSize));
    return list;
}

QToolButton* make_picture_button(QWidget* parent, QStyle::StandardPixmap picture) {
    auto* button = new QToolButton(parent);
    button->setIcon(parent->style()->standardIcon(picture));
    button->setAutoRaise(false);
    button->setFixedSize(28, 24);
    return button;
}

QPushButton* make_button(QWidget* parent, const char* text) {
    auto* button = new QPushButton(QString::fromUtf8(text), parent);
    // Enter in the typed-recipient edit adds it; it must never press a button instead.
    button->setAutoDefault(false);
    button->setDefault(false);
    return button;
}

std::vector<std::string> texts_of(const QTreeWidget* list) {
    std::vector<std::string> texts;
    texts.reserve(std::size_t(list->topLevelItemCount()));
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        texts.push_back(list->topLevelItem(i)->text(0).toStdString());
    }
    return texts;
}

}  // namespace

SendDialog::SendDialog(NoteView* note, NoteServices& services, const IdentitySource& identity,
                       QWidget* parent)
    : QDialog(parent),
      note_(note),
      manager_(note == nullptr),
      services_(services),
      identity_(identity) {
    setWindowTitle(QString::fromUtf8(sd::kCaption));
    setWindowIcon(computer_icon());
    setStyleSheet(kTipStyle);
    build_controls();
    build_layout();
    set_tooltips();
    connect_controls();

    fill_neighbourhood();
    fill_groups();
    set_sender(
        sd::sender_from_setting(services_.store().settings().text(Setting::SentFrom), identity_));
    kinds_->setEnabled(!manager_);
    sender_->setEnabled(!manager_);
    sender_label_->setEnabled(!manager_);
    update_add_button();
    update_buttons();
    typed_->setFocus();
}

void SendDialog::build_controls() {
    typed_ = new QLineEdit(this);
    add_ = make_picture_button(this, QStyle::SP_ArrowRight);
    neighbourhood_ = make_list(this, sd::kNeighbourhoodColumn);
    add_all_ = make_picture_button(this, QStyle::SP_MediaSeekForward);
    refresh_ = make_button(this, sd::kRefresh);
    recipients_ = make_list(this, sd::kRecipientsColumn);
    remove_ = make_picture_button(this, QStyle::SP_ArrowLeft);
    clear_ = make_picture_button(this, QStyle::SP_DialogResetButton);
    groups_ = new QComboBox(this);
    save_group_ = make_button(this, sd::kSaveGroup);
    delete_group_ = make_button(this, sd::kDeleteGroup);
    sender_label_ = new QLabel(QString::fromUtf8(sd::kSentFromLabel), this);
    kinds_ = new QComboBox(this);
    for (const char* kind : sd::kSenderKindTexts) {
        kinds_->addItem(QString::fromUtf8(kind));
    }
    sender_ = new QLineEdit(this);
    send_ = make_button(this, sd::kSendNote);
    close_ = make_button(this, sd::kClose);
    neighbourhood_->installEventFilter(this);
    recipients_->installEventFilter(this);
}

void SendDialog::build_layout() {
    auto* typed_row = new QHBoxLayout;
    typed_row->addWidget(new QLabel(QString::fromUtf8(sd::kTypedLabel), this));
    typed_row->addWidget(typed_, 1);

    auto* middle = new QVBoxLayout;
    middle->addStretch();
    for (QWidget* button : {static_cast<QWidget*>(add_), static_cast<QWidget*>(add_all_),
                            static_cast<QWidget*>(remove_), static_cast<QWidget*>(clear_)}) {
        middle->addWidget(button);
    }
    middle->addStretch();

    auto* lists = new QGridLayout;
    lists->addWidget(neighbourhood_, 0, 0);
    lists->addLayout(middle, 0, 1);
    lists->addWidget(recipients_, 0, 2);
    lists->addWidget(refresh_, 1, 0, Qt::AlignLeft);

    auto* group_row = new QHBoxLayout;
    group_row->addWidget(new QLabel(QString::fromUtf8(sd::kGroupLabel), this));
    group_row->addWidget(groups_, 1);
    group_row->addWidget(save_group_);
    group_row->addWidget(delete_group_);

    auto* sender_row = new QHBoxLayout;
    sender_row->addWidget(sender_label_);
    sender_row->addWidget(kinds_);
    sender_row->addWidget(sender_, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(send_);
    buttons->addWidget(close_);

    auto* all = new QVBoxLayout(this);
    all->addLayout(typed_row);
    all->addLayout(lists, 1);
    all->addLayout(group_row);
    all->addLayout(sender_row);
    all->addLayout(buttons);
    resize(520, 400);
}

void SendDialog::set_tooltips() {
    const auto tip = [](QWidget* w, const char* text) { w->setToolTip(QString::fromUtf8(text)); };
    tip(typed_, sd::kTipTyped);
    tip(neighbourhood_, sd::kTipNeighbourhood);
    tip(recipients_, sd::kTipRecipients);
    tip(groups_, sd::kTipGroups);
    tip(save_group_, sd::kTipSaveGroup);
    tip(delete_group_, sd::kTipDeleteGroup);
    tip(send_, sd::kTipSend);
    tip(close_, sd::kTipClose);
    tip(add_, sd::kTipAdd);
    tip(remove_, sd::kTipRemove);
    tip(clear_, sd::kTipClear);
    tip(add_all_, sd::kTipAddAll);
    tip(refresh_, sd::kTipRefresh);
    tip(kinds_, sd::kTipSentFrom);
    tip(sender_, sd::kTipSentFrom);
}

void SendDialog::connect_controls() {
    connect(typed_, &QLineEdit::returnPressed, this, &SendDialog::add_typed);
    connect(typed_, &QLineEdit::textChanged, this, &SendDialog::update_add_button);
    connect(add_, &QToolButton::clicked, this, [this] {
        if (sd::typed_text_addable(typed_->text().toStdString())) {
            add_typed();
        } else {
            add_selected_computers();
        }
    });
    connect(neighbourhood_, &QTreeWidget::itemSelectionChanged, this,
            &SendDialog::update_add_button);
    connect(neighbourhood_, &QTreeWidget::itemDoubleClicked, this,
            &SendDialog::add_selected_computers);
    connect(add_all_, &QToolButton::clicked, this, &SendDialog::add_all_computers);
    connect(refresh_, &QPushButton::clicked, this, &SendDialog::refresh_neighbourhood);
    connect(recipients_, &QTreeWidget::itemSelectionChanged, this, &SendDialog::update_buttons);
    connect(remove_, &QToolButton::clicked, this, &SendDialog::remove_selected);
    connect(clear_, &QToolButton::clicked, this, &SendDialog::clear_recipients);
    connect(groups_, &QComboBox::activated, this, &SendDialog::select_group);
    connect(save_group_, &QPushButton::clicked, this, &SendDialog::save_group);
    connect(delete_group_, &QPushButton::clicked, this, &SendDialog::delete_group);
    connect(kinds_, &QComboBox::activated, this, &SendDialog::change_sender_kind);
    connect(send_, &QPushButton::clicked, this, &SendDialog::send);
    connect(close_, &QPushButton::clicked, this, &SendDialog::reject);
    connect(neighbourhood_, &QWidget::customContextMenuRequested, this,
            [this] { show_list_menu(neighbourhood_, make_neighbourhood_menu()); });
    connect(recipients_, &QWidget::customContextMenuRequested, this,
            [this] { show_list_menu(recipients_, make_recipient_menu()); });
}

std::vector<std::string> SendDialog::recipients() const {
    return texts_of(recipients_);
}

std::vector<std::string> SendDialog::neighbourhood() const {
    return texts_of(neighbourhood_);
}

void SendDialog::fill_neighbourhood() {
    neighbourhood_->clear();
    const QIcon picture = computer_icon();
    for (const std::string& entry :
         neighbourhood_entries(NoteLists(services_.store()).read_network_list())) {
        auto* item = new QTreeWidgetItem(neighbourhood_, {QString::fromStdString(entry)});
        item->setIcon(0, picture);
        item->setTextAlignment(0, Qt::AlignCenter);
    }
    add_all_->setEnabled(neighbourhood_->topLevelItemCount() > 0);
}

void SendDialog::fill_groups() {
    groups_->clear();
    for (const std::string& name : non_empty_entries(NoteLists(services_.store()).group_names())) {
        groups_->addItem(QString::fromStdString(name));
    }
    groups_->setCurrentIndex(-1);
}

void SendDialog::set_sender(const send_dialog::SenderChoice& choice) {
    kinds_->setCurrentIndex(static_cast<int>(choice.kind));
    sender_->setText(QString::fromStdString(choice.text));
    sender_->setReadOnly(choice.read_only);
}

bool SendDialog::holds_recipient(const std::string& text) const {
    const QString wanted = QString::fromStdString(text);
    for (int i = 0; i < recipients_->topLevelItemCount(); ++i) {
        if (recipients_->topLevelItem(i)->text(0) == wanted) {
            return true;
        }
    }
    return false;
}

void SendDialog::insert_recipient(const send_dialog::Recipient& recipient) {
    auto* item = new QTreeWidgetItem({QString::fromStdString(recipient.text)});
    item->setIcon(0, recipient.email ? email_icon() : computer_icon());
    item->setTextAlignment(0, Qt::AlignCenter);
    item->setData(0, kEmailRole, recipient.email);
    recipients_->insertTopLevelItem(0, item);
}

void SendDialog::after_list_change() {
    groups_->setCurrentIndex(-1);
    update_buttons();
}

void SendDialog::update_add_button() {
    add_->setEnabled(!neighbourhood_->selectedItems().isEmpty() ||
                     sd::typed_text_addable(typed_->text().toStdString()));
}

void SendDialog::update_buttons() {
    const bool any = recipients_->topLevelItemCount() > 0;
    send_->setEnabled(any && !manager_);
    clear_->setEnabled(any);
    save_group_->setEnabled(any);
    delete_group_->setEnabled(groups_->currentIndex() >= 0);
    remove_->setEnabled(!recipients_->selectedItems().isEmpty());
}

void SendDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // Centred on the desktop, not on the note it was opened from.
    if (const QScreen* screen = this->screen(); screen != nullptr && parentWidget() == nullptr) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

bool SendDialog::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (watched == neighbourhood_ && (key == Qt::Key_Return || key == Qt::Key_Enter)) {
            add_selected_computers();
            return true;
        }
        if (watched == recipients_ && key == Qt::Key_Delete) {
            remove_selected();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace kd
