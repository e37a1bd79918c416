// One note on the screen as the parts above the notes see it: the note itself, the window
// that the boxes and dialogs about it stand on, the body's content and the window's picture,
// and what is done to the note as a whole. NoteWindow is the one there is; the parts above
// never see the window's widgets.
#pragma once

#include <QImage>
#include <QPointer>
#include <QWidget>

#include <memory>
#include <string>

#include "note/note.h"
#include "store/note_record.h"

class QTextDocument;

namespace kd {

class NoteServices;

class NoteView {
public:
    virtual ~NoteView() = default;

    virtual Note& note() = 0;
    virtual const Note& note() const = 0;
    virtual NoteServices& services() const = 0;
    // The note's window: the parent of boxes and dialogs about the note. A note may delete
    // itself (its expiry) while one of them is open; NoteViewPointer notices.
    virtual QWidget* widget() = 0;

    // ---- The body's content.
    virtual std::string body_rtf() const = 0;
    virtual std::string body_plain_text() const = 0;
    // A copy of the body's document, to be laid out elsewhere (on paper).
    virtual std::unique_ptr<QTextDocument> body_document() const = 0;
    virtual void set_body_rtf(const std::string& rtf) = 0;
    // The whole body becomes `utf8` in the body's default look.
    virtual void set_body_text(const std::string& utf8) = 0;
    // The window as it is drawn: title strip, body and border.
    virtual QImage picture() = 0;

    // ---- The note as a whole.
    // Fills the note from a stored, received or imported record; false when the note deleted
    // itself meanwhile (an expired note).
    virtual bool create_from_record(const NoteRecord& record, bool placed_as_new,
                                    bool imported) = 0;
    // "Import note": the record's look, title, body, size and border replace the note's.
    virtual void import_record(const NoteRecord& record) = 0;
    // Writes the note's record into the store, or appends it to the export file
    // `target_file`; false when the write failed.
    virtual bool save_state(const std::string& target_file = {}) = 0;
    // Asks first when `ask` and the settings say so; false when the user said No.
    virtual bool delete_note(bool ask) = 0;
    // Whether bringing the note to the front also activates its window (it does unless
    // cleared): of notes made together only the last one is activated.
    virtual void set_activates_when_brought_to_front(bool on) = 0;
};

// A NoteView that turns null once its window is gone, as QPointer does for a widget.
class NoteViewPointer {
public:
    NoteViewPointer() = default;
    NoteViewPointer(NoteView* view) : view_(view), window_(view ? view->widget() : nullptr) {}

    NoteView* get() const { return window_ ? view_ : nullptr; }
    explicit operator bool() const { return get() != nullptr; }
    NoteView* operator->() const { return get(); }
    NoteView& operator*() const { return *get(); }

private:
    NoteView* view_ = nullptr;
    QPointer<QWidget> window_;
};

}  // namespace kd
