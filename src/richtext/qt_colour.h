// Colour values as the settings file and the note records store them (ColorRef, 0x00BBGGRR)
// and their Qt form. The one conversion for every folder that may include richtext/.
#pragma once

#include <QColor>
#include <cstdint>

namespace kd {

// Same type as ColorRef in store/note_record.h; richtext/ does not depend on store/.
inline QColor to_qcolor(std::uint32_t ref) {
    return QColor(int(ref & 0xFF), int((ref >> 8) & 0xFF), int((ref >> 16) & 0xFF));
}

inline std::uint32_t to_colorref(const QColor& c) {
    return std::uint32_t(c.red()) | (std::uint32_t(c.green()) << 8) |
           (std::uint32_t(c.blue()) << 16);
}

}  // namespace kd
