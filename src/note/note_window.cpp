#include "note/note_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QCursor>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QShowEvent>
#include <QTextEdit>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <ctime>

#ifdef KD_HAVE_XCB
#include <xcb/xcb.h>
#endif

#include "note/note_bounds.h"
#include "note/note_menus.h"
#include "note/note_pictures.h"
#include "note/note_settings.h"
#include "platform/clock.h"
#include "platform/message_boxes.h"
#include "platform/os_label.h"
#include "platform/paths.h"

namespace kd {

namespace {

constexpr const char* kInitialTitle = "Note Title";
constexpr const char* kAlarmTip = "Note alarm icon.";
constexpr const char* kExpirationTip = "Note expire icon.";
// Tips on a pale yellow (0xAFFFFF), at most 200 pixels wide.
constexpr const char* kTipStyle =
    "QToolTip { background-color: #ffffaf; color: black; max-width: 200px; }";

// Where and how big a note is before the main window places and sizes it.
constexpr int kTemplateLeft = kNoteTemplateLeft;
constexpr int kTemplateTop = kNoteTemplateTop;
constexpr int kTemplateWidth = 200;
constexpr int kTemplateHeight = 200;

const QColor kBorderColour(0, 0, 0);

QColor to_qcolor(ColorRef c) {
    return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
}

std::string os_label() {
    const std::string& label = app_paths().OsLabel;
    return label.empty() ? current_os_label() : label;
}

// Taskbars differ in which window types they list, so a note without a taskbar button also
// says so in its window state. Set before the window is mapped, where the window manager
// reads it (the toolkit keeps states it does not manage when it adds its own).
void mark_skip_taskbar(QWidget* w) {
#ifdef KD_HAVE_XCB
    auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    if (x11 == nullptr || x11->connection() == nullptr)
        return;
    xcb_connection_t* c = x11->connection();
    auto intern = [c](const char* name) -> xcb_atom_t {
        xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
            c, xcb_intern_atom(c, 0, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr);
        if (reply == nullptr)
            return XCB_ATOM_NONE;
        const xcb_atom_t atom = reply->atom;
        std::free(reply);
        return atom;
    };
    const xcb_atom_t state = intern("_NET_WM_STATE");
    const xcb_atom_t skip[] = {intern("_NET_WM_STATE_SKIP_TASKBAR"),
                               intern("_NET_WM_STATE_SKIP_PAGER")};
    if (state == XCB_ATOM_NONE || skip[0] == XCB_ATOM_NONE)
        return;
    const auto window = static_cast<xcb_window_t>(w->winId());
    xcb_change_property(c, XCB_PROP_MODE_APPEND, window, state, XCB_ATOM_ATOM, 32, 2, skip);
    xcb_flush(c);
#else
    (void)w;
#endif
}

}  // namespace

// A text label of the title strip; the window handles its mouse input (dragging, rolling).
class NoteTitleLabel : public QLabel {
public:
    explicit NoteTitleLabel(QWidget* parent) : QLabel(parent) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAutoFillBackground(true);
        setTextFormat(Qt::PlainText);
        setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        setWordWrap(false);
    }
};

// A small picture on the title strip, optionally clickable.
class NoteIcon : public QLabel {
public:
    NoteIcon(QWidget* parent, NotePicture picture) : QLabel(parent), picture_(picture) {
        setAutoFillBackground(true);
        setAlignment(Qt::AlignCenter);
    }
    void set_picture(NotePicture picture, const QColor& ink) {
        picture_ = picture;
        set_ink(ink);
    }
    void set_ink(const QColor& ink) {
        const QPixmap pm = note_picture(picture_, ink);
        setPixmap(pm);
        setFixedSize(pm.size());
    }
    NotePicture picture() const { return picture_; }
    std::function<void()> on_click;

protected:
    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton && on_click) {
            event->accept();
            // The handler may delete the window (and this icon) after a question box.
            QTimer::singleShot(0, parentWidget(), on_click);
            return;
        }
        QLabel::mousePressEvent(event);
    }

