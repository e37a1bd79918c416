// Spell checking without a window: which words of a text are looked at (apostrophes, digits,
// addresses, lengths, letters beyond ASCII, positions in UTF-16), the checker over the system's
// en_US dictionary (hunspell-en-us), what happens without a dictionary, and the personal word
// list: written privately in one step, read back within its bounds.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/temp_dir.h"
#include "spelling/personal_words.h"
#include "spelling/spell_checker.h"
#include "spelling/spell_words.h"

namespace kd {
namespace {

constexpr const char* kSystemDictionaries = "/usr/share/hunspell";

// The words of `text` as strings, in order.
std::vector<std::u16string> words_of(std::u16string_view text) {
    std::vector<std::u16string> words;
    for (const WordSpan& w : words_to_check(text)) {
        words.emplace_back(text.substr(w.start, w.length));
    }
    return words;
}

using Words = std::vector<std::u16string>;

TEST(SpellWords, ApostrophesInsideAWordKeepItWholeAndQuotesAroundItDoNot) {
    EXPECT_EQ(words_of(u"don't you’re 'quoted' rock'n'roll"),
              (Words{u"don't", u"you’re", u"quoted", u"rock'n'roll"}));
    EXPECT_EQ(words_of(u"it's' ''x"), (Words{u"it's", u"x"}));
}

TEST(SpellWords, WordsWithDigitsAcronymsAndAddressesAreLeftOut) {
    EXPECT_EQ(words_of(u"the 2nd mp3 of 1999, NASA and I"), (Words{u"the", u"of", u"and", u"I"}));
    EXPECT_EQ(words_of(u"see https://exampel.org/pathh or (www.sitte.com), mail mee@hoost.org"),
              (Words{u"see", u"or", u"mail"}));
    EXPECT_EQ(words_of(u"in /usr/shaare/hunspell and ~/Documnts or C:\\Progrm x"),
              (Words{u"in", u"and", u"or", u"x"}));
    // Hyphens and other punctuation part words.
    EXPECT_EQ(words_of(u"well-known, end.Next (yes)"),
              (Words{u"well", u"known", u"end", u"Next", u"yes"}));
}

TEST(SpellWords, LettersBeyondAsciiAndPositionsInUtf16Units) {
    EXPECT_EQ(words_of(u"naïve Größe привет café"),
              (Words{u"naïve", u"Größe", u"привет", u"café"}));
    // "cafe" with a combining accent is one word.
    EXPECT_EQ(words_of(u"cafe\u0301 x"), (Words{u"cafe\u0301", u"x"}));
    // An emoji (two code units) is no word and moves the next word by two.
    const std::u16string text = u"\U0001F600 word";
    const std::vector<WordSpan> spans = words_to_check(text);
    ASSERT_EQ(spans.size(), 1u);
    EXPECT_EQ(spans[0], (WordSpan{3, 4}));
    // Paragraph separators and objects in a document's text part words.
    EXPECT_EQ(words_of(u"one\u2029two\uFFFCthree"), (Words{u"one", u"two", u"three"}));
}

TEST(SpellWords, LengthAndCountAreBounded) {
    const std::u16string longest(kLongestCheckedWord, u'a');
    const std::u16string text = longest + u" " + longest + u"a b";
    EXPECT_EQ(words_of(text), (Words{longest, u"b"}));
    EXPECT_EQ(words_to_check(u"a b c d e", 3).size(), 3u);
    // A lone surrogate is no letter and does not end the text early.
    const char16_t broken[] = {u'a', 0xD800, u'b', 0};
    EXPECT_EQ(words_of(broken), (Words{u"a", u"b"}));
}

TEST(SpellWords, Utf8RoundTripAndInvalidInput) {
    const std::u16string text = u"aé€\U0001F600";
    const std::string utf8 = to_utf8(text);
    EXPECT_EQ(utf8, "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80");
    EXPECT_EQ(from_utf8(utf8), text);
    for (const char* bad : {"\xC3", "\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "a\x80"}) {
        EXPECT_FALSE(from_utf8(bad).has_value()) << bad;
    }
}

TEST(SpellWords, DictionaryNamesOfTheUsersLocale) {
    EXPECT_EQ(dictionary_names("en_US.UTF-8"), (std::vector<std::string>{"en_US", "en"}));
    EXPECT_EQ(dictionary_names("de_DE@euro"), (std::vector<std::string>{"de_DE", "de"}));
    EXPECT_EQ(dictionary_names("fr"), (std::vector<std::string>{"fr"}));
    for (const char* none : {"", "C", "POSIX", "C.UTF-8", "../../etc/x", "en_US/.."}) {
        EXPECT_TRUE(dictionary_names(none).empty()) << none;
    }
    EXPECT_EQ(messages_locale("", "de_DE.UTF-8", "en_US.UTF-8"), "de_DE.UTF-8");
    EXPECT_EQ(messages_locale("fr_FR", "de_DE", "en_US"), "fr_FR");
    EXPECT_EQ(messages_locale(nullptr, nullptr, "en_US"), "en_US");
    EXPECT_EQ(messages_locale(nullptr, nullptr, nullptr), "");
}

class SpellCheckerTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto files = find_dictionary(kSystemDictionaries, dictionary_names("en_US.UTF-8"));
        if (!files) {
            GTEST_SKIP() << "hunspell-en-us is not installed";
        }
        checker_ = SpellChecker::open(*files);
        ASSERT_NE(checker_, nullptr);
    }
    std::unique_ptr<SpellChecker> checker_;
};

TEST_F(SpellCheckerTest, FlagsMisspeltWordsAndSuggestsTheRightOneFirst) {
    EXPECT_FALSE(checker_->is_correct(u"recieve"));
    EXPECT_TRUE(checker_->is_correct(u"receive"));
    EXPECT_TRUE(checker_->is_correct(u"Receive"));
    EXPECT_TRUE(checker_->is_correct(u"don’t"));
    // Asked again, the remembered answer is the same.
    EXPECT_FALSE(checker_->is_correct(u"recieve"));

    const std::vector<std::u16string> suggestions = checker_->suggestions(u"recieve");
    ASSERT_FALSE(suggestions.empty());
    EXPECT_EQ(suggestions.front(), u"receive");
    EXPECT_LE(checker_->suggestions(u"teh").size(), kMostSuggestions);
    EXPECT_LE(checker_->suggestions(u"teh", 2).size(), 2u);

    const std::u16string text = u"I recieve teh https://recieve.org letter";
    const std::vector<WordSpan> misspelt = checker_->misspelt_words(text);
    EXPECT_EQ(misspelt, (std::vector<WordSpan>{{2, 7}, {10, 3}}));
}

TEST_F(SpellCheckerTest, AcceptedWordsCountAsRightAndOverlongOnesAreNotJudged) {
    EXPECT_FALSE(checker_->is_correct(u"Korvadesk"));
    checker_->accept(u"Korvadesk");
    EXPECT_TRUE(checker_->is_correct(u"Korvadesk"));
    const std::u16string overlong(kLongestCheckedWord + 1, u'q');
    EXPECT_TRUE(checker_->is_correct(overlong));
    EXPECT_TRUE(checker_->suggestions(overlong).empty());
}

TEST(SpellLoading, WithoutADictionaryNothingIsFlagged) {
    test::TempDir dir;
    SpellingSetup setup{dir.path(), "en_US.UTF-8", dir.file("Korvadesk.words")};
    EXPECT_EQ(load_spelling(setup).checker, nullptr);
    EXPECT_EQ(load_spelling({kSystemDictionaries, "C", setup.word_list}).checker, nullptr);
    EXPECT_EQ(load_spelling({kSystemDictionaries, "xx_YY", setup.word_list}).checker, nullptr);

    // Files that are no dictionary: an empty one, a FIFO (never waited for), a folder.
    std::ofstream(dir.file("en_US.aff")).close();
    std::ofstream(dir.file("en_US.dic")) << "1\nword\n";
    ASSERT_EQ(::mkfifo(dir.file("en.aff").c_str(), 0600), 0);
    std::ofstream(dir.file("en.dic")) << "1\nword\n";
    EXPECT_FALSE(find_dictionary(dir.path(), {"en_US", "en"}).has_value());
    EXPECT_EQ(load_spelling(setup).checker, nullptr);
}

TEST(SpellLoading, TheLanguageAloneWhenTheCountryHasNoDictionaryAndThePersonalListIsAccepted) {
    test::TempDir dir;
    const std::string aff = std::string(kSystemDictionaries) + "/en_US.aff";
    if (!std::filesystem::exists(aff)) {
        GTEST_SKIP() << "hunspell-en-us is not installed";
    }
    std::filesystem::copy_file(aff, dir.file("en.aff"));
    std::filesystem::copy_file(std::string(kSystemDictionaries) + "/en_US.dic", dir.file("en.dic"));
    ASSERT_TRUE(write_personal_words(dir.file("Korvadesk.words"), {u"Korvadesk", u"hostquill"}));

    LoadedSpelling loaded = load_spelling({dir.path(), "en_GB.UTF-8", dir.file("Korvadesk.words")});
    ASSERT_NE(loaded.checker, nullptr);
    EXPECT_EQ(loaded.personal, (Words{u"Korvadesk", u"hostquill"}));
    EXPECT_TRUE(loaded.checker->is_correct(u"Korvadesk"));
    EXPECT_TRUE(loaded.checker->is_correct(u"hostquill"));
    EXPECT_FALSE(loaded.checker->is_correct(u"recieve"));
}

TEST(PersonalWords, RoundTripIsPrivateAndLeavesNoTemporary) {
    test::TempDir dir;
    const std::string list = dir.file("Korvadesk.words");
    const Words words{u"Korvadesk", u"Größe", u"naïveté", u"\U0001F600x"};
    ASSERT_TRUE(write_personal_words(list, words));
    EXPECT_EQ(read_personal_words(list), words);
    struct stat st {};
    ASSERT_EQ(::stat(list.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    // Replaced as a whole, through a temporary that does not stay.
    ASSERT_TRUE(write_personal_words(list, {u"one"}));
    EXPECT_EQ(read_personal_words(list), (Words{u"one"}));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
    // A list that cannot be written is reported.
    EXPECT_FALSE(write_personal_words(dir.file("missing/Korvadesk.words"), {u"one"}));
}

TEST(PersonalWords, ReadingIsBoundedAndSkipsWhatDoesNotFit) {
    test::TempDir dir;
    const std::string list = dir.file("Korvadesk.words");
    EXPECT_TRUE(read_personal_words(list).empty()) << "no list yet";
    {
        std::ofstream out(list, std::ios::binary);
        out << "good\r\n"
            << std::string(kLongestCheckedWord + 1, 'x') << "\n"  // too long
            << std::string(kLongestCheckedWord, 'y') << "\n"      // just fits
            << "two words\n"
            << "bad\xC3\n"
            << "\n"
            << "good\n"  // once only
            << "tab\there\n"
            << "last";
    }
    EXPECT_EQ(read_personal_words(list),
              (Words{u"good", std::u16string(kLongestCheckedWord, u'y'), u"last"}));

    // A list longer than the bound: its first kMostPersonalWords words.
    {
        std::ofstream out(list, std::ios::binary | std::ios::trunc);
        for (std::size_t i = 0; i < kMostPersonalWords + 50; ++i) {
            out << "w" << i << "\n";
        }
    }
    const Words many = read_personal_words(list);
    ASSERT_EQ(many.size(), kMostPersonalWords);
    EXPECT_EQ(many.back(), u"w" + std::u16string(u"9999"));

    // One endless line: read no further than a full list could be, and nothing taken.
    {
        std::ofstream out(list, std::ios::binary | std::ios::trunc);
        out << std::string(kMostPersonalWords * (kLongestCheckedWord * 3 + 1) + 10, 'z');
    }
    EXPECT_TRUE(read_personal_words(list).empty());

    // A FIFO in its place is not waited for.
    std::filesystem::remove(list);
    ASSERT_EQ(::mkfifo(list.c_str(), 0600), 0);
    EXPECT_TRUE(read_personal_words(list).empty());

    EXPECT_FALSE(fits_personal_list(u""));
    EXPECT_FALSE(fits_personal_list(u"a\u2028b"));
    EXPECT_TRUE(fits_personal_list(u"don't"));
}

}  // namespace
}  // namespace kd
