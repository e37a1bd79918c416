// "Print note" into a PDF file, read back with pdfinfo, pdftotext and pdftoppm: the title on the
// first page only, the body below it over as many pages as it needs, readable on white paper.
#include <gtest/gtest.h>

#include <QFontMetricsF>
#include <QImage>
#include <QPageSize>
#include <QPrinter>
#include <QTextBlock>
#include <QTextCharFormat>
#include <QTextCursor>
#include <algorithm>
#include <cmath>
#include <map>
#include <regex>

#include "files/file_test_fixture.h"
#include "files/note_print.h"
#include "note/note_menus_model.h"
#include "support/error_recorder.h"
#include "support/program_runner.h"
#include "themes/builtin_themes.h"
#include "themes/theme_commands.h"

namespace kd {
namespace {

namespace nm = note_menu;
using test::NoteFileTest;

class NotePrintTest : public NoteFileTest {
protected:
    void SetUp() override {
        NoteFileTest::SetUp();
        if (test::run_output("command -v pdftotext pdfinfo").empty())
            GTEST_SKIP() << "poppler-utils missing (scripts/deps.sh installs them)";
        pdf_ = path("note.pdf");
        dialogs_->printer_set_up = [this](QPrinter& printer) {
            set_up(printer);
            return true;
        };
    }
    void set_up(QPrinter& printer) const {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QString::fromStdString(pdf_));
        printer.setPageSize(QPageSize(QPageSize::A6));
    }
    std::string page_text(int page) const {
        return test::run_output("pdftotext -layout -f " + std::to_string(page) + " -l " +
                                std::to_string(page) + " '" + pdf_ + "' -");
    }
    std::string info(const std::string& field) const {
        const std::string all = test::run_output("pdfinfo '" + pdf_ + "' 2>/dev/null");
        std::smatch m;
        const std::regex line(field + ":\\s*([^\\n]*)");
        return std::regex_search(all, m, line) ? m[1].str() : std::string();
    }
    // Lines of body text that fill about `pages` pages of this printer.
    int lines_for_pages(double pages) const {
        QPrinter printer(QPrinter::HighResolution);
        set_up(printer);
        const QFont title = print_title_font(note_->note().title_look(), printer.logicalDpiY());
        const double body_height = printer.height() - 3 * QFontMetricsF(title, &printer).height();
        const double line =
            QFontMetricsF(note_->body()->document()->defaultFont(), &printer).lineSpacing();
        return int(std::lround(pages * body_height / line));
    }

