#include "platform/profile_document.h"

#include <algorithm>
#include <optional>

#include "platform/text_encoding.h"

namespace kd::profile_text {

namespace {

constexpr std::string_view kBlanks = " \t\r\v\f";
constexpr std::string_view kBom = "\xEF\xBB\xBF";

char lower_ascii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
}

// The value part of a key line: blanks around it and one pair of enclosing quotes removed.
std::string_view value_of(std::string_view line) {
    const auto eq = line.find('=');
    if (eq == std::string_view::npos) {
        return {};
    }
    std::string_view v = trim(line.substr(eq + 1));
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) {
        v = v.substr(1, v.size() - 2);
    }
    return v;
}

std::string lookup_key(std::string_view section, std::string_view key) {
    std::string k = lower(section);
    k.push_back('\0');
    k += lower(text_as_utf8(key));  // a key a Windows copy wrote in Windows-1252 (a group name)
    return k;
}

std::string key_line(std::string_view key, std::string_view value) {
    return std::string(key) + "=" + std::string(value);
}

}  // namespace

std::string lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) {
        c = lower_ascii(c);
    }
    return out;
}

bool equals_nocase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lower_ascii(a[i]) != lower_ascii(b[i])) {
            return false;
        }
    }
    return true;
}

std::string_view trim(std::string_view s) {
    const auto b = s.find_first_not_of(kBlanks);
    if (b == std::string_view::npos) {
        return {};
    }
    const auto e = s.find_last_not_of(kBlanks);
    return s.substr(b, e - b + 1);
}

bool has_line_end(std::string_view s) {
    return s.find_first_of("\r\n") != std::string_view::npos;
}

LineInfo classify(std::string_view line) {
    const std::string_view t = trim(line);
    if (t.empty() || t[0] == ';' || t[0] == '#') {
        return {};
    }
    if (t[0] == '[') {
        std::string_view inner = t.substr(1);
        const auto close = inner.find(']');
        if (close != std::string_view::npos) {
            inner = inner.substr(0, close);
        }
        return {LineKind::Section, trim(inner)};
    }
    const auto eq = t.find('=');
    if (eq == std::string_view::npos) {
        return {};
    }
    const std::string_view key = trim(t.substr(0, eq));
    if (key.empty()) {
        return {};
    }
    return {LineKind::Key, key};
}

void Document::parse(std::string_view text) {
    lines.clear();
    bom = text.substr(0, kBom.size()) == kBom;
    if (bom) {
        text.remove_prefix(kBom.size());
    }
    const auto first_lf = text.find('\n');
    crlf = first_lf != std::string_view::npos && first_lf > 0 && text[first_lf - 1] == '\r';
    std::size_t pos = 0;
    while (pos < text.size()) {
        auto lf = text.find('\n', pos);
        if (lf == std::string_view::npos) {
            lf = text.size();
        }
        std::string_view line = text.substr(pos, lf - pos);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        lines.emplace_back(line);
        pos = lf + 1;
    }
    index();
}

void Document::index() {
    keys.clear();
    sections.clear();
    std::string section;
    bool in_section = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const LineInfo info = classify(lines[i]);
        if (info.kind == LineKind::Section) {
            section = lower(info.name);
            in_section = true;
            sections[section].push_back(i);
        } else if (info.kind == LineKind::Key && in_section) {
            keys.emplace(lookup_key(section, info.name), i);
        }
    }
}

std::string_view Document::get(std::string_view section, std::string_view key) const {
    const auto it = keys.find(lookup_key(section, key));
    return it == keys.end() ? std::string_view{} : value_of(lines[it->second]);
}

bool Document::has_section(std::string_view section) const {
    return sections.contains(lower(section));
}

std::vector<std::string> Document::key_names(std::string_view section) const {
    std::vector<std::string> out;
    const auto found = sections.find(lower(section));
    if (found == sections.end()) {
        return out;
    }
    const std::size_t header = found->second.front();
    const std::size_t end = section_end(header);
    for (std::size_t i = header + 1; i < end; ++i) {
        const LineInfo info = classify(lines[i]);
        if (info.kind == LineKind::Key) {
            out.emplace_back(info.name);
        }
    }
    return out;
}

std::size_t Document::section_end(std::size_t header) const {
    std::size_t i = header + 1;
    while (i < lines.size() && classify(lines[i]).kind != LineKind::Section) {
        ++i;
    }
    return i;
}

void Document::insert_line(std::size_t at, std::string line) {
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at), std::move(line));
    for (auto& entry : keys) {
        if (entry.second >= at) {
            ++entry.second;
        }
    }
    for (auto& [name, headers] : sections) {
        for (std::size_t& header : headers) {
            if (header >= at) {
                ++header;
            }
        }
    }
}

void Document::erase_lines(const std::vector<std::size_t>& gone) {
    if (gone.empty()) {
        return;
    }
    std::size_t next_gone = 0;
    std::size_t kept = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (next_gone < gone.size() && gone[next_gone] == i) {
            ++next_gone;
            continue;
        }
        if (kept != i) {
            lines[kept] = std::move(lines[i]);
        }
        ++kept;
    }
    lines.resize(kept);
    // Where a kept line moved to, or nothing for a line that went.
    const auto moved = [&gone](std::size_t i) -> std::optional<std::size_t> {
        const auto at = std::lower_bound(gone.begin(), gone.end(), i);
        if (at != gone.end() && *at == i) {
            return std::nullopt;
        }
        return i - static_cast<std::size_t>(at - gone.begin());
    };
    for (auto it = keys.begin(); it != keys.end();) {
        if (const auto to = moved(it->second)) {
            it->second = *to;
            ++it;
        } else {
            it = keys.erase(it);
        }
    }
    for (auto it = sections.begin(); it != sections.end();) {
        std::vector<std::size_t> headers;
        for (std::size_t header : it->second) {
            if (const auto to = moved(header)) {
                headers.push_back(*to);
            }
        }
        if (headers.empty()) {
            it = sections.erase(it);
        } else {
            it->second = std::move(headers);
            ++it;
        }
    }
}

