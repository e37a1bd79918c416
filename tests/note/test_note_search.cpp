// Finding notes by their words without a display: the folding (case and accents), where a
// match lies in the original text, the cleaned titles of lists and menus, and the index that
// folds a note again only when it changed.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "note/note.h"
#include "note/note_search.h"
#include "store/note_store.h"
#include "store/store_fixture.h"

namespace kd {
namespace {

TEST(NoteSearchFold, CaseAndAccentsFoldAwayInTheScriptsReadersMix) {
    EXPECT_EQ(fold_for_search("Élan VITAL, Ça Straße"), "elan vital, ca strasse");
    EXPECT_EQ(fold_for_search("ŁÓDŹ Œuvre Ĳssel"), "lodz oeuvre ijssel");
    EXPECT_EQ(fold_for_search("ΚΑΛΗΜΈΡΑ ς"), fold_for_search("καλημερα σ"));
    EXPECT_EQ(fold_for_search("ПРИВЕТ Ёлка"), "привет елка");
    // A letter and its accent as two characters fold as the one composed character does.
    EXPECT_EQ(fold_for_search("Cafe\xCC\x81"), fold_for_search("CAFÉ"));
    // Invalid bytes are one replacement character each; the text after them still folds.
    EXPECT_EQ(fold_for_search("A\xFF\xE2\x82Z"), "a\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBDz");
    EXPECT_EQ(fold_for_search("日本語 😀"), "日本語 😀");
}

TEST(NoteSearchFind, TheSpanCountsUtf16UnitsOfTheOriginalText) {
    // The emoji is two units, the decomposed é two characters: the span covers what the
    // reader sees as the word.
    const std::string text = "😀 Voilà le cafe\xCC\x81 CRÈME";
    EXPECT_EQ(find_in_text(text, "CAFÉ"), (TextSpan{12, 17}));
    EXPECT_EQ(find_in_text(text, "creme"), (TextSpan{18, 23}));
    EXPECT_EQ(find_in_text("Großes Fass", "SS"), (TextSpan{3, 4})) << "inside ß";
    EXPECT_EQ(find_in_text(text, "thé"), std::nullopt);
    EXPECT_EQ(find_in_text(text, ""), std::nullopt);
    EXPECT_EQ(find_in_text(text, "\xCC\x81"), std::nullopt) << "a lone mark folds to nothing";
}

TEST(NoteSearchTitle, TitlesFromOutsideAreCutAndCleaned) {
    EXPECT_EQ(display_title("  Shopping\tlist\r\n  today ", 40), "Shopping list today");
    // Direction overrides would turn the menu's text around; they go.
    EXPECT_EQ(display_title("\xE2\x80\xAE"
                            "evil\xE2\x81\xA6 txt\xE2\x80\x8F",
                            40),
              "evil txt");
    EXPECT_EQ(display_title(std::string("a\0b\x1b[31mc\x7f", 10), 40), "a b [31mc");
    const std::string long_title(1024, 'x');
    EXPECT_EQ(display_title(long_title, 40), std::string(40, 'x') + "...");
    EXPECT_EQ(display_title("ééééé", 3), "ééé...") << "cut by characters, not bytes";
    EXPECT_EQ(display_title("\xC3", 40), "\xEF\xBF\xBD");
    EXPECT_EQ(display_title(" \n ", 40), "");
}

struct Surface : NoteSurface {
    std::string body_rtf() const override { return {}; }
    NoteFrame record_frame() const override { return {}; }
};

class NoteSearchIndexTest : public test::StoreTest {
protected:
    std::vector<const Note*> all() const {
        std::vector<const Note*> out;
        for (const auto& note : notes) {
            out.push_back(note.get());
        }
        return out;
    }
    void add(const std::string& title, const std::string& body) {
        notes.push_back(std::make_unique<Note>(store, surface, ++last_number));
        notes.back()->set_title_text(title);
        bodies[notes.back().get()] = body;
    }
    void refresh() {
        index.refresh(all(), [this](const Note& n) {
            ++body_reads;
            return bodies.at(&n);
        });
    }
    std::vector<int> found(const std::string& query) const {
        std::vector<int> out;
        for (const SearchHit& hit : index.find(query)) {
            out.push_back(hit.note->number() * (hit.in_title ? -1 : 1));
        }
        return out;
    }

    NoteStore store{app_paths(), test::store_errors()};
    Surface surface;
    std::vector<std::unique_ptr<Note>> notes;
    std::map<const Note*, std::string> bodies;
    NoteSearchIndex index;
    int body_reads = 0;
    int last_number = 0;
};

TEST_F(NoteSearchIndexTest, FoldsEachNoteOnceAndAgainOnlyWhenItChanged) {
    add("Groceries", "Milk, eggs, CRÈME fraîche");
    add("Crème brûlée", "Recipe from grandma");
    add("Phone", "Call the plumber");
    refresh();
    EXPECT_EQ(found("creme"), (std::vector<int>{1, -2})) << "negative: found in the title";
    EXPECT_EQ(found(""), (std::vector<int>{-1, -2, -3})) << "every note";
    EXPECT_EQ(found("nowhere"), std::vector<int>{});

    refresh();
    EXPECT_EQ(body_reads, 3) << "nothing changed, nothing read again";

    bodies[notes[2].get()] = "Call the electrician";
    notes[2]->changed();  // the body's document says so when its text changes
    notes[0]->set_title_text("Market");
    refresh();
    EXPECT_EQ(body_reads, 5);
    EXPECT_EQ(found("ELECTRICIAN"), std::vector<int>{3});
    EXPECT_EQ(found("plumber"), std::vector<int>{});
    EXPECT_EQ(found("market"), std::vector<int>{-1});

    // A deleted note leaves, and a new one at the same address is folded, not taken for it.
    notes.erase(notes.begin() + 1);
    add("Later", "Crème again");
    refresh();
    EXPECT_EQ(found("creme"), (std::vector<int>{1, 4}));
    EXPECT_EQ(index.folds(), 6u);
}

}  // namespace
}  // namespace kd
