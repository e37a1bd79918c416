// The small shared dialogs under Xvfb: the password dialog's two modes, the paragraph
// dialog's millimetres and integer fields, the text-entry dialog's accepted text, the About
// box and its link label, and the paragraph dialog's way into the note body.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextList>

#include "dialogs/about_box.h"
#include "dialogs/paragraph_dialog.h"
#include "dialogs/password_dialog.h"
#include "dialogs/program_dialogs.h"
#include "dialogs/small_dialog_rules.h"
#include "dialogs/text_entry_dialog.h"
#include "note/note_body.h"
#include "platform/busy_window.h"
#include "platform/clock.h"
#include "platform/message_boxes.h"
#include "support/test_clock.h"

namespace kd {
namespace {

namespace sdl = small_dialogs;

TEST(SmallDialogRules, MillimetresAndTwipsRoundAsTheDialogShowsThem) {
    EXPECT_EQ(sdl::mm_to_twips(10), 567);
    EXPECT_EQ(sdl::twips_to_shown_mm(567), 10);
    EXPECT_EQ(sdl::twips_to_shown_mm(100), 2);  // rounded up
    EXPECT_EQ(sdl::twips_to_shown_mm(0), 0);
    EXPECT_EQ(sdl::mm_to_twips(2), 113);  // cut toward zero
    EXPECT_EQ(sdl::mm_to_twips(-3), -170);
    EXPECT_EQ(sdl::mm_to_twips(2000000000), INT_MAX);  // bounded, not overflowed
}

TEST(SmallDialogRules, IntegerFieldsAndEntriesAreReadStrictly) {
    EXPECT_EQ(sdl::read_integer(" 12 "), 12);
    EXPECT_EQ(sdl::read_integer("-4"), -4);
    EXPECT_EQ(sdl::read_integer("+4"), 4);
    EXPECT_EQ(sdl::read_integer("+-4"), std::nullopt);
    EXPECT_EQ(sdl::read_integer("12mm"), std::nullopt);
    EXPECT_EQ(sdl::read_integer(""), std::nullopt);
    EXPECT_EQ(sdl::read_integer("99999999999"), std::nullopt);

    EXPECT_EQ(sdl::accepted_entry("  Work list \t"), "Work list");
    EXPECT_EQ(sdl::accepted_entry("   "), std::nullopt);
    EXPECT_EQ(sdl::accepted_entry("a~b"), std::nullopt);
    EXPECT_EQ(sdl::year_line(7), "0007.");
    EXPECT_EQ(sdl::year_line(2026), "2026.");
    EXPECT_STREQ(sdl::text_entry_caption(sdl::TextEntryMode::ThemeName), "Save note theme as");
}

TEST(SmallDialogRules, PasswordOutcomes) {
    using sdl::PasswordMode;
    using sdl::PasswordOutcome;
    EXPECT_EQ(sdl::password_outcome(PasswordMode::Set, "", "x"), PasswordOutcome::Stay);
    EXPECT_EQ(sdl::password_outcome(PasswordMode::Set, "x", ""), PasswordOutcome::Stay);
    EXPECT_EQ(sdl::password_outcome(PasswordMode::Set, "Abc", "abc"), PasswordOutcome::Mismatch);
    EXPECT_EQ(sdl::password_outcome(PasswordMode::Set, "abc", "abc"), PasswordOutcome::Accept);
    EXPECT_EQ(sdl::password_outcome(PasswordMode::Check, "any", ""), PasswordOutcome::Accept);
    EXPECT_EQ(sdl::password_outcome(PasswordMode::Check, "", ""), PasswordOutcome::Stay);
}

class SmallDialogsTest : public ::testing::Test {
protected:
    void TearDown() override { boxes.stop_answering(); }
    MessageBoxes boxes;
};

TEST_F(SmallDialogsTest, PasswordSetModeMovesOnWithEnterTrimsAndReportsAMismatch) {
    boxes.answer_all();
    PasswordDialog d(sdl::PasswordMode::Set, boxes);
    d.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&d));
    EXPECT_EQ(d.windowTitle(), "Enter password");
    EXPECT_EQ(d.focusWidget(), d.password_edit());
    EXPECT_EQ(d.password_edit()->maxLength(), 10);
    QTest::keyClicks(d.password_edit(), " secret ");
    QTest::keyClick(d.password_edit(), Qt::Key_Return);
    EXPECT_TRUE(d.isVisible());
    EXPECT_EQ(d.focusWidget(), d.confirmation_edit());
    QTest::keyClicks(d.confirmation_edit(), "Secret");
    QTest::keyClick(d.confirmation_edit(), Qt::Key_Return);
    EXPECT_TRUE(d.isVisible());
    EXPECT_EQ(d.password_edit()->text(), "secret");
    EXPECT_TRUE(d.confirmation_edit()->text().isEmpty());
    ASSERT_EQ(boxes.answered_texts().size(), 1u);
    EXPECT_EQ(boxes.answered_texts()[0],
              "Please retype password again. Both values must be identical.  ");
    EXPECT_EQ(boxes.last_answered_icon(), QMessageBox::Critical);