private:
    NotePicture picture_;
};

NoteWindow::NoteWindow(QWidget* owner, int number, NoteServices& services)
    : QWidget(owner), number_(number), services_(services) {
    // Construction: default look from the default theme.
    const NoteRecord theme = note_settings::default_theme();
    pending_body_look_ = {theme.EditTextColor, theme.EditBackColor, theme.EditFont,
                          theme.EditFontType,  theme.EditFontSize,  theme.EditCharSet};
    title_ = {theme.TitleTextColor, theme.TitleBackColor, theme.TitleFont,
              theme.TitleFontType,  theme.TitleFontSize,  theme.TitleCharSet};

    // Initialisation.
    apply_taskbar_setting();
    setAttribute(Qt::WA_DeleteOnClose, false);
    setMouseTracking(true);
    setGeometry(kTemplateLeft, kTemplateTop, kTemplateWidth, kTemplateHeight);
    setMinimumSize(kMinNoteWidth, kMinNoteHeight);
    build_children();
    menus_ = new NoteMenus(*this);
    apply_body_format();
    set_title_colours(title_.text_colour, title_.back_colour);
    apply_title_font();
    apply_default_title();
    const NotePoint close = close_pos_at_creation(width());
    place_close_button(close.x, close.y);
    close_button_->setVisible(note_settings::show_close_button());
    relayout();

    note_timer_ = new QTimer(this);
    note_timer_->setInterval(kNoteTimerMs);
    connect(note_timer_, &QTimer::timeout, this, [this] { on_timer(); });
    note_timer_->start();

    fade_timer_ = new QTimer(this);
    connect(fade_timer_, &QTimer::timeout, this, [this] { fade_step(); });

    setWindowOpacity(1.0);
}

NoteWindow::~NoteWindow() {
    destroying_ = true;
    if (body_) {
        body_->removeEventFilter(this);
        body_->viewport()->removeEventFilter(this);
        body_->disconnect(this);
    }
}

void NoteWindow::apply_taskbar_setting() {
    // A tool window gets no taskbar button; a plain one is listed under its title.
    Qt::WindowFlags flags = Qt::FramelessWindowHint;
    flags |= note_settings::show_task_bar() ? Qt::Window : Qt::Tool;
    setWindowFlags(flags);
}

