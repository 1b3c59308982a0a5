#pragma once
// Letting the program's event loop run, as it does between an operator's actions, until
// something has happened or a time has passed.
#include <QApplication>
#include <QElapsedTimer>
#include <functional>

namespace vellisk::test {

// Runs the event loop until `done` holds or `ms` have passed; false when time ran out.
inline bool LoopUntil(const std::function<bool()>& done, int ms = 10000) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > ms) return false;
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

}  // namespace vellisk::test
