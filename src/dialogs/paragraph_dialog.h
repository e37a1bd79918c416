// The paragraph dialog of the note body: alignment, left and right indent in millimetres and
// the bullet style of the selected paragraphs.
#pragma once

#include <QDialog>

#include "dialogs/small_dialog_rules.h"

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace kd {

class MessageBoxes;

class ParagraphDialog : public QDialog {
    Q_OBJECT
public:
    ParagraphDialog(const small_dialogs::ParagraphFormat& format, MessageBoxes& boxes,
                    QWidget* parent = nullptr);

    // The format after OK.
    const small_dialogs::ParagraphFormat& format() const { return format_; }

    QRadioButton* left_button() const { return left_; }
    QRadioButton* center_button() const { return center_; }
    QRadioButton* right_button() const { return right_; }
    QLineEdit* left_indent_edit() const { return left_indent_; }
    QLineEdit* right_indent_edit() const { return right_indent_; }
    QCheckBox* bullet_box() const { return bullet_; }

    // "OK": reads the fields and closes with the format, even after a field that was not an
    // integer (that field and the ones after it keep their values).
    void press_ok();

private:
    void build();

    small_dialogs::ParagraphFormat format_;
    MessageBoxes& boxes_;
    QRadioButton* left_ = nullptr;
    QRadioButton* center_ = nullptr;
    QRadioButton* right_ = nullptr;
    QLineEdit* left_indent_ = nullptr;
    QLineEdit* right_indent_ = nullptr;
    QCheckBox* bullet_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* cancel_ = nullptr;
};

}  // namespace kd
