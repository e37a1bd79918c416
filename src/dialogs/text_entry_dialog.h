// The one-line text-entry dialog: a default title, a note's title, a group name or a saved
// theme's name, by mode. OK gives the trimmed text; it stays open while the text is empty or
// holds the list separator "~".
#pragma once

#include <QDialog>

#include <optional>
#include <string>

#include "dialogs/small_dialog_rules.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace kd {

class TextEntryDialog : public QDialog {
    Q_OBJECT
public:
    TextEntryDialog(small_dialogs::TextEntryMode mode, const std::string& initial,
                    QWidget* parent = nullptr);

    // The accepted text after OK.
    std::string text() const { return text_; }

    QLineEdit* edit() const { return edit_; }
    QLabel* note_label() const { return note_; }
    QPushButton* ok_button() const { return ok_; }

    void press_ok();

    // Runs the dialog: the text, or nothing for Cancel.
    static std::optional<std::string> ask(small_dialogs::TextEntryMode mode,
                                          const std::string& initial, QWidget* parent);

private:
    std::string text_;
    QLineEdit* edit_ = nullptr;
    QLabel* note_ = nullptr;
    QPushButton* ok_ = nullptr;
};

}  // namespace kd
