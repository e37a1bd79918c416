// The note-list dialog in its four modes on Xvfb: texts and columns, the rows, the first
// button's rule, check all, double-click toggling, and the delete mode that cannot be
// cancelled.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QMap>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "dialogs/note_list_dialog.h"
#include "platform/message_boxes.h"

namespace kd {
namespace {

namespace lt = note_list_texts;

const std::vector<std::string> kFileRows = {
    "Shopping~24121999183005~Export", "a~b~01022003040506~Export", "Third~05062007080910~Export"};
const std::vector<std::string> kStoreRows = {"Milk~1~No~", "to~do~3~Yes~", "broken~"};

// Contrast ratio of two colours (1 to 21) from their relative luminance.
double contrast(const QColor& a, const QColor& b) {
    const auto channel = [](double c) {
        c /= 255.0;
        return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    const auto luminance = [&](const QColor& c) {
        return 0.2126 * channel(c.red()) + 0.7152 * channel(c.green()) + 0.0722 * channel(c.blue());
    };
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The strongest contrast between the cell's most common colour (its background) and any other
// of its pixels (the glyphs' cores).
double text_contrast(const QImage& shot, const QRect& cell) {
    QMap<QRgb, int> counts;
    for (int y = cell.top() + 2; y < cell.bottom() - 1; ++y)
        for (int x = cell.left() + 2; x < cell.right() - 1; ++x)
            ++counts[shot.pixel(x, y)];
    QRgb background = 0;
    int most = 0;
    for (auto it = counts.begin(); it != counts.end(); ++it) {
        if (it.value() > most) {
            most = it.value();
            background = it.key();
        }
    }
    double best = 1.0;
    for (auto it = counts.begin(); it != counts.end(); ++it)
        best = std::max(best, contrast(QColor(background), QColor(it.key())));
    return best;
}

class NoteListDialogTest : public ::testing::Test {
protected:
    void check(NoteListDialog& d, int row, bool on) {
        d.item_for(row)->setCheckState(0, on ? Qt::Checked : Qt::Unchecked);
    }
    MessageBoxes boxes_;
};

TEST_F(NoteListDialogTest, ImportOneWantsExactlyOneCheckedRowAndHidesCheckAll) {
    NoteListDialog d(NoteListMode::ImportOne, kFileRows, "DD.MM.YYYY", boxes_);
    EXPECT_EQ(d.windowTitle(), lt::kImportOneCaption);
    EXPECT_EQ(d.prompt()->text(), lt::kImportOnePrompt);
    EXPECT_EQ(d.first_button()->text(), lt::kImport);
    EXPECT_TRUE(d.check_all_button()->isHidden());
    EXPECT_TRUE(d.uncheck_all_button()->isHidden());
    QTreeWidgetItem* header = d.list()->headerItem();
    EXPECT_EQ(header->text(1), lt::kDateColumn);
    EXPECT_EQ(d.list()->columnWidth(0), 201);

    EXPECT_FALSE(d.first_button()->isEnabled());
    check(d, 0, true);
    EXPECT_TRUE(d.first_button()->isEnabled());
    check(d, 2, true);
    EXPECT_FALSE(d.first_button()->isEnabled()) << "two rows checked";
    check(d, 0, false);
    EXPECT_TRUE(d.first_button()->isEnabled());
    EXPECT_EQ(d.checked_rows(), std::vector<int>{2});

    QTreeWidgetItem* second = d.item_for(1);
    EXPECT_EQ(second->text(0), "a~b");
    EXPECT_EQ(second->text(1), "01.02.2003");
    EXPECT_EQ(second->text(2), "04:05:06");
}

TEST_F(NoteListDialogTest, DateColumnFollowsTheFormatAndStaysEmptyForOthers) {
    NoteListDialog us(NoteListMode::Import, kFileRows, "MM/DD/YYYY", boxes_);
    EXPECT_EQ(us.item_for(0)->text(1), "12/24/1999");
    NoteListDialog iso(NoteListMode::Import, kFileRows, "YYYY-MM-DD", boxes_);
    EXPECT_EQ(iso.item_for(0)->text(1), "1999-12-24");
    NoteListDialog odd(NoteListMode::Import, kFileRows, "D/M/Y", boxes_);
    EXPECT_EQ(odd.item_for(0)->text(1), "");
}

TEST_F(NoteListDialogTest, CheckAllUncheckAllAndDoubleClickToggle) {
    NoteListDialog d(NoteListMode::Import, kFileRows, "DD.MM.YYYY", boxes_);
    EXPECT_EQ(d.windowTitle(), lt::kImportCaption);
    d.check_all_button()->click();
    EXPECT_EQ(d.checked_rows(), (std::vector<int>{0, 1, 2}));
    EXPECT_TRUE(d.first_button()->isEnabled());
    d.uncheck_all_button()->click();
    EXPECT_TRUE(d.checked_rows().empty());
    EXPECT_FALSE(d.first_button()->isEnabled());

    d.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&d));
    QTreeWidgetItem* item = d.item_for(1);
    d.list()->setCurrentItem(item);
    const QRect cell = d.list()->visualItemRect(item);
    // A real double click: a click, then the second press arrives as the double click.
    QTest::mouseClick(d.list()->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(d.list()->viewport(), Qt::LeftButton, {}, cell.center());
    EXPECT_EQ(d.checked_rows(), std::vector<int>{1});
}

TEST_F(NoteListDialogTest, ExportRowsGiveTheirNumbersAndSkipBrokenRows) {
    NoteListDialog d(NoteListMode::Export, kStoreRows, "DD.MM.YYYY", boxes_);
    EXPECT_EQ(d.windowTitle(), lt::kExportCaption);
    EXPECT_EQ(d.first_button()->text(), lt::kExport);
    EXPECT_EQ(d.list()->topLevelItemCount(), 2) << "a row without number and mark is not shown";
    EXPECT_TRUE(d.list()->isColumnHidden(2));
    EXPECT_EQ(d.item_for(1)->text(0), "to~do");
    EXPECT_EQ(d.item_for(1)->text(1), "Yes");
    d.check_all_button()->click();
    d.first_button()->click();
    EXPECT_EQ(d.result(), QDialog::Accepted);
    EXPECT_EQ(d.result_text(), "1~3~");
}

TEST_F(NoteListDialogTest, DeleteModeCannotBeCancelled) {
    boxes_.answer_all();
    NoteListDialog d(NoteListMode::Delete, kStoreRows, "DD.MM.YYYY", boxes_);
    EXPECT_EQ(d.windowTitle(), lt::kDeleteCaption);
    EXPECT_EQ(d.prompt()->text(), lt::kDeletePrompt);
    EXPECT_FALSE(d.close_button()->isEnabled());
    d.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&d));
    QTest::keyClick(&d, Qt::Key_Escape);
    d.close();
    EXPECT_TRUE(d.isVisible());
    EXPECT_EQ(boxes_.answered_texts(),
              (std::vector<std::string>{lt::kMustDelete, lt::kMustDelete}));
    check(d, 0, true);
    d.first_button()->click();
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(d.result_text(), "1~");
}

}  // namespace
}  // namespace kd

