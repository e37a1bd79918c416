#include "richtext/rtf_lexer.h"

#include <limits>

namespace kd {

namespace {

// Control words are at most 32 letters long; longer ones are cut, the rest still consumed.
constexpr std::size_t kMaxWordLength = 32;
// More digits than this cannot change a clamped 32-bit value.
constexpr int kMaxParamDigits = 12;

bool is_letter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

RtfToken make_token(RtfTokenKind kind) {
    RtfToken t;
    t.kind = kind;
    return t;
}

int hex_value(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

}  // namespace

RtfToken RtfLexer::next() {
    while (pos_ < in_.size()) {
        char c = in_[pos_];
        if (c == '{') {
            ++pos_;
            return make_token(RtfTokenKind::GroupOpen);
        }
        if (c == '}') {
            ++pos_;
            return make_token(RtfTokenKind::GroupClose);
        }
        if (c == '\\') {
            return read_control();
        }
        if (c == '\r' || c == '\n' || c == '\0') {
            ++pos_;  // line ends are not content in RTF; a trailing NUL is stream padding
            continue;
        }
        std::size_t start = pos_;
        while (pos_ < in_.size()) {
            char d = in_[pos_];
            if (d == '{' || d == '}' || d == '\\' || d == '\r' || d == '\n' || d == '\0') {
                break;
            }
            ++pos_;
        }
        RtfToken t = make_token(RtfTokenKind::Text);
        t.word = in_.substr(start, pos_ - start);
        return t;
    }
    return make_token(RtfTokenKind::End);
}

RtfToken RtfLexer::read_control() {
    ++pos_;  // the backslash
    if (pos_ >= in_.size()) {
        return make_token(RtfTokenKind::End);
    }
    char c = in_[pos_];
    if (!is_letter(c)) {
        ++pos_;
        if (c == '\'') {
            return read_hex_byte();
        }
        RtfToken t = make_token(RtfTokenKind::Symbol);
        // "\<line end>" is an old spelling of \par.
        t.symbol = (c == '\r' || c == '\n') ? '\n' : c;
        return t;
    }
    std::size_t start = pos_;
    while (pos_ < in_.size() && is_letter(in_[pos_])) {
        ++pos_;
    }
    RtfToken t = make_token(RtfTokenKind::Word);
    t.word = in_.substr(start, std::min(pos_ - start, kMaxWordLength));
    read_parameter(t);
    if (pos_ < in_.size() && in_[pos_] == ' ') {
        ++pos_;  // the delimiting space belongs to the word
    }

    if (t.word == "bin" && t.has_param && t.param > 0) {
        // Raw bytes follow; skip them so braces inside cannot unbalance the groups.
        std::size_t n = std::size_t(t.param);
        pos_ = n > in_.size() - pos_ ? in_.size() : pos_ + n;
    }
    return t;
}

RtfToken RtfLexer::read_hex_byte() {
    int hi = pos_ < in_.size() ? hex_value(in_[pos_]) : -1;
    if (hi < 0) {
        RtfToken broken = make_token(RtfTokenKind::Symbol);  // a broken \' is ignored by the reader
        broken.symbol = '\'';
        return broken;
    }
    ++pos_;
    int lo = pos_ < in_.size() ? hex_value(in_[pos_]) : -1;
    RtfToken t = make_token(RtfTokenKind::HexByte);
    if (lo < 0) {
        t.byte = std::uint8_t(hi);
    } else {
        ++pos_;
        t.byte = std::uint8_t(hi * 16 + lo);
    }
    return t;
}

void RtfLexer::read_parameter(RtfToken& t) {
    bool negative = false;
    if (pos_ < in_.size() && in_[pos_] == '-' && pos_ + 1 < in_.size() && is_digit(in_[pos_ + 1])) {
        negative = true;
        ++pos_;
    }
    if (pos_ >= in_.size() || !is_digit(in_[pos_])) {
        return;
    }
    std::int64_t value = 0;
    int digits = 0;
    while (pos_ < in_.size() && is_digit(in_[pos_])) {
        if (digits < kMaxParamDigits) {
            value = value * 10 + (in_[pos_] - '0');
        }
        ++digits;
        ++pos_;
    }
    if (negative) {
        value = -value;
    }
    constexpr std::int64_t lo = std::numeric_limits<std::int32_t>::min();
    constexpr std::int64_t hi = std::numeric_limits<std::int32_t>::max();
    t.has_param = true;
    t.param = std::int32_t(value < lo ? lo : (value > hi ? hi : value));
}

}  // namespace kd
