// The "Organize themes" dialog on Xvfb with a real settings file: buttons and their rules,
// deleting with the question, moving, sorting, renaming in place, and the order stored on
// every way of closing.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <string>
#include <vector>

#include "dialogs/theme_organizer.h"
#include "platform/message_boxes.h"
#include "platform/paths.h"
#include "store/note_lists.h"
#include "store/note_store.h"
#include "support/app_paths_in.h"
#include "support/error_recorder.h"
#include "themes/builtin_themes.h"
#include "themes/saved_themes.h"

namespace kd {
namespace {

using D = ThemeOrganizer;

class ThemeOrganizerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        set_app_paths(test::app_paths_in(dir_.path().toStdString()));
    }
    void TearDown() override { boxes_.stop_answering(); }

    // Saved themes with these names; theme i gets body colour i + 1.
    void save(const std::vector<std::string>& names) {
        NoteRecord look = builtin_theme_record(builtin_themes()[0]);
        for (std::size_t i = 0; i < names.size(); ++i) {
            look.EditBackColor = ColorRef(i + 1);
            ASSERT_NE(save_theme_as(NoteStore(app_paths(), test::store_errors()), look, names[i]),
                      0);
        }
    }
    std::vector<std::string> shown(const D& d) {
        std::vector<std::string> out;
        for (int r = 0; r < d.list()->rowCount(); ++r)
            out.push_back(d.list()->item(r, 0)->text().toStdString());
        return out;
    }
    std::vector<std::string> stored_names() {
        std::vector<std::string> out;
        const int n = NoteStore(app_paths(), test::store_errors()).count_saved_themes();
        for (int k = 0; k < n; ++k)
            out.push_back(NoteLists(app_paths(), test::store_errors()).saved_theme_name(91001 + k));
        return out;
    }
    ColorRef stored_body(int number) {
        NoteRecord r;
        EXPECT_TRUE(NoteStore(app_paths(), test::store_errors()).read_record(number, r));
        return r.EditBackColor;
    }
    std::string last_saved() {
        return std::to_string(NoteStore(app_paths(), test::store_errors())
                                  .settings()
                                  .number(Setting::LastSavedThemeNumber));
    }
    bool enabled(const D& d, int id) { return d.button(id)->isEnabled(); }
    void click(D& d, int id) { QTest::mouseClick(d.button(id), Qt::LeftButton); }

    QTemporaryDir dir_;
    MessageBoxes boxes_;
    const NoteStore store_{app_paths(), test::store_errors()};
    ThemeSortState sort_;
};

using Names = std::vector<std::string>;

TEST_F(ThemeOrganizerTest, DeletingTheSecondOfFiveAsksStoresAtOnceAndEscapeRenumbers) {
    save({"One", "Two", "Three", "Four", "Five"});
    D d(store_, boxes_, sort_);
    d.show();
    EXPECT_EQ(d.windowTitle(), "Organize themes");
    EXPECT_EQ(shown(d), (Names{"One", "Two", "Three", "Four", "Five"}));
    EXPECT_TRUE(d.list()->isColumnHidden(1));
    EXPECT_EQ(d.list()->item(4, 1)->text(), "91005");

    d.list()->selectRow(1);
    for (int id : {D::kIdRename, D::kIdDelete, D::kIdUp, D::kIdDown, D::kIdSort})
        EXPECT_TRUE(enabled(d, id)) << id;
    // Two rows: only Delete of the row buttons.
    d.list()->selectionModel()->select(d.list()->model()->index(3, 0),
                                       QItemSelectionModel::Select | QItemSelectionModel::Rows);
    EXPECT_TRUE(enabled(d, D::kIdDelete));
    EXPECT_FALSE(enabled(d, D::kIdRename));
    EXPECT_FALSE(enabled(d, D::kIdUp));
    d.list()->selectRow(1);
    boxes_.set_next_answer(QMessageBox::No);
    click(d, D::kIdDelete);
    EXPECT_EQ(d.list()->rowCount(), 5);
    boxes_.set_next_answer(QMessageBox::Yes);
    d.list()->setFocus();
    QTest::keyClick(d.list(), Qt::Key_Delete);
    ASSERT_EQ(boxes_.answered_texts().size(), 2u);
    EXPECT_EQ(boxes_.answered_texts()[1], "Delete selected saved theme(s). Are you sure ?   ");
    EXPECT_EQ(boxes_.last_answered_icon(), QMessageBox::Question);
    EXPECT_EQ(shown(d), (Names{"One", "Three", "Four", "Five"}));
    EXPECT_FALSE(NoteStore(app_paths(), test::store_errors()).record_exists(91002));  // at once
    EXPECT_FALSE(enabled(d, D::kIdDelete));
    EXPECT_FALSE(enabled(d, D::kIdRename));

    QTest::keyClick(&d, Qt::Key_Escape);
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(stored_names(), (Names{"One", "Three", "Four", "Five"}));
    EXPECT_FALSE(NoteStore(app_paths(), test::store_errors()).record_exists(91005));
    EXPECT_EQ(stored_body(91002), 3u);
    EXPECT_EQ(last_saved(), "4");
}

