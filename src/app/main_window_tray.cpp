// The tray icon and its menu: building the items, greying and marking them, preparing the
// menu before it opens, and the commands it carries out.
#include <QAction>
#include <QIcon>
#include <QMenu>
#include <QProxyStyle>
#include <QTimer>

#include "app/find_notes_window.h"
#include "app/main_window.h"
#include "app/tray_pictures.h"
#include "note/note_window.h"
#include "platform/window_hints.h"
#include "richtext/qt_colour.h"

namespace kd {

namespace {

class ScrollingMenuStyle : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returned) const override {
        if (hint == QStyle::SH_Menu_Scrollable) {
            return 1;
        }
        return QProxyStyle::styleHint(hint, option, widget, returned);
    }
};

}  // namespace

const MainWindow& MainWindow::built_tray() const {
    if (menu_ == nullptr) {
        const_cast<MainWindow*>(this)->build_tray();
    }
    return *this;
}

void MainWindow::build_tray() {
    if (menu_ != nullptr) {
        return;
    }
    menu_ = new QMenu(this);
    for (const TrayMenuItem& item : kTrayMenuItems) {
        if (item.id == kSeparator) {
            menu_->addSeparator();
            continue;
        }
        QAction* action = nullptr;
        if (item.id == kCmdNotesMenu) {
            notes_menu_ = menu_->addMenu(QString::fromUtf8(item.caption));
            // Many notes: one column that scrolls, not columns running off the screen.
            auto* style = new ScrollingMenuStyle;
            style->setParent(notes_menu_);
            notes_menu_->setStyle(style);
            connect(notes_menu_, &QMenu::aboutToShow, this, &MainWindow::fill_notes_menu);
            action = notes_menu_->menuAction();
        } else {
            action = menu_->addAction(QString::fromUtf8(item.caption));
        }
        action->setData(item.id);
        action->setIcon(tray_picture(item.id));
        action->setIconVisibleInMenu(true);
        const int id = item.id;
        connect(action, &QAction::triggered, this, [this, id] { run_command(id); });
        actions_.insert(id, action);
    }
    connect(menu_, &QMenu::aboutToShow, this, [this] {
        if (!prepare_tray_menu()) {
            // Busy: the menu must not open. It may already be on its way (the platform opens
            // it), so grey everything and close it at once.
            for (QAction* a : std::as_const(actions_)) {
                a->setEnabled(false);
            }
            QTimer::singleShot(0, menu_, &QMenu::close);
        }
    });
    tray_ = new QSystemTrayIcon(windowIcon(), this);
    tray_->setToolTip(QString::fromUtf8(kTrayTip).left(kTrayTipMax));
    tray_->setContextMenu(menu_);
    connect(tray_, &QSystemTrayIcon::activated, this, &MainWindow::on_tray_activated);
    sync_menu();
}

bool MainWindow::command_available(int id) const {
    switch (id) {
        case kCmdExport:
        case kCmdImport:
        case kCmdCheckEmail:
        case kCmdSettings:
        case kCmdAbout:
            return available_.value(id, false);
        default:
            // "Exit" is greyed while an e-mail check logs on.
            return available_.value(id, true);
    }
}

void MainWindow::set_command_available(int id, bool available) {
    available_[id] = available;
    sync_menu();
}

void MainWindow::sync_menu() {
    for (auto it = actions_.begin(); it != actions_.end(); ++it) {
        menu_state_.set_available(it.key(), command_available(it.key()));
        it.value()->setEnabled(menu_state_.enabled(it.key()));
        it.value()->setIcon(menu_state_.marked(it.key()) ? tray_picture(it.key()) : QIcon());
    }
}

void MainWindow::run_command(int id) {
    switch (id) {
        case kCmdNewNote:
            new_note();
            break;
        case kCmdShowAll:
            show_all();
            break;
        case kCmdHideAll:
            hide_all();
            break;
        case kCmdFindNotes:
            find_notes();
            break;
        case kCmdExport:
            if (command_available(id)) {
                emit export_requested();
            }
            break;
        case kCmdImport:
            if (command_available(id)) {
                emit import_requested();
            }
            break;
        case kCmdCheckEmail:
            if (command_available(id)) {
                emit check_email_requested();
            }
            break;
        case kCmdSettings:
            open_settings();
            break;
        case kCmdAbout:
            about();
            break;
        case kCmdExit:
            request_close();
            break;
        default:
            break;
    }
}

void MainWindow::fill_notes_menu() {
    build_tray();
    notes_menu_->clear();
    for (NoteWindow* note : notes()) {
        QString text = note_list_text(*note);
        text.replace(QLatin1Char('&'), QStringLiteral("&&"));  // no accelerators from titles
        QAction* action = notes_menu_->addAction(text);
        action->setIcon(note_colour_picture(to_qcolor(note->note().title_look().back_colour),
                                            to_qcolor(note->note().body_look().back_colour)));
        action->setIconVisibleInMenu(true);
        if (!note->isVisible()) {
            QFont font = action->font();
            font.setItalic(true);
            action->setFont(font);
        }
        const QPointer<NoteWindow> chosen(note);
        connect(action, &QAction::triggered, this, [this, chosen] {
            if (chosen && !chosen->note().deleted()) {
                show_note(chosen);
            }
        });
    }
    if (notes_menu_->isEmpty()) {
        notes_menu_->addAction(QString::fromUtf8(kNotesMenuEmpty))->setEnabled(false);
    }
}

FindNotesWindow* MainWindow::find_window() const {
    return find_window_;
}

void MainWindow::find_notes() {
    if (!find_window_) {
        find_window_ = new FindNotesWindow(*this, this);
        connect(find_window_, &FindNotesWindow::note_chosen, this,
                [this](NoteView* view, const QString& query) {
                    if (auto* note = qobject_cast<NoteWindow*>(view->widget())) {
                        bring_up_note(note, query);
                    }
                });
    }
    find_window_->show();
    find_window_->raise();
    window_hints::activate(find_window_);
}

bool MainWindow::prepare_tray_menu() {
    if (busy_) {
        return false;
    }
    bool any_visible = false;
    for (NoteWindow* note : notes()) {
        any_visible = any_visible || note->isVisible();
    }
    menu_state_.refresh_on_open(any_visible);
    sync_menu();
    return true;
}

void MainWindow::on_tray_activated(QSystemTrayIcon::ActivationReason reason) {
    switch (reason) {
        case QSystemTrayIcon::DoubleClick:
            if (!busy_) {
                new_note();
            }
            break;
        case QSystemTrayIcon::Context:
            // The platform opens the context menu itself; aboutToShow refreshes it.
            break;
        default:
            break;
    }
}

}  // namespace kd
