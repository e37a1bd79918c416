// Reads Rich Text Format as rich-edit controls, WordPad and office suites write it into a
// QTextDocument. Properties equal to the document's default font are left unset on the
// text, so the text keeps following the default look until it is given a look of its own.
#pragma once

#include <string_view>

class QTextDocument;

namespace kd {

struct RtfReadOptions {
    int default_charset = 0;  // the character set the document's default font stands for
    // The size the document's default font stands for, in half points, when the font shows a
    // smaller one (0: the font's own size).
    int default_half_points = 0;
    // Larger font sizes are shown at this one (in half points) and keep the size they were
    // read with for the writer (kReadHalfPointsProperty); 0 keeps RTF's own limit.
    int max_half_points = 0;
};

// Replaces the whole content of `doc`. Text that is not RTF is put in as plain text (UTF-8,
// or Windows-1252 when it is not valid UTF-8); returns false in that case. Malformed RTF
// never fails: what can be read is kept.
bool read_rtf(std::string_view rtf, QTextDocument& doc, const RtfReadOptions& options = {});

}  // namespace kd
