// Every message box of the program goes through one MessageBoxes object that the application
// hands to the parts that ask or tell the user something. Tests give the answers instead of
// clicking: the boxes are then not shown, and their texts are kept.
#pragma once

#include <QMessageBox>
#include <QString>

#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace kd {

class MessageBoxes {
public:
    using Button = QMessageBox::StandardButton;
    using Buttons = QMessageBox::StandardButtons;

    virtual ~MessageBoxes() = default;

    // Shows a modal box and returns the button that ended it. Without a caption the box
    // carries the program's name.
    Button show(QWidget* parent, QMessageBox::Icon icon, const QString& text,
                Buttons buttons = QMessageBox::Ok, Button default_button = QMessageBox::NoButton,
                const QString& caption = {});

    void tell(QWidget* parent, QMessageBox::Icon icon, const QString& text) {
        show(parent, icon, text);
    }
    // A Yes/No question; true for Yes.
    bool ask(QWidget* parent, QMessageBox::Icon icon, const QString& text,
             Button default_button = QMessageBox::Yes) {
        return show(parent, icon, text, QMessageBox::Yes | QMessageBox::No, default_button) ==
               QMessageBox::Yes;
    }

    // ---- For tests.
    // The next box is answered with `answer` without being shown.
    void set_next_answer(Button answer) { next_.push_back(answer); }
    // Every box from now on is answered without being shown: with `answer`, or with its
    // default button (else its first one) when `answer` is NoButton.
    void answer_all(Button answer = QMessageBox::NoButton) { all_ = answer; }
    // Shows boxes again (after answer_all).
    void stop_answering() {
        all_.reset();
        next_.clear();
    }
    // Texts of the boxes answered without being shown, in order, and the icon of the last.
    const std::vector<std::string>& answered_texts() const { return texts_; }
    std::vector<std::string> take_answered_texts();
    QMessageBox::Icon last_answered_icon() const { return last_icon_; }

protected:
    // Shows the box; tests of this class may replace it.
    virtual Button exec_box(QWidget* parent, QMessageBox::Icon icon, const QString& caption,
                            const QString& text, Buttons buttons, Button default_button);

private:
    std::deque<Button> next_;
    std::optional<Button> all_;
    std::vector<std::string> texts_;
    QMessageBox::Icon last_icon_ = QMessageBox::NoIcon;
};

}  // namespace kd
