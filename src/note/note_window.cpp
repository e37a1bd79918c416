#include "note/note_window.h"

#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QCursor>
#include <QGuiApplication>
#include <QMessageBox>
#include <QMouseEvent>
#include <QMoveEvent>
#include <QPainter>
#include <QShowEvent>
#include <QTextEdit>
#include <QTimer>
#include <QTimerEvent>
#include <QWindow>
#include <algorithm>

#include "note/note_menus.h"
#include "note/note_pictures.h"
#include "note/note_settings.h"
#include "note/note_title_strip.h"
#include "note/note_window_fade.h"
#include "platform/message_boxes.h"
#include "platform/paths.h"
#include "platform/window_hints.h"
#include "reminders/reminder_texts.h"
#include "richtext/qt_colour.h"
#include "store/note_store.h"

namespace kd {

namespace {

// Tips on a pale yellow (0xAFFFFF), at most 200 pixels wide.
constexpr const char* kTipStyle =
    "QToolTip { background-color: #ffffaf; color: black; max-width: 200px; }";

// Where and how big a note is before the main window places and sizes it.
constexpr int kTemplateLeft = kNoteTemplateLeft;
constexpr int kTemplateTop = kNoteTemplateTop;
constexpr int kTemplateWidth = 200;
constexpr int kTemplateHeight = 200;

const QColor kBorderColour(0, 0, 0);

// The sizes of `icon` that a taskbar button or a window switcher shows. A window sends every
// size of its icon to the X server when it is made; with the program's large sizes that was a
// sixth of the time it takes to show a note.
QIcon small_window_icon(const QIcon& icon) {
    static qint64 made_from = 0;
    static QIcon small;
    if (icon.cacheKey() != made_from) {
        made_from = icon.cacheKey();
        small = QIcon();
        for (int size : {16, 32}) {
            if (!icon.isNull()) {
                small.addPixmap(icon.pixmap(size));
            }
        }
    }
    return small;
}

}  // namespace

NoteWindow::NoteWindow(QWidget* owner, int number, NoteServices& services)
    : QWidget(owner), services_(services), note_(services.store(), *this, number) {
    // Construction: default look from the default theme.
    const NoteRecord theme = services_.default_look();
    note_.set_body_look(body_look_of(theme));
    note_.set_title_look(title_look_of(theme));

    // Initialisation.
    apply_taskbar_setting();
    setAttribute(Qt::WA_DeleteOnClose, false);
    setMouseTracking(true);
    // The reminder icons explain themselves also while another window has the focus.
    setAttribute(Qt::WA_AlwaysShowToolTips);
    setGeometry(kTemplateLeft, kTemplateTop, kTemplateWidth, kTemplateHeight);
    setMinimumSize(kMinNoteWidth, kMinNoteHeight);
    // The owner's icon (the program's), as a taskbar button shows it.
    setWindowIcon(small_window_icon(windowIcon()));
    build_children();
    menus_ = new NoteMenus(*this);
    note_.set_observer(this);
    body_->apply_default_format(false);
    show_title_look();
    note_.apply_title_alignment();
    apply_default_title();
    const NotePoint close = close_pos_at_creation(width());
    place_close_button(close.x, close.y);
    close_button_->setVisible(services_.store().settings().flag(Setting::ShowCloseButton));
    relayout();

    note_timer_.start(kNoteTimerMs, this);

    fade_ = std::make_unique<NoteFade>(*this, services_.paths().OsLabel);

    setWindowOpacity(1.0);
    // From here on a change is the user's or a command's, and is saved soon.
    start_autosave();
}

NoteWindow::~NoteWindow() {
    destroying_ = true;
    note_.stop_saving();
    note_.set_observer(nullptr);
    if (body_) {
        body_->document()->disconnect(this);
        body_->removeEventFilter(this);
        body_->viewport()->removeEventFilter(this);
        body_->disconnect(this);
    }
}

void NoteWindow::apply_taskbar_setting() {
    // A tool window gets no taskbar button; a plain one is listed under its title.
    Qt::WindowFlags flags = Qt::FramelessWindowHint;
    flags |= services_.store().settings().flag(Setting::ShowTaskBar) ? Qt::Window : Qt::Tool;
    setWindowFlags(flags);
}

void NoteWindow::build_children() {
    title_label_ = new NoteTitleLabel(this);
    title_label_->setText(kInitialTitle);
    setWindowTitle(kInitialTitle);
    note_.set_title_text(kInitialTitle);

    body_ = new NoteBody(this);
    body_->setObjectName("note_body");
    body_->setFrameShape(QFrame::NoFrame);
    body_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    body_->setAutoFillBackground(true);
    body_->document()->setDocumentMargin(0);
    body_->set_scroll_bar_flag(services_.show_scroll_bar());
    body_->set_spelling(services_.spelling());
    body_->set_notifier([this](const QString& text) {
        services_.boxes().tell(body_, QMessageBox::Information, text);
    });
    body_->set_link_asker([this](const QString& question) {
        return services_.boxes().ask(body_, QMessageBox::Question, question, QMessageBox::No);
    });
    body_->set_paragraph_editor([this](const QTextBlockFormat& current) {
        return services_.dialogs().edit_paragraph(this, current);
    });
    body_->set_font_chooser(
        [this](const QFont& initial) { return services_.dialogs().choose_font(body_, initial); });
    body_->set_colour_chooser([this](const QColor& initial) {
        return services_.dialogs().choose_colour(body_, initial);
    });
    connect(&services_, &NoteServices::show_scroll_bar_changed, body_,
            &NoteBody::set_scroll_bar_flag);
    body_->set_look(note_.body_look());
    body_->installEventFilter(this);
    // The body menu opens when the right button is released over the text.
    body_->viewport()->installEventFilter(this);
    connect(body_, &NoteBody::focus_lost, this, [this] { save_state(); });
    connect(body_, &NoteBody::back_colour_changed, this, [this] { update(); });

    close_button_ = new NoteIcon(this, NotePicture::Close);
    close_button_->set_ink(to_qcolor(note_.title_look().text_colour));
    close_button_->on_click = [this] { on_close_clicked(); };
}

NoteIcon* NoteWindow::made_icon(NoteIcon*& icon) {
    if (icon != nullptr) {
        return icon;
    }
    if (&icon == &roll_down_icon_) {
        icon = new NoteIcon(this, NotePicture::RollDown);
        icon->on_click = [this] { roll_down(); };
    } else if (&icon == &status_icon_) {
        icon = new NoteIcon(this, NotePicture::Received);
        icon->set_tip_style(kTipStyle);
    } else if (&icon == &expiration_icon_) {
        icon = new NoteIcon(this, NotePicture::Expiration);
        icon->setToolTip(reminder_texts::kExpirationIconTip);
        icon->set_tip_style(kTipStyle);
    } else {
        icon = new NoteIcon(this, NotePicture::Alarm);
        icon->setToolTip(reminder_texts::kAlarmIconTip);
        icon->set_tip_style(kTipStyle);
    }
    icon->hide();
    icon->setPalette(title_label_->palette());
    icon->set_ink(to_qcolor(note_.title_look().text_colour));
    return icon;
}

int NoteWindow::frame_px() const {
    return thin_border_ ? 1 : 0;
}

QSize NoteWindow::client_size() const {
    const int f = frame_px();
    return {width() - 2 * f, height() - 2 * f};
}

void NoteWindow::place_child(QWidget* child, int x, int y) {
    child->move(frame_px() + x, frame_px() + y);
}

// --- Body -------------------------------------------------------------------------------

std::string NoteWindow::body_rtf() const {
    return body_->get_rtf();
}

std::string NoteWindow::body_plain_text() const {
    body_->finish_reading();
    return body_->toPlainText().toStdString();
}

std::unique_ptr<QTextDocument> NoteWindow::body_document() const {
    body_->finish_reading();
    return std::unique_ptr<QTextDocument>(body_->document()->clone());
}

void NoteWindow::set_body_rtf(const std::string& rtf) {
    body_->set_rtf(rtf);
}

void NoteWindow::set_body_text(const std::string& utf8) {
    // The editor's own setPlainText would keep the look at its cursor.
    body_->finish_reading();
    body_->document()->setPlainText(QString::fromStdString(utf8));
    body_->apply_default_format();
}

QImage NoteWindow::picture() {
    // The whole window at once, title strip, body and border, fully drawn.
    repaint();
    return grab().toImage();
}

// --- Layout and painting ------------------------------------------------------------------

void NoteWindow::place_close_button(int x, int y) {
    place_child(close_button_, x, y);
}

void NoteWindow::relayout() {
    if (!body_) {
        return;
    }
    const QSize client = client_size();
    const NoteLayout layout = note_layout(client.width(), client.height(), note_.has_border());
    const int f = frame_px();
    if (!note_.rolled_up()) {
        body_->setGeometry(f + layout.body.left, f + layout.body.top,
                           std::max(0, layout.body.width()), std::max(0, layout.body.height()));
        // The formatting rectangle starts 2 - b pixels into the body.
        body_->setContentsMargins(layout.format_rect.left, 0, 0, 0);
        place_close_button(layout.close.x, layout.close.y);
    } else {
        const NotePoint close = close_pos_rolled_up(client.width());
        place_close_button(close.x, close.y);
        place_child(made_icon(roll_down_icon_), kRollDownIconPos.x, kRollDownIconPos.y);
    }
    title_label_->setGeometry(f + layout.title.left, f + layout.title.top, layout.title.width(),
                              layout.title.height());
    title_label_->update();
    title_label_->lower();
    place_reminder_icons();
    if (status_icon_ != nullptr && status_icon_->isVisible()) {
        const NotePoint p = note_.rolled_up() ? kStatusIconPosRolledUp : kStatusIconPos;
        place_child(status_icon_, p.x, p.y);
    }
    update();
}

void NoteWindow::showEvent(QShowEvent* event) {
    // The native window exists here and is mapped right after this event.
    if (windowType() == Qt::Tool) {
        window_hints::mark_skip_taskbar(this);
    }
    // The owner is never shown; a note stands on its own on the desktop (window managers and
    // taskbars treat windows kept for another one differently).
    if (QWindow* handle = windowHandle()) {
        handle->setTransientParent(nullptr);
    }
    QWidget::showEvent(event);
}

void NoteWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    relayout();
    note_.changed();
}

