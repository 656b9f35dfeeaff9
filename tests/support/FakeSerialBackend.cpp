// The scripted serial backend (see FakeSerialBackend.h).
#include "FakeSerialBackend.h"

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

void FakeSerialBackend::Pulse(std::uint32_t lines, std::uint32_t edges) {
    std::uint32_t status = 0;
    {
        std::lock_guard lock(mutex_);
        status = lines_.status;
    }
    Change(status, {lines & kLineCts ? edges : 0, lines & kLineDsr ? edges : 0, lines & kLineRlsd ? edges : 0});
}

void FakeSerialBackend::Change(std::uint32_t status, const LineCounts& addedEdges) {
    std::lock_guard lock(mutex_);
    lines_.status = status;
    AddEdges(addedEdges);
    changed_.notify_all();
}

void FakeSerialBackend::AddEdges(const LineCounts& edges) {
    lines_.counts.cts += edges.cts;
    lines_.counts.dsr += edges.dsr;
    lines_.counts.rlsd += edges.rlsd;
    reported_ |= (edges.cts ? kLineCts : 0) | (edges.dsr ? kLineDsr : 0) | (edges.rlsd ? kLineRlsd : 0);
}

void FakeSerialBackend::FailWaits(int error, int times, std::chrono::milliseconds delay) {
    std::lock_guard lock(mutex_);
    failError_ = error;
    failTimes_ = times;
    failDelay_ = delay;
    changed_.notify_all();
}

bool FakeSerialBackend::WaitUntilWaiting(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        {
            std::lock_guard lock(mutex_);
            if (waiting_)
                return true;
        }
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
}

int FakeSerialBackend::WaitCalls() const {
    std::lock_guard lock(mutex_);
    return waitCalls_;
}

bool FakeSerialBackend::IsOpen() const {
    std::lock_guard lock(mutex_);
    return open_;
}

std::string FakeSerialBackend::LastDevice() const {
    std::lock_guard lock(mutex_);
    return device_;
}

OpenResult FakeSerialBackend::Open(const std::string& device) {
    std::lock_guard lock(mutex_);
    device_ = device;
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

bool FakeSerialBackend::DiffersFrom(const LineSnapshot& known) const {
    if ((lines_.status ^ known.status) & kWatchedLines)
        return true;
    return lines_.countsKnown && known.countsKnown && !(lines_.counts == known.counts);
}

Wake FakeSerialBackend::WaitForChange(const LineSnapshot& known) {
    std::unique_lock lock(mutex_);
    ++waitCalls_;
    for (;;) {
        if (stop_)
            return {WakeReason::Stop};
        if (failTimes_ != 0) {
            if (failTimes_ > 0)
                --failTimes_;
            waiting_ = true;
            changed_.wait_for(lock, failDelay_, [&] { return stop_; });
            waiting_ = false;
            if (stop_)
                return {WakeReason::Stop};
            return {WakeReason::Failure, failError_};
        }
        if (DiffersFrom(known) || reported_ != 0) {
            const std::uint32_t reported = reported_;
            reported_ = 0;
            return {WakeReason::LineChange, 0, reported};
        }
        waiting_ = true;
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

BackendNotes FakeSerialBackend::Notes() const {
    std::lock_guard lock(mutex_);
    return notes_;
}

} // namespace caniparc::testing
