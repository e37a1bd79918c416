#include "note/spell_highlighter.h"

#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

#include "note/body_spelling.h"

namespace kd {

SpellHighlighter::SpellHighlighter(QTextDocument& document, BodySpelling& spelling, QObject* parent)
    : QObject(parent), document_(&document), spelling_(spelling), mark_(mark_format()) {
    // Only the paragraphs a change touched are checked again, while the change is reported,
    // so the layout that follows lays them out with their marks.
    connect(&document, &QTextDocument::contentsChange, this,
            [this](int from, int /*removed*/, int added) {
                if (!paused_) {
                    recheck(from, from + added);
                }
            });
}

QTextCharFormat SpellHighlighter::mark_format() {
    QTextCharFormat mark;
    mark.setUnderlineStyle(QTextCharFormat::SpellCheckUnderline);
    mark.setUnderlineColor(QColor(Qt::red));
    return mark;
}

void SpellHighlighter::recheck_all() {
    if (!document_) {
        return;
    }
    for (QTextBlock block = document_->begin(); block.isValid(); block = block.next()) {
        check_block(block);
    }
}

void SpellHighlighter::recheck(int from, int to) {
    if (!document_) {
        return;
    }
    QTextBlock block = document_->findBlock(std::max(0, from));
    const QTextBlock last = document_->findBlock(std::max(from, to));
    for (; block.isValid(); block = block.next()) {
        check_block(block);
        if (block == last) {
            break;
        }
    }
}

void SpellHighlighter::check_block(const QTextBlock& block) {
    QTextLayout* layout = block.layout();
    // Text an input method is composing carries the method's own formats in the layout; the
    // paragraph is checked once the text is committed.
    if (layout == nullptr || !layout->preeditAreaText().isEmpty()) {
        return;
    }
    QList<QTextLayout::FormatRange> marks;
    if (SpellChecker* checker = spelling_.checker()) {
        const QString text = block.text().left(kLongestCheckedParagraph);
        const std::u16string_view view(reinterpret_cast<const char16_t*>(text.utf16()),
                                       std::size_t(text.size()));
        for (const WordSpan& w : checker->misspelt_words(view, kMostCheckedWordsPerParagraph)) {
            marks.push_back({int(w.start), int(w.length), mark_});
        }
    }
    if (marks == layout->formats()) {
        return;
    }
    layout->setFormats(marks);
    // Lays the paragraph out again with its marks. Unlike an edit, this tells no one that
    // the contents changed.
    document_->markContentsDirty(block.position(), block.length());
}

}  // namespace kd