namespace kd {
namespace {

// A selected row reads in every mode and state of the list: focused, in a window that lost the
// keyboard, and disabled. KD_SCREENSHOTS names a folder that keeps the pictures.
TEST_F(NoteListDialogTest, SelectedRowTextStandsOutInEveryModeAndState) {
    const char* keep = std::getenv("KD_SCREENSHOTS");
    QWidget other;
    other.resize(100, 100);
    const NoteListMode modes[] = {NoteListMode::ImportOne, NoteListMode::Import,
                                  NoteListMode::Export, NoteListMode::Delete};
    for (NoteListMode mode : modes) {
        const bool file = mode == NoteListMode::ImportOne || mode == NoteListMode::Import;
        NoteListDialog d(mode, file ? kFileRows : kStoreRows, "DD.MM.YYYY", boxes_);
        d.show();
        d.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&d));
        QTreeWidget* list = d.list();
        list->setFocus();
        list->setCurrentItem(d.item_for(0));
        QTreeWidgetItem* row = d.item_for(0);
        ASSERT_TRUE(row->isSelected());

        // Every header fits its text.
        for (int c = 0; c < list->columnCount(); ++c) {
            if (!list->isColumnHidden(c)) {
                EXPECT_GE(list->columnWidth(c), list->header()->sectionSizeHint(c))
                    << list->headerItem()->text(c).toStdString();
            }
        }

        struct State {
            const char* name;
            double least;
        };
        for (const State state :
             {State{"focused", 4.5}, State{"unfocused", 4.5}, State{"disabled", 3.0}}) {
            const std::string name = state.name;
            if (name == "unfocused") {
                other.show();
                other.activateWindow();
                ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
            } else if (name == "disabled") {
                list->setEnabled(false);
            }
            QApplication::processEvents();
            const QImage shot = d.grab().toImage();
            const QModelIndex cell = list->model()->index(0, 1);
            const QRect rect(list->viewport()->mapTo(&d, list->visualRect(cell).topLeft()),
                             list->visualRect(cell).size());
            const double seen = text_contrast(shot, rect);
            EXPECT_GE(seen, state.least) << "mode " << static_cast<int>(mode) << ", " << name;
            if (keep != nullptr) {
                shot.save(QDir(keep).filePath(QStringLiteral("note-list-%1-%2.png")
                                                  .arg(static_cast<int>(mode))
                                                  .arg(state.name)));
            }
        }
        other.hide();
    }
}

}  // namespace
}  // namespace kd
