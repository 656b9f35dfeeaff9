// A serial backend for the tests and the latency benchmark: the test moves the lines, scripts
// open failures and failing waits, and can wait until the worker is blocked in its wait.
#pragma once

#include "serial/SerialBackend.h"

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
    // Several changes at once, as the driver would report them in one wake-up.
    void Change(std::uint32_t status, const LineCounts& addedEdges);
    // A driver that shows the new levels before its counters: the levels move, the counts stay,
    // and the flipped lines are named as changed. CatchUpCounts later adds the counts alone.
    void SetLevelsUncounted(std::uint32_t status);
    void CatchUpCounts(const LineCounts& addedEdges);
    // From now on every wait fails with `error` (0: none again), each after 5 ms, as a backend's
    // back-off would.
    void FailWaits(int error);

    // --- observe ---
    bool WaitUntilWaiting(std::chrono::milliseconds timeout);
    int WaitCalls() const;
    bool IsOpen() const;

    // --- SerialBackend ---
    OpenResult Open(const std::string& device) override;
    void Close() override;
    void BeginWaiting() override {}
    void EndWaiting() override {}
    Wake WaitForChange(const LineSnapshot& known) override;
    void RequestStop() override;
    LineSnapshot ReadLines() override;
    BackendNotes Notes() const override { return {}; }

private:
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    LineSnapshot lines_{0, {}, true};
    std::uint32_t reported_ = 0;
    bool stop_ = false, open_ = false, waiting_ = false, failOpen_ = false;
    OpenResult openFailure_;
    int failError_ = 0, waitCalls_ = 0;
};

} // namespace caniparc::testing
