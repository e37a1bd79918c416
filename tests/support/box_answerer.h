// Answers every message box that opens while it lives, remembering its text.
#pragma once

#include <QApplication>
#include <QMessageBox>
#include <QObject>
#include <QTimer>

#include <string>
#include <vector>

namespace kd::test {

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

}  // namespace kd::test