std::string Document::serialize() const {
    const std::string_view eol = crlf ? "\r\n" : "\n";
    std::string out;
    std::size_t total = bom ? kBom.size() : 0;
    for (const auto& l : lines) {
        total += l.size() + eol.size();
    }
    out.reserve(total);
    if (bom) {
        out += kBom;
    }
    for (const auto& l : lines) {
        out += l;
        out += eol;
    }
    return out;
}

void Document::append_section_header(std::string_view section) {
    if (!lines.empty() && !trim(lines.back()).empty()) {
        lines.emplace_back();
    }
    sections[lower(section)].push_back(lines.size());
    lines.push_back("[" + std::string(section) + "]");
}

bool Document::set(std::string_view section, std::string_view key, std::string_view value) {
    const auto it = keys.find(lookup_key(section, key));
    if (it != keys.end()) {
        std::string& line = lines[it->second];
        const std::string replaced = key_line(classify(line).name, value);
        if (replaced == line) {
            return false;
        }
        line = replaced;
        return true;
    }
    std::string new_line = key_line(key, value);
    const auto found = sections.find(lower(section));
    if (found == sections.end()) {
        append_section_header(section);
        keys.emplace(lookup_key(section, key), lines.size());
        lines.push_back(std::move(new_line));
        return true;
    }
    // Append to the end of the first section of that name, before the blank lines that
    // separate it from the next one.
    const std::size_t header = found->second.front();
    const std::size_t end = section_end(header);
    std::size_t last_content = header;
    for (std::size_t i = header + 1; i < end; ++i) {
        if (!trim(lines[i]).empty()) {
            last_content = i;
        }
    }
    insert_line(last_content + 1, std::move(new_line));
    keys.emplace(lookup_key(section, key), last_content + 1);
    return true;
}

bool Document::set_many(std::string_view section,
                        std::span<const std::pair<std::string_view, std::string_view>> entries) {
    if (entries.empty()) {
        return false;
    }
    if (has_section(section)) {
        bool changed = false;
        for (const auto& [key, value] : entries) {
            changed = set(section, key, value) || changed;
        }
        return changed;
    }
    append_section_header(section);
    for (const auto& [key, value] : entries) {
        const auto it = keys.find(lookup_key(section, key));
        if (it != keys.end()) {
            lines[it->second] = key_line(key, value);
            continue;
        }
        keys.emplace(lookup_key(section, key), lines.size());
        lines.push_back(key_line(key, value));
    }
    return true;
}

bool Document::remove_key(std::string_view section, std::string_view key) {
    return remove_keys({removal_name(section, key)});
}

std::string Document::removal_name(std::string_view section, std::string_view key) {
    std::string name = lower(section);
    name.push_back('\0');
    name += lower(key);
    return name;
}

bool Document::remove_keys(const std::unordered_set<std::string>& names) {
    std::unordered_set<std::string> targets;
    for (const std::string& name : names) {
        targets.insert(name.substr(0, name.find('\0')));
    }
    std::vector<std::size_t> gone;
    // Key lines of those sections that stay: one of them may now be the first of its name.
    std::vector<std::pair<std::size_t, const std::string*>> staying;
    for (const std::string& section : targets) {
        const auto found = sections.find(section);
        if (found == sections.end()) {
            continue;
        }
        for (std::size_t header : found->second) {
            const std::size_t end = section_end(header);
            for (std::size_t i = header + 1; i < end; ++i) {
                const LineInfo info = classify(lines[i]);
                if (info.kind != LineKind::Key) {
                    continue;
                }
                if (names.contains(removal_name(section, info.name))) {
                    gone.push_back(i);
                } else {
                    staying.emplace_back(i, &section);
                }
            }
        }
    }
    if (gone.empty()) {
        return false;
    }
    std::sort(gone.begin(), gone.end());
    std::sort(staying.begin(), staying.end());
    erase_lines(gone);
    for (const auto& [line, section] : staying) {
        const std::size_t at =
            line - static_cast<std::size_t>(std::lower_bound(gone.begin(), gone.end(), line) -
                                            gone.begin());
        keys.emplace(lookup_key(*section, classify(lines[at]).name), at);
    }
    return true;
}

bool Document::remove_section(std::string_view section) {
    return remove_sections({lower(section)});
}

bool Document::remove_sections(const std::unordered_set<std::string>& names) {
    std::vector<std::size_t> gone;
    for (const std::string& name : names) {
        const auto found = sections.find(name);
        if (found == sections.end()) {
            continue;
        }
        for (std::size_t header : found->second) {
            for (std::size_t i = header, end = section_end(header); i < end; ++i) {
                gone.push_back(i);
            }
        }
    }
    std::sort(gone.begin(), gone.end());
    erase_lines(gone);
    return !gone.empty();
}

}  // namespace kd::profile_text
