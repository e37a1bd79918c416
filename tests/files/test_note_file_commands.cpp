// The file commands of a note's body menu with real files: opening and saving text and rich
// text, and saving the note as a picture.
#include <gtest/gtest.h>

#include <unistd.h>

#include <QAction>
#include <QImage>
#include <QTest>
#include <QTextCursor>
#include <fstream>
#include <iterator>

#include "files/file_test_fixture.h"
#include "files/file_texts.h"
#include "files/note_file_rules.h"
#include "note/note_menus_model.h"
#include "support/box_answerer.h"

namespace kd {
namespace {

namespace nm = note_menu;
using test::NoteFileTest;

std::string file_text(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

bool exists(const std::string& path) {
    return access(path.c_str(), F_OK) == 0;
}

TEST_F(NoteFileTest, FileItemsAndPrintAreEnabled) {
    make_note();
    note_->menus()->prepare_body_menu();
    for (int id : {nm::kOpenFile, nm::kSaveNoteAs, nm::kSaveAsPicture, nm::kPrintNote})
        EXPECT_TRUE(note_->menus()->body_action(id)->isEnabled()) << id;
}

TEST_F(NoteFileTest, SavingTwiceToATextFileAppendsAfterAnEmptyLine) {
    make_note("Plan: week 12");
    const std::string out = path("plan.txt");
    note_->body()->setPlainText("first line\nsecond line");
    dialogs_->answers = {out};
    choose(nm::kSaveNoteAs);
    EXPECT_EQ(dialogs_->filters.back(), file_texts::kSaveFilter);
    EXPECT_EQ(dialogs_->proposed.back(), proposed_text_file_name(note_->note().title_text()));
    EXPECT_EQ(dialogs_->proposed.back().find(':'), std::string::npos);
    EXPECT_EQ(QDir::currentPath().toStdString(), folder()) << "the start folder is current again";

    note_->body()->setPlainText("more");
    dialogs_->answers = {out};
    ts_.boxes.set_next_answer(QMessageBox::No);  // No appends
    choose(nm::kSaveNoteAs);
    EXPECT_EQ(file_text(out), "first line\nsecond line\n\nmore");
    ASSERT_EQ(ts_.boxes.answered_texts().size(), 1u);
    EXPECT_EQ(ts_.boxes.answered_texts()[0], existing_file_question(out, true));

    dialogs_->answers = {out};
    ts_.boxes.set_next_answer(QMessageBox::Cancel);
    choose(nm::kSaveNoteAs);
    EXPECT_EQ(file_text(out), "first line\nsecond line\n\nmore");

    dialogs_->answers = {out};
    ts_.boxes.set_next_answer(QMessageBox::Yes);  // Yes replaces
    choose(nm::kSaveNoteAs);
    EXPECT_EQ(file_text(out), "more");
}

TEST_F(NoteFileTest, RichTextFilesOfferNoAppendAndDocHoldsRichText) {
    make_note();
    QTextCursor c(note_->body()->document());
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    c.insertText("plain ");
    c.insertText("bold", bold);
    std::ofstream(path("old.rtf")) << "keep";

    // No on an existing rich-text file asks for another name; Cancel there stops.
    dialogs_->answers = {path("old.rtf")};
    ts_.boxes.set_next_answer(QMessageBox::No);
    choose(nm::kSaveNoteAs);
    EXPECT_EQ(dialogs_->shown, 2);
    EXPECT_EQ(ts_.boxes.answered_texts().back(), existing_file_question(path("old.rtf"), false));
    EXPECT_EQ(file_text(path("old.rtf")), "keep");

    dialogs_->answers = {path("old.rtf"), path("new.doc")};
    ts_.boxes.set_next_answer(QMessageBox::No);
    choose(nm::kSaveNoteAs);
    EXPECT_EQ(file_text(path("old.rtf")), "keep");
    const std::string doc = file_text(path("new.doc"));
    EXPECT_EQ(doc.rfind("{\\rtf", 0), 0u) << doc;
    EXPECT_EQ(doc, note_->body()->get_rtf());

    // What was saved as rich text opens as the same rich text.
    note_->body()->setPlainText("something else");
    std::rename(path("new.doc").c_str(), path("back.rtf").c_str());
    dialogs_->answers = {path("back.rtf")};
    choose(nm::kOpenFile);
    EXPECT_EQ(note_->body()->toPlainText(), "plain bold");
    QTextCursor at_bold(note_->body()->document());
    at_bold.setPosition(8);
    EXPECT_EQ(at_bold.charFormat().fontWeight(), QFont::Bold);
}

TEST_F(NoteFileTest, OpeningATextFileReplacesTheWholeBodyInTheDefaultLook) {
    make_note();
    QTextCursor c(note_->body()->document());
    QTextCharFormat big;
    big.setFontPointSize(30);
    big.setFontItalic(true);
    c.insertText("old rich content", big);
    std::ofstream(path("in.txt"), std::ios::binary) << "Milk\r\nBread\r\nCaf\xc3\xa9";
    dialogs_->answers = {path("in.txt")};
    choose(nm::kOpenFile);
    EXPECT_EQ(dialogs_->filters.back(), file_texts::kOpenFilter);
    EXPECT_EQ(note_->body()->toPlainText(), QString::fromUtf8("Milk\nBread\nCaf\xc3\xa9"));
    QTextCursor first(note_->body()->document());
    first.setPosition(1);
    EXPECT_FALSE(first.charFormat().fontItalic());
    EXPECT_NE(first.charFormat().fontPointSize(), 30);
    EXPECT_EQ(QDir::currentPath().toStdString(), folder());

    // Another extension leaves the body as it is.
    std::ofstream(path("in.log")) << "log";
    dialogs_->answers = {path("in.log")};
    choose(nm::kOpenFile);
    EXPECT_EQ(note_->body()->toPlainText(), QString::fromUtf8("Milk\nBread\nCaf\xc3\xa9"));
}

TEST_F(NoteFileTest, FilesThatCannotBeOpenedOrWrittenAreReported) {
    make_note();
    note_->body()->setPlainText("text");
    test::BoxAnswerer answerer(ts_.boxes);
    dialogs_->answers = {path("missing.txt")};
    choose(nm::kOpenFile);
    dialogs_->answers = {path("no/such/folder/out.txt")};
    choose(nm::kSaveNoteAs);
    ASSERT_EQ(answerer.texts.size(), 2u);
    EXPECT_EQ(answerer.texts[0], "Can not open file ''" + path("missing.txt") + "''");
    EXPECT_EQ(answerer.texts[1],
              "Can not create and save file ''" + path("no/such/folder/out.txt") + "''");
    EXPECT_EQ(note_->body()->toPlainText(), "text");
}

class NotePictureTest : public NoteFileTest {
protected:
    void SetUp() override {
        NoteFileTest::SetUp();
        make_note("Picture: test");
        note_->body()->setPlainText("A note to look at");
        ASSERT_TRUE(QTest::qWaitForWindowExposed(note_));
    }
    QImage screen_picture() const {
        return note_->grab().toImage().convertToFormat(QImage::Format_RGB32);
    }
    void expect_no_temporary_pictures() const {
        for (const char* name : {file_texts::kNoteBmp, file_texts::kNote24Bmp, file_texts::kNoteJpg,
                                 file_texts::kNotePng})
            EXPECT_FALSE(exists(path(name))) << name;
    }
};

TEST_F(NotePictureTest, BitmapShowsTheNoteExactlyAsDrawn) {
    dialogs_->answers = {path("shot.bmp")};
    choose(nm::kSaveAsPicture);
    EXPECT_EQ(dialogs_->filters.back(),
              std::string(file_texts::kPictureFilter) + file_texts::kPngPictureFilter);
    EXPECT_EQ(dialogs_->proposed.back(), note_->note().title_text()) << "the title keeps its \":\"";
    QImage saved(QString::fromStdString(path("shot.bmp")));
    ASSERT_FALSE(saved.isNull());
    EXPECT_EQ(saved.depth(), 32) << "24-bit files load as 32-bit images";
    EXPECT_EQ(saved.size(), note_->size());
    EXPECT_EQ(saved.convertToFormat(QImage::Format_RGB32), screen_picture());
    expect_no_temporary_pictures();
    EXPECT_TRUE(ts_.boxes.answered_texts().empty());
}

TEST_F(NotePictureTest, PngHoldsEveryPixelOfTheNote) {
    // A width whose 24-bit rows need padding in the bitmap it is made from.
    note_->resize(301, 157);
    dialogs_->answers = {path("shot.png")};
    choose(nm::kSaveAsPicture);
    const std::string png = file_text(path("shot.png"));
    ASSERT_GT(png.size(), 8u);
    EXPECT_EQ(png.substr(1, 3), "PNG");
    QImage saved(QString::fromStdString(path("shot.png")), "PNG");
    ASSERT_FALSE(saved.isNull());
    EXPECT_FALSE(saved.hasAlphaChannel());
    EXPECT_EQ(saved.size(), QSize(301, 157));
    EXPECT_EQ(saved.convertToFormat(QImage::Format_RGB32), screen_picture());
    expect_no_temporary_pictures();
    EXPECT_TRUE(ts_.boxes.answered_texts().empty());
}

TEST_F(NotePictureTest, JpegDecodesToTheNotesSizeAndColours) {
    dialogs_->answers = {path("shot.JPG")};
    choose(nm::kSaveAsPicture);
    QImage saved(QString::fromStdString(path("shot.JPG")), "JPG");
    ASSERT_FALSE(saved.isNull());
    const QImage screen = screen_picture();
    ASSERT_EQ(saved.size(), screen.size());
    // Plain areas keep their colour within what JPEG loses: the body far from its text, and
    // the title strip.
    const QPoint body_spot = note_->body()->geometry().center() + QPoint(0, 20);
    const QPoint title_spot(note_->width() * 3 / 4, 2);
    for (QPoint p : {body_spot, title_spot}) {
        const QColor want = screen.pixelColor(p), got = saved.pixelColor(p);
        EXPECT_NEAR(got.red(), want.red(), 12) << p.x() << "," << p.y();
        EXPECT_NEAR(got.green(), want.green(), 12) << p.x() << "," << p.y();
        EXPECT_NEAR(got.blue(), want.blue(), 12) << p.x() << "," << p.y();
    }
    expect_no_temporary_pictures();
}

TEST_F(NotePictureTest, OtherExtensionsDoNothingAndFailuresAreReported) {
    test::BoxAnswerer answerer(ts_.boxes);
    dialogs_->answers = {path("shot.gif")};
    choose(nm::kSaveAsPicture);
    EXPECT_FALSE(exists(path("shot.gif")));
    EXPECT_TRUE(answerer.texts.empty());

    dialogs_->answers = {path("no/such/folder/shot.bmp")};
    choose(nm::kSaveAsPicture);
    ASSERT_EQ(answerer.texts.size(), 1u);
    EXPECT_EQ(answerer.texts[0], file_texts::kPictureFailed);
    expect_no_temporary_pictures();
}

}  // namespace
}  // namespace kd
