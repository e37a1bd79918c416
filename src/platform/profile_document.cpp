#include "platform/profile_document.h"

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
    std::string section;
    bool in_section = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const LineInfo info = classify(lines[i]);
        if (info.kind == LineKind::Section) {
            section = lower(info.name);
            in_section = true;
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
    for (const auto& line : lines) {
        const LineInfo info = classify(line);
        if (info.kind == LineKind::Section && equals_nocase(info.name, section)) {
            return true;
        }
    }
    return false;
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
    // Append to the end of the first section of that name, before the blank lines that
    // separate it from the next one.
    std::optional<std::size_t> last_content;
    bool in_target = false;
    bool found = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const LineInfo info = classify(lines[i]);
        if (info.kind == LineKind::Section) {
            if (found) {
                break;
            }
            in_target = equals_nocase(info.name, section);
            if (in_target) {
                found = true;
                last_content = i;
            }
        } else if (in_target && !trim(lines[i]).empty()) {
            last_content = i;
        }
    }
    std::size_t at = 0;
    if (found) {
        // Shift the index instead of rebuilding it: records add many keys in a row.
        at = *last_content + 1;
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at), std::move(new_line));
        for (auto& entry : keys) {
            if (entry.second >= at) {
                ++entry.second;
            }
        }
    } else {
        append_section_header(section);
        at = lines.size();
        lines.push_back(std::move(new_line));
    }
    keys.emplace(lookup_key(section, key), at);
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

template <class IsTarget, class Drop>
bool Document::drop_lines(IsTarget is_target, Drop drop) {
    bool in_target = false;
    bool changed = false;
    std::vector<std::string> kept;
    kept.reserve(lines.size());
    for (auto& line : lines) {
        const LineInfo info = classify(line);
        if (info.kind == LineKind::Section) {
            in_target = is_target(info.name);
        }
        if (in_target && drop(info)) {
            changed = true;
            continue;
        }
        kept.push_back(std::move(line));
    }
    lines = std::move(kept);
    index();
    return changed;
}

bool Document::remove_key(std::string_view section, std::string_view key) {
    return drop_lines([section](std::string_view name) { return equals_nocase(name, section); },
                      [key](const LineInfo& info) {
                          return info.kind == LineKind::Key && equals_nocase(info.name, key);
                      });
}

std::string Document::removal_name(std::string_view section, std::string_view key) {
    std::string name = lower(section);
    name.push_back('\0');
    name += lower(key);
    return name;
}

bool Document::remove_keys(const std::unordered_set<std::string>& names) {
    std::string section;
    return drop_lines(
        [&section](std::string_view name) {
            section = std::string(name);
            return true;
        },
        [&](const LineInfo& info) {
            return info.kind == LineKind::Key && names.contains(removal_name(section, info.name));
        });
}

bool Document::remove_section(std::string_view section) {
    return remove_sections({lower(section)});
}

bool Document::remove_sections(const std::unordered_set<std::string>& names) {
    return drop_lines([&names](std::string_view name) { return names.contains(lower(name)); },
                      [](const LineInfo&) { return true; });
}

}  // namespace kd::profile_text
