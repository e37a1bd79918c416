// A note with the file commands on a real X server (Xvfb), its start folder a fresh test
// folder, and file and print dialogs that answer as the test says.
#pragma once

#include <gtest/gtest.h>

#include <QDir>
#include <QPointer>
#include <QTemporaryDir>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "files/note_file_commands.h"
#include "files/note_file_dialogs.h"
#include "note/note_menus.h"
#include "note/note_window.h"
#include "platform/paths.h"
#include "support/app_paths_in.h"
#include "support/sample_note.h"
#include "support/test_services.h"

namespace kd::test {

struct ScriptedFileDialogs : NoteFileDialogs {
    // One answer per dialog shown, in order; a dialog without an answer is cancelled.
    std::deque<std::optional<std::string>> answers;
    std::function<bool(QPrinter&)> printer_set_up;
    // What the dialogs were shown with.
    std::vector<std::string> filters, proposed;
    int shown = 0;

    std::optional<std::string> next(const std::string& filter, const std::string& name) {
        ++shown;
        filters.push_back(filter);
        proposed.push_back(name);
        // A dialog may leave the current folder elsewhere.
        QDir::setCurrent(QDir::rootPath());
        if (answers.empty())
            return std::nullopt;
        auto answer = answers.front();
        answers.pop_front();
        return answer;
    }
    std::optional<std::string> open_file(QWidget*, const std::string& filter,
                                         const std::string&) override {
        return next(filter, {});
    }
    std::optional<std::string> save_file(QWidget*, const std::string& filter, const std::string&,
                                         const std::string& name) override {
        return next(filter, name);
    }
    bool set_up_printer(QWidget*, QPrinter& printer) override {
        ++shown;
        return printer_set_up && printer_set_up(printer);
    }
};

class NoteFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        set_app_paths(app_paths_in(folder()));
        QDir::setCurrent(dir_.path());
        auto dialogs = std::make_unique<ScriptedFileDialogs>();
        dialogs_ = dialogs.get();
        commands_.set_dialogs(std::move(dialogs));
    }
    void TearDown() override { delete note_.data(); }

    std::string folder() const { return dir_.path().toStdString(); }
    std::string path(const std::string& name) const { return folder() + "/" + name; }

    NoteWindow* make_note(const std::string& title = "Shopping") {
        note_ = new NoteWindow(nullptr, 1, ts_.services);
        EXPECT_TRUE(note_->create_from_record(sample_note_record(1, title), false, false));
        return note_;
    }
    // Chooses the item of the body menu, as the user does.
    void choose(int id) { note_->menus()->run_command(id); }

    QTemporaryDir dir_;
    TestServices ts_{Clock::system()};
    NoteFileCommands commands_{ts_.services};
    ScriptedFileDialogs* dialogs_ = nullptr;
    QPointer<NoteWindow> note_;
};

}  // namespace kd::test
