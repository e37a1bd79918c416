// The Theme submenu on real note windows (Xvfb) with a real settings file: what applying each
// theme does to the body, its margins and the title, the "Colors" limit, saving a look as the
// default or as a new saved theme, the saved themes the submenu shows, and the random theme.
#include <gtest/gtest.h>

#include <QAction>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "note/note_menus.h"
#include "note/note_menus_model.h"
#include "note/note_title_strip.h"
#include "note/note_window.h"
#include "platform/paths.h"
#include "platform/profile_file.h"
#include "richtext/qt_colour.h"
#include "store/note_lists.h"
#include "store/note_store.h"
#include "support/app_paths_in.h"
#include "support/error_recorder.h"
#include "support/sample_note.h"
#include "support/test_clock.h"
#include "support/test_services.h"
#include "themes/builtin_themes.h"
#include "themes/saved_themes.h"
#include "themes/theme_commands.h"
#include "themes/theme_rules.h"

namespace kd {
namespace {

namespace nm = note_menu;

struct ScriptedName : ThemeNameEntry {
    explicit ScriptedName(std::optional<std::string> answer) : answer(std::move(answer)) {}
    std::optional<std::string> ask(QWidget*) override {
        ++asked;
        return answer;
    }
    std::optional<std::string> answer;
    int asked = 0;
};

class ThemeCommandsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        set_app_paths(test::app_paths_in(dir_.path().toStdString()));
        ASSERT_TRUE(write_builtin_themes(NoteStore(app_paths(), test::store_errors())));
    }
    void TearDown() override { delete note_.data(); }

    NoteWindow* make_note() {
        note_ = new NoteWindow(nullptr, 1, ts_.services);
        EXPECT_TRUE(note_->create_from_record(test::sample_note_record(1), false, false));
        note_->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(note_));
        return note_;
    }
    void setting(const char* key, const std::string& value) {
        ASSERT_TRUE(ProfileFile::write(app_paths().IniPath, "KORVADESK", key, value));
    }
    void choose(int item) { note_->menus()->run_command(item); }
    QFont title_font() const {
        for (QLabel* label : note_->findChildren<QLabel*>()) {
            if (dynamic_cast<NoteTitleLabel*>(label) != nullptr)
                return label->font();
        }
        ADD_FAILURE() << "no title label";
        return {};
    }
    QColor pixel(const QImage& image, QPoint p) const { return image.pixelColor(p); }

    QTemporaryDir dir_;
    TestClock clock_{1700000000};
    test::TestServices ts_{clock_};
    ThemeCommands themes_{ts_.services};
    QPointer<NoteWindow> note_;
};

TEST_F(ThemeCommandsTest, EachThemeColoursBodyMarginsAndTitle) {
    make_note();
    for (const nm::ThemeItem& item : nm::kBuiltinThemeItems) {
        const int number = *theme_number_for_item(item.id);
        const BuiltinTheme& theme = builtin_themes()[std::size_t(number - kDefaultThemeNumber)];
        SCOPED_TRACE(theme.name);
        choose(item.id);
        EXPECT_EQ(note_->body()->look().back_colour, theme.body_back);
        EXPECT_EQ(note_->body()->look().text_colour, theme.text);
        EXPECT_EQ(note_->note().title_look().back_colour, theme.title_back);
        EXPECT_EQ(note_->note().title_look().text_colour, theme.text);
        EXPECT_EQ(note_->note().title_look().face, "Verdana");
        EXPECT_EQ(note_->note().title_look().style, "C");
        EXPECT_TRUE(note_->note().has_border());

        const QImage shot = note_->grab().toImage();
        const QRect body = note_->body()->geometry();
        // Inside the body, in its left margin, and in the title strip left of the title text.
        EXPECT_EQ(pixel(shot, {body.center().x(), body.bottom() - 2}), to_qcolor(theme.body_back));
        EXPECT_EQ(pixel(shot, {body.left() - 1, body.center().y()}), to_qcolor(theme.body_back));
        EXPECT_EQ(pixel(shot, {40, 4}), to_qcolor(theme.title_back));
        EXPECT_EQ(note_->body()->palette().color(QPalette::Text), to_qcolor(theme.text));
    }
}

TEST_F(ThemeCommandsTest, ColorsModeTakesColoursButKeepsFontsUntilTheNextSave) {
    setting("OnChangeTheme", "Colors");
    make_note();
    TextLook body = note_->note().body_look();
    body.face = "DejaVu Serif";
    body.size = 14;
    note_->note().set_body_look(body);
    TextLook title = note_->note().title_look();
    title.face = "DejaVu Serif";
    title.size = 12;
    title.style = "BL";
    note_->note().set_title_look(title);
    note_->note().apply_title_alignment();
    const QFont body_font = note_->body()->font();
    const QFont title_before = title_font();

    choose(nm::kThemeDarkBlue);
    EXPECT_EQ(note_->body()->look().back_colour, 0xAF5500u);
    EXPECT_EQ(note_->note().title_look().back_colour, 0x8C4600u);
    EXPECT_EQ(note_->note().title_look().text_colour, 0xFFFFFFu);
    EXPECT_TRUE(note_->note().has_border());
    // Fonts on screen stay, the body text keeps its colour; the title keeps its letters.
    EXPECT_EQ(note_->body()->font(), body_font);
    EXPECT_EQ(title_font(), title_before);
    EXPECT_EQ(note_->body()->palette().color(QPalette::Base), to_qcolor(0xAF5500));
    EXPECT_EQ(note_->note().title_look().face, "DejaVu Serif");
    EXPECT_EQ(note_->note().title_look().style, "BL");
    // The body members took the theme's face and size, so the next save stores them.
    ASSERT_TRUE(note_->save_state());
    NoteRecord saved;
    ASSERT_TRUE(NoteStore(app_paths(), test::store_errors()).read_record(1, saved));
    EXPECT_EQ(saved.EditFont, "Verdana");
    EXPECT_EQ(saved.EditFontSize, 8);
    EXPECT_EQ(saved.TitleFont, "DejaVu Serif");
    EXPECT_EQ(saved.TitleFontSize, 12);
}

