// The built-in theme records as they land in a real settings file.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/paths.h"
#include "store/note_store.h"
#include "support/app_paths_in.h"
#include "support/error_recorder.h"
#include "themes/builtin_themes.h"

namespace kd {
namespace {

class BuiltinThemesTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("kd_themes_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir_);
        set_app_paths(test::app_paths_in(dir_.string()));
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    std::filesystem::path dir_;
};

TEST_F(BuiltinThemesTest, TwelveRecordsWithTheirColours) {
    ASSERT_TRUE(write_builtin_themes(NoteStore(app_paths(), test::store_errors())));
    NoteStore store{app_paths(), test::store_errors()};
    struct Expect {
        int number;
        ColorRef body, title, text;
    };
    const Expect expected[] = {
        {90000, 0xFFCB97, 0xE28E49, 0x000000}, {90001, 0xAA41FF, 0x9123F0, 0xFFFFFF},
        {90002, 0xFFCB97, 0xE28E49, 0x000000}, {90003, 0xACD6AB, 0x84C17B, 0x000000},
        {90004, 0xA2A2E6, 0x6C70DB, 0x000000}, {90005, 0x85ECF1, 0x30D0F0, 0x000000},
        {90006, 0xEEEEEE, 0xD6D6D6, 0x000000}, {90007, 0xAF5500, 0x8C4600, 0xFFFFFF},
        {90008, 0x9EBFF9, 0x77A5FC, 0x000000}, {90009, 0xA8BECC, 0x7D99A2, 0x000000},
        {90010, 0x005500, 0x008000, 0xFFFFFF}, {90011, 0x46A0FF, 0x007DFA, 0x000000},
    };
    for (const Expect& e : expected) {
        SCOPED_TRACE(e.number);
        NoteRecord r;
        ASSERT_TRUE(store.read_record(e.number, r));
        EXPECT_EQ(r.NoteID, e.number);
        EXPECT_EQ(r.EditBackColor, e.body);
        EXPECT_EQ(r.TitleBackColor, e.title);
        EXPECT_EQ(r.EditTextColor, e.text);
        EXPECT_EQ(r.TitleTextColor, e.text);
        EXPECT_EQ(r.EditFont, "Verdana");
        EXPECT_EQ(r.TitleFont, "Verdana");
        EXPECT_EQ(r.EditFontSize, 8);
        EXPECT_EQ(r.TitleFontSize, 8);
        EXPECT_EQ(r.EditFontType, "");
        EXPECT_EQ(r.TitleFontType, "C");
        EXPECT_EQ(r.Border, "Yes");
        EXPECT_EQ(r.Minimized, "No");
        EXPECT_EQ(r.Hidden, "No");
        EXPECT_EQ(r.EditText, "");
        EXPECT_EQ(r.TitleText, "");
        EXPECT_EQ(r.Width, 0);
    }
    EXPECT_EQ(builtin_themes()[7].name, std::string("Dark Blue"));
}

TEST_F(BuiltinThemesTest, WrittenInTheirOrderAndOverwriteASavedDefault) {
    NoteRecord mine = builtin_theme_record(builtin_themes()[5]);
    mine.NoteID = 90000;
    ASSERT_TRUE(NoteStore(app_paths(), test::store_errors()).write_record(mine));
    ASSERT_TRUE(write_builtin_themes(NoteStore(app_paths(), test::store_errors())));
    NoteRecord def;
    ASSERT_TRUE(NoteStore(app_paths(), test::store_errors()).read_record(90000, def));
    EXPECT_EQ(def.EditBackColor, 0xFFCB97u);

    // Section order in the file follows the write order (90007 right after 90001).
    std::ifstream in(app_paths().IniPath);
    std::stringstream ss;
    ss << in.rdbuf();
    const std::string text = ss.str();
    std::size_t last = 0;
    for (int number : builtin_theme_write_order()) {
        const std::size_t at = text.find("[NOTE_ID_" + std::to_string(number) + "]");
        ASSERT_NE(at, std::string::npos) << number;
        EXPECT_GE(at, last) << number;
        last = at;
    }
}

TEST_F(BuiltinThemesTest, UnwritableFileReportsFailure) {
    AppPaths paths = app_paths();
    paths.IniPath = (dir_ / "no" / "such" / "Korvadesk.ini").string();
    set_app_paths(paths);
    EXPECT_FALSE(write_builtin_themes(NoteStore(app_paths(), test::store_errors())));
}

}  // namespace
}  // namespace kd
