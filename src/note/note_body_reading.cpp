// A body with a long list, read into a document of its own on another thread and handed to
// the editor once it is in, so the interface goes on answering while it is read.
//
// The reading thread touches no widget and nothing the interface thread uses: it makes its
// own QTextDocument (no layout is made before the interface thread lays it out, and bodies
// carry no pictures, so nothing there needs the interface thread), fills it, writes it back,
// and moves it to the interface thread before telling the body. Copying a finished document
// would go through the same costly per-item insertion, so the document itself is handed over.
#include <QCoreApplication>
#include <QTextCursor>
#include <QTextDocument>
#include <QThread>
#include <cctype>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "note/body_spelling.h"
#include "note/note_body.h"
#include "note/note_body_reading.h"
#include "platform/thread_priority.h"
#include "store/note_store.h"

namespace kd {

namespace {

// What the editor's own document is set up with, for a document made elsewhere.
struct DocumentSetup {
    QFont font;
    QTextOption option;
    qreal margin = 0;
    qreal indent_width = 0;
    bool design_metrics = false;
};

DocumentSetup setup_of(const QTextDocument& doc) {
    return {doc.defaultFont(), doc.defaultTextOption(), doc.documentMargin(), doc.indentWidth(),
            doc.useDesignMetrics()};
}

void set_up(QTextDocument& doc, const DocumentSetup& setup) {
    doc.setDefaultFont(setup.font);
    doc.setDefaultTextOption(setup.option);
    doc.setDocumentMargin(setup.margin);
    doc.setIndentWidth(setup.indent_width);
    doc.setUseDesignMetrics(setup.design_metrics);
}

std::mutex& reading_turn() {
    static std::mutex turn;
    return turn;
}

// The reading threads still running. Made once and never freed: a thread may end after the
// statics of the program are gone.
struct LiveReadings {
    std::mutex mutex;
    std::condition_variable none;
    int count = 0;
};

LiveReadings& live_readings() {
    static auto* live = new LiveReadings;
    return *live;
}

bool& handed_over_this_turn() {
    static bool handed_over = false;
    return handed_over;
}

// The number of \par control words, counted up to `enough`.
int count_paragraphs(std::string_view rtf, int enough) {
    int count = 0;
    for (std::size_t at = rtf.find("\\par"); at != std::string_view::npos && count < enough;
         at = rtf.find("\\par", at + 4)) {
        const std::size_t next = at + 4;
        if (next >= rtf.size() || !std::isalpha(static_cast<unsigned char>(rtf[next]))) {
            ++count;
        }
    }
    return count;
}

}  // namespace

// Only a list grows dear: other bodies read in a few milliseconds whatever they hold.
bool NoteBody::reads_aside(std::string_view rtf, int paragraphs) {
    return rtf.find("{\\rtf") != std::string_view::npos &&
           rtf.find("\\pn") != std::string_view::npos &&
           count_paragraphs(rtf, paragraphs) >= paragraphs;
}

// A reading still going is given up: its thread tells nobody.
NoteBody::~NoteBody() {
    drop_reading();
}

const std::string& NoteBody::reading_rtf() const {
    return reading_->rtf;
}

void NoteBody::start_reading(const std::string& rtf) {
    auto reading = std::make_shared<Reading>();
    reading->rtf = rtf;
    reading->serial = ++reading_serial_;
    {
        const std::lock_guard<std::mutex> lock(live_readings().mutex);
        ++live_readings().count;
    }
    std::thread([this, reading, home = thread(), setup = setup_of(*document()),
                 read = read_options(), write = write_options()]() mutable {
        // What the thread holds goes with this block, before it counts itself out.
        [this, r = std::move(reading), home, setup = std::move(setup), read = std::move(read),
         write = std::move(write)] {
            // Below the interface thread, and one body at a time: a burst of received notes
            // must not take the cores from the interface.
            lower_this_thread_priority();
            auto doc = std::make_unique<QTextDocument>();
            {
                const std::lock_guard<std::mutex> one_at_a_time(reading_turn());
                if (r->given_up()) {
                    return;
                }
                set_up(*doc, setup);
                read_rtf(r->rtf, *doc, read);
                r->written = write_rtf(*doc, write);
                r->stored_size = body_to_stored(r->written).size();
            }
            // The body gives a reading up under this lock, and is not told after that: while
            // it is held here, the body is there to be told.
            const std::lock_guard<std::mutex> lock(r->mutex);
            if (r->given_up_) {
                return;
            }
            doc->moveToThread(home);
            r->document = std::move(doc);
            r->done = true;
            QMetaObject::invokeMethod(
                this, [this, serial = r->serial] { reading_done(serial); }, Qt::QueuedConnection);
        }();
        // Last: everything of this reading is gone by now.
        const std::lock_guard<std::mutex> lock(live_readings().mutex);
        if (--live_readings().count == 0) {
            live_readings().none.notify_all();
        }
    }).detach();
    reading_ = std::move(reading);
}

bool NoteBody::wait_for_readings(std::chrono::milliseconds limit) {
    std::unique_lock<std::mutex> lock(live_readings().mutex);
    return live_readings().none.wait_for(lock, limit, [] { return live_readings().count == 0; });
}

void NoteBody::reading_done(std::uint64_t serial) {
    if (reading_ == nullptr || reading_->serial != serial || !reading_->give_up_unless_done()) {
        return;
    }
    // One body per turn of the event loop: a burst of notes read at once comes in note by
    // note, with the interface answering in between.
    if (handed_over_this_turn()) {
        QMetaObject::invokeMethod(
            this, [this, serial] { reading_done(serial); }, Qt::QueuedConnection);
        return;
    }
    handed_over_this_turn() = true;
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [] { handed_over_this_turn() = false; },
        Qt::QueuedConnection);
    take_read_document();
}

