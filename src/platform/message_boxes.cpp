#include "platform/message_boxes.h"

#include <utility>

#include "platform/app_identity.h"

namespace kd {

namespace {

MessageBoxes::Button first_button(MessageBoxes::Buttons buttons) {
    for (unsigned bit = QMessageBox::FirstButton; bit <= QMessageBox::LastButton; bit <<= 1) {
        if (buttons.testFlag(static_cast<QMessageBox::StandardButton>(bit))) {
            return static_cast<QMessageBox::StandardButton>(bit);
        }
    }
    return QMessageBox::Ok;
}

}  // namespace

MessageBoxes::Button MessageBoxes::show(QWidget* parent, QMessageBox::Icon icon,
                                        const QString& text, Buttons buttons, Button default_button,
                                        const QString& caption) {
    if (!next_.empty() || all_) {
        Button answer = QMessageBox::NoButton;
        if (!next_.empty()) {
            answer = next_.front();
            next_.pop_front();
        } else {
            answer = *all_;
        }
        if (answer == QMessageBox::NoButton) {
            answer =
                default_button != QMessageBox::NoButton ? default_button : first_button(buttons);
        }
        texts_.push_back(text.toStdString());
        last_icon_ = icon;
        return answer;
    }
    return exec_box(parent, icon, caption.isEmpty() ? QString::fromUtf8(kAppName) : caption, text,
                    buttons, default_button);
}

std::vector<std::string> MessageBoxes::take_answered_texts() {
    return std::exchange(texts_, {});
}

MessageBoxes::Button MessageBoxes::exec_box(QWidget* parent, QMessageBox::Icon icon,
                                            const QString& caption, const QString& text,
                                            Buttons buttons, Button default_button) {
    QMessageBox box(icon, caption, text, buttons, parent);
    if (default_button != QMessageBox::NoButton) {
        box.setDefaultButton(default_button);
    }
    return static_cast<Button>(box.exec());
}

}  // namespace kd
