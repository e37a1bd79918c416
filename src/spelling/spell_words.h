// The words of a text that spell checking looks at, and the text conversions it needs.
// Standard library and POSIX only: tested without a display, usable on any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kd {

// Longer words are never checked (nor offered for the personal list): no dictionary holds
// them, and a checker's cost grows with the length.
inline constexpr std::size_t kLongestCheckedWord = 100;

// A word in UTF-16 code units, as a text document counts its positions.
struct WordSpan {
    std::size_t start = 0;
    std::size_t length = 0;
    bool operator==(const WordSpan&) const = default;
};

// The words of `text` worth checking, in order, at most `most` of them. A word is a run of
// letters (and the marks that go with them) with single apostrophes inside ("don't"); hyphens
// and other punctuation part words. Left out: words with digits ("2nd", "mp3"), words in
// capitals only (acronyms), words longer than kLongestCheckedWord, and every word of a
// stretch without blanks that is a web or mail address or a path ("https://...", "www.",
// "name@host", "/usr/share").
std::vector<WordSpan> words_to_check(std::u16string_view text, std::size_t most = SIZE_MAX);

// UTF-16 to UTF-8; a lone surrogate becomes U+FFFD.
std::string to_utf8(std::u16string_view text);
// UTF-8 to UTF-16; nothing when `text` is not valid UTF-8.
std::optional<std::u16string> from_utf8(std::string_view text);

// The dictionary names for a locale, best first: "en_US.UTF-8" and "en_US@euro" give "en_US"
// then "en"; "C", "POSIX" and "" give none (no language is known).
std::vector<std::string> dictionary_names(std::string_view locale);

// The locale whose language the user reads, as the C library would take it for messages:
// the first of LC_ALL, LC_MESSAGES and LANG that is set and not empty. Null arguments are unset.
std::string messages_locale(const char* lc_all, const char* lc_messages, const char* lang);

}  // namespace kd
