// The services one test's notes and main window share: message boxes (shown, unless the test
// sets answers), the clock the test gives, and a fresh NoteServices; and
// stand-ins a test scripts for the sending side and the note menus' dialogs.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "note/note_services.h"
#include "platform/clock.h"
#include "platform/library_modules.h"
#include "platform/message_boxes.h"
#include "store/note_store.h"
#include "support/app_paths_in.h"
#include "support/error_recorder.h"
#include "themes/builtin_themes.h"

namespace kd::test {

struct TestServices {
    explicit TestServices(const Clock& clock) : services(store, clock, boxes, &default_theme) {
        services.set_modules(modules);
    }
    // Over the test's paths as they are at each call, so a fixture may set them later.
    NoteStore store{app_paths(), test::store_errors()};
    MessageBoxes boxes;
    // The modules of this build; a module that cannot be loaded is told in a box, as the
    // program does (a test loads modules on its UI thread, the e-mail check's aside).
    LibraryModules modules{KD_BINARY_DIR "/modules", [this](const std::string& message) {
                               boxes.tell(nullptr, QMessageBox::Warning,
                                          QString::fromStdString(message));
                           }};
    NoteServices services;
};

// A sending side that does what the test says.
struct ScriptedSending : NoteSendingService {
    std::function<void(NoteView&, const std::vector<std::string>&, const std::string&)> on_send;
    // Empty: there is no send dialog.
    std::function<std::optional<bool>(NoteView&)> on_dialog;

    void send_note(NoteView& note, const std::vector<std::string>& recipients,
                   const std::string& sender) override {
        if (on_send)
            on_send(note, recipients, sender);
    }
    bool has_send_dialog() const override { return static_cast<bool>(on_dialog); }
    std::optional<bool> send_dialog(NoteView& note) override {
        return on_dialog ? on_dialog(note) : std::nullopt;
    }
};

// Dialogs that answer as the test says (the standard dialog where it says nothing).
struct ScriptedDialogs : NoteDialogs {
    std::function<std::optional<QFont>(QWidget*, const QFont&)> font;
    std::function<std::optional<QColor>(QWidget*, const QColor&)> colour;
    std::function<std::optional<std::string>(QWidget*, const std::string&)> title;

    std::optional<QFont> choose_font(QWidget* parent, const QFont& initial) override {
        return font ? font(parent, initial) : NoteDialogs::choose_font(parent, initial);
    }
    std::optional<QColor> choose_colour(QWidget* parent, const QColor& initial) override {
        return colour ? colour(parent, initial) : NoteDialogs::choose_colour(parent, initial);
    }
    std::optional<std::string> edit_title(QWidget* parent, const std::string& initial) override {
        return title ? title(parent, initial) : NoteDialogs::edit_title(parent, initial);
    }
};

}  // namespace kd::test
