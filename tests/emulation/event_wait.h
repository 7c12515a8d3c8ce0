#pragma once
// Waiting for what a real thread or the system delivers through the event loop.

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>

#include <functional>

namespace kv::test {

// Runs the event loop until done() holds or timeoutMs passes; whether it held.
inline bool waitUntil(const std::function<bool()>& done, int timeoutMs = 5000)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

// Runs the event loop for ms, for events that are expected not to change anything.
inline void runEventLoopFor(int ms)
{
    waitUntil([] { return false; }, ms);
}

}  // namespace kv::test
