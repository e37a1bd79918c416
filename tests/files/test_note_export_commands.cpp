// Export and import through the tray commands and a note's menu, with scripted file dialogs,
// note lists and message boxes, on real files.
#include <gtest/gtest.h>

#include <QApplication>
#include <deque>

#include "files/export_file.h"
#include "files/file_test_fixture.h"
#include "files/note_export_commands.h"
#include "files/note_list_chooser.h"
#include "note/note_menus_model.h"
#include "platform/profile_file.h"
#include "reminders/alarm.h"
#include "support/error_recorder.h"

namespace kd {
namespace {

namespace nm = note_menu;
namespace et = export_texts;

// Makes and numbers notes as the main window does, without one.
struct TestHost : NoteHost {
    explicit TestHost(NoteServices& s) : services(s) {}
    ~TestHost() override {
        for (auto& note : made)
            delete note.data();
    }
    NoteWindow* create_note() override {
        auto* note = new NoteWindow(nullptr, 0, services);
        QObject::connect(note, &NoteWindow::placement_requested, [this](NoteWindow* n) {
            n->note().set_number(++count);
            n->show();
        });
        made.push_back(note);
        return note;
    }
    int note_count() const override { return count; }
    std::vector<NoteView*> note_views() const override {
        std::vector<NoteView*> out;
        for (const auto& note : made) {
            if (note) {
                out.push_back(note.data());
            }
        }
        return out;
    }

    NoteServices& services;
    int count = 0;
    std::vector<QPointer<NoteWindow>> made;
};

struct ScriptedChooser : NoteListChooser {
    struct Call {
        NoteListMode mode;
        std::vector<std::string> rows;
    };
    std::deque<std::optional<std::vector<int>>> answers;
    std::vector<Call>* calls = nullptr;
    std::optional<std::vector<int>> choose(QWidget*, NoteListMode mode,
                                           const std::vector<std::string>& rows, const std::string&,
                                           MessageBoxes&) override {
        calls->push_back({mode, rows});
        if (answers.empty())
            return std::nullopt;
        auto answer = answers.front();
        answers.pop_front();
        return answer;
    }
};

class ExportCommandsTest : public test::NoteFileTest {
protected:
    void SetUp() override {
        NoteFileTest::SetUp();
        auto dialogs = std::make_unique<test::ScriptedFileDialogs>();
        files_ = dialogs.get();
        exports_.set_dialogs(std::move(dialogs));
        ts_.boxes.answer_all();
    }
    std::string kvd() const { return path("notes.kvd"); }
    std::string index(int key) const {
        return ProfileFile::read(kvd(), "KORVADESK", std::to_string(key), 1000);
    }
    void store_note(int number, const std::string& title, bool hidden = false) {
        NoteRecord r = test::sample_note_record(number, title);
        r.Hidden = hidden ? "Yes" : "No";
        ASSERT_TRUE(ts_.store.write_record(r));
    }
    void export_both(QMessageBox::StandardButton existing) {
        chooser_->answers = {std::vector<int>{0, 1}};
        files_->answers = {kvd()};
        if (existing != QMessageBox::NoButton)
            ts_.boxes.set_next_answer(existing);
        exports_.export_notes(nullptr);
    }

    std::unique_ptr<NoteListChooser> scripted_chooser() {
        auto chooser = std::make_unique<ScriptedChooser>();
        chooser_ = chooser.get();
        chooser_->calls = &calls_;
        return chooser;
    }

