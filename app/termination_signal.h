#pragma once

#include <QObject>

#include <functional>

class QSocketNotifier;

namespace grivendale {

// Turns SIGTERM and SIGHUP (a session ending, a `kill`) into a call on the interface thread,
// so the window closes normally and the auto-save is written.
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
