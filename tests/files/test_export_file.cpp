// Export files without windows: appending and numbering, reading back what we wrote and what
// copies on Windows write, the index entries and rows taken apart, and the text encoding.
#include <gtest/gtest.h>

#include <ctime>
#include <string>
#include <vector>

#include "files/export_file.h"
#include "platform/profile_file.h"
#include "platform/temp_dir.h"
#include "platform/text_encoding.h"
#include "store/note_store.h"
#include "store/store_fixture.h"
#include "support/app_paths_in.h"
#include "support/error_recorder.h"
#include "support/full_record.h"

namespace kd {
namespace {

using test::read_text;
using test::write_text;

std::tm moment(int day, int month, int year, int hour, int minute, int second) {
    std::tm t{};
    t.tm_mday = day;
    t.tm_mon = month - 1;
    t.tm_year = year - 1900;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    return t;
}

NoteRecord sample(int id, const std::string& title) {
    return test::full_record(id, title);
}

class ExportFileTest : public test::StoreTest {
protected:
    std::string kvd() const { return dir.file("notes.kvd"); }
    std::string index(int key) const {
        return ProfileFile::read(kvd(), "KORVADESK", std::to_string(key), 1000);
    }
    NoteStore store{app_paths(), test::store_errors()};
    const std::tm now = moment(8, 12, 2026, 9, 5, 7);
};

TEST_F(ExportFileTest, AppendingTwiceSumsTheCountAndNumbersWithoutGaps) {
    EXPECT_EQ(append_to_export_file(sample(3, "One"), kvd(), now, test::store_errors()), 10001);
    EXPECT_EQ(append_to_export_file(sample(1, "Two"), kvd(), now, test::store_errors()), 10002);
    for (const char* title : {"Three", "Four", "Five"})
        append_to_export_file(sample(2, title), kvd(), now, test::store_errors());

    EXPECT_EQ(exported_note_count(kvd()), 5);
    const std::vector<std::string> titles = {"One", "Two", "Three", "Four", "Five"};
    for (int k = 0; k < 5; ++k) {
        EXPECT_EQ(index(10001 + k), titles[k] + "~08122026090507~Export");
        NoteRecord r;
        ASSERT_TRUE(read_exported_record(store, kvd(), 10001 + k, r)) << k;
        EXPECT_EQ(r.NoteID, 10001 + k);
        EXPECT_EQ(r.TitleText, titles[k]);
    }
    EXPECT_TRUE(errors.messages.empty());
}

TEST_F(ExportFileTest, ExportedRecordReadsBackFieldForField) {
    NoteRecord written = sample(4, "Caf\u00e9 \u2615 ~ plan");  // the cup has no Windows-1252 byte
    written.EditFont = "\u00c4rial";
    append_to_export_file(written, kvd(), now, test::store_errors());
    NoteRecord read;
    ASSERT_TRUE(read_exported_record(store, kvd(), 10001, read));
    written.NoteID = 10001;
    EXPECT_EQ(read, written);
    const ExportEntry entry = parse_export_entry(index(10001));
    EXPECT_EQ(entry.title, written.TitleText);
    EXPECT_EQ(entry.stamp, "08122026090507");
}

TEST_F(ExportFileTest, TextThatFitsWindows1252IsWrittenInIt) {
    append_to_export_file(sample(1, "Caf\u00e9 \u20ac5"), kvd(), now, test::store_errors());
    const std::string raw = read_text(kvd());
    EXPECT_NE(raw.find("TitleText=Caf\xe9 \x80"
                       "5"),
              std::string::npos);
    EXPECT_NE(raw.find("10001=Caf\xe9 \x80"
                       "5~"),
              std::string::npos);
    // Bytes that would read back as other UTF-8 text stay UTF-8.
    EXPECT_EQ(export_text("\u00c3\u00a9"), "\u00c3\u00a9");
    EXPECT_EQ(export_text("\u2615"), "\u2615");
    EXPECT_EQ(export_text("plain"), "plain");
    EXPECT_EQ(utf8_to_windows_1252("\u0160\u017e\u00ff"), std::string("\x8a\x9e\xff"));
    EXPECT_FALSE(utf8_to_windows_1252("\xff"));
}

TEST_F(ExportFileTest, WindowsLayoutFileWithCrlfImports) {
    write_text(kvd(),
               "[KORVADESK]\r\n"
               "ExportedNotes=2\r\n"
               "10001=Shopping~24121999183005~Export\r\n"
               "10002=\"Gr\xfc\xdf"
               "e~01022003040506~Export\"\r\n"
               "[NOTE_ID_10001]\r\n"
               "NoteID=10001\r\n"
               "EditBackColor=8454143\r\n"
               "EditTextColor=0\r\n"
               "EditFont=Comic Sans MS\r\n"
               "EditFontType=B\r\n"
               "EditFontSize=10\r\n"
               "EditCharSet=0\r\n"
               "EditText={\\rtf1\\ansi milk\\par|bread}\r\n"
               "TitleBackColor=65535\r\n"
               "TitleTextColor=0\r\n"
               "TitleFont=Arial\r\n"
               "TitleFontType=BC\r\n"
               "TitleFontSize=8\r\n"
               "TitleText=Shopping\r\n"
               "TitleCharSet=0\r\n"
               "Left=10\r\n"
               "Top=20\r\n"
               "Height=150\r\n"
               "Width=200\r\n"
               "Minimized=No\r\n"
               "Border=Yes\r\n"
               "Hidden=No\r\n"
               "Expiration=\r\n"
               "Alarm=\r\n"
               "[NOTE_ID_10002]\r\n"
               "NoteID=10002\r\n"
               "TitleText=Gr\xfc\xdf"
               "e\r\n");
    const std::vector<ExportIndexRow> rows = read_export_rows(kvd());
    ASSERT_EQ(rows.size(), 2u);
    const ExportEntry first = parse_export_entry(rows[0].entry);
    EXPECT_EQ(first.title, "Shopping");
    EXPECT_EQ(export_date_cell(first.stamp, "DD.MM.YYYY"), "24.12.1999");
    EXPECT_EQ(export_time_cell(first.stamp), "18:30:05");
    EXPECT_EQ(parse_export_entry(rows[1].entry).title, "Gr\u00fc\u00dfe");

    NoteRecord r;
    ASSERT_TRUE(read_exported_record(store, kvd(), rows[0].number, r));
    EXPECT_EQ(r.EditBackColor, 8454143u);
    EXPECT_EQ(r.EditFont, "Comic Sans MS");
    EXPECT_EQ(r.EditText, "{\\rtf1\\ansi milk\\par\nbread}");
    EXPECT_EQ(r.TitleFontType, "BC");
    EXPECT_EQ(r.Width, 200);
    EXPECT_EQ(r.Border, "Yes");
    ASSERT_TRUE(read_exported_record(store, kvd(), rows[1].number, r));
    EXPECT_EQ(r.TitleText, "Gr\u00fc\u00dfe");
    EXPECT_FALSE(read_exported_record(store, kvd(), 10003, r));
    EXPECT_FALSE(read_exported_record(store, kvd(), 1, r));
}

TEST_F(ExportFileTest, IndexGapsAndHugeCountsAreBounded) {
    write_text(kvd(),
               "[KORVADESK]\nExportedNotes=999999999\n10001=A~01012020000000~Export\n"
               "10003=C~01012020000000~Export\n");
    EXPECT_EQ(exported_note_count(kvd()), kMaxExportedNotes);
    const std::vector<ExportIndexRow> rows = read_export_rows(kvd());
    ASSERT_EQ(rows.size(), 2u);
    // Each row keeps its own number, so the row after a gap still names its own note.
    EXPECT_EQ(rows[1].number, 10003);
    write_text(kvd(), "[KORVADESK]\nExportedNotes=-4\n");
    EXPECT_EQ(exported_note_count(kvd()), 0);
    EXPECT_TRUE(read_export_rows(dir.file("missing.kvd")).empty());
}

TEST_F(ExportFileTest, LongTitlesLeaveTheIndexEntryReadable) {
    const std::string title(400, 'x');
    append_to_export_file(sample(1, title), kvd(), now, test::store_errors());
    const std::string entry = index(10001);
    EXPECT_LE(entry.size(), kLongestIndexEntry);
    EXPECT_EQ(parse_export_entry(entry).stamp, "08122026090507");
    NoteRecord r;
    ASSERT_TRUE(read_exported_record(store, kvd(), 10001, r));
    EXPECT_EQ(r.TitleText, title) << "the record keeps the whole title";
}

TEST(ExportEntryTest, TildesInTitlesStayInTheTitle) {
    const ExportEntry e = parse_export_entry("a~b~c~31122025235958~Export");
    EXPECT_EQ(e.title, "a~b~c");
    EXPECT_EQ(e.stamp, "31122025235958");
    EXPECT_EQ(export_date_cell(e.stamp, "DD-MM-YYYY"), "31-12-2025");
    EXPECT_EQ(export_date_cell(e.stamp, "YYYY-MM-DD"), "2025-12-31");
    EXPECT_EQ(export_date_cell(e.stamp, "MM/DD/YYYY"), "12/31/2025");
    EXPECT_EQ(export_date_cell(e.stamp, "D.M.Y"), "");
    EXPECT_EQ(export_time_cell("0101"), "::");  // a cut entry gives empty cells, no overrun

    const NoteRowParts row = parse_note_row("to~do~12~Yes~");
    EXPECT_EQ(row.title, "to~do");
    EXPECT_EQ(row.number, "12");
    EXPECT_EQ(row.hidden, "Yes");
    EXPECT_TRUE(parse_note_row("broken").number.empty());
}

TEST_F(ExportFileTest, StoredNoteRowsListReadableRecordsWithTheirHiddenMark) {
    NoteRecord hidden = sample(3, "Secret");
    hidden.Hidden = "Yes";
    store.write_record(sample(1, "First"));
    store.write_record(hidden);
    EXPECT_EQ(stored_note_rows(store, 4),
              (std::vector<std::string>{"First~1~No~", "Secret~3~Yes~"}));
    EXPECT_EQ(replace_or_append_question("/tmp/x/a.kvd"),
              "Selected file \"a.kvd\" already exist.\nClick \"Yes\" to Replace and overwrite "
              "existing file or \"No\" to Append file.");
}

}  // namespace
}  // namespace kd
