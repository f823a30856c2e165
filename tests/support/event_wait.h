#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>

namespace grivendale::testing {

// Runs the event loop until `done` holds or `timeout` has passed; returns done().
inline bool waitUntil(const std::function<bool()>& done,
                      std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
    const QDeadlineTimer deadline(timeout);
    if (done())
        return true;
    QEventLoop loop;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, &loop, [&] {
        if (done() || deadline.hasExpired())
            loop.quit();
    });
    tick.start(5);
    loop.exec();
    return done();
}

// Lets the event loop run for a while, for things that must not happen.
inline void runEventsFor(std::chrono::milliseconds duration) {
    waitUntil([] { return false; }, duration);
}

// Creates the application object of type App once for the test program, unless another file
// of the same program did already.
template <typename App> class QtAppEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        if (!QCoreApplication::instance()) {
            static int argc = 1;
            static char name[] = "tests";
            static char* argv[] = {name, nullptr};
            app_ = std::make_unique<App>(argc, argv);
        }
    }
    void TearDown() override { app_.reset(); }

private:
    std::unique_ptr<App> app_;
};

} // namespace grivendale::testing
