// Splits RTF text into tokens: group braces, control words with their optional parameter,
// control symbols, \'hh bytes and runs of plain text. Never reads past the end, whatever
// the input; \bin data is stepped over here so that its bytes are never taken for markup.
#pragma once

#include <cstdint>
#include <string_view>

namespace kd {

enum class RtfTokenKind { End, GroupOpen, GroupClose, Word, Symbol, HexByte, Text };

struct RtfToken {
    RtfTokenKind kind = RtfTokenKind::End;
    std::string_view word;  // Word: the letters; Text: the run of plain bytes
    bool has_param = false;
    std::int32_t param = 0;  // Word parameter, clamped to the 32-bit range
    char symbol = 0;         // Symbol: the character after the backslash
    std::uint8_t byte = 0;   // HexByte
};

class RtfLexer {
public:
    explicit RtfLexer(std::string_view input) : in_(input) {}

    RtfToken next();
    bool at_end() const { return pos_ >= in_.size(); }

private:
    RtfToken read_control();
    // After "\": one or two hex digits as a byte; a broken escape as a symbol the reader skips.
    RtfToken read_hex_byte();
    // The optional signed number after a control word, clamped to 32 bits.
    void read_parameter(RtfToken& t);

    std::string_view in_;
    std::size_t pos_ = 0;
};

}  // namespace kd