void NoteWindow::build_children() {
    title_label_ = new NoteTitleLabel(this);
    title_label_->setText(kInitialTitle);
    setWindowTitle(kInitialTitle);

    body_ = new NoteBody(this);
    body_->setObjectName("note_body");
    body_->setFrameShape(QFrame::NoFrame);
    body_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    body_->setAutoFillBackground(true);
    body_->document()->setDocumentMargin(0);
    body_->set_scroll_bar_flag(services_.show_scroll_bar());
    connect(&services_, &NoteServices::show_scroll_bar_changed, body_,
            &NoteBody::set_scroll_bar_flag);
    store_body_look(pending_body_look_);
    body_->installEventFilter(this);
    // The body menu opens when the right button is released over the text.
    body_->viewport()->installEventFilter(this);
    connect(body_, &NoteBody::focus_lost, this, [this] { save_state(); });
    connect(body_, &NoteBody::back_colour_changed, this, [this] { update(); });

    const QColor ink = to_qcolor(title_.text_colour);
    roll_down_icon_ = new NoteIcon(this, NotePicture::RollDown);
    roll_down_icon_->set_ink(ink);
    roll_down_icon_->on_click = [this] { roll_down(); };
    roll_down_icon_->hide();

    close_button_ = new NoteIcon(this, NotePicture::Close);
    close_button_->set_ink(ink);
    close_button_->on_click = [this] { on_close_clicked(); };

    status_icon_ = new NoteIcon(this, NotePicture::Received);
    status_icon_->set_ink(ink);
    status_icon_->hide();

    expiration_icon_ = new NoteIcon(this, NotePicture::Expiration);
    expiration_icon_->set_ink(ink);
    expiration_icon_->setToolTip(kExpirationTip);
    expiration_icon_->setStyleSheet(kTipStyle);
    expiration_icon_->hide();

    alarm_icon_ = new NoteIcon(this, NotePicture::Alarm);
    alarm_icon_->set_ink(ink);
    alarm_icon_->setToolTip(kAlarmTip);
    alarm_icon_->setStyleSheet(kTipStyle);
    alarm_icon_->hide();
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

// --- Title ------------------------------------------------------------------------------

void NoteWindow::apply_default_title() {
    const std::string value = note_settings::default_title();
    if (!value.empty() && value != note_settings::kDateTitleWord) {
        set_title_text(value);
        return;
    }
    set_date_title();
    if (value.empty())
        note_settings::set_default_title(note_settings::kDateTitleWord);
}

void NoteWindow::set_date_title() {
    const std::string format = note_settings::date_format_or_default();
    const std::tm local = services_.clock().local_now();
    set_title_text(
        format_date_title(format, local.tm_year + 1900, local.tm_mon + 1, local.tm_mday));
}

void NoteWindow::set_title_text(const std::string& text) {
    const QString q = QString::fromStdString(text);
    title_label_->setText(q);
    setWindowTitle(q);
    title_label_->update();
}

std::string NoteWindow::title_text() const {
    return title_label_->text().toStdString();
}

void NoteWindow::rebuild_title_font() {
    const StyleLetters s = parse_style_letters(title_.style);
    QFont font(QString::fromStdString(title_.face));
    font.setPixelSize(std::max(1, -font_height_for_points(title_.size, logicalDpiY())));
    font.setWeight(s.bold ? QFont::Bold : QFont::Normal);
    font.setItalic(s.italic);
    font.setUnderline(s.underline);
    font.setStrikeOut(s.strikeout);
    title_label_->setFont(font);
    title_label_->update();
}

void NoteWindow::apply_title_font() {
    const StyleLetters s = parse_style_letters(title_.style);
    if (s.align != 0)
        set_title_alignment(s.align);
    rebuild_title_font();
}

void NoteWindow::set_title_alignment(char letter) {
    Qt::Alignment h = Qt::AlignLeft;
    if (letter == 'C')
        h = Qt::AlignHCenter;
    if (letter == 'R')
        h = Qt::AlignRight;
    title_label_->setAlignment(h | Qt::AlignVCenter);
    set_title_text(aligned_title_text(title_text(), letter));
    title_.style = with_alignment_letter(title_.style, letter);
}

void NoteWindow::increase_title_size() {
    title_.size = title_size_increased(title_.size);
    rebuild_title_font();
}

void NoteWindow::decrease_title_size() {
    title_.size = title_size_decreased(title_.size);
    rebuild_title_font();
}

void NoteWindow::set_title_look(const TitleLook& look) {
    title_ = look;
}

void NoteWindow::set_title_colours(ColorRef text, ColorRef back) {
    title_.text_colour = text;
    title_.back_colour = back;
    QPalette pal;
    pal.setColor(QPalette::Window, to_qcolor(back));
    pal.setColor(QPalette::WindowText, to_qcolor(text));
    pal.setColor(QPalette::Base, to_qcolor(back));
    const QColor ink = to_qcolor(text);
    title_label_->setPalette(pal);
    for (NoteIcon* icon :
         {roll_down_icon_, close_button_, status_icon_, expiration_icon_, alarm_icon_}) {
        icon->setPalette(pal);
        icon->set_ink(ink);
    }
    update();
}

// --- Body -------------------------------------------------------------------------------

void NoteWindow::apply_body_format() {
    body_->apply_default_format(false);
}

void NoteWindow::store_body_look(const BodyLook& look) {
    body_->set_text_colour(look.text_colour);
    body_->set_back_colour(look.back_colour);
    body_->set_face(look.face);
    body_->set_style(look.style);
    body_->set_size(look.size);
    body_->set_char_set(look.char_set);
}

BodyLook NoteWindow::body_look() const {
    return {body_->text_colour(), body_->back_colour(), body_->face(),
            body_->style(),       body_->size(),        body_->char_set()};
}

void NoteWindow::set_body_look(const BodyLook& look) {
    store_body_look(look);
    apply_body_format();
    update();
}

const std::string& NoteWindow::reply_address() const {
    return body_->reply_address();
}

void NoteWindow::set_reply_address(const std::string& value) {
    body_->set_reply_address(value);
    body_->set_reply_available(!value.empty());
}

// --- Layout and painting ------------------------------------------------------------------

void NoteWindow::place_close_button(int x, int y) {
    place_child(close_button_, x, y);
}

void NoteWindow::relayout() {
    if (!body_)
        return;
    const QSize client = client_size();
    const NoteLayout layout = note_layout(client.width(), client.height(), border_);
    const int f = frame_px();
    if (!rolled_up_) {
        body_->setGeometry(f + layout.body.left, f + layout.body.top,
                           std::max(0, layout.body.width()), std::max(0, layout.body.height()));
        // The formatting rectangle starts 2 - b pixels into the body.
        body_->setContentsMargins(layout.format_rect.left, 0, 0, 0);
        place_close_button(layout.close.x, layout.close.y);
    } else {
        const NotePoint close = close_pos_rolled_up(client.width());
        place_close_button(close.x, close.y);
        place_child(roll_down_icon_, kRollDownIconPos.x, kRollDownIconPos.y);
    }
    title_label_->setGeometry(f + layout.title.left, f + layout.title.top, layout.title.width(),
                              layout.title.height());
    title_label_->update();
    title_label_->lower();
    place_reminder_icons();
    if (status_icon_->isVisible()) {
        const NotePoint p = rolled_up_ ? kStatusIconPosRolledUp : kStatusIconPos;
        place_child(status_icon_, p.x, p.y);
    }
    update();
}

void NoteWindow::showEvent(QShowEvent* event) {
    // The native window exists here and is mapped right after this event.
    if (windowType() == Qt::Tool && QGuiApplication::platformName() == "xcb") {
        mark_skip_taskbar(this);
    }
    // The owner is never shown; a note stands on its own on the desktop (window managers and
    // taskbars treat windows kept for another one differently).
    if (QWindow* handle = windowHandle())
        handle->setTransientParent(nullptr);
    QWidget::showEvent(event);
}

void NoteWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    relayout();
}

