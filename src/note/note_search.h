// Finding notes by their words: titles and bodies folded once (lower case, accents dropped)
// and kept while the note stays the same, so a search as the user types only looks through
// text folded before. Also the cleaned, shortened form of a title that lists and menus show.
// Standard library only: tested without a display.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace kd {

class Note;

// `utf8` in lower case with accents and other combining marks dropped ("Élan" and "ELAN" both
// become "elan"), for comparing as a reader would. Latin, Greek and Cyrillic letters fold;
// other scripts stay as they are. Invalid UTF-8 bytes become U+FFFD.
std::string fold_for_search(std::string_view utf8);

// A stretch of text in UTF-16 code units, as a text document counts its positions.
struct TextSpan {
    std::size_t begin = 0;
    std::size_t end = 0;
    bool operator==(const TextSpan&) const = default;
};

// Where `query` first occurs in `text`, both compared folded; nothing for an empty query.
std::optional<TextSpan> find_in_text(std::string_view text, std::string_view query);

// `utf8` as one line of a list or menu: control, line and direction characters gone, every run
// of white space one blank, at most `max_chars` characters (then cut and ended with "...").
std::string display_title(std::string_view utf8, std::size_t max_chars);

// A note the search found, and where.
struct SearchHit {
    const Note* note = nullptr;
    bool in_title = false;
    bool in_body = false;
};

// The folded texts of the notes, each refreshed when its note changed.
class NoteSearchIndex {
public:
    using BodyText = std::function<std::string(const Note&)>;

    // Takes `notes` as the notes there are (their order is the order of the results). A note
    // changed since it was folded (Note::revision) has its title and `body_text` folded anew;
    // notes no longer there leave.
    void refresh(const std::vector<const Note*>& notes, const BodyText& body_text);

    // The notes whose title or body holds `query` (folded); every note for an empty query.
    std::vector<SearchHit> find(std::string_view query) const;

    // How many notes were folded by the refreshes so far (to see the cache at work).
    std::size_t folds() const { return folds_; }

private:
    struct Entry {
        std::uint64_t revision = 0;
        std::string title;
        std::string body;
    };
    std::vector<const Note*> order_;
    std::unordered_map<const Note*, Entry> entries_;
    std::size_t folds_ = 0;
};

}  // namespace kd
