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

// One parsed file: its lines (without line ends) and an index of the first occurrence of
// every section/key pair.
struct Document {
    std::vector<std::string> lines;
    bool crlf = false;
    bool bom = false;
    std::unordered_map<std::string, std::size_t> keys;  // lookup key -> line index

    void parse(std::string_view text);
    void index();
    std::string_view get(std::string_view section, std::string_view key) const;
    bool has_section(std::string_view section) const;
    std::string serialize() const;

    // Each returns whether anything changed.
    bool set(std::string_view section, std::string_view key, std::string_view value);
    // Sets several keys of one section. A section the file lacks is appended whole, which
    // saves a scan of the file for every key of a new record.
    bool set_many(std::string_view section,
                  std::span<const std::pair<std::string_view, std::string_view>> entries);
    bool remove_key(std::string_view section, std::string_view key);
    // The name remove_keys() looks for: section and key compared as remove_key() does.
    static std::string removal_name(std::string_view section, std::string_view key);
    // Removes every key named in `names` (removal_name()), in one pass: taking a long queue
    // of received notes removes a key per note, and a pass each made that quadratic.
    bool remove_keys(const std::unordered_set<std::string>& names);
    bool remove_section(std::string_view section);
    // Removes every section whose lower-case name is in `names`, in one pass.
    bool remove_sections(const std::unordered_set<std::string>& names);

private:
    void append_section_header(std::string_view section);
    // Drops each line that `drop` picks within the sections `is_target` picks (header line
    // too); true when any went.
    template <class IsTarget, class Drop>
    bool drop_lines(IsTarget is_target, Drop drop);
};

}  // namespace kd::profile_text
