// The text of one profile (INI) file held as lines, with an index of its keys: the parser,
// the changes ProfileFile makes and the serializer that writes the lines back. Files and
// locks are ProfileFile's business; this is text only.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

namespace kd::profile_text {

std::string lower(std::string_view s);
// ASCII case is ignored, as section and key names compare.
bool equals_nocase(std::string_view a, std::string_view b);
// Without the blanks (space, tab, CR, VT, FF) around it.
std::string_view trim(std::string_view s);
bool has_line_end(std::string_view s);

// What one line of the file is.
enum class LineKind { Other, Section, Key };

struct LineInfo {
    LineKind kind = LineKind::Other;
    std::string_view name;  // section or key name, trimmed
};

LineInfo classify(std::string_view line);

// One parsed file: its lines (without line ends), an index of the first occurrence of every
// section/key pair and an index of the section headers. Changes keep both indexes up to date
// without parsing again, so a change costs about the size of the sections it touches rather
// than the size of the file (a large file holds hundreds of note records).
struct Document {
    std::vector<std::string> lines;
    bool crlf = false;
    bool bom = false;
    std::unordered_map<std::string, std::size_t> keys;  // lookup key -> line index
    // Lower-case section name -> line indexes of its headers, in file order.
    std::unordered_map<std::string, std::vector<std::size_t>> sections;

    void parse(std::string_view text);
    void index();
    std::string_view get(std::string_view section, std::string_view key) const;
    bool has_section(std::string_view section) const;
    // Names of the keys of the first section of that name, in file order.
    std::vector<std::string> key_names(std::string_view section) const;
    std::string serialize() const;

    // Each returns whether anything changed.
    bool set(std::string_view section, std::string_view key, std::string_view value);
    // Sets several keys of one section. A section the file lacks is appended whole.
    bool set_many(std::string_view section,
                  std::span<const std::pair<std::string_view, std::string_view>> entries);
    bool remove_key(std::string_view section, std::string_view key);
    // The name remove_keys() looks for: section and key compared as remove_key() does.
    static std::string removal_name(std::string_view section, std::string_view key);
    // Removes every key named in `names` (removal_name()) from every section of its name, in
    // one pass over those sections: taking a long queue of received notes removes a key per
    // note.
    bool remove_keys(const std::unordered_set<std::string>& names);
    bool remove_section(std::string_view section);
    // Removes every section whose lower-case name is in `names`, with its keys.
    bool remove_sections(const std::unordered_set<std::string>& names);

private:
    void append_section_header(std::string_view section);
    // Index one past the last line of the section whose header is at `header`.
    std::size_t section_end(std::size_t header) const;
    // Inserts a line, moving the indexes of the lines after it.
    void insert_line(std::size_t at, std::string line);
    // Removes the lines at the given indexes (increasing, no repeats) and what the indexes
    // held for them; the other entries move up.
    void erase_lines(const std::vector<std::size_t>& gone);
};

}  // namespace kd::profile_text
