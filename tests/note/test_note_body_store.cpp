// A formatted body survives a restart (settings file) and a send (note message) unchanged,
// "|" and "~" included: the writer escapes both, so neither separator can cut the body.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTextList>

#include "net/note_message.h"
#include "note/note_body.h"
#include "platform/paths.h"
#include "store/note_store.h"
#include "support/app_paths_in.h"
#include "support/error_recorder.h"
#include "support/rtf_test_support.h"

namespace kd {
namespace {

class NoteBodyStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        set_app_paths(test::app_paths_in(dir.path().toStdString()));
    }

    static void set_look(NoteBody& body, const NoteRecord& r) {
        body.set_look(body_look_of(r));
        body.apply_default_format();
    }

    // A note as a user would format it with the body's own commands.
    static void write_mixed_note(NoteBody& body) {
        auto type = [&](const QString& text) { body.insertPlainText(text); };
        auto select_back = [&](int n) {
            QTextCursor c = body.textCursor();
            c.setPosition(c.position() - n, QTextCursor::KeepAnchor);
            body.setTextCursor(c);
        };
        auto caret_end = [&] {
            QTextCursor c = body.textCursor();
            c.movePosition(QTextCursor::End);
            body.setTextCursor(c);
        };
        body.set_colour_chooser(
            [](const QColor&) { return std::optional<QColor>(QColor(200, 0, 0)); });

        type("Shopping list");
        select_back(13);
        body.bold_command();
        body.increase_size_command();
        body.increase_size_command();
        body.center_command();
        caret_end();
        type("\n");
        body.left_command();
        body.regular_command();
        type(QString::fromUtf8("Crème brûlée, naïve café, Ærø, €5, “quoted”, ж"));
        select_back(2);
        body.text_colour_command();
        caret_end();
        type("\n");
        body.bullet_command();
        type("milk | cream");
        type("\n");
        type("pipe|tilde~both|~");
        select_back(3);
        body.italic_command();
        body.decrease_size_command();
        caret_end();
        type("\n");
        body.bullet_command();
        type("end ~ of note");
    }

    // The Cyrillic letter comes back in a run of its own that carries the Cyrillic character
    // set: the writer gave it that font so it is stored as one byte, not as \uN.
    static std::string with_cyrillic_run(std::string described, int points) {
        const std::string size = std::to_string(points);
        const std::string typed = "  \" \xD0\xB6\" Arial cs0 " + size + " fg#c80000\n";
        const std::string read = "  \" \" Arial cs0 " + size +
                                 " fg#c80000\n  \"\xD0\xB6\" Arial cs204 " + size + " fg#c80000\n";
        auto at = described.find(typed);
        EXPECT_NE(at, std::string::npos) << described;
        if (at != std::string::npos)
            described.replace(at, typed.size(), read);
        return described;
    }

    QTemporaryDir dir;
};

TEST_F(NoteBodyStoreTest, MixedNoteSurvivesARestartUnchanged) {
    NoteRecord record;
    record.NoteID = 1;
    record.EditFont = "Arial";
    record.EditFontSize = 9;
    record.EditFontType = "";
    record.EditTextColor = 0x000000;
    record.EditBackColor = 0x80FFFF;

    NoteBody before;
    set_look(before, record);
    write_mixed_note(before);
    ASSERT_NE(before.document()->findBlockByNumber(2).textList(), nullptr);
    record.EditText = before.get_rtf();
    ASSERT_TRUE(NoteStore(app_paths(), test::store_errors()).write_record(record));

    // On disk the body is one line; the typed separators are escapes, not markup.
    QFile ini(QString::fromStdString(app_paths().IniPath));
    ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
    QByteArray line;
    for (QByteArray l : ini.readAll().split('\n'))
        if (l.startsWith("EditText="))
            line = l;
    EXPECT_TRUE(line.contains("pipe\\'7ctilde\\'7e"));
    EXPECT_FALSE(line.contains('~'));

    NoteRecord back;
    ASSERT_TRUE(NoteStore(app_paths(), test::store_errors()).read_record(1, back));
    NoteBody after;
    set_look(after, back);
    after.set_rtf(back.EditText);
    EXPECT_EQ(after.toPlainText(), before.toPlainText());
    EXPECT_TRUE(after.toPlainText().contains("pipe|tilde~both|~"));
    EXPECT_EQ(test::describe(*after.document()),
              with_cyrillic_run(test::describe(*before.document()), 11));
    EXPECT_EQ(after.get_rtf(), before.get_rtf());
}

TEST_F(NoteBodyStoreTest, MixedNoteSurvivesASend) {
    NoteRecord record;
    record.NoteID = 1;
    record.EditFont = "Arial";
    record.EditFontSize = 10;
    record.EditTextColor = 0x000000;
    record.EditBackColor = 0xFFFFFF;
    record.TitleText = "t";
    NoteBody before;
    set_look(before, record);
    write_mixed_note(before);
    record.EditText = before.get_rtf();

    std::string message = build_note_message("PC1", record);
    ParsedMessage parsed = parse_note_message(message, 12, 0);
    ASSERT_FALSE(parsed.rejected());
    NoteBody after;
    set_look(after, parsed.record);
    after.set_rtf(parsed.record.EditText);
    EXPECT_EQ(after.toPlainText(), before.toPlainText());
    EXPECT_EQ(test::describe(*after.document()),
              with_cyrillic_run(test::describe(*before.document()), 12));
}

}  // namespace
}  // namespace kd
