#include "net/net_list.h"

#include <algorithm>
#include <cctype>
#include <set>

#include "store/note_lists.h"

namespace kd {

namespace {

constexpr std::size_t kMaxHostNameLength = 255;

std::string upper_ascii(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return out;
}

}  // namespace

bool is_host_name(std::string_view name) {
    if (name.empty() || name.size() > kMaxHostNameLength) {
        return false;
    }
    return std::all_of(name.begin(), name.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
               c == '-' || c == '.' || c == '_';
    });
}

std::vector<std::string> neighbourhood_entries(std::string_view net_list) {
    std::vector<std::string> shown;
    for (const std::string& entry : non_empty_entries(net_list)) {
        if (is_host_name(entry)) {
            shown.insert(shown.begin(), upper_ascii(entry));
        }
    }
    return shown;
}

std::string computer_name_of_host(std::string_view host_name) {
    if (!is_host_name(host_name)) {
        return {};
    }
    return std::string(host_name.substr(0, host_name.find('.')));
}

std::string make_net_list(const std::vector<std::string>& host_names) {
    std::set<std::string> seen;
    std::vector<std::string> names;
    for (const std::string& host : host_names) {
        std::string name = computer_name_of_host(host);
        if (!name.empty() && seen.insert(upper_ascii(name)).second) {
            names.push_back(std::move(name));
        }
    }
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return upper_ascii(a) < upper_ascii(b);
    });
    std::string list;
    for (const std::string& name : names) {
        // Read back with a fixed capacity: a cut list would lose its last entries anyway.
        if (list.size() + name.size() + 1 > lists::kListCapacity - 1) {
            break;
        }
        list += name;
        list += lists::kListSeparator;
    }
    return list;
}

}  // namespace kd
