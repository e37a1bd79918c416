#include "app/store_maintenance.h"

#include <QCoreApplication>
#include <QPointer>

#include "app/main_window.h"
#include "dialogs/note_list_dialog.h"
#include "files/export_file.h"
#include "note/note_window.h"
#include "platform/busy_window.h"
#include "platform/message_boxes.h"
#include "store/note_store.h"
#include "store/value_text.h"

namespace kd {

namespace mt = maintenance_texts;

StoreMaintenance::StoreMaintenance(MainWindow& main)
    : QObject(&main), main_(main), chooser_(std::make_unique<DialogNoteListChooser>()) {}

StoreMaintenance::~StoreMaintenance() = default;

void StoreMaintenance::set_chooser(std::unique_ptr<NoteListChooser> chooser) {
    chooser_ = std::move(chooser);
}

void StoreMaintenance::clean(CleaningMode mode) {
    const NoteStore& store = main_.services().store();
    main_.setEnabled(false);
    {
        BusyWindow busy(&main_);
        busy.set_texts(QString::fromUtf8(mt::kCleaningFirstLine),
                       QString::fromUtf8(mt::kCleaningSecondLine));
        busy.show_at_work_area_corner(kBusyCornerInset);
        // The periodic pass runs before the notes are restored: it keeps what the start will
        // restore, also when the stored count is not one.
        const CleaningRange range =
            cleaning_range(mode, main_.note_count(),
                           mode == CleaningMode::Periodic ? notes_to_restore(store).last : 0);
        // Only user input is held back: timer ticks and painting go on, and notes that a
        // tick shows meanwhile keep their records.
        clean_records(
            store, range,
            [] { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); },
            [this] { return main_.note_count(); });
    }
    main_.setEnabled(true);
}

void StoreMaintenance::maintain_if_over_limit() {
    const NoteStore& store = main_.services().store();
    if (main_.busy() || !over_size_limit(store.ini_path())) {
        return;
    }
    main_.set_busy(true);
    std::vector<QPointer<NoteWindow>> disabled;
    for (NoteWindow* note : main_.notes()) {
        if (note->isVisible()) {
            note->setEnabled(false);
            disabled.push_back(note);
        }
    }
    clean(CleaningMode::SizeLimit);
    while (over_size_limit(store.ini_path())) {
        const std::vector<std::string> rows = stored_note_rows(store, main_.note_count());
        if (rows.empty()) {
            // Without this the delete list would come back empty for ever.
            main_.services().boxes().tell(nullptr, QMessageBox::Warning,
                                          QString::fromUtf8(mt::kNothingLeftToDelete));
            break;
        }
        const auto chosen = chooser_->choose(nullptr, NoteListMode::Delete, rows,
                                             store.settings().text(Setting::DefaultDateFormat),
                                             main_.services().boxes());
        for (int k : chosen.value_or(std::vector<int>{})) {
            if (k >= 0 && k < static_cast<int>(rows.size())) {
                delete_note_numbered(leading_int(parse_note_row(rows[k]).number));
            }
        }
    }
    for (const QPointer<NoteWindow>& note : disabled) {
        if (note) {
            note->setEnabled(true);
        }
    }
    main_.set_busy(false);
}

void StoreMaintenance::delete_note_numbered(int number) {
    for (NoteWindow* note : main_.notes()) {
        if (note->note().number() == number) {
            note->delete_note(false);
            return;
        }
    }
    main_.services().store().delete_record(number);
}

}  // namespace kd
