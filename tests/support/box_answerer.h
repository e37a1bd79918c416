// Answering the program's message boxes from a test.
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QObject>
#include <QTimer>

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace kd::test {

// Answers every message box that opens while it lives, remembering its text.
class BoxAnswerer {
public:
    BoxAnswerer() {
        timer_.setInterval(20);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) {
                    texts.push_back(box->text().toStdString());
                    box->done(QMessageBox::Ok);
                }
            }
        });
        timer_.start();
    }
    std::vector<std::string> texts;

private:
    QTimer timer_;
};

// Shortly after, clicks `button` on the message box then open, showing the box to `seen` first.
inline void answer_next_box(QMessageBox::StandardButton button,
                            std::function<void(const QMessageBox&)> seen) {
    QTimer::singleShot(50, [button, seen = std::move(seen)] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) {
                seen(*box);
                box->button(button)->click();
                return;
            }
        }
    });
}

}  // namespace kd::test
