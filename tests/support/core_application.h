// Qt's application object for tests of QObjects: created on first use on the test's main
// thread and kept for the rest of the run. waitUntil spins its event loop.
#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>

#include <functional>

namespace bw::test {

inline QCoreApplication& coreApplication() {
    if (!QCoreApplication::instance()) {
        static int argc = 1;
        static char name[] = "bw-tests";
        static char* argv[] = {name, nullptr};
        static QCoreApplication application(argc, argv);
    }
    return *QCoreApplication::instance();
}

// Processes events until `condition` holds or `timeoutMs` passes; returns the condition.
inline bool waitUntil(const std::function<bool()>& condition, int timeoutMs = 10000) {
    coreApplication();
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > timeoutMs) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

} // namespace bw::test
