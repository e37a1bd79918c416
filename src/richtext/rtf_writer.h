// Writes a QTextDocument as Rich Text Format in the form a Windows rich-edit control streams
// it out, so Windows copies of the program read it. The result is 7-bit ASCII: other
// characters become \'hh in the code page, else \uN?. "|" and "~" are always written as
// \'7c and \'7e, since the settings file and the note message use them as separators.
#pragma once

#include <string>

class QTextDocument;

namespace kd {

struct RtfWriteOptions {
    int default_charset = 0;  // character set of the document's default font
    int code_page = 1252;     // \ansicpg
    // The size the document's default font stands for, in half points, when the font shows a
    // smaller one (0: the font's own size).
    int default_half_points = 0;
};

std::string write_rtf(const QTextDocument& doc, const RtfWriteOptions& options = {});

}  // namespace kd
