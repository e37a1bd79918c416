#include "note/note_services.h"

#include <QColorDialog>
#include <QFontDialog>

#include "note/note_menus_model.h"
#include "platform/library_modules.h"
#include "store/note_store.h"

namespace kd {

std::optional<QFont> NoteDialogs::choose_font(QWidget* parent, const QFont& initial) {
    bool ok = false;
    const QFont chosen = QFontDialog::getFont(&ok, initial, parent);
    return ok ? std::optional<QFont>(chosen) : std::nullopt;
}

std::optional<QColor> NoteDialogs::choose_colour(QWidget* parent, const QColor& initial) {
    const QColor chosen = QColorDialog::getColor(initial, parent);
    return chosen.isValid() ? std::optional<QColor>(chosen) : std::nullopt;
}

// The program's text-entry dialog lives above the notes and is handed in; alone, a note's
// title is not edited.
std::optional<std::string> NoteDialogs::edit_title(QWidget*, const std::string&) {
    return std::nullopt;
}

std::optional<QTextBlockFormat> NoteDialogs::edit_paragraph(QWidget*,
                                                            const QTextBlockFormat& current) {
    return current;
}

namespace {

// Services made without the program's modules: every module is missing, and nothing is said.
const LibraryModules& no_modules() {
    static const LibraryModules none;
    return none;
}

}  // namespace

NoteServices::NoteServices(const NoteStore& store, const Clock& clock, MessageBoxes& boxes,
                           DefaultLook default_look, QObject* parent)
    : QObject(parent),
      store_(store),
      clock_(clock),
      boxes_(boxes),
      default_look_(std::move(default_look)),
      modules_(&no_modules()),
      dialogs_(std::make_unique<NoteDialogs>()) {}

const AppPaths& NoteServices::paths() const {
    return store_.paths();
}

NoteServices::~NoteServices() = default;

NoteRecord NoteServices::default_look() const {
    if (!hold_default_look_) {
        return default_look_(store_);
    }
    if (!held_default_look_) {
        held_default_look_ = default_look_(store_);
    }
    return *held_default_look_;
}

void NoteServices::hold_default_look(bool hold) {
    hold_default_look_ = hold;
    held_default_look_.reset();
}

void NoteServices::set_dialogs(std::unique_ptr<NoteDialogs> dialogs) {
    dialogs_ = dialogs ? std::move(dialogs) : std::make_unique<NoteDialogs>();
}

void NoteServices::set_command_enabled(int id, bool enabled) {
    if (enabled) {
        commands_.insert(id);
    } else {
        commands_.remove(id);
    }
}

void NoteServices::set_show_scroll_bar(bool show) {
    show_scroll_bar_ = show;
    emit show_scroll_bar_changed(show);
}

}  // namespace kd