TEST_F(ThemeOrganizerTest, MovingTheLastToTheTopMakesItTheFirstSavedTheme) {
    save({"One", "Two", "Three", "Four"});
    D d(store_, boxes_, sort_);
    d.show();
    d.list()->selectRow(3);
    for (int i = 0; i < 4; ++i)  // the last press, at the top, changes nothing
        click(d, D::kIdUp);
    EXPECT_EQ(shown(d), (Names{"Four", "One", "Two", "Three"}));
    EXPECT_EQ(d.list()->currentRow(), 0);
    click(d, D::kIdDown);
    click(d, D::kIdUp);
    d.close();  // the close box
    EXPECT_EQ(stored_names(), (Names{"Four", "One", "Two", "Three"}));
    EXPECT_EQ(stored_body(91001), 4u);
    EXPECT_EQ(last_saved(), "4");
}

TEST_F(ThemeOrganizerTest, SortTwiceAscendsAndTheStateOutlivesTheDialog) {
    save({"Pear", "Apple", "Quince", "Fig"});
    {
        D d(store_, boxes_, sort_);
        d.show();
        click(d, D::kIdSort);
        EXPECT_EQ(shown(d), (Names{"Quince", "Pear", "Fig", "Apple"}));
        click(d, D::kIdSort);
        EXPECT_EQ(shown(d), (Names{"Apple", "Fig", "Pear", "Quince"}));
        click(d, D::kIdClose);
    }
    EXPECT_EQ(stored_names(), (Names{"Apple", "Fig", "Pear", "Quince"}));
    EXPECT_EQ(stored_body(91001), 2u);
    // The next opening goes on from the last press: descending again.
    D again(store_, boxes_, sort_);
    again.show();
    click(again, D::kIdSort);
    EXPECT_EQ(shown(again), (Names{"Quince", "Pear", "Fig", "Apple"}));
}

TEST_F(ThemeOrganizerTest, RenamingToBlanksKeepsTheOldNameAndLeadingBlanksGo) {
    save({"One", "Two"});
    ASSERT_TRUE(NoteLists(app_paths(), test::store_errors()).delete_saved_theme_name(91002));
    D d(store_, boxes_, sort_);
    d.show();
    EXPECT_EQ(shown(d), (Names{"One", "Error reading theme"}));
    auto rename_to = [&](int row, const QString& text) {
        d.list()->selectRow(row);
        click(d, D::kIdRename);
        // The editor of an earlier rename may still wait for its deletion.
        QLineEdit* editor = nullptr;
        for (QLineEdit* e : d.list()->findChildren<QLineEdit*>()) {
            if (e->isVisible())
                editor = e;
        }
        ASSERT_NE(editor, nullptr);
        editor->setText(text);
        QTest::keyClick(editor, Qt::Key_Return);
        // The view commits and closes its editor in a queued call.
        QCoreApplication::processEvents();
    };
    rename_to(0, "    ");
    EXPECT_EQ(shown(d), (Names{"One", "Error reading theme"}));
    rename_to(0, "  Morning");
    EXPECT_EQ(shown(d), (Names{"Morning", "Error reading theme"}));
    EXPECT_EQ(NoteLists(app_paths(), test::store_errors()).saved_theme_name(91001),
              "One");  // nothing stored before closing
    click(d, D::kIdClose);
    EXPECT_EQ(stored_names(), (Names{"Morning", "Error reading theme"}));
}

TEST_F(ThemeOrganizerTest, NoSavedThemesOnlyCloseAndClosingStoresZero) {
    D d(store_, boxes_, sort_);
    d.show();
    EXPECT_EQ(d.list()->rowCount(), 0);
    for (int id : {D::kIdRename, D::kIdDelete, D::kIdUp, D::kIdDown, D::kIdSort})
        EXPECT_FALSE(enabled(d, id)) << id;
    EXPECT_TRUE(enabled(d, D::kIdClose));
    click(d, D::kIdClose);
    EXPECT_EQ(last_saved(), "0");
}

}  // namespace
}  // namespace kd