    d.confirmation_edit()->setText("  secret");
    QTest::keyClick(d.confirmation_edit(), Qt::Key_Enter);
    EXPECT_EQ(d.result(), QDialog::Accepted);
    EXPECT_EQ(d.password(), "secret");
}

TEST_F(SmallDialogsTest, PasswordCheckModeIsLowerAndTakesAnyText) {
    PasswordDialog set(sdl::PasswordMode::Set, boxes);
    PasswordDialog check(sdl::PasswordMode::Check, boxes);
    check.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&check));
    EXPECT_EQ(set.height() - check.height(), 20);
    EXPECT_FALSE(check.confirmation_edit()->isVisible());
    EXPECT_EQ(check.ok_button()->y(), 55);
    EXPECT_EQ(check.ok_button()->x(), set.ok_button()->x());
    EXPECT_TRUE(check.ok_button()->isDefault());

    check.press_ok();  // empty: stays
    EXPECT_TRUE(check.isVisible());
    QTest::keyClicks(check.password_edit(), "wrong ");
    QTest::keyClick(check.password_edit(), Qt::Key_Return);
    EXPECT_EQ(check.result(), QDialog::Accepted);
    EXPECT_EQ(check.password(), "wrong");
}

TEST_F(SmallDialogsTest, ParagraphDialogShowsMillimetresAndKeepsGoingAfterABadField) {
    boxes.answer_all();
    sdl::ParagraphFormat in;
    in.alignment = sdl::kAlignRight;
    in.start_indent = 100;
    in.right_indent = 567;
    ParagraphDialog d(in, boxes);
    EXPECT_EQ(d.windowTitle(), "Paragraph");
    EXPECT_EQ(d.left_indent_edit()->text(), "2");
    EXPECT_EQ(d.right_indent_edit()->text(), "10");
    EXPECT_TRUE(d.right_button()->isChecked());
    EXPECT_FALSE(d.bullet_box()->isChecked());
    EXPECT_EQ(d.center_button()->toolTip(), "Paragraph(s) are centered.");

    d.left_indent_edit()->setText("10");
    d.right_indent_edit()->setText("ten");
    d.center_button()->setChecked(true);
    d.bullet_box()->setChecked(true);
    d.press_ok();
    EXPECT_EQ(boxes.answered_texts(), std::vector<std::string>{"Please enter an integer."});
    EXPECT_EQ(d.result(), QDialog::Accepted);
    EXPECT_EQ(d.format().start_indent, 567);
    EXPECT_EQ(d.format().right_indent, 567);  // kept at 10 mm from the opening
    EXPECT_EQ(d.format().alignment, sdl::kAlignCenter);
    EXPECT_TRUE(d.format().bullet);

    // An alignment none of the buttons stands for selects none and stays as it was.
    sdl::ParagraphFormat justified;
    justified.alignment = 4;
    ParagraphDialog j(justified, boxes);
    EXPECT_FALSE(j.left_button()->isChecked() || j.center_button()->isChecked() ||
                 j.right_button()->isChecked());
    j.press_ok();
    EXPECT_EQ(j.format().alignment, 4);
}

TEST_F(SmallDialogsTest, TextEntryTakesTrimmedTextAndRefusesBlanksAndTheSeparator) {
    TextEntryDialog d(sdl::TextEntryMode::EditTitle, "Old title");
    EXPECT_EQ(d.windowTitle(), "Edit title text");
    EXPECT_EQ(d.edit()->text(), "Old title");
    d.edit()->setText("   ");
    d.press_ok();
    EXPECT_NE(d.result(), QDialog::Accepted);
    EXPECT_TRUE(d.note_label()->isHidden());
    d.edit()->setText(" a~b ");
    d.press_ok();
    EXPECT_NE(d.result(), QDialog::Accepted);
    EXPECT_FALSE(d.note_label()->isHidden());
    d.edit()->setText("  New title ");
    d.press_ok();
    EXPECT_EQ(d.result(), QDialog::Accepted);
    EXPECT_EQ(d.text(), "New title");
    EXPECT_EQ(d.edit()->text(), "New title");

    EXPECT_EQ(TextEntryDialog(sdl::TextEntryMode::GroupName, "").windowTitle(),
              "Save this recipients list as group");
    EXPECT_EQ(TextEntryDialog(sdl::TextEntryMode::DefaultTitle, "").windowTitle(),
              "Change default title text");
}

