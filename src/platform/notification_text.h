// What a desktop notification says and which notice belongs to what: the windowless half of
// the desktop notifier. Note titles and bodies are the user's (or a peer's) text of any
// length and any bytes, so what goes to the notification service is one clean, short line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace kd {

// Longest summary and body line sent, in characters (code points); a longer one is cut and
// ends in "…". Notification bubbles show a line or two, and the service need not hold more.
inline constexpr std::size_t kNoticeSummaryLength = 80;
inline constexpr std::size_t kNoticeBodyLength = 160;

// `utf8` as one line of at most `length` characters: bytes that are not UTF-8 become U+FFFD,
// tabs, line and paragraph breaks become spaces, other control and direction-override
// characters are dropped, runs of spaces shrink to one, and the ends are trimmed.
std::string notice_line(std::string_view utf8, std::size_t length);

// The first line of `text` that holds more than blanks, made a notice line of
// kNoticeBodyLength; "" when there is none. Lines end at \n, \r, U+2028 and U+2029.
std::string notice_first_line(std::string_view text);

// `line` with &, < and > written as entities, for a service that reads body markup.
std::string escape_notice_markup(std::string_view line);

// Which notice the service shows for which key (a note's number), both ways. A key has at
// most one notice: a new one for the key replaces the old.
class NoticeIds {
public:
    // The notice id to replace for `key`; 0 when it has none.
    std::uint32_t replaces(int key) const;
    // The service showed `id` for `key`.
    void shown(int key, std::uint32_t id);
    // The key whose notice `id` is, if it is one of ours.
    std::optional<int> key_of(std::uint32_t id) const;
    // The service closed `id`: forgotten. Returns its key, if it was ours.
    std::optional<int> closed(std::uint32_t id);
    // The key is gone (its note was deleted): forgotten. Returns the notice it had, if any.
    std::optional<std::uint32_t> forget(int key);
    std::size_t size() const { return by_key_.size(); }

private:
    std::map<int, std::uint32_t> by_key_;
    std::map<std::uint32_t, int> by_id_;
};

}  // namespace kd