    test::ErrorRecorder errors_;
    TestHost host_{ts_.services};
    std::vector<ScriptedChooser::Call> calls_;
    ScriptedChooser* chooser_ = nullptr;
    NoteExportCommands exports_{ts_.services, host_, scripted_chooser()};
    test::ScriptedFileDialogs* files_ = nullptr;
};

TEST_F(ExportCommandsTest, TrayExportAppendsOnNoAndStartsAgainOnYes) {
    store_note(1, "Milk");
    store_note(3, "Secret", true);
    host_.count = 4;
    export_both(QMessageBox::NoButton);
    ASSERT_EQ(calls_.size(), 1u);
    EXPECT_EQ(calls_[0].mode, NoteListMode::Export);
    EXPECT_EQ(calls_[0].rows, (std::vector<std::string>{"Milk~1~No~", "Secret~3~Yes~"}));
    EXPECT_EQ(files_->filters.back(), et::kFilter);
    EXPECT_EQ(files_->proposed.back(), "");
    EXPECT_EQ(exported_note_count(kvd()), 2);
    EXPECT_TRUE(ts_.boxes.take_answered_texts().empty()) << "a new file asks nothing";

    export_both(QMessageBox::No);
    EXPECT_EQ(ts_.boxes.take_answered_texts(),
              std::vector<std::string>{replace_or_append_question(kvd())});
    EXPECT_EQ(exported_note_count(kvd()), 4);
    for (int k = 0; k < 4; ++k) {
        NoteRecord r;
        ASSERT_TRUE(read_exported_record(ts_.store, kvd(), 10001 + k, r)) << k;
        EXPECT_EQ(r.TitleText, k % 2 == 0 ? "Milk" : "Secret");
    }

    export_both(QMessageBox::Yes);
    EXPECT_EQ(exported_note_count(kvd()), 2);
    EXPECT_TRUE(index(10003).empty());
    EXPECT_EQ(parse_export_entry(index(10002)).title, "Secret");
    EXPECT_EQ(QDir::currentPath().toStdString(), folder()) << "the start folder is current again";
    EXPECT_TRUE(errors_.messages.empty());
}

TEST_F(ExportCommandsTest, WrongExtensionAsksAgainAndCancelWritesNothing) {
    store_note(1, "Milk");
    host_.count = 1;
    chooser_->answers = {std::vector<int>{0}};
    files_->answers = {path("notes.txt"), kvd()};
    exports_.export_notes(nullptr);
    EXPECT_EQ(ts_.boxes.take_answered_texts(), std::vector<std::string>{et::kWrongExportExtension});
    EXPECT_EQ(exported_note_count(kvd()), 1);

    chooser_->answers = {std::vector<int>{0}};
    files_->answers = {kvd()};
    ts_.boxes.set_next_answer(QMessageBox::Cancel);
    exports_.export_notes(nullptr);
    EXPECT_EQ(exported_note_count(kvd()), 1);

    chooser_->answers = {std::nullopt};  // the list cancelled: no file dialog
    const int shown = files_->shown;
    exports_.export_notes(nullptr);
    EXPECT_EQ(files_->shown, shown);
}

TEST_F(ExportCommandsTest, NoteExportProposesTheTitleWithoutColons) {
    make_note("Call 10:30");
    files_->answers = {kvd()};
    choose(nm::kExportNote);
    EXPECT_EQ(files_->proposed.back(), "Call 1030");
    EXPECT_EQ(parse_export_entry(index(10001)).title, "Call 10:30");
    NoteRecord r;
    ASSERT_TRUE(read_exported_record(ts_.store, kvd(), 10001, r));
    EXPECT_EQ(r.TitleText, "Call 10:30");
    EXPECT_EQ(r.NoteID, 10001);
    EXPECT_FALSE(ts_.store.record_exists(10001)) << "the main store is not touched";
}

TEST_F(ExportCommandsTest, NoteImportOfAOneNoteFileSkipsTheList) {
    NoteRecord other = test::sample_note_record(9, "Imported");
    other.Width = 300;
    other.Height = 250;
    other.Left = 10;
    other.Border = "Yes";
    other.Expiration = "01012099-000000";
    append_to_export_file(other, kvd(), std::tm{}, test::store_errors());
    make_note("Mine");
    const QPoint place = note_->pos();
    files_->answers = {path("notes.rtf"), kvd()};
    choose(nm::kImportNote);
    EXPECT_EQ(ts_.boxes.take_answered_texts(), std::vector<std::string>{et::kWrongImportExtension});
    EXPECT_TRUE(calls_.empty());
    EXPECT_EQ(note_->note().title_text(), "Imported");
    EXPECT_EQ(note_->size(), QSize(300, 250));
    EXPECT_EQ(note_->pos(), place) << "the note keeps its place";
    EXPECT_TRUE(note_->note().has_border());
    EXPECT_EQ(note_->note().expiration(), "");
    EXPECT_FALSE(note_->expiration_icon()->isVisible());
    EXPECT_EQ(note_->note().number(), 1);
}

TEST_F(ExportCommandsTest, NoteImportOfLargerFileUsesTheOneNoteList) {
    append_to_export_file(test::sample_note_record(1, "First"), kvd(), std::tm{},
                          test::store_errors());
    append_to_export_file(test::sample_note_record(2, "Second"), kvd(), std::tm{},
                          test::store_errors());
    make_note("Mine");
    files_->answers = {kvd()};
    chooser_->answers = {std::vector<int>{1}};
    choose(nm::kImportNote);
    ASSERT_EQ(calls_.size(), 1u);
    EXPECT_EQ(calls_[0].mode, NoteListMode::ImportOne);
    EXPECT_EQ(calls_[0].rows.size(), 2u);
    EXPECT_EQ(note_->note().title_text(), "Second");
}

TEST_F(ExportCommandsTest, TrayImportMakesNewNotesWithoutExpirationAndTestsTheAlarm) {
    NoteRecord expiring = test::sample_note_record(4, "Expiring");
    expiring.Expiration = "01012099-000000";
    NoteRecord past = test::sample_note_record(5, "Past alarm");
    past.Alarm = make_alarm_value({{1, 1, 2020, 8, 0, 0}, AlarmRepeat::None, true});
    NoteRecord future = test::sample_note_record(6, "Future alarm");
    future.Alarm = make_alarm_value({{1, 1, 2099, 8, 0, 0}, AlarmRepeat::None, true});
    for (const NoteRecord& r : {expiring, past, future})
        append_to_export_file(r, kvd(), std::tm{}, test::store_errors());
    int sounds = 0;
    QObject::connect(&ts_.services, &NoteServices::alarm_sound_wanted, [&sounds] { ++sounds; });
    host_.count = 7;
    files_->answers = {kvd()};
    chooser_->answers = {std::vector<int>{0, 1, 2}};
    exports_.import_notes(nullptr);

    ASSERT_EQ(calls_.size(), 1u);
    EXPECT_EQ(calls_[0].mode, NoteListMode::Import);
    ASSERT_EQ(host_.made.size(), 3u);
    NoteWindow* a = host_.made[0];
    NoteWindow* b = host_.made[1];
    NoteWindow* c = host_.made[2];
    EXPECT_EQ(a->note().number(), 8);
    EXPECT_EQ(a->note().expiration(), "");
    EXPECT_FALSE(a->expiration_icon()->isVisible());
    EXPECT_FALSE(a->note().has_status(NoteStatus::Received));
    EXPECT_EQ(b->note().alarm(), "") << "a passed one-time alarm is removed";
    EXPECT_EQ(b->note().alarm_ring_ticks(), 0);
    EXPECT_EQ(sounds, 0);
    EXPECT_EQ(c->note().alarm(), future.Alarm);
    EXPECT_TRUE(c->alarm_icon()->isVisible());
    EXPECT_EQ(ts_.store.settings().number(Setting::NumberOfNotes), 10);
    NoteRecord stored;
    ASSERT_TRUE(ts_.store.read_record(10, stored));
    EXPECT_EQ(stored.TitleText, "Future alarm");
    EXPECT_EQ(stored.Expiration, "");
}

}  // namespace
}  // namespace kd
