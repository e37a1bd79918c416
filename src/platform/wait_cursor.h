// The wait cursor for as long as the object lives: long work on the UI thread (a send, reading
// the neighbourhood) shows that the program is busy.
#pragma once

#include <QApplication>

namespace kd {

class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

}  // namespace kd
