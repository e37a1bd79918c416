// The look of a run of text: each property the run's format sets, or else the document's
// default font. The writer and the body's format commands read a run the same way.
#pragma once

#include <QFont>
#include <QStringList>
#include <QTextCharFormat>

namespace kd {

inline bool effective_bold(const QTextCharFormat& f, const QFont& d) {
    return f.hasProperty(QTextFormat::FontWeight) ? f.fontWeight() >= QFont::DemiBold : d.bold();
}

inline bool effective_italic(const QTextCharFormat& f, const QFont& d) {
    return f.hasProperty(QTextFormat::FontItalic) ? f.fontItalic() : d.italic();
}

inline bool effective_underline(const QTextCharFormat& f, const QFont& d) {
    return (f.hasProperty(QTextFormat::TextUnderlineStyle) ||
            f.hasProperty(QTextFormat::FontUnderline))
               ? f.fontUnderline()
               : d.underline();
}

inline bool effective_strike(const QTextCharFormat& f, const QFont& d) {
    return f.hasProperty(QTextFormat::FontStrikeOut) ? f.fontStrikeOut() : d.strikeOut();
}

inline QString effective_family(const QTextCharFormat& f, const QFont& d) {
    QStringList families = f.fontFamilies().toStringList();
    return families.isEmpty() || families.first().isEmpty() ? d.family() : families.first();
}

}  // namespace kd
