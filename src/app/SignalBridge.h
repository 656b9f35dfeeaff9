// Turns SIGTERM, SIGINT and SIGHUP (logout, system shutdown, Ctrl+C in a terminal) into an
// orderly close on the main thread, so the shutdown writes everything it must.
#pragma once

#include <QObject>

#include <functional>

class QSocketNotifier;

namespace caniparc::app {

class SignalBridge final : public QObject {
public:
    // Only one bridge may exist; it owns the process's handlers for these signals.
    explicit SignalBridge(std::function<void()> onSignal, QObject* parent = nullptr);
    ~SignalBridge() override;

private:
    void Drain();

    std::function<void()> onSignal_;
    QSocketNotifier* notifier_ = nullptr;
};

} // namespace caniparc::app
