// One stored note, default look or theme: the 24 keys of a "NOTE_ID_<n>" section.
#pragma once

#include <cstdint>
#include <string>

namespace kd {

// Colours are 0x00BBGGRR values, as the file stores them.
using ColorRef = std::uint32_t;

struct NoteRecord {
    ColorRef EditTextColor = 0;
    ColorRef EditBackColor = 0;
    std::string EditFont;
    std::string EditFontType;
    std::string EditText;  // RTF of the body; line feeds in memory, "|" in the file
    std::int32_t EditFontSize = 0;
    std::uint8_t EditCharSet = 0;
    ColorRef TitleTextColor = 0;
    ColorRef TitleBackColor = 0;
    std::string TitleFont;
    std::string TitleFontType;
    std::string TitleText;
    std::int32_t TitleFontSize = 0;
    std::uint8_t TitleCharSet = 0;
    std::int32_t NoteID = 0;
    std::int32_t Top = 0;
    std::int32_t Left = 0;
    std::int32_t Height = 0;
    std::int32_t Width = 0;
    std::string Minimized;   // "Yes" when rolled up
    std::string Border;      // "Yes" when the border shows
    std::string Hidden;      // "Yes" when hidden
    std::string Expiration;  // "" for none
    std::string Alarm;       // "" for none

    bool operator==(const NoteRecord&) const = default;
};

}  // namespace kd
