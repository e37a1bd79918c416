#include "dialogs/small_dialog_rules.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <cstdio>

#include "platform/app_identity.h"

namespace kd::small_dialogs {

namespace {

constexpr double kMmPerTwip = 0.01763668430335097;
constexpr double kTwipsPerMm = 56.7;

bool is_blank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

}  // namespace

std::string trimmed(std::string_view text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && is_blank(text[begin])) {
        ++begin;
    }
    while (end > begin && is_blank(text[end - 1])) {
        --end;
    }
    return std::string(text.substr(begin, end - begin));
}

PasswordOutcome password_outcome(PasswordMode mode, std::string_view password,
                                 std::string_view confirmation) {
    if (password.empty()) {
        return PasswordOutcome::Stay;
    }
    if (mode == PasswordMode::Check) {
        return PasswordOutcome::Accept;
    }
    if (confirmation.empty()) {
        return PasswordOutcome::Stay;
    }
    return password == confirmation ? PasswordOutcome::Accept : PasswordOutcome::Mismatch;
}

int twips_to_shown_mm(int twips) {
    return static_cast<int>(std::ceil(twips * kMmPerTwip));
}

int mm_to_twips(int mm) {
    const double twips = std::trunc(mm * kTwipsPerMm);
    if (twips > INT_MAX) {
        return INT_MAX;
    }
    if (twips < INT_MIN) {
        return INT_MIN;
    }
    return static_cast<int>(twips);
}

std::optional<int> read_integer(std::string_view text) {
    const std::string t = trimmed(text);
    std::string_view digits = t;
    if (!digits.empty() && digits.front() == '+') {
        digits.remove_prefix(1);
        if (digits.empty() || digits.front() < '0' || digits.front() > '9') {
            return std::nullopt;
        }
    }
    int value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error != std::errc() || end != digits.data() + digits.size()) {
        return std::nullopt;
    }
    return value;
}

const char* text_entry_caption(TextEntryMode mode) {
    const int index = static_cast<int>(mode);
    return (index >= 0 && index < 4) ? kEntryCaptions[index] : kEntryCaptions[0];
}

std::optional<std::string> accepted_entry(std::string_view typed) {
    std::string text = trimmed(typed);
    if (text.empty() || text.find(kReservedCharacter) != std::string::npos) {
        return std::nullopt;
    }
    return text;
}

std::string product_line() {
    return std::string(kAppName) + " " + kVersionLabel;
}

std::string year_line(int year) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%04d.", year);
    return buffer;
}

}  // namespace kd::small_dialogs
