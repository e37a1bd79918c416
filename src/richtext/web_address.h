// Finds web addresses in plain text the way a rich-edit control's automatic detection does:
// a known scheme ("http:", "https:", "ftp:", "mailto:", "file:", "news:", ...) or "www."
// at the start of a word, up to the next blank; trailing punctuation is not part of it.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

namespace kd {

struct WebAddress {
    std::size_t start = 0;
    std::size_t length = 0;
    bool operator==(const WebAddress&) const = default;
};

std::vector<WebAddress> find_web_addresses(std::u16string_view text);

}  // namespace kd
