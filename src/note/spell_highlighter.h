// Underlines the misspelt words of a note body. The marks are formats of the blocks' layouts,
// as a syntax highlighter's are, never of the document: the text, its rich text, its undo
// steps and its modified state stay as they are. Unlike QSyntaxHighlighter, re-checking opens
// no edit block, so it never tells the document's watchers (the note's autosave) of a change.
#pragma once

#include <QObject>
#include <QPointer>
#include <QTextCharFormat>

class QTextBlock;
class QTextDocument;

namespace kd {

class BodySpelling;

// At most this much of a paragraph is checked: the words of a huge one still cost little.
inline constexpr int kLongestCheckedParagraph = 32 * 1024;
inline constexpr std::size_t kMostCheckedWordsPerParagraph = 4000;

class SpellHighlighter : public QObject {
    Q_OBJECT
public:
    SpellHighlighter(QTextDocument& document, BodySpelling& spelling, QObject* parent = nullptr);

    // Checks every paragraph again (checking turned on or off, a word added).
    void recheck_all();
    // Checks the paragraphs that hold the characters from..to again.
    void recheck(int from, int to);

    // While paused, changes are not checked (the body is being filled as a whole; it is
    // checked once at the end).
    void set_paused(bool paused) { paused_ = paused; }

    // The underline of a misspelt word.
    static QTextCharFormat mark_format();

private:
    void check_block(const QTextBlock& block);

    QPointer<QTextDocument> document_;
    BodySpelling& spelling_;
    QTextCharFormat mark_;
    bool paused_ = false;
};

}  // namespace kd
