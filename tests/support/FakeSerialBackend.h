// A serial backend for the tests and the latency benchmark: the test moves the lines, scripts
// open failures and failing waits, and can wait until the worker is blocked in its wait.
#pragma once

#include "timing/SerialBackend.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>

namespace caniparc::testing {

class FakeSerialBackend final : public SerialBackend {
public:
    // --- script ---
    void FailNextOpen(OpenStage stage, std::string message);
    // New levels; every line whose level flips gains one edge. Wakes the waiter.
    void SetLevels(std::uint32_t status);
    // Edges without a level change: a pulse shorter than one wake-up.
    void Pulse(std::uint32_t lines, std::uint32_t edges = 2);
    // Several changes at once, as the driver would report them in one wake-up.
    void Change(std::uint32_t status, const LineCounts& addedEdges);
    // The next `times` waits fail with `error` (-1: until cleared by FailWaits(0, 0)); each
    // failing wait takes `delay` first, as a backend's back-off would.
    void FailWaits(int error, int times, std::chrono::milliseconds delay = std::chrono::milliseconds(5));

    // --- observe ---
    bool WaitUntilWaiting(std::chrono::milliseconds timeout);
    int WaitCalls() const;
    bool IsOpen() const;
    std::string LastDevice() const;

    // --- SerialBackend ---
    OpenResult Open(const std::string& device) override;
    void Close() override;
    void BeginWaiting() override {}
    void EndWaiting() override {}
    Wake WaitForChange(const LineSnapshot& known) override;
    void RequestStop() override;
    LineSnapshot ReadLines() override;
    BackendNotes Notes() const override;

private:
    bool DiffersFrom(const LineSnapshot& known) const;
    void AddEdges(const LineCounts& edges);

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    LineSnapshot lines_{0, {}, true};
    std::uint32_t reported_ = 0;
    bool stop_ = false;
    bool open_ = false;
    bool waiting_ = false;
    bool failOpen_ = false;
    OpenResult openFailure_;
    int failError_ = 0;
    int failTimes_ = 0;
    std::chrono::milliseconds failDelay_{5};
    int waitCalls_ = 0;
    std::string device_;
    BackendNotes notes_;
};

} // namespace caniparc::testing
