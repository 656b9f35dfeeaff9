// The synchronous hand-over from the serial worker to the main thread. The worker blocks until
// the main thread has run the work, so the two never touch the same data at the same time.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

namespace caniparc {

class Dispatcher {
public:
    virtual ~Dispatcher() = default;
    // Worker side: runs `work` on the main thread and returns once it has run.
    virtual void Handover(std::function<void()> work) = 0;
    // Main-thread side: runs a hand-over a worker is blocked on, waiting up to `maxWait` for one
    // to arrive. A main thread that waits for the worker to end calls this in its waiting loop,
    // or the two would wait for each other. Returns whether it ran one.
    virtual bool ServePending(std::chrono::milliseconds maxWait) = 0;
};

// The hand-over itself, without any event loop: a queue the worker fills and blocks on, and a
// wake-up callback that asks the main thread to serve it. The Qt layer supplies a callback that
// posts to its event loop; tests serve by hand.
class HandoverQueue final : public Dispatcher {
public:
    // `wakeMainThread` runs on the worker thread right after a hand-over has been queued.
    explicit HandoverQueue(std::function<void()> wakeMainThread = {});

    void Handover(std::function<void()> work) override;
    bool ServePending(std::chrono::milliseconds maxWait) override;
    bool HasPending() const;

private:
    struct Item {
        std::function<void()> work;
        bool done = false;
    };
    bool RunFront(std::unique_lock<std::mutex>& lock);

    std::function<void()> wakeMainThread_;
    mutable std::mutex mutex_;
    std::condition_variable queued_;
    std::condition_variable finished_;
    std::deque<Item*> items_;
    bool serving_ = false; // a hand-over runs now; a nested ServePending must not start another
};

} // namespace caniparc