void NoteWindow::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    if (!event->spontaneous()) {
        // The program or the user's drag moved it: that is the note's place.
        move_unconfirmed_ = false;
        note_.changed();
        return;
    }
    if (event->pos() == event->oldPos()) {
        return;
    }
    // Reported by the window system. Under a window manager that frames the note the toolkit
    // may take the place inside the frame (0,0) for the place on the screen, so the report
    // waits for the X server's word before the record takes it.
    if (!move_unconfirmed_) {
        move_unconfirmed_ = true;
        place_before_report_ = event->oldPos();
    }
    move_settled_ = false;
    move_check_.start(0, this);
}

void NoteWindow::timerEvent(QTimerEvent* event) {
    if (event->timerId() == note_timer_.timerId()) {
        on_timer();
    } else if (event->timerId() == move_check_.timerId()) {
        move_check_.stop();
        confirm_reported_move();
    } else {
        QWidget::timerEvent(event);
    }
}

void NoteWindow::paintEvent(QPaintEvent*) {
    QPainter p(this);
    // The margins around the body take the body colour, so it frames the text.
    p.fillRect(rect(), to_qcolor(note_.body_look().back_colour));
    if (thin_border_) {
        p.setPen(kBorderColour);
        p.setBrush(Qt::NoBrush);
        p.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}

// --- Roll up and down, border, status ------------------------------------------------------

void NoteWindow::roll_up() {
    if (note_.rolled_up()) {
        return;
    }
    unrolled_rect_ = geometry();
    thin_border_ = true;
    note_.set_rolled_up(true);
    setMinimumSize(0, 0);
    resize(width(), kTitleHeight);
    made_icon(roll_down_icon_)->show();
    roll_down_icon_->raise();
    if (note_.any_status()) {
        show_status_icon_for_first_marker(true);
    }
    relayout();
    note_.changed();
}

void NoteWindow::roll_down() {
    if (!note_.rolled_up()) {
        return;
    }
    thin_border_ = note_.has_border();
    note_.set_rolled_up(false);
    if (roll_down_icon_ != nullptr) {
        roll_down_icon_->hide();
    }
    setMinimumSize(kMinNoteWidth, kMinNoteHeight);
    if (unrolled_rect_.isValid()) {
        resize(unrolled_rect_.size());
    }
    if (note_.any_status()) {
        show_status_icon_for_first_marker(false);
    }
    relayout();
    note_.changed();
}

void NoteWindow::toggle_roll() {
    save_state();
    if (note_.rolled_up()) {
        roll_down();
    } else {
        roll_up();
    }
    save_state();
}

void NoteWindow::show_border() {
    if (!note_.rolled_up()) {
        thin_border_ = note_.has_border();
    }
    relayout();
}

void NoteWindow::show_status_icon(int kind, bool rolled) {
    static constexpr NotePicture kPictures[] = {NotePicture::Received, NotePicture::Sent,
                                                NotePicture::SendFailed};
    made_icon(status_icon_)
        ->set_picture(kPictures[kind], to_qcolor(note_.title_look().text_colour));
    shown_status_ = kind;
    // Only the received mark tells where the note came from.
    const bool received = kind == static_cast<int>(NoteStatus::Received);
    status_icon_->setToolTip(received ? QString::fromStdString(note_.received_from()) : QString());
    // While rolled up the roll-down icon holds (3, 4), so the marker goes beside it.
    const NotePoint p = rolled ? kStatusIconPosRolledUp : kStatusIconPos;
    place_child(status_icon_, p.x, p.y);
    status_icon_->show();
    status_icon_->raise();
}

void NoteWindow::show_status_icon_for_first_marker(bool rolled) {
    for (NoteStatus kind : {NoteStatus::Received, NoteStatus::Sent, NoteStatus::SendFailed}) {
        if (note_.has_status(kind)) {
            show_status_icon(static_cast<int>(kind), rolled);
            return;
        }
    }
}

void NoteWindow::show_latest_status() {
    if (const std::optional<NoteStatus> kind = note_.latest_status()) {
        show_status_icon(static_cast<int>(*kind), note_.rolled_up());
    }
    place_reminder_icons();
    update();
}

void NoteWindow::show_received_from() {
    if (status_icon_ != nullptr && shown_status_ == static_cast<int>(NoteStatus::Received)) {
        status_icon_->setToolTip(QString::fromStdString(note_.received_from()));
    }
}

QWidget* NoteWindow::expiration_icon() const {
    auto& self = const_cast<NoteWindow&>(*this);
    if (expiration_icon_ == nullptr) {
        self.made_icon(self.expiration_icon_);
        self.refresh_reminder_texts();
    }
    return expiration_icon_;
}
QWidget* NoteWindow::alarm_icon() const {
    auto& self = const_cast<NoteWindow&>(*this);
    if (alarm_icon_ == nullptr) {
        self.made_icon(self.alarm_icon_);
        self.refresh_reminder_texts();
    }
    return alarm_icon_;
}

// --- Showing, hiding, deleting ----------------------------------------------------------------

void NoteWindow::show_hide_message(bool show) {
    if (note_.deleted()) {
        return;
    }
    set_shown(show);
    // Either way the record takes the new state at once: a note shown again must not come
    // back hidden after a crash.
    save_state();
}

void NoteWindow::set_shown(bool show) {
    if (note_.deleted()) {
        return;
    }
    if (show) {
        fade_->cancel();
        if (note_uses_transparency(services_.paths().OsLabel)) {
            setWindowOpacity(0.0);
        }
        note_.set_hidden(false);
        this->show();
        refresh();
    } else {
        note_.set_hidden(true);
        hide();
    }
}

void NoteWindow::hide_note() {
    if (note_.deleted()) {
        return;
    }
    note_.set_hidden(true);
    note_.changed();
    emit hidden_by_user();
    QPointer<NoteWindow> self(this);
    fade_out([self] {
        if (!self) {
            return;
        }
        self->hide();
        // Whoever shows the note again decides its opacity.
        self->setWindowOpacity(1.0);
    });
}

bool NoteWindow::delete_note(bool ask) {
    if (note_.deleted()) {
        return true;
    }
    if (ask && services_.store().settings().flag(Setting::AskBeforeDelete)) {
        QPointer<NoteWindow> alive(this);
        const bool yes =
            services_.boxes().ask(this, QMessageBox::Question,
                                  QString::fromStdString(delete_question_text()), QMessageBox::No);
        if (!alive) {
            return true;
        }
        if (!yes) {
            return false;
        }
        if (note_.deleted()) {
            return true;  // its expiry removed it while the question was open
        }
    }
    // A note expired while the notes are restored leaves the store with the restore's write.
    note_.mark_deleted();
    note_timer_.stop();
    emit note_deleted(note_.number());
    QPointer<NoteWindow> self(this);
    fade_out([self] {
        if (!self) {
            return;
        }
        self->hide();
        self->deleteLater();
    });
    return true;
}

void NoteWindow::closeEvent(QCloseEvent* event) {
    // A close request from the desktop hides the note rather than losing it from view
    // without a trace; "Show all notes" brings it back.
    event->ignore();
    if (!note_.deleted() && !note_.hidden()) {
        hide_note();
    }
}

void NoteWindow::refresh() {
    close_button_->setVisible(services_.store().settings().flag(Setting::ShowCloseButton));
    relayout();
    refresh_reminder_texts();
    // A note fading out on its way to being hidden or deleted finishes that.
    if (!fade_->active()) {
        setWindowOpacity(1.0);
    }
}

// --- Stacking -------------------------------------------------------------------------------

void NoteWindow::bring_to_front() {
    raise();
    if (activates_when_brought_to_front_) {
        activateWindow();
    }
}

void NoteWindow::take_keyboard() {
    body_->setFocus(Qt::OtherFocusReason);
    window_hints::activate(this);
}

void NoteWindow::toggle_stay_on_top() {
    const bool on = !note_.stay_on_top();
    window_hints::set_keep_above(this, on);
    note_.set_stay_on_top(on);
    services_.set_stay_on_top_released(!on);
}

// --- Showing the note's changes -----------------------------------------------------------

void NoteWindow::note_changed(NoteChange change) {
    if (body_ == nullptr) {
        return;  // built from the note once the children are there
    }
    switch (change) {
        case NoteChange::TitleText:
            show_title_text();
            break;
        case NoteChange::TitleLook:
            show_title_look();
            break;
        case NoteChange::BodyLook:
        case NoteChange::BodyColours:
            body_->set_look(note_.body_look());
            body_->apply_default_format(change == NoteChange::BodyColours);
            update();
            break;
        case NoteChange::Border:
            show_border();
            break;
        case NoteChange::Status:
            show_latest_status();
            break;
        case NoteChange::ReceivedFrom:
            show_received_from();
            break;
        case NoteChange::Reminders:
            refresh_reminder_texts();
            place_reminder_icons();
            break;
    }
}

}  // namespace kd