// The interface never waits for the reading thread, which may be slow to get a core at its
// weight: a reading not done yet is given up and the body loaded at once, as it would have
// been without the thread.
void NoteBody::finish_reading() {
    if (reading_ == nullptr) {
        return;
    }
    if (reading_->give_up_unless_done()) {
        take_read_document();
        return;
    }
    // Copied, not moved: giving up stops a reading only before it starts, so its thread may
    // be reading this text still.
    const std::string rtf = reading_->rtf;
    reading_.reset();
    load_at_once(rtf);
}

void NoteBody::drop_reading() {
    if (reading_ == nullptr) {
        return;
    }
    // A document already read goes here, on the thread it was handed to.
    std::unique_ptr<QTextDocument> document;
    {
        const std::lock_guard<std::mutex> lock(reading_->mutex);
        reading_->given_up_ = true;
        document = std::move(reading_->document);
    }
    reading_.reset();
}

// The read document takes the place of the shown one, as a body loaded at once would be:
// no undo history, the caret at the end, addresses and spelling marked.
void NoteBody::take_read_document() {
    const std::shared_ptr<Reading> reading = std::move(reading_);
    QTextDocument* old = document();
    // The first document is the editor's own and goes with the change; later ones are ours.
    const bool ours = old->parent() == this;
    old->disconnect(this);
    setExtraSelections({});
    QTextDocument* doc = reading->document.release();
    doc->setParent(this);
    loading_ = true;
    setDocument(doc);
    if (ours) {
        delete old;
    }
    // A fresh cursor, at the end as after a load at once (the old one would carry the old
    // document's format to what is typed). On a page of no size the document is neither
    // laid out up to the caret nor scrolled to it: the note shows its start.
    const QSizeF page = doc->pageSize();
    doc->setPageSize(QSizeF(0, 0));
    QTextCursor caret(doc);
    caret.movePosition(QTextCursor::End);
    setTextCursor(caret);
    doc->setPageSize(page);
    connect_document();
    loading_ = false;
    doc->clearUndoRedoStacks();
    fitting_rtf_ = reading->written;
    fitting_size_ = reading->stored_size;
    fitting_caret_ = 0;
    detect_links();
    // The marks are the new document's: set up afresh, which checks it all.
    set_spelling(spelling_);
    // What the note holds now is the body written back; it is saved when it differs.
    if (reading->written != reading->rtf) {
        emit contents_changed();
    }
}

}  // namespace kd