TEST_F(SmallDialogsTest, AboutBoxShowsProductYearAndOpensItsLinks) {
    TestClock clock(1790000000);  // in 2026
    AboutBox box(clock);
    QObject::disconnect(&box, &AboutBox::open_requested, nullptr, nullptr);
    QSignalSpy opened(&box, &AboutBox::open_requested);
    EXPECT_EQ(box.windowTitle(), "Korvadesk 5.lan");
    EXPECT_EQ(box.product_label()->text(), "Korvadesk 5.lan");
    EXPECT_EQ(box.year_label()->text(), "2026.");
    EXPECT_EQ(box.home_page_field()->palette().color(QPalette::Base), QColor(151, 203, 255));
    EXPECT_TRUE(box.home_page_field()->isReadOnly());

    box.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
    QTest::mouseClick(box.home_page_button(), Qt::LeftButton);
    LinkLabel* link = box.contact_label();
    EXPECT_EQ(link->palette().color(QPalette::WindowText), QColor(0, 0, 255));
    EXPECT_TRUE(link->font().underline());
    const QPoint on_text = link->text_rect().center();
    QTest::mouseMove(link, on_text);
    EXPECT_TRUE(QTest::qWaitFor([&] { return link->cursor().shape() == Qt::PointingHandCursor; }));
    QTest::mouseClick(link, Qt::LeftButton, {}, on_text);
    ASSERT_EQ(opened.count(), 2);
    EXPECT_EQ(opened[0][0].toUrl(), QUrl(QString::fromUtf8(sdl::kHomePage)));
    EXPECT_EQ(opened[1][0].toUrl().scheme(), "mailto");
    EXPECT_EQ(opened[1][0].toUrl().path(), sdl::kContactAddress);
}

TEST(BusyWindowLook, CaptionLinesAndTheCornerOrSixPixelsInFromIt) {
    BusyWindow busy;
    EXPECT_EQ(busy.windowTitle(), " Korvadesk 5.lan");
    busy.set_texts("Reading network", "Please wait");
    busy.set_texts("Checking email", "");
    EXPECT_EQ(busy.first_line(), "Checking email");
    EXPECT_EQ(busy.second_line(), "");
    busy.show_at_work_area_corner();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&busy));
    const QRect area = busy.screen()->availableGeometry();
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return busy.frameGeometry().bottomRight() == area.bottomRight(); }));
    const QSize size = busy.size();
    busy.hide();
    busy.show_at_work_area_corner(kBusyCornerInset);
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return busy.frameGeometry().bottomRight() == area.bottomRight() - QPoint(6, 6); }));
    EXPECT_EQ(busy.size(), size);
}

TEST(ParagraphIntoBody, BlockFormatAndBulletTravelBothWays) {
    QTextBlockFormat block;
    block.setAlignment(Qt::AlignHCenter);
    block.setLeftMargin(567 / 15.0);
    block.setProperty(kBulletProperty, true);
    const sdl::ParagraphFormat p = paragraph_of_block(block);
    EXPECT_EQ(p.alignment, sdl::kAlignCenter);
    EXPECT_EQ(p.start_indent, 567);
    EXPECT_TRUE(p.bullet);

    // The body turns the bullet style on and off as the editor hands it back.
    NoteBody body;
    body.setPlainText("one\ntwo");
    body.set_paragraph_editor([](const QTextBlockFormat& current) {
        sdl::ParagraphFormat f = paragraph_of_block(current);
        EXPECT_FALSE(f.bullet);
        f.bullet = true;
        f.alignment = sdl::kAlignRight;
        return std::optional<QTextBlockFormat>(block_with_paragraph(current, f));
    });
    body.paragraph_command();
    const QTextBlock first = body.document()->firstBlock();
    ASSERT_NE(first.textList(), nullptr);
    EXPECT_EQ(first.blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight);
    EXPECT_FALSE(first.blockFormat().hasProperty(kBulletProperty));
    EXPECT_EQ(first.next().textList(), nullptr);
}

}  // namespace
}  // namespace kd
