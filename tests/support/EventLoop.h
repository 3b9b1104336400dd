#pragma once

// An event loop for tests that drive asynchronous Qt code without a GUI.

#include <QCoreApplication>
#include <QDeadlineTimer>

#include <functional>

namespace tavrik::test {

// Makes sure a QCoreApplication exists (one per process, never destroyed before exit).
inline void ensureCoreApplication() {
    static int argc = 1;
    static char name[] = "tavrik-tests";
    static char* argv[] = {name, nullptr};
    if (!QCoreApplication::instance()) {
        new QCoreApplication(argc, argv);  // lives until the process ends
    }
}

// Runs the event loop until done() is true or timeoutMs passed; returns done().
inline bool waitUntil(const std::function<bool()>& done, int timeoutMs = 10'000) {
    ensureCoreApplication();
    const QDeadlineTimer deadline(timeoutMs);
    while (!done() && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 10);
    }
    return done();
}

// Runs the event loop for whatever is ready now and what it posts, for a short while.
inline void drainEvents() {
    ensureCoreApplication();
    for (int i = 0; i < 20; ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
}

}  // namespace tavrik::test
