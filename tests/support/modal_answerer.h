// Answering a modal dialog a command opens: `answer` runs on the dialog once it is the active
// modal widget (a failure is recorded when none opens).
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <functional>

namespace kd::test {

template <typename Dialog>
void answer_modal(std::function<void(Dialog*)> answer) {
    QTimer::singleShot(0, [answer] {
        Dialog* dialog = nullptr;
        const bool opened = QTest::qWaitFor(
            [&] { return (dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget())); },
            5000);
        if (!opened) {
            ADD_FAILURE() << "no dialog opened";
            return;
        }
        answer(dialog);
    });
}

}  // namespace kd::test
