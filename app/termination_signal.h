#pragma once

#include <QObject>

#include <functional>

class QSocketNotifier;

namespace grivendale {

// Turns SIGTERM, SIGHUP and SIGINT (a session ending, a `kill`) into a call on the interface
// thread, also inside a dialog's loop, so the editor writes what a close writes and ends.
class TerminationSignal final : public QObject {
    Q_OBJECT
public:
    explicit TerminationSignal(std::function<void()> onSignal, QObject* parent = nullptr);
    ~TerminationSignal() override;

private:
    std::function<void()> onSignal_;
    QSocketNotifier* notifier_ = nullptr;
};

} // namespace grivendale
