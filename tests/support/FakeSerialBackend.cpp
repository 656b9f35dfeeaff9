// The scripted serial backend (see FakeSerialBackend.h).
#include "FakeSerialBackend.h"

#include <utility>

namespace caniparc::testing {

void FakeSerialBackend::FailNextOpen(OpenStage stage, std::string message) {
    std::lock_guard lock(mutex_);
    failOpen_ = true;
    openFailure_ = {false, stage, std::move(message)};
}

void FakeSerialBackend::SetLevels(std::uint32_t status) {
    const std::uint32_t flipped = [&] {
        std::lock_guard lock(mutex_);
        return (lines_.status ^ status) & kWatchedLines;
    }();
    Change(status, {flipped & kLineCts ? 1u : 0u, flipped & kLineDsr ? 1u : 0u, flipped & kLineRlsd ? 1u : 0u});
}

void FakeSerialBackend::Change(std::uint32_t status, const LineCounts& edges) {
    std::lock_guard lock(mutex_);
    lines_.status = status;
    lines_.counts.cts += edges.cts;
    lines_.counts.dsr += edges.dsr;
    lines_.counts.rlsd += edges.rlsd;
    reported_ |= (edges.cts ? kLineCts : 0) | (edges.dsr ? kLineDsr : 0) | (edges.rlsd ? kLineRlsd : 0);
    changed_.notify_all();
}

void FakeSerialBackend::SetLevelsUncounted(std::uint32_t status) {
    std::lock_guard lock(mutex_);
    reported_ |= (lines_.status ^ status) & kWatchedLines;
    lines_.status = status;
    changed_.notify_all();
}

void FakeSerialBackend::CatchUpCounts(const LineCounts& edges) {
    const std::uint32_t status = [&] {
        std::lock_guard lock(mutex_);
        return lines_.status;
    }();
    Change(status, edges);
}

void FakeSerialBackend::FailWaits(int error) {
    std::lock_guard lock(mutex_);
    failError_ = error;
    changed_.notify_all();
}

bool FakeSerialBackend::WaitUntilWaiting(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return waiting_; });
}

int FakeSerialBackend::WaitCalls() const {
    std::lock_guard lock(mutex_);
    return waitCalls_;
}

bool FakeSerialBackend::IsOpen() const {
    std::lock_guard lock(mutex_);
    return open_;
}

OpenResult FakeSerialBackend::Open(const std::string&) {
    std::lock_guard lock(mutex_);
    if (failOpen_) {
        failOpen_ = false;
        return openFailure_;
    }
    open_ = true;
    stop_ = false;
    return {};
}

void FakeSerialBackend::Close() {
    std::lock_guard lock(mutex_);
    open_ = false;
}

Wake FakeSerialBackend::WaitForChange(const LineSnapshot&) {
    std::unique_lock lock(mutex_);
    ++waitCalls_;
    for (;;) {
        if (stop_)
            return {WakeReason::Stop};
        if (failError_ != 0) {
            changed_.wait_for(lock, std::chrono::milliseconds(5), [&] { return stop_; });
            return {stop_ ? WakeReason::Stop : WakeReason::Failure, failError_};
        }
        if (reported_ != 0)
            return {WakeReason::LineChange, 0, std::exchange(reported_, 0)};
        waiting_ = true;
        changed_.notify_all(); // for WaitUntilWaiting
        changed_.wait(lock);
        waiting_ = false;
    }
}

void FakeSerialBackend::RequestStop() {
    std::lock_guard lock(mutex_);
    stop_ = true;
    changed_.notify_all();
}

LineSnapshot FakeSerialBackend::ReadLines() {
    std::lock_guard lock(mutex_);
    return open_ ? lines_ : LineSnapshot{};
}

} // namespace caniparc::testing
