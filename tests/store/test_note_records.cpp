#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/temp_dir.h"
#include "store/note_store.h"
#include "store/store_fixture.h"
#include "store/style_letters.h"
#include "support/app_paths_in.h"
#include "support/error_recorder.h"
#include "support/full_record.h"

namespace kd {
namespace {

namespace t = store_texts;
using test::read_text;
using test::write_text;
using Messages = std::vector<std::string>;

// Left and width beyond any screen: the store keeps what it is given.
NoteRecord sample(int id, const std::string& title = "Title") {
    NoteRecord r = test::full_record(id, title);
    r.Left = -1200;
    r.Width = 9999;
    return r;
}

class RecordTest : public test::StoreTest {
protected:
    NoteStore store{app_paths(), test::store_errors()};
    std::string raw(int number, std::string_view key) {
        return ProfileFile::read(ini, NoteStore::record_section(number), key, 20000);
    }
};

TEST_F(RecordTest, RoundTripKeepsEveryFieldInTheDocumentedOrder) {
    const NoteRecord written = sample(7);
    ASSERT_TRUE(store.write_record(written));
    NoteRecord read;
    ASSERT_TRUE(store.read_record("7", read));
    EXPECT_EQ(read, written);
    EXPECT_EQ(read.Left, -1200);

    EXPECT_EQ(read_text(ini),
              "[NOTE_ID_7]\n"
              "NoteID=7\n"
              "EditBackColor=10551295\n"
              "EditTextColor=1122867\n"
              "EditFont=DejaVu Sans\n"
              "EditFontType=BI\n"
              "EditFontSize=10\n"
              "EditCharSet=238\n"
              "EditText={\\rtf1 line one\\par|line two}\n"
              "TitleBackColor=8421376\n"
              "TitleTextColor=16777215\n"
              "TitleFont=Liberation Serif\n"
              "TitleFontType=UC\n"
              "TitleFontSize=9\n"
              "TitleText=Title\n"
              "TitleCharSet=0\n"
              "Left=-1200\n"
              "Top=120\n"
              "Height=180\n"
              "Width=9999\n"
              "Minimized=No\n"
              "Border=Yes\n"
              "Hidden=No\n"
              "Expiration=08122026-101500\n"
              "Alarm=09122026-080000~Once\n");

    // Rewriting the record replaces its keys in place.
    NoteRecord moved = written;
    moved.Left = -5;
    moved.TitleText = "Moved";
    ASSERT_TRUE(store.write_record(moved));
    ASSERT_TRUE(store.read_record(7, read));
    EXPECT_EQ(read, moved);
    EXPECT_EQ(read_text(ini).find("[NOTE_ID_7]"), read_text(ini).rfind("[NOTE_ID_7]"));
    EXPECT_TRUE(errors.messages.empty());
}

TEST_F(RecordTest, BodyLineFeedsAndBarsConvert) {
    NoteRecord r = sample(1);
    r.EditText = "a|b\r\nc\rd\n";
    ASSERT_TRUE(store.write_record(r));
    EXPECT_EQ(raw(1, t::kEditText), "a|b|cd|");
    NoteRecord read;
    ASSERT_TRUE(store.read_record(1, read));
    EXPECT_EQ(read.EditText, "a\nb\ncd\n");

    // A body longer than its capacity is stored whole and read back cut.
    r.EditText = std::string(12000, 'x');
    ASSERT_TRUE(store.write_record(r));
    EXPECT_EQ(raw(1, t::kEditText).size(), 12000u);
    ASSERT_TRUE(store.read_record(1, read));
    EXPECT_EQ(read.EditText.size(), 10239u);
}

TEST_F(RecordTest, ReadsHandWrittenAndOldFilesWithTheirCapacities) {
    write_text(ini,
               "[NOTE_ID_3]\r\n"
               "NoteID=3\r\n"
               "EditCharSet=300\r\n"
               "TitleCharSet=-1\r\n"
               "Left=-999\r\n"
               "Top=9999\r\n"
               "Width=-12000\r\n"
               "Height=abc\r\n"
               "Border=Yes please\r\n"
               "Expiration=0123456789012345678901234567890123\r\n"
               "TitleText=\"  spaced  \"\r\n"
               "\r\n"
               "[NOTE_ID_4]\r\n"
               "EditText=no id here\r\n");
    NoteRecord r;
    ASSERT_TRUE(store.read_record("3", r));
    EXPECT_EQ(r.EditCharSet, 44);
    EXPECT_EQ(r.TitleCharSet, 255);
    EXPECT_EQ(r.Left, -999);
    EXPECT_EQ(r.Top, 9999);
    EXPECT_EQ(r.Width, -12000);
    EXPECT_EQ(r.Height, 0);
    EXPECT_EQ(r.Border, "Yes ");
    EXPECT_EQ(r.Expiration, "01234567890123456789012345678");
    EXPECT_EQ(r.TitleText, "  spaced  ");
    EXPECT_EQ(r.EditText, "");
    EXPECT_EQ(r.EditTextColor, 0u);

    // A section without NoteID counts as missing; the record is left untouched.
    NoteRecord untouched = sample(99);
    EXPECT_FALSE(store.read_record(4, untouched));
    EXPECT_EQ(untouched, sample(99));
    EXPECT_FALSE(store.read_record(5, untouched));
    EXPECT_TRUE(store.record_exists(3));
    EXPECT_FALSE(store.record_exists(4));
}

TEST_F(RecordTest, NumbersOutsideTheRangeWriteNothing) {
    for (int id : {0, -3, 100000}) {
        EXPECT_TRUE(store.write_record(sample(id))) << id;
    }
    EXPECT_FALSE(std::filesystem::exists(ini));
    EXPECT_TRUE(store.write_record(sample(99999)));
    EXPECT_TRUE(store.record_exists(99999));
    EXPECT_TRUE(errors.messages.empty());
}

TEST_F(RecordTest, WritesIntoANamedFile) {
    const std::string exported = dir.file("export.kvd");
    ASSERT_TRUE(store.write_record(sample(10001, "exported"), exported));
    EXPECT_FALSE(std::filesystem::exists(ini));
    NoteRecord r;
    EXPECT_FALSE(store.read_record(10001, r));
    ASSERT_TRUE(store.read_record(10001, r, exported));
    EXPECT_EQ(r.TitleText, "exported");
}

TEST_F(RecordTest, DeletesAndCounts) {
    for (int id : {1, 2, 3, 4, 91001, 91002, 91004}) {
        ASSERT_TRUE(store.write_record(sample(id)));
    }
    ProfileFile::write(ini, "NOTE_ID_91003", t::kTitleText, "no id");
    EXPECT_EQ(store.count_saved_themes(), 2);

    EXPECT_TRUE(store.delete_record(2));
    EXPECT_TRUE(store.delete_record(2));
    EXPECT_FALSE(store.record_exists(2));
    EXPECT_TRUE(store.delete_records_above(3, 3));
    EXPECT_TRUE(store.delete_records_above(5, 1));
    EXPECT_TRUE(store.record_exists(3));
    EXPECT_TRUE(store.delete_records_above(1, 4));
    EXPECT_TRUE(store.record_exists(1));
    EXPECT_FALSE(store.record_exists(3));
    EXPECT_FALSE(store.record_exists(4));
    EXPECT_EQ(store.count_saved_themes(), 2);

    EXPECT_EQ(store.default_border(), "");
    NoteRecord look = sample(90000);
    look.Border = "No";
    ASSERT_TRUE(store.write_record(look));
    EXPECT_EQ(store.default_border(), "No");
    EXPECT_TRUE(errors.messages.empty());
}

TEST_F(RecordTest, FailuresAreReportedWithTheirTexts) {
    ASSERT_TRUE(store.write_record(sample(1)));
    ASSERT_TRUE(store.write_record(sample(2)));
    // With the file marked read-only, no change of it can be made (root included).
    ASSERT_EQ(::chmod(ini.c_str(), 0444), 0);

    EXPECT_FALSE(store.write_record(sample(3)));
    EXPECT_EQ(errors.take(), Messages{std::string(t::kErrorWritingNote)});
    EXPECT_FALSE(store.record_exists(3));

    EXPECT_FALSE(store.delete_record(1));
    EXPECT_EQ(errors.take(), Messages{std::string(t::kErrorDeletingNote)});

    EXPECT_FALSE(store.delete_records_above(0, 5));
    EXPECT_EQ(errors.take(), Messages{std::string(t::kErrorDeletingOldNotes)});
    EXPECT_TRUE(store.record_exists(1));
    EXPECT_TRUE(store.record_exists(2));

    use_ini(dir.file("missing/Korvadesk.ini"));
    EXPECT_FALSE(store.write_record(sample(1)));
    EXPECT_EQ(errors.take(), Messages{std::string(t::kErrorWritingNote)});
}

TEST_F(RecordTest, RenumberingClosesGapsInOrder) {
    for (int id : {1, 3, 4}) {
        ASSERT_TRUE(store.write_record(sample(id, "note " + std::to_string(id))));
    }
    ASSERT_TRUE(store.settings().set_number(Setting::NumberOfNotes, 4));

    std::vector<std::pair<std::string, int>> opened;
    StoreTransaction tx(app_paths().IniPath, test::store_errors());
    const RenumberResult result = renumber_notes(
        NoteStore(app_paths(), test::store_errors()),
        [&](const NoteRecord& r, int number) -> std::optional<NoteRecord> {
            opened.emplace_back(r.TitleText, number);
            return r;
        },
        tx);
    // Nothing reaches the file before the commit, and the commit is one replace: a crash
    // leaves the old numbering or the new one, never a note in two sections.
    EXPECT_TRUE(store.record_exists(4));
    EXPECT_EQ(store.settings().number(Setting::NumberOfNotes), 4);
    const auto replaces = ProfileFile::replace_count();
    ASSERT_TRUE(tx.commit());
    EXPECT_EQ(ProfileFile::replace_count() - replaces, 1u);
    EXPECT_EQ(result.count, 3);
    EXPECT_EQ(result.kept, 3);
    const std::vector<std::pair<std::string, int>> expected = {
        {"note 1", 1}, {"note 3", 2}, {"note 4", 3}};
    EXPECT_EQ(opened, expected);

    for (int i = 1; i <= 3; ++i) {
        NoteRecord r;
        ASSERT_TRUE(store.read_record(i, r));
        EXPECT_EQ(r.TitleText, expected[i - 1].first);
        EXPECT_EQ(r.NoteID, i);
    }
    EXPECT_FALSE(store.record_exists(4));
    EXPECT_FALSE(ProfileFile::has_section(ini, "NOTE_ID_4"));
    EXPECT_EQ(store.settings().number(Setting::NumberOfNotes), 3);
    EXPECT_TRUE(errors.messages.empty());
}

TEST_F(RecordTest, RenumberingKeepsTheNumberOfADroppedNote) {
    for (int id : {2, 3, 5}) {
        ASSERT_TRUE(store.write_record(sample(id, "note " + std::to_string(id))));
    }
    ASSERT_TRUE(store.settings().set_number(Setting::NumberOfNotes, 6));
    // The second note expires while it is set up: it is gone and is not written.
    StoreTransaction tx(app_paths().IniPath, test::store_errors());
    const RenumberResult result = renumber_notes(
        NoteStore(app_paths(), test::store_errors()),
        [&](const NoteRecord& r, int) -> std::optional<NoteRecord> {
            if (r.TitleText == "note 3") {
                return std::nullopt;
            }
            return r;
        },
        tx);
    ASSERT_TRUE(tx.commit());
    EXPECT_EQ(result.count, 3);
    EXPECT_EQ(result.kept, 2);
    NoteRecord r;
    ASSERT_TRUE(store.read_record(1, r));
    EXPECT_EQ(r.TitleText, "note 2");
    EXPECT_FALSE(store.record_exists(2));
    ASSERT_TRUE(store.read_record(3, r));
    EXPECT_EQ(r.TitleText, "note 5");
    for (int i = 4; i <= 6; ++i) {
        EXPECT_FALSE(store.record_exists(i)) << i;
    }
    EXPECT_EQ(store.settings().number(Setting::NumberOfNotes), 3);
}

// A stored count that cannot be one restored none of the stored notes, and the empty note of a
// start without notes was then written over record 1 unread. Every record present is restored.
TEST_F(RecordTest, ACountThatIsNoCountRestoresEveryRecordPresentInOrder) {
    for (const char* stored : {"-1", "abc", "2147483647", "3x", "0", ""}) {
        SCOPED_TRACE(stored);
        std::remove(ini.c_str());
        for (int id : {1, 3, 7}) {
            ASSERT_TRUE(store.write_record(sample(id, "note " + std::to_string(id))));
        }
        // Neither of these is a note: a section without NoteID and a theme record.
        ASSERT_TRUE(ProfileFile::write(ini, "NOTE_ID_9", "TitleText", "no id"));
        ASSERT_TRUE(store.write_record(sample(t::kFirstBuiltInThemeRecord)));
        if (*stored != '\0') {
            ASSERT_TRUE(ProfileFile::write(ini, "KORVADESK", "NumberOfNotes", stored));
        }

        const NotesToRestore plan = notes_to_restore(store);
        EXPECT_TRUE(plan.repaired);
        EXPECT_EQ(plan.last, 7);
        EXPECT_EQ(plan.highest, 7);
        EXPECT_EQ(plan.numbers, (std::vector<int>{1, 3, 7}));
        EXPECT_EQ(plan.stored, std::string(stored).substr(0, kStoredCountShown));

        std::vector<std::string> opened;
        StoreTransaction tx(ini, test::store_errors());
        const RenumberResult result = renumber_notes(
            store, plan,
            [&](const NoteRecord& r, int) -> std::optional<NoteRecord> {
                opened.push_back(r.TitleText);
                return r;
            },
            tx);
        ASSERT_TRUE(tx.commit());
        EXPECT_EQ(result.count, 3);
        EXPECT_EQ(opened, (std::vector<std::string>{"note 1", "note 3", "note 7"}));
        for (int i = 1; i <= 3; ++i) {
            NoteRecord r;
            ASSERT_TRUE(store.read_record(i, r)) << i;
            EXPECT_EQ(r.TitleText, opened[i - 1]);
        }
        EXPECT_FALSE(ProfileFile::has_section(ini, "NOTE_ID_7"));
        EXPECT_TRUE(store.record_exists(t::kFirstBuiltInThemeRecord));
        EXPECT_EQ(ProfileFile::read(ini, "KORVADESK", "NumberOfNotes", 20), "3");
    }
}

TEST_F(RecordTest, ACountAsTheProgramWritesItIsUsedAsItStands) {
    for (int id : {1, 2, 3}) {
        ASSERT_TRUE(store.write_record(sample(id)));
    }
    // Above the records present (the newest notes were deleted): nothing to repair.
    ASSERT_TRUE(store.settings().set_number(Setting::NumberOfNotes, 2147));
    NotesToRestore plan = notes_to_restore(store);
    EXPECT_FALSE(plan.repaired);
    EXPECT_EQ(plan.last, 2147);
    EXPECT_EQ(plan.numbers, (std::vector<int>{1, 2, 3}));
    // Below them: records above the count are left over from an earlier run, for the cleaning.
    ASSERT_TRUE(store.settings().set_number(Setting::NumberOfNotes, 2));
    plan = notes_to_restore(store);
    EXPECT_FALSE(plan.repaired);
    EXPECT_EQ(plan.last, 2);
    EXPECT_EQ(plan.numbers, (std::vector<int>{1, 2}));
    EXPECT_EQ(plan.highest, 3);

    // No notes at all: a missing count or 0 is the first start, a word is still reported.
    std::remove(ini.c_str());
    EXPECT_FALSE(notes_to_restore(store).repaired);
    ASSERT_TRUE(store.settings().set_number(Setting::NumberOfNotes, 0));
    EXPECT_FALSE(notes_to_restore(store).repaired);
    ASSERT_TRUE(ProfileFile::write(ini, "KORVADESK", "NumberOfNotes", "none"));
    plan = notes_to_restore(store);
    EXPECT_TRUE(plan.repaired);
    EXPECT_EQ(plan.last, 0);
}

TEST_F(RecordTest, NoteRecordsAreFoundByTheNameTheStoreReadsOnly) {
    write_text(ini,
               "[note_id_5]\nNoteID=5\n[NOTE_ID_05]\nNoteID=5\n[NOTE_ID_+6]\nNoteID=6\n"
               "[NOTE_ID_89999]\nNoteID=89999\n[NOTE_ID_90000]\nNoteID=90000\n"
               "[NOTE_ID_123456]\nNoteID=1\n[NOTE_ID_2]\nNoteID=\n[NOTE_ID_1]\nNoteID=1\n");
    EXPECT_EQ(stored_note_numbers(store), (std::vector<int>{1, 5, 89999}));
}

TEST(StyleLetters, LettersAnywhereInAnyOrder) {
    EXPECT_EQ(parse_font_style("BC"), (FontStyle{true, false, false, false}));
    EXPECT_EQ(parse_title_align("BC"), TitleAlign::Center);
    EXPECT_EQ(parse_font_style(""), FontStyle{});
    EXPECT_EQ(parse_title_align(""), TitleAlign::Left);
    EXPECT_EQ(parse_font_style("xSzUbIB"), (FontStyle{true, true, true, true}));
    EXPECT_EQ(parse_title_align("R"), TitleAlign::Right);
    EXPECT_EQ(parse_title_align("lcr"), TitleAlign::Left);
    const FontStyle all{true, true, true, true};
    EXPECT_EQ(font_style_letters(all), "BIUS");
    EXPECT_EQ(title_style_letters(FontStyle{false, true, false, false}, TitleAlign::Right), "IR");
    EXPECT_EQ(parse_font_style(title_style_letters(all, TitleAlign::Center)), all);
    EXPECT_EQ(font_weight(parse_font_style("B")), 700);
    EXPECT_EQ(font_weight(parse_font_style("I")), 400);
    EXPECT_EQ(font_height_for_points(10, 96), -13);
    EXPECT_EQ(font_height_for_points(9, 96), -12);
    EXPECT_EQ(font_height_for_points(11, 96), -15);
    EXPECT_EQ(font_height_for_points(12, 72), -12);
}

}  // namespace
}  // namespace kd
