// The "Find in notes" window: a line to type words in and, as they are typed, every note whose
// title or text holds them (hidden and rolled-up notes too). Enter or a double click asks for
// the chosen note. A thin view: NoteSearchIndex finds, the main window brings the note up.
#pragma once

#include <QString>
#include <QWidget>

#include <vector>

#include "note/note_search.h"
#include "note/note_view.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;

namespace kd {

class NoteHost;

// A note as one line of a list: its cleaned, cut title, marked when hidden or rolled up.
QString note_list_text(NoteView& view);

class FindNotesWindow : public QWidget {
    Q_OBJECT
public:
    FindNotesWindow(NoteHost& host, QWidget* owner);

    QLineEdit* query_line() const { return query_; }
    QListWidget* results() const { return results_; }
    // Looks through the notes again (they change while the window is open).
    void search();
    // Asks for the selected result (the first one when none is selected).
    void choose_current();
    const NoteSearchIndex& index() const { return index_; }

signals:
    void note_chosen(kd::NoteView* note, const QString& query);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void choose(QListWidgetItem* item);

    NoteHost& host_;
    NoteSearchIndex index_;
    std::vector<NoteViewPointer> shown_;  // the note of each row
    QLineEdit* query_ = nullptr;
    QListWidget* results_ = nullptr;
    QLabel* none_ = nullptr;
};

}  // namespace kd
