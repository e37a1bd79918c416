// The program's own small dialogs behind the notes' and themes' dialog interfaces: the
// text-entry dialog for a note's title and a saved theme's name, the paragraph dialog for
// the note body. The application hands them to NoteServices and ThemeCommands.
#pragma once

#include <QTextBlockFormat>

#include "dialogs/small_dialog_rules.h"
#include "note/note_services.h"
#include "themes/theme_commands.h"

namespace kd {

class MessageBoxes;

// The paragraph format of a body paragraph (its bullet state in kBulletProperty),
// and a block format changed to a paragraph format; alignment other than left, centre and
// right is left as it is.
small_dialogs::ParagraphFormat paragraph_of_block(const QTextBlockFormat& block);
QTextBlockFormat block_with_paragraph(QTextBlockFormat block,
                                      const small_dialogs::ParagraphFormat& format);

class ProgramDialogs : public NoteDialogs {
public:
    explicit ProgramDialogs(MessageBoxes& boxes) : boxes_(boxes) {}
    std::optional<std::string> edit_title(QWidget* parent, const std::string& initial) override;
    std::optional<QTextBlockFormat> edit_paragraph(QWidget* parent,
                                                   const QTextBlockFormat& current) override;

private:
    MessageBoxes& boxes_;
};

class TextEntryThemeName : public ThemeNameEntry {
public:
    std::optional<std::string> ask(QWidget* parent) override;
};

}  // namespace kd
