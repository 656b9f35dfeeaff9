// The serial worker: one thread only waits for line changes, stamps each one the moment it wakes
// and queues it; a second thread hands the queued changes to the main thread, all that have
// queued up in one hand-over and in order, and waits for them to be handled. A busy main thread therefore delays the
// handling of a contact, never its time, and a change that comes while an earlier one is being handled is stamped when
// it comes.
#pragma once

#include "serial/Dispatcher.h"
#include "serial/SerialBackend.h"
#include "timing/TimeSource.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
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

// Tells the edges between successive readings of the lines. Where the driver keeps counts they
// are the edges; a level that moved before its count is one edge at once (its wake-up is the
// right moment), and the count that later catches up with it gives no edge a second time. Where
// the driver keeps no counts a level change is one edge, and a line the driver named as changed
// whose level is back where it was has been through a pulse of two edges.
class LineEdges {
public:
    explicit LineEdges(const LineSnapshot& initial) : last_(initial) {}
    // The change from the previous reading to `now`; `sequence` and `stamp` are left to the caller.
    LineChange Next(const LineSnapshot& now, std::uint32_t reportedLines);
    const LineSnapshot& Last() const { return last_; }

private:
    LineSnapshot last_;
    LineCounts ahead_; // per line, edges given from the level that the driver has not counted yet
};

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
    // Main thread: asks the worker to end and waits for it. The changes it has already stamped
    // are still handed over meanwhile, served from inside this wait.
    void Stop();
    bool Running() const { return watcher_.joinable(); }

private:
    struct Item {
        bool isChange = true;
        LineChange change;
        bool failing = false;
    };

    void Watch(LineSnapshot initial); // the waiting thread
    void HandOver();                  // the handing-over thread
    void Queue(Item item);
    void Report(bool failing);

    SerialBackend& backend_;
    Dispatcher& dispatcher_;
    const TimeSource& time_;
    Deliver deliver_;
    FailingChanged failingChanged_;
    std::thread watcher_;
    std::thread courier_;
    std::mutex mutex_;
    std::condition_variable queued_;
    std::deque<Item> queue_; // guarded by mutex_
    bool watching_ = false;  // guarded by mutex_
    std::atomic<bool> ended_{false};
    bool failing_ = false; // waiting thread only
};

} // namespace caniparc
