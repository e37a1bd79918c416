// Helpers of the rich-text tests: a document with a known default look and a readable
// description of everything the RTF carries, resolved against the defaults.
#pragma once

#include <QTextDocument>
#include <memory>
#include <string>

namespace kd::test {

// A document whose default font is Arial 10 pt, regular.
std::unique_ptr<QTextDocument> make_doc();

// One line per paragraph (alignment, indents, list) and one per run of equal look.
std::string describe(const QTextDocument& doc);

}  // namespace kd::test