TEST_F(ThemeCommandsTest, BlueLooksLikeAnUntouchedDefault) {
    make_note();
    choose(nm::kThemeDefault);
    const QImage as_default = note_->grab().toImage();
    const NoteRecord default_record = theme_record(note_->note().to_record(), 0);
    choose(nm::kThemeDarkOrange);
    choose(nm::kThemeBlue);
    EXPECT_EQ(note_->grab().toImage(), as_default);
    EXPECT_EQ(theme_record(note_->note().to_record(), 0), default_record);
}

TEST_F(ThemeCommandsTest, SaveThemeAsTakesTheNextSlotOrNothingAndSaveAsDefaultShapesNewNotes) {
    make_note();
    choose(nm::kThemeGreen);
    auto entry = std::make_unique<ScriptedName>(std::nullopt);
    ScriptedName* name = entry.get();
    themes_.set_name_entry(std::move(entry));
    choose(nm::kSaveThemeAs);
    EXPECT_EQ(name->asked, 1);
    EXPECT_EQ(NoteStore(app_paths(), test::store_errors()).count_saved_themes(), 0);

    setting("LastSavedThemeNumber", "20");
    name->answer = "Meadow";
    choose(nm::kSaveThemeAs);
    NoteRecord saved;
    ASSERT_TRUE(NoteStore(app_paths(), test::store_errors()).read_record(91001, saved));
    EXPECT_EQ(saved.EditBackColor, 0xACD6ABu);
    EXPECT_EQ(saved.TitleText, "");
    EXPECT_EQ(NoteLists(app_paths(), test::store_errors()).saved_theme_name(91001), "Meadow");
    EXPECT_EQ(NoteStore(app_paths(), test::store_errors())
                  .settings()
                  .number(Setting::LastSavedThemeNumber),
              1);

    choose(nm::kSaveThemeAsDefault);  // new notes take it
    EXPECT_EQ(NoteWindow(nullptr, 2, ts_.services).note().title_look().back_colour, 0x84C17Bu);
    // A theme that is not there leaves the note as it is.
    EXPECT_FALSE(apply_theme(ts_.store, note_->note(), 91005));
    EXPECT_EQ(note_->body()->look().back_colour, 0xACD6ABu);
}

TEST_F(ThemeCommandsTest, SubmenuShowsNamedSavedThemesInNumberOrderAndAppliesThem) {
    NoteRecord look = builtin_theme_record(builtin_themes()[7]);  // Dark Blue
    ASSERT_EQ(save_theme_as(NoteStore(app_paths(), test::store_errors()), look, "Night & day"),
              91001);
    ASSERT_EQ(save_theme_as(NoteStore(app_paths(), test::store_errors()),
                            builtin_theme_record(builtin_themes()[3]), ""),
              91002);
    look.EditBackColor = 0x0000FF;
    ASSERT_EQ(save_theme_as(NoteStore(app_paths(), test::store_errors()), look, "Red"), 91003);
    make_note();
    note_->menus()->prepare_body_menu();
    QMenu* menu = note_->menus()->theme_menu();
    std::map<int, std::string> shown;
    for (QAction* a : menu->actions()) {
        if (a->isVisible() && !a->isSeparator())
            shown[a->data().toInt()] = a->text().toStdString();
    }
    EXPECT_EQ(shown[nm::kSavedThemeFirst], "Night && day");
    EXPECT_EQ(shown.count(nm::kSavedThemeFirst + 1), 0u);  // empty name: not shown, still counted
    EXPECT_EQ(shown[nm::kSavedThemeFirst + 2], "Red");
    EXPECT_EQ(shown.count(nm::kSavedThemeFirst + 3), 0u);
    EXPECT_FALSE(note_->menus()->body_action(nm::kSavedThemeFirst)->icon().isNull());
    EXPECT_EQ(shown.size(), 12u + 3u + 3u);  // built-ins, two saved, Save/Default/Organize, size
    EXPECT_TRUE(note_->menus()->body_action(nm::kOrganizeThemes)->isEnabled());

    choose(nm::kSavedThemeFirst + 2);
    EXPECT_EQ(note_->body()->look().back_colour, 0x0000FFu);
}

TEST_F(ThemeCommandsTest, RandomThemeFollowsTheClockAndTheSavedCount) {
    NoteRecord look = builtin_theme_record(builtin_themes()[1]);
    for (int i = 0; i < 5; ++i) {
        look.EditBackColor = ColorRef(0x010101 * (i + 1));
        ASSERT_NE(save_theme_as(NoteStore(app_paths(), test::store_errors()), look,
                                "Saved " + std::to_string(i)),
                  0);
    }
    make_note();
    for (std::time_t t : {std::time_t(1700000000), std::time_t(1700000001), std::time_t(42)}) {
        clock_.set(t);
        const int pick = random_theme_at(t, 5);
        NoteRecord expected;
        ASSERT_TRUE(NoteStore(app_paths(), test::store_errors()).read_record(pick, expected));
        themes_.random_theme(note_);
        EXPECT_EQ(note_->body()->look().back_colour, expected.EditBackColor) << pick;
        EXPECT_EQ(note_->note().title_look().back_colour, expected.TitleBackColor) << pick;
    }
}

}  // namespace
}  // namespace kd
