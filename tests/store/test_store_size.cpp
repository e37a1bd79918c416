// The settings file's size limit and the cleaning of stale note records.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/temp_dir.h"
#include "store/note_store.h"
#include "store/store_fixture.h"
#include "store/store_size.h"
#include "support/app_paths_in.h"

namespace kd {
namespace {

using test::write_text;

class StoreSizeTest : public test::StoreTest {
protected:
    NoteStore store{app_paths()};
    void add(int number) {
        NoteRecord r;
        r.NoteID = number;
        r.TitleText = "note " + std::to_string(number);
        ASSERT_TRUE(store.write_record(r));
    }
};

TEST_F(StoreSizeTest, LimitStartsAt61000Bytes) {
    write_text(ini, std::string(60999, 'x'));
    EXPECT_FALSE(over_size_limit(ini));
    write_text(ini, std::string(61000, 'x'));
    EXPECT_TRUE(over_size_limit(ini));
    EXPECT_FALSE(over_size_limit(dir.file("missing.ini")));
}

TEST_F(StoreSizeTest, SizeLimitPassDeletesOnlyStaleRecordsAboveTheCount) {
    for (int n : {1, 2, 3, 4, 5, 7, 8, 90001, 91001})
        add(n);
    int calls = 0;
    const std::vector<int> deleted =
        clean_records(store, cleaning_range(CleaningMode::SizeLimit, 5, 99), [&calls] { ++calls; });
    EXPECT_EQ(deleted, (std::vector<int>{7, 8}));
    EXPECT_EQ(calls, 2) << "the interface is kept alive after every deletion";
    for (int n : {1, 2, 3, 4, 5, 90001, 91001})
        EXPECT_TRUE(store.record_exists(n)) << n;
    EXPECT_TRUE(errors.messages.empty());
}

TEST_F(StoreSizeTest, NotesShownDuringThePassKeepTheirRecords) {
    // Two open notes and stale records 3 to 5. After the first deletion a tick shows two
    // received notes: they take numbers 3 and 4 and are stored under them.
    for (int n : {1, 2, 3, 4, 5})
        add(n);
    int count = 2;
    const std::vector<int> deleted = clean_records(
        store, cleaning_range(CleaningMode::SizeLimit, 2, 0),
        [&] {
            if (count == 2) {
                add(3);
                add(4);
                count = 4;
            }
        },
        [&count] { return count; });
    EXPECT_EQ(deleted, (std::vector<int>{3, 5}));
    for (int n : {1, 2, 3, 4})
        EXPECT_TRUE(store.record_exists(n)) << n;
}

TEST_F(StoreSizeTest, RangesFollowTheModeAndStayBelowThemes) {
    const CleaningRange limit = cleaning_range(CleaningMode::SizeLimit, 5, 9);
    EXPECT_EQ(limit.first, 6);
    EXPECT_EQ(limit.last, 15000);
    const CleaningRange periodic = cleaning_range(CleaningMode::Periodic, 5, 9);
    EXPECT_EQ(periodic.first, 10);
    EXPECT_EQ(periodic.last, 5000);
    EXPECT_EQ(cleaning_range(CleaningMode::Periodic, 0, -3).first, 1);
    add(5001);
    add(12);
    EXPECT_EQ(clean_records(store, periodic), (std::vector<int>{12}));
    EXPECT_TRUE(store.record_exists(5001));
    add(15000);
    add(15001);
    EXPECT_EQ(clean_records(store, limit), (std::vector<int>{5001, 15000}));
    EXPECT_TRUE(store.record_exists(15001));
}

}  // namespace
}  // namespace kd
