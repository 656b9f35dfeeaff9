// The hand-over queue between the serial worker and the main thread (see Dispatcher.h).
#include "serial/Dispatcher.h"

namespace caniparc {

HandoverQueue::HandoverQueue(std::function<void()> wakeMainThread) : wakeMainThread_(std::move(wakeMainThread)) {}

void HandoverQueue::Handover(std::function<void()> work) {
    Item item{std::move(work)};
    std::unique_lock lock(mutex_);
    items_.push_back(&item);
    queued_.notify_all();
    if (wakeMainThread_) {
        lock.unlock();
        wakeMainThread_();
        lock.lock();
    }
    finished_.wait(lock, [&] { return item.done; });
}

bool HandoverQueue::ServePending(std::chrono::milliseconds maxWait) {
    std::unique_lock lock(mutex_);
    if (!queued_.wait_for(lock, maxWait, [&] { return !items_.empty() && !serving_; }))
        return false;
    return RunFront(lock);
}

bool HandoverQueue::HasPending() const {
    std::lock_guard lock(mutex_);
    return !items_.empty();
}

bool HandoverQueue::RunFront(std::unique_lock<std::mutex>& lock) {
    Item* item = items_.front();
    items_.pop_front();
    serving_ = true;
    lock.unlock();
    try {
        item->work();
    } catch (...) {
        // A failing handler must not leave the worker blocked for ever; failures stay silent.
    }
    lock.lock();
    serving_ = false;
    item->done = true;
    finished_.notify_all();
    queued_.notify_all();
    return true;
}

} // namespace caniparc
