// Timers for the core. The core never starts a real timer: the Qt layer supplies timers on the
// main thread's event loop, the tests a manual clock they advance by hand.
#pragma once

#include <functional>
#include <memory>

namespace caniparc {

class Timer {
public:
    virtual ~Timer() = default;
    // (Re)starts the timer: the callback comes intervalMs from now (and, for a repeating timer,
    // every intervalMs after that) until Stop. Starting an active timer restarts its interval.
    virtual void Start(int intervalMs) = 0;
    virtual void Stop() = 0;
    virtual bool IsActive() const = 0;
};

class Scheduler {
public:
    enum class Mode { SingleShot, Repeating };
    virtual ~Scheduler() = default;
    // The callback runs on the thread that owns the scheduler (the main thread). Destroying the
    // timer cancels it.
    virtual std::unique_ptr<Timer> CreateTimer(Mode mode, std::function<void()> onTimeout) = 0;
};

} // namespace caniparc