void NoteWindow::paintEvent(QPaintEvent*) {
    QPainter p(this);
    // The margins around the body take the body colour, so it frames the text.
    p.fillRect(rect(), to_qcolor(body_->back_colour()));
    if (thin_border_) {
        p.setPen(kBorderColour);
        p.setBrush(Qt::NoBrush);
        p.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}

// --- Roll up and down, border, status ------------------------------------------------------

void NoteWindow::roll_up() {
    if (rolled_up_)
        return;
    unrolled_rect_ = geometry();
    thin_border_ = true;
    rolled_up_ = true;
    setMinimumSize(0, 0);
    resize(width(), kTitleHeight);
    roll_down_icon_->show();
    roll_down_icon_->raise();
    if (any_status())
        show_status_icon_for_first_marker(true);
    relayout();
}

void NoteWindow::roll_down() {
    if (!rolled_up_)
        return;
    thin_border_ = border_;
    rolled_up_ = false;
    roll_down_icon_->hide();
    setMinimumSize(kMinNoteWidth, kMinNoteHeight);
    if (unrolled_rect_.isValid())
        resize(unrolled_rect_.size());
    if (any_status())
        show_status_icon_for_first_marker(false);
    relayout();
}

void NoteWindow::toggle_roll() {
    save_state();
    if (rolled_up_)
        roll_down();
    else
        roll_up();
    save_state();
}

void NoteWindow::set_border(bool on) {
    border_ = on;
    if (!rolled_up_)
        thin_border_ = on;
    relayout();
}

void NoteWindow::toggle_border() {
    set_border(!border_);
}

bool NoteWindow::any_status() const {
    return status_[0] || status_[1] || status_[2];
}

bool NoteWindow::has_status(NoteStatus kind) const {
    return status_[static_cast<int>(kind)];
}

void NoteWindow::show_status_icon_for_first_marker(bool rolled) {
    for (int k = 0; k < 3; ++k) {
        if (!status_[k])
            continue;
        static constexpr NotePicture kPictures[] = {NotePicture::Received, NotePicture::Sent,
                                                    NotePicture::SendFailed};
        status_icon_->set_picture(kPictures[k], to_qcolor(title_.text_colour));
        const NotePoint p = rolled ? kStatusIconPosRolledUp : kStatusIconPos;
        place_child(status_icon_, p.x, p.y);
        status_icon_->show();
        status_icon_->raise();
        return;
    }
}

void NoteWindow::set_status(NoteStatus kind) {
    static constexpr NotePicture kPictures[] = {NotePicture::Received, NotePicture::Sent,
                                                NotePicture::SendFailed};
    const int k = static_cast<int>(kind);
    status_[k] = true;
    status_icon_->set_picture(kPictures[k], to_qcolor(title_.text_colour));
    // While rolled up the roll-down icon holds (3, 4), so the marker goes beside it.
    const NotePoint p = rolled_up_ ? kStatusIconPosRolledUp : kStatusIconPos;
    place_child(status_icon_, p.x, p.y);
    status_icon_->show();
    status_icon_->raise();
    place_reminder_icons();
    update();
}

void NoteWindow::place_reminder_icons() {
    const bool any = any_status();
    expiration_icon_->setVisible(!expiration_.empty());
    place_child(expiration_icon_, expiration_icon_x(rolled_up_, any), 4);
    alarm_icon_->setVisible(!alarm_.empty());
    place_child(alarm_icon_, alarm_icon_x(rolled_up_, any, !expiration_.empty()), 4);
    expiration_icon_->raise();
    alarm_icon_->raise();
}

QWidget* NoteWindow::expiration_icon() const {
    return expiration_icon_;
}
QWidget* NoteWindow::alarm_icon() const {
    return alarm_icon_;
}

// --- Opacity and fading --------------------------------------------------------------------

bool NoteWindow::uses_transparency() {
    return os_uses_transparency(os_label());
}

void NoteWindow::show_with_opacity_rule() {
    if (uses_transparency())
        setWindowOpacity(0.0);
    show();
    if (uses_transparency()) {
        // Opaque once drawn, so the note never flashes in a half-drawn state.
        QPointer<NoteWindow> self(this);
        QTimer::singleShot(0, this, [self] {
            if (self && !self->fade_timer_->isActive()) {
                self->repaint();
                self->setWindowOpacity(1.0);
            }
        });
    }
}

void NoteWindow::fade_out(std::function<void()> done) {
    if (!os_uses_fade_on_delete(os_label())) {
        last_fade_frames_ = 0;
        if (done)
            done();
        return;
    }
    fade_plan_ = fade_plan_for_area(static_cast<long long>(width()) * height());
    fade_frame_ = 0;
    last_fade_frames_ = 0;
    fade_done_ = std::move(done);
    fade_timer_->setInterval(fade_plan_.pause_ms);
    fade_step();
    fade_timer_->start();
}

void NoteWindow::fade_step() {
    if (fade_frame_ < fade_frame_count(fade_plan_)) {
        setWindowOpacity(fade_frame_alpha(fade_plan_, fade_frame_) / 255.0);
        ++fade_frame_;
        last_fade_frames_ = fade_frame_;
        return;
    }
    fade_timer_->stop();
    auto done = std::move(fade_done_);
    fade_done_ = nullptr;
    if (done)
        done();
}

void NoteWindow::cancel_fade() {
    fade_timer_->stop();
    fade_done_ = nullptr;
}

// --- Showing, hiding, deleting ----------------------------------------------------------------

void NoteWindow::show_hide_message(bool show) {
    if (deleted_)
        return;
    set_shown(show);
    if (!show)
        save_state();
}

void NoteWindow::set_shown(bool show) {
    if (deleted_)
        return;
    if (show) {
        cancel_fade();
        if (uses_transparency())
            setWindowOpacity(0.0);
        hidden_ = false;
        this->show();
        refresh();
    } else {
        hidden_ = true;
        hide();
    }
}

void NoteWindow::hide_note() {
    if (deleted_)
        return;
    hidden_ = true;
    emit hidden_by_user();
    QPointer<NoteWindow> self(this);
    fade_out([self] {
        if (!self)
            return;
        self->hide();
        // Whoever shows the note again decides its opacity.
        self->setWindowOpacity(1.0);
    });
}

bool NoteWindow::delete_note(bool ask) {
    if (deleted_)
        return true;
    if (ask && note_settings::ask_before_delete()) {
        QPointer<NoteWindow> alive(this);
        const bool yes =
            services_.boxes().ask(this, QMessageBox::Question,
                                  QString::fromStdString(delete_question_text()), QMessageBox::No);
        if (!alive)
            return true;
        if (!yes)
            return false;
        if (deleted_)
            return true;  // its expiry removed it while the question was open
    }
    deleted_ = true;
    note_timer_->stop();
    note_settings::delete_note(number_);
    emit note_deleted(number_);
    QPointer<NoteWindow> self(this);
    fade_out([self] {
        if (!self)
            return;
        self->hide();
        self->deleteLater();
    });
    return true;
}

void NoteWindow::closeEvent(QCloseEvent* event) {
    // A close request from the desktop hides the note rather than losing it from view
    // without a trace; "Show all notes" brings it back.
    event->ignore();
    if (!deleted_ && !hidden_)
        hide_note();
}

void NoteWindow::refresh() {
    close_button_->setVisible(note_settings::show_close_button());
    relayout();
    refresh_reminder_texts();
    // A note fading out on its way to being hidden or deleted finishes that.
    if (!fade_timer_->isActive())
        setWindowOpacity(1.0);
}

void NoteWindow::refresh_reminder_texts() {
    // The alarm and expiry captions are filled in by their own code.
}

// --- Reminders ------------------------------------------------------------------------------

bool NoteWindow::check_expiration() {
    return false;
}

void NoteWindow::check_alarm() {}

void NoteWindow::on_timer() {
    if (deleted_)
        return;
    if (!check_expiration())
        check_alarm();
}

// --- Stacking -------------------------------------------------------------------------------

void NoteWindow::bring_to_front() {
    raise();
    activateWindow();
}

void NoteWindow::set_topmost(bool on) {
    const bool was_visible = isVisible();
    setWindowFlag(Qt::WindowStaysOnTopHint, on);
    if (was_visible)
        show();
}

void NoteWindow::toggle_stay_on_top() {
    if (!stay_on_top_) {
        set_topmost(true);
        stay_on_top_ = true;
        body_->set_stay_on_top(true);
        services_.set_stay_on_top_released(false);
    } else {
        set_topmost(false);
        stay_on_top_ = false;
        body_->set_stay_on_top(false);
        services_.set_stay_on_top_released(true);
    }
}

bool NoteWindow::stay_on_top_released() const {
    return services_.stay_on_top_released();
}

// --- Records ----------------------------------------------------------------------------------

bool NoteWindow::create_from_record(const NoteRecord& from, bool placed_as_new, bool imported) {
    // Whatever the record came from, the window is built from numbers it can hold.
    const NoteRecord record = bounded_note_record(from, desktop_bounds(current_screen_rects()));
    store_body_look({record.EditTextColor, record.EditBackColor, record.EditFont,
                     record.EditFontType, record.EditFontSize, record.EditCharSet});
    title_ = {record.TitleTextColor, record.TitleBackColor, record.TitleFont,
              record.TitleFontType,  record.TitleFontSize,  record.TitleCharSet};
    set_title_text(record.TitleText);
    apply_body_format();
    set_title_colours(title_.text_colour, title_.back_colour);
    apply_title_font();
    body_->set_rtf(record.EditText);

    if (placed_as_new) {
        emit placement_requested(this);
        if (record.Width > 0 && record.Height > 0)
            resize(record.Width, record.Height);
    } else {
        move(record.Left, record.Top);
        resize(record.Width, record.Height);
        keep_on_current_screens();
        if (record.Minimized == note_settings::kYes)
            roll_up();
        if (record.Hidden == note_settings::kYes) {
            hidden_ = true;
            emit restored_hidden();
        } else {
            show_with_opacity_rule();
        }
    }
    if (record.Border == note_settings::kYes)
        set_border(true);
    relayout();

    if (imported) {
        setWindowOpacity(1.0);
    } else {
        if (placed_as_new) {
            bring_to_front();
            set_status(NoteStatus::Received);
            setWindowOpacity(1.0);
        }
        expiration_ = record.Expiration;
        place_reminder_icons();
        if (check_expiration())
            return false;
    }
    alarm_ = record.Alarm;
    place_reminder_icons();
    check_alarm();
    return true;
}

NoteRecord NoteWindow::to_record() const {
    NoteRecord r;
    r.EditTextColor = body_->text_colour();
    r.EditBackColor = body_->back_colour();
    r.EditFont = body_->face();
    r.EditFontType = body_->style();
    r.EditFontSize = body_->size();
    r.EditCharSet = body_->char_set();
    r.EditText = body_->get_rtf();
    r.TitleTextColor = title_.text_colour;
    r.TitleBackColor = title_.back_colour;
    r.TitleFont = title_.face;
    r.TitleFontType = title_.style;
    r.TitleFontSize = title_.size;
    r.TitleCharSet = title_.char_set;
    r.TitleText = title_text();
    r.NoteID = number_;
    // A note shown away from its place (its screen is gone) keeps that place until moved.
    const QPoint at = kept_position_.value_or(pos());
    r.Top = at.y();
    r.Left = at.x();
    r.Width = width();
    r.Height = rolled_up_ ? unrolled_rect_.height() : height();
    r.Minimized = rolled_up_ ? note_settings::kYes : note_settings::kNo;
    r.Border = border_ ? note_settings::kYes : note_settings::kNo;
    r.Hidden = hidden_ ? note_settings::kYes : note_settings::kNo;
    r.Expiration = expiration_;
    r.Alarm = alarm_;
    return r;
}

bool NoteWindow::save_state(const std::string& target_file) {
    if (!saves_state())
        return true;
    if (target_file.empty())
        return note_settings::write_note(to_record(), {});
    NoteExportWriter* writer = services_.export_writer();
    return writer != nullptr && writer->write(to_record(), target_file);
}

// --- Mouse: moving, sizing, rolling, menus -----------------------------------------------------

namespace {

NoteRect to_note_rect(const QRect& r) {
    return {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}

Qt::CursorShape cursor_for(HitZone zone) {
    switch (zone) {
        case HitZone::TopLeft:
        case HitZone::BottomRight:
            return Qt::SizeFDiagCursor;
        case HitZone::TopRight:
        case HitZone::BottomLeft:
            return Qt::SizeBDiagCursor;
        case HitZone::Top:
        case HitZone::Bottom:
            return Qt::SizeVerCursor;
        case HitZone::Left:
        case HitZone::Right:
            return Qt::SizeHorCursor;
        case HitZone::Client:
            break;
    }
    return Qt::ArrowCursor;
}

}  // namespace

HitZone NoteWindow::zone_at(const QPoint& global) const {
    return note_hit_test(to_note_rect(geometry()), {global.x(), global.y()}, rolled_up_);
}

std::vector<NoteRect> current_screen_rects(const QScreen* leaving) {
    std::vector<NoteRect> out;
    for (const QScreen* s : QGuiApplication::screens()) {
        if (s != leaving) {
            out.push_back(to_note_rect(s->geometry()));
        }
    }
    return out;
}

void NoteWindow::keep_on_current_screens(const QScreen* leaving) {
    const std::vector<NoteRect> screens = current_screen_rects(leaving);
    const QSize size = rolled_up_ ? unrolled_rect_.size() : this->size();
    if (kept_position_) {
        // Its own place is back on a screen: return there.
        const QRect home(*kept_position_, size);
        if (note_reachable(to_note_rect(home), screens)) {
            move(*kept_position_);
            kept_position_.reset();
        }
        return;
    }
    if (!note_reachable(to_note_rect(QRect(pos(), size)), screens)) {
        kept_position_ = pos();
        emit off_screen(this);
    }
}

QRect NoteWindow::work_area() const {
    QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen();
    return s->availableGeometry();
}

bool NoteWindow::in_title_strip(const QPoint& local) const {
    return local.y() < frame_px() + kTitleHeight;
}

void NoteWindow::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    const QPoint global = event->globalPosition().toPoint();
    drag_zone_ = zone_at(global);
    drag_ = drag_zone_ == HitZone::Client ? Drag::Move : Drag::Size;
    drag_start_global_ = global;
    drag_start_rect_ = geometry();
    event->accept();
}

void NoteWindow::mouseMoveEvent(QMouseEvent* event) {
    const QPoint global = event->globalPosition().toPoint();
    if (drag_ == Drag::None || !(event->buttons() & Qt::LeftButton)) {
        drag_ = Drag::None;
        setCursor(cursor_for(zone_at(global)));
        return;
    }
    const QPoint delta = global - drag_start_global_;
    if (drag_ == Drag::Move) {
        if (!delta.isNull())
            kept_position_.reset();  // the user chose a new place
        const NoteRect proposed = to_note_rect(drag_start_rect_.translated(delta));
        const NoteRect snapped =
            snap_moving_rect(proposed, to_note_rect(geometry()), to_note_rect(work_area()));
        move(snapped.left, snapped.top);
    } else {
        const NoteRect r =
            resize_rect(to_note_rect(drag_start_rect_), drag_zone_, delta.x(), delta.y());
        if (r.left != drag_start_rect_.left() || r.top != drag_start_rect_.top())
            kept_position_.reset();
        setGeometry(r.left, r.top, r.width(), r.height());
    }
    event->accept();
}

void NoteWindow::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        drag_ = Drag::None;
        event->accept();
        return;
    }
    if (event->button() == Qt::RightButton && in_title_strip(event->position().toPoint())) {
        const QPoint at = event->globalPosition().toPoint();
        event->accept();
        emit title_menu_requested(at);
        menus_->open_title_menu(at);  // saves the note first
        return;
    }
    QWidget::mouseReleaseEvent(event);
}

void NoteWindow::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && in_title_strip(event->position().toPoint())) {
        drag_ = Drag::None;
        toggle_roll();
        event->accept();
        return;
    }
    QWidget::mouseDoubleClickEvent(event);
}

void NoteWindow::on_close_clicked() {
    if (deleted_)
        return;
    menus_->close_button_clicked(QCursor::pos());
}

bool NoteWindow::eventFilter(QObject* watched, QEvent* event) {
    if (destroying_ || body_ == nullptr)
        return QWidget::eventFilter(watched, event);
    if (watched == body_->viewport() && event->type() == QEvent::MouseButtonRelease) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::RightButton) {
            menus_->open_body_menu(mouse->globalPosition().toPoint());
            return true;
        }
    }
    if (watched == body_ && event->type() == QEvent::ContextMenu) {
        // The menu key: the menu opens at the text cursor.
        auto* request = static_cast<QContextMenuEvent*>(event);
        if (request->reason() == QContextMenuEvent::Keyboard) {
            menus_->open_body_menu(
                body_->viewport()->mapToGlobal(body_->cursorRect().bottomLeft()));
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace kd
