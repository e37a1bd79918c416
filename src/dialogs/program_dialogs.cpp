#include "dialogs/program_dialogs.h"

#include <QPointer>

#include "dialogs/paragraph_dialog.h"
#include "dialogs/text_entry_dialog.h"
#include "note/paragraph_bullet.h"
#include "richtext/rtf_document.h"

namespace kd {

namespace sdl = small_dialogs;

sdl::ParagraphFormat paragraph_of_block(const QTextBlockFormat& block) {
    sdl::ParagraphFormat format;
    const Qt::Alignment h = block.alignment() & Qt::AlignHorizontal_Mask;
    if (h == Qt::AlignHCenter) {
        format.alignment = sdl::kAlignCenter;
    } else if (h == Qt::AlignRight || h == Qt::AlignTrailing) {
        format.alignment = sdl::kAlignRight;
    } else if (h == Qt::AlignLeft || h == Qt::AlignLeading) {
        format.alignment = sdl::kAlignLeft;
    } else {
        format.alignment = 0;
    }
    format.bullet = block.boolProperty(kBulletProperty);
    format.start_indent = pixels_to_twips(block.leftMargin());
    format.right_indent = pixels_to_twips(block.rightMargin());
    return format;
}

QTextBlockFormat block_with_paragraph(QTextBlockFormat block, const sdl::ParagraphFormat& format) {
    switch (format.alignment) {
        case sdl::kAlignLeft:
            block.setAlignment(Qt::AlignLeft);
            break;
        case sdl::kAlignCenter:
            block.setAlignment(Qt::AlignHCenter);
            break;
        case sdl::kAlignRight:
            block.setAlignment(Qt::AlignRight);
            break;
        default:
            break;
    }
    block.setProperty(kBulletProperty, format.bullet);
    block.setLeftMargin(twips_to_pixels(format.start_indent));
    block.setRightMargin(twips_to_pixels(format.right_indent));
    return block;
}

std::optional<std::string> ProgramDialogs::edit_title(QWidget* parent, const std::string& initial) {
    return TextEntryDialog::ask(sdl::TextEntryMode::EditTitle, initial, parent);
}

std::optional<QTextBlockFormat> ProgramDialogs::edit_paragraph(QWidget* parent,
                                                               const QTextBlockFormat& current) {
    // The note (its expiry) may take the dialog with it while it runs.
    QPointer<ParagraphDialog> dialog =
        new ParagraphDialog(paragraph_of_block(current), boxes_, parent);
    const int result = dialog->exec();
    if (dialog == nullptr) {
        return std::nullopt;
    }
    std::optional<QTextBlockFormat> edited;
    if (result == QDialog::Accepted) {
        edited = block_with_paragraph(current, dialog->format());
    }
    delete dialog;
    return edited;
}

std::optional<std::string> TextEntryThemeName::ask(QWidget* parent) {
    return TextEntryDialog::ask(sdl::TextEntryMode::ThemeName, std::string(), parent);
}

}  // namespace kd
