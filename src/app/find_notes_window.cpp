#include "app/find_notes_window.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QVBoxLayout>

#include "app/shell_texts.h"
#include "app/tray_pictures.h"
#include "note/note_services.h"
#include "richtext/qt_colour.h"

namespace kd {

QString note_list_text(NoteView& view) {
    const std::string title = display_title(view.note().title_text(), kNoteListTitleMax);
    QString text =
        title.empty() ? QString::fromUtf8(kNoteListUntitled) : QString::fromStdString(title);
    if (!view.widget()->isVisible()) {
        text += QString::fromUtf8(kNoteListHiddenSuffix);
    } else if (view.note().rolled_up()) {
        text += QString::fromUtf8(kNoteListRolledSuffix);
    }
    return text;
}

FindNotesWindow::FindNotesWindow(NoteHost& host, QWidget* owner)
    : QWidget(owner, Qt::Window), host_(host) {
    setWindowTitle(QString::fromUtf8(kFindNotesTitle));
    setAttribute(Qt::WA_DeleteOnClose, false);
    query_ = new QLineEdit(this);
    query_->setPlaceholderText(QString::fromUtf8(kFindNotesPrompt));
    query_->setClearButtonEnabled(true);
    query_->installEventFilter(this);
    results_ = new QListWidget(this);
    results_->setUniformItemSizes(true);
    results_->installEventFilter(this);
    none_ = new QLabel(QString::fromUtf8(kFindNotesNoMatch), this);
    none_->hide();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(query_);
    layout->addWidget(results_);
    layout->addWidget(none_);
    resize(380, 320);

    connect(query_, &QLineEdit::textChanged, this, &FindNotesWindow::search);
    connect(results_, &QListWidget::itemActivated, this, &FindNotesWindow::choose);
}

void FindNotesWindow::search() {
    const std::vector<NoteView*> views = host_.note_views();
    std::vector<const Note*> notes;
    notes.reserve(views.size());
    for (NoteView* view : views) {
        notes.push_back(&view->note());
    }
    // The body's text is read only for the notes that changed since the last look.
    index_.refresh(notes, [&views, &notes](const Note& note) {
        for (std::size_t i = 0; i < notes.size(); ++i) {
            if (notes[i] == &note) {
                return views[i]->body_plain_text();
            }
        }
        return std::string();
    });
    const std::vector<SearchHit> hits = index_.find(query_->text().toStdString());

    results_->setUpdatesEnabled(false);
    results_->clear();
    shown_.clear();
    std::size_t v = 0;
    for (const SearchHit& hit : hits) {
        while (v < views.size() && &views[v]->note() != hit.note) {
            ++v;  // hits come in the order of the notes
        }
        if (v == views.size()) {
            break;
        }
        NoteView* view = views[v];
        auto* item = new QListWidgetItem(note_list_text(*view), results_);
        item->setIcon(note_colour_picture(to_qcolor(view->note().title_look().back_colour),
                                          to_qcolor(view->note().body_look().back_colour)));
        shown_.emplace_back(view);
    }
    if (results_->count() > 0) {
        results_->setCurrentRow(0);
    }
    results_->setUpdatesEnabled(true);
    none_->setVisible(results_->count() == 0 && !query_->text().isEmpty());
}

void FindNotesWindow::choose_current() {
    QListWidgetItem* item = results_->currentItem();
    if (item == nullptr && results_->count() > 0) {
        item = results_->item(0);
    }
    if (item != nullptr) {
        choose(item);
    }
}

void FindNotesWindow::choose(QListWidgetItem* item) {
    const int row = results_->row(item);
    if (row < 0 || static_cast<std::size_t>(row) >= shown_.size()) {
        return;
    }
    // The note may have gone (deleted, expired) since the list was made.
    if (NoteView* view = shown_[static_cast<std::size_t>(row)].get()) {
        if (!view->note().deleted()) {
            emit note_chosen(view, query_->text());
        }
    }
}

bool FindNotesWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            choose_current();
            return true;
        }
        // Up and Down in the line move through the results without leaving it.
        if (watched == query_ && (key->key() == Qt::Key_Down || key->key() == Qt::Key_Up) &&
            results_->count() > 0) {
            const int step = key->key() == Qt::Key_Down ? 1 : -1;
            results_->setCurrentRow(
                std::clamp(results_->currentRow() + step, 0, results_->count() - 1));
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void FindNotesWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void FindNotesWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    search();
    query_->setFocus(Qt::OtherFocusReason);
    query_->selectAll();
}

}  // namespace kd
