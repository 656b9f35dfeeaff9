// The serial worker's hand-over on the Qt main thread: the worker posts its work to the event
// loop and blocks until the main thread has run it. A main thread that waits for the worker
// (closing the port) serves the pending work itself, so neither waits for the other for ever.
#pragma once

#include "serial/Dispatcher.h"

#include <QObject>

namespace caniparc::ui {

class QtDispatcher final : public QObject, public Dispatcher {
    Q_OBJECT
public:
    // Create on the main thread. Close every port that uses it before destroying it: a worker
    // still blocked in a hand-over would never be released.
    explicit QtDispatcher(QObject* parent = nullptr);

    void Handover(std::function<void()> work) override;
    bool ServePending(std::chrono::milliseconds maxWait) override;

private:
    HandoverQueue queue_;
};

} // namespace caniparc::ui
