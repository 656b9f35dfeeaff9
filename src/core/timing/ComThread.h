// The serial worker: waits for line changes on its own thread, stamps each wake-up the moment it
// happens, and hands the change to the main thread, waiting until it has been handled.
#pragma once

#include "timing/Dispatcher.h"
#include "timing/SerialBackend.h"
#include "timing/TimeSource.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <thread>

namespace caniparc {

// What one wake-up of the worker found.
struct LineChange {
    std::uint64_t sequence = 0; // one number per wake-up; handlers of one wake-up share it
    std::int64_t stamp = 0;     // counter value the moment the wait returned
    std::uint32_t status = 0;   // modem-status word read right after the wake-up
    std::uint32_t changed = 0;  // watched lines with at least one edge (kLineCts, kLineDsr, kLineRlsd)
    LineCounts edges;           // edges per line since the previous wake-up (2 or more: a short pulse)
    LineCounts counts;          // the driver's running counts, for the contact log
    bool countsKnown = false;
};

// The edges between two readings. Counts are trusted where both readings have them; otherwise a
// level change is one edge, and a line the driver named as changed whose level is back where it
// was has been through a pulse of two edges.
LineChange DescribeChange(const LineSnapshot& before, const LineSnapshot& after, std::uint32_t reportedLines);

std::uint32_t EdgesOf(const LineCounts& edges, std::uint32_t line);

class ComThread {
public:
    using Deliver = std::function<void(const LineChange&)>;
    using FailingChanged = std::function<void(bool failing)>;

    // Both callbacks run on the main thread, inside the hand-over.
    ComThread(SerialBackend& backend, Dispatcher& dispatcher, const TimeSource& time, Deliver deliver,
              FailingChanged failingChanged);
    ~ComThread();
    ComThread(const ComThread&) = delete;
    ComThread& operator=(const ComThread&) = delete;

    void Start(const LineSnapshot& initial);
    // Main thread: asks the worker to end and waits for it, serving any hand-over it has pending.
    void Stop();
    bool Running() const { return thread_.joinable(); }

private:
    void Run(LineSnapshot last);
    void Report(bool failing);

    SerialBackend& backend_;
    Dispatcher& dispatcher_;
    const TimeSource& time_;
    Deliver deliver_;
    FailingChanged failingChanged_;
    std::thread thread_;
    std::atomic<bool> ended_{false};
    bool failing_ = false; // worker thread only
};

} // namespace caniparc
