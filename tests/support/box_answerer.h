// Answering the program's message boxes from a test: while a BoxAnswerer lives, every box of
// its MessageBoxes is answered with OK without being shown, and its text kept.
#pragma once

#include <string>
#include <vector>

#include "platform/message_boxes.h"

namespace kd::test {

class BoxAnswerer {
public:
    explicit BoxAnswerer(MessageBoxes& boxes) : boxes_(boxes), texts(boxes.answered_texts()) {
        boxes_.take_answered_texts();
        boxes_.answer_all(QMessageBox::Ok);
    }
    ~BoxAnswerer() { boxes_.stop_answering(); }
    BoxAnswerer(const BoxAnswerer&) = delete;
    BoxAnswerer& operator=(const BoxAnswerer&) = delete;

private:
    MessageBoxes& boxes_;

public:
    // The texts of the boxes answered so far.
    const std::vector<std::string>& texts;
};

}  // namespace kd::test
