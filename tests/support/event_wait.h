#pragma once

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

#include <chrono>
#include <functional>

namespace grivendale::testing {

// Runs the event loop until `done` holds or `timeout` has passed; returns done().
inline bool waitUntil(const std::function<bool()>& done,
                      std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
    const QDeadlineTimer deadline(timeout);
    QEventLoop loop;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, &loop, [&] {
        if (done() || deadline.hasExpired())
            loop.quit();
    });
    tick.start(5);
    if (!done())
        loop.exec();
    return done();
}

// Lets the event loop run for a while, for things that must not happen.
inline void runEventsFor(std::chrono::milliseconds duration) {
    waitUntil([] { return false; }, duration);
}

} // namespace grivendale::testing