    std::string pdf_;
};

TEST_F(NotePrintTest, LongBodyFlowsOverThreePagesWithTheTitleOnTheFirst) {
    make_note("Weekly Printout");
    const int lines = lines_for_pages(2.5);
    QStringList body;
    for (int i = 1; i <= lines; ++i)
        body << QStringLiteral("Entry %1").arg(i);
    note_->body()->setPlainText(body.join('\n'));
    ASSERT_EQ(note_->body()->toPlainText().count('\n'), lines - 1) << "the body took it all";

    choose(nm::kPrintNote);
    ASSERT_EQ(info("Pages"), "3");
    EXPECT_EQ(info("Title"), "Korvadesk Print Note");
    std::string all;
    for (int page = 1; page <= 3; ++page) {
        const std::string text = page_text(page);
        EXPECT_EQ(text.find("Weekly Printout") != std::string::npos, page == 1) << page;
        all += text;
    }
    // Every line in order: nothing lost where the pages break. (A line moved to the next
    // page is also in the last page's text, outside its clip, so it may show twice here.)
    std::size_t at = 0;
    for (int i = 1; i <= lines; ++i) {
        const std::string entry = "Entry " + std::to_string(i) + "\n";
        const std::size_t found = all.find(entry, at);
        ASSERT_NE(found, std::string::npos) << entry;
        at = found;
    }
    EXPECT_NE(page_text(3).find("Entry " + std::to_string(lines) + "\n"), std::string::npos);
}

TEST_F(NotePrintTest, EmptyBodyPrintsTheTitleAloneAndCancelPrintsNothing) {
    make_note("Only A Title");
    note_->body()->clear();
    choose(nm::kPrintNote);
    ASSERT_EQ(info("Pages"), "1");
    EXPECT_NE(page_text(1).find("Only A Title"), std::string::npos);

    std::remove(pdf_.c_str());
    dialogs_->printer_set_up = [](QPrinter&) { return false; };
    choose(nm::kPrintNote);
    EXPECT_EQ(dialogs_->shown, 2);
    EXPECT_TRUE(info("Pages").empty());
}

// Contrast ratio of two colours as legibility guidelines measure it: 1 for equal colours, 21 for
// black on white.
double contrast(QRgb a, QRgb b) {
    const auto lum = [](QRgb c) {
        const auto lin = [](int v) {
            const double x = v / 255.0;
            return x <= 0.04045 ? x / 12.92 : std::pow((x + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * lin(qRed(c)) + 0.7152 * lin(qGreen(c)) + 0.0722 * lin(qBlue(c));
    };
    const double la = lum(a), lb = lum(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

TEST_F(NotePrintTest, DarkThemedBodyPrintsReadableOnWhitePaper) {
    if (test::run_output("command -v pdftoppm").empty())
        GTEST_SKIP() << "poppler-utils missing (scripts/deps.sh installs them)";
    ASSERT_TRUE(write_builtin_themes(NoteStore(app_paths(), test::store_errors())));
    make_note("Dark Note");
    ASSERT_TRUE(
        apply_theme(ts_.store, note_->note(), 90007));  // "Dark Blue": white text on dark blue
    note_->body()->setPlainText(QStringLiteral("WWWW MMMM readable body line\nRed words"));
    // A colour that reads on white keeps it.
    QTextCursor red(note_->body()->document()->findBlockByNumber(1));
    red.select(QTextCursor::BlockUnderCursor);
    QTextCharFormat f;
    f.setForeground(QColor(220, 0, 0));
    red.mergeCharFormat(f);

    choose(nm::kPrintNote);
    ASSERT_EQ(info("Pages"), "1");
    const std::string png_root = path("page");
    test::run_output("pdftoppm -r 150 -png -f 1 -l 1 '" + pdf_ + "' '" + png_root + "'");
    QImage page(QString::fromStdString(png_root + "-1.png"));
    ASSERT_FALSE(page.isNull());

    // The body lies below the title: three title heights down.
    QPrinter printer(QPrinter::HighResolution);
    set_up(printer);
    const QFont title = print_title_font(note_->note().title_look(), printer.logicalDpiY());
    const double body_top =
        3 * QFontMetricsF(title, &printer).height() * page.height() / printer.height();
    std::map<QRgb, int> counts;
    for (int y = int(body_top) + 1; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x)
            ++counts[page.pixel(x, y) & 0xFFFFFF];
    const QRgb paper = std::max_element(counts.begin(), counts.end(), [](auto& a, auto& b) {
                           return a.second < b.second;
                       })->first;
    EXPECT_LT(contrast(paper, qRgb(255, 255, 255)), 1.05) << "the paper stays white";

    // Text pixels: those that stand out from the paper. The body's own white would leave none.
    int dark = 0, reddish = 0;
    double best = 1;
    for (const auto& [colour, n] : counts) {
        const double c = contrast(colour, paper);
        best = std::max(best, c);
        if (c >= 7)
            dark += n;
        if (qRed(colour) > 150 && qGreen(colour) < 90 && qBlue(colour) < 90)
            reddish += n;
    }
    EXPECT_GE(best, 15.0) << "the body's text is dark on the paper";
    EXPECT_GT(dark, 200) << "a whole line of text, not a speck";
    EXPECT_GT(reddish, 20) << "red words stay red";
}

}  // namespace
}  // namespace kd
