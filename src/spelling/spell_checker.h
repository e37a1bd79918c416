// A Hunspell dictionary behind a small interface: is a word spelt right, what might be meant,
// accept a word for this run. Not thread-safe: one owner at a time (made on a loading thread,
// then handed to the interface thread, which alone uses it).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "spelling/spell_words.h"

class Hunspell;

namespace kd {

// Suggestions offered for one word.
inline constexpr std::size_t kMostSuggestions = 5;
// Dictionary files above this size are not loaded (the largest Debian ships is about 20 MB).
inline constexpr std::uintmax_t kLargestDictionaryFile = std::uintmax_t(64) << 20;

struct DictionaryFiles {
    std::string aff;
    std::string dic;
};

// "<folder>/<name>.aff" and ".dic" for the first of `names` that has both as regular files
// of at most kLargestDictionaryFile bytes; nothing when none has.
std::optional<DictionaryFiles> find_dictionary(const std::string& folder,
                                               const std::vector<std::string>& names);

class SpellChecker {
public:
    // Null when the files cannot be read as a dictionary.
    static std::unique_ptr<SpellChecker> open(const DictionaryFiles& files);
    ~SpellChecker();
    SpellChecker(const SpellChecker&) = delete;
    SpellChecker& operator=(const SpellChecker&) = delete;

    // True for a word of the dictionary or accepted, and for one it cannot judge (too long,
    // letters the dictionary's character set lacks).
    bool is_correct(std::u16string_view word);
    // What the word might have been, best first, at most `most`.
    std::vector<std::u16string> suggestions(std::u16string_view word,
                                            std::size_t most = kMostSuggestions);
    // The word counts as right from now on (not stored: see personal_words.h).
    void accept(std::u16string_view word);

    // The words of `text` (see words_to_check) that are not spelt right, at most `most`
    // words looked at.
    std::vector<WordSpan> misspelt_words(std::u16string_view text, std::size_t most = SIZE_MAX);

private:
    SpellChecker(std::unique_ptr<Hunspell> hunspell, std::string encoding);
    // The word in the dictionary's character set; nothing when it has no such letters.
    std::optional<std::string> to_dictionary(std::u16string_view word) const;
    std::optional<std::u16string> from_dictionary(const std::string& word) const;

    std::unique_ptr<Hunspell> hunspell_;
    std::string encoding_;  // "" for UTF-8
    // What the dictionary said of words seen before; typing re-checks a paragraph's words
    // again and again.
    std::unordered_map<std::u16string, bool> known_;
};

// Where spelling finds its files, as the program hands them over.
struct SpellingSetup {
    std::string dictionary_folder;  // the system's Hunspell dictionaries
    std::string locale;             // the user's locale, e.g. "en_US.UTF-8"
    std::string word_list;          // the personal word list
};

struct LoadedSpelling {
    std::unique_ptr<SpellChecker> checker;  // null without a dictionary for the locale
    std::vector<std::u16string> personal;   // the personal list, accepted by the checker
};

// Reads the personal list, finds and opens the locale's dictionary and accepts the list. Tens of
// milliseconds for a large dictionary: meant for a thread of its own.
LoadedSpelling load_spelling(const SpellingSetup& setup);

}  // namespace kd
