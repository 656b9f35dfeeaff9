// The serial worker (see ComThread.h).
#include "serial/ComThread.h"

#include "serial/ThreadPriority.h"

#include <chrono>

namespace caniparc {
namespace {

struct LineSlot {
    std::uint32_t bit;
    std::uint32_t LineCounts::*count;
};

constexpr LineSlot kSlots[] = {
    {kLineCts, &LineCounts::cts},
    {kLineDsr, &LineCounts::dsr},
    {kLineRlsd, &LineCounts::rlsd},
};

// Edges of one line by its counts. `ahead` holds the edges already given from the level that
// the counts have not shown yet. The edges given over time must match the level: an odd number
// when the level moved, an even one when it is back where it was.
std::uint32_t CountedEdges(std::uint32_t counted, bool levelChanged, std::uint32_t& ahead) {
    std::uint32_t edges = counted > ahead ? counted - ahead : 0;
    if (((edges & 1u) != 0) != levelChanged)
        ++edges; // the level is ahead of the count by one edge
    ahead = ahead + edges - counted;
    return edges;
}

} // namespace

LineChange LineEdges::Next(const LineSnapshot& now, std::uint32_t reportedLines) {
    LineChange change;
    change.status = now.status;
    change.counts = now.counts;
    change.countsKnown = now.countsKnown;
    const bool counted = last_.countsKnown && now.countsKnown;
    for (const LineSlot& slot : kSlots) {
        const bool levelChanged = ((last_.status ^ now.status) & slot.bit) != 0;
        std::uint32_t& ahead = ahead_.*slot.count;
        std::uint32_t edges = 0;
        if (counted) {
            edges = CountedEdges(now.counts.*slot.count - last_.counts.*slot.count, levelChanged, ahead);
        } else {
            ahead = 0;
            edges = levelChanged ? 1 : (reportedLines & slot.bit) != 0 ? 2 : 0;
        }
        change.edges.*slot.count = edges;
        if (edges > 0)
            change.changed |= slot.bit;
    }
    last_ = now;
    return change;
}

std::uint32_t EdgesOf(const LineCounts& edges, std::uint32_t line) {
    for (const LineSlot& slot : kSlots)
        if (slot.bit == line)
            return edges.*slot.count;
    return 0;
}

ComThread::ComThread(SerialBackend& backend, Dispatcher& dispatcher, const TimeSource& time, Deliver deliver,
                     FailingChanged failingChanged)
    : backend_(backend), dispatcher_(dispatcher), time_(time), deliver_(std::move(deliver)),
      failingChanged_(std::move(failingChanged)) {}

ComThread::~ComThread() {
    Stop();
}

void ComThread::Start(const LineSnapshot& initial) {
    ended_ = false;
    failing_ = false;
    {
        std::lock_guard lock(mutex_);
        queue_.clear();
        watching_ = true;
    }
    watcher_ = std::thread([this, initial] { Watch(initial); });
    courier_ = std::thread([this] { HandOver(); });
}

void ComThread::Stop() {
    if (!watcher_.joinable())
        return;
    backend_.RequestStop();
    while (!ended_.load())
        dispatcher_.ServePending(std::chrono::milliseconds(2));
    watcher_.join();
    courier_.join();
}

void ComThread::Watch(LineSnapshot initial) {
    RaiseCallingThreadPriority();
    backend_.BeginWaiting();
    LineEdges edges(initial);
    std::uint64_t sequence = 0;
    for (;;) {
        const Wake wake = backend_.WaitForChange(edges.Last());
        // The contact time: nothing may run between the wake-up and this read.
        const std::int64_t stamp = time_.GetCount();
        if (wake.reason == WakeReason::Stop)
            break;
        if (wake.reason == WakeReason::Failure) {
            Report(true);
            continue;
        }
        Report(false);
        Item item;
        item.change = edges.Next(backend_.ReadLines(), wake.reportedLines);
        if (item.change.changed == 0)
            continue;
        item.change.sequence = ++sequence;
        item.change.stamp = stamp;
        Queue(std::move(item));
    }
    backend_.EndWaiting();
    std::lock_guard lock(mutex_);
    watching_ = false;
    queued_.notify_all();
}

void ComThread::Queue(Item item) {
    std::lock_guard lock(mutex_);
    queue_.push_back(std::move(item));
    queued_.notify_all();
}

void ComThread::HandOver() {
    // The watcher shares the queue's lock with this thread: at normal priority this thread could
    // be preempted while holding it, and the watcher would then wait for it with a change to stamp.
    RaiseCallingThreadPriority();
    for (;;) {
        std::deque<Item> items;
        {
            std::unique_lock lock(mutex_);
            queued_.wait(lock, [&] { return !queue_.empty() || !watching_; });
            if (queue_.empty())
                break; // the watcher has ended and everything it stamped has been handled
            items.swap(queue_);
        }
        // Everything stamped meanwhile goes over in one turn of the main thread, in order: a busy
        // main thread would otherwise make a burst of contacts wait one busy spell per change.
        dispatcher_.Handover([this, &items] {
            for (const Item& item : items) {
                if (item.isChange)
                    deliver_(item.change);
                else if (failingChanged_)
                    failingChanged_(item.failing);
            }
        });
    }
    ended_ = true;
}

void ComThread::Report(bool failing) {
    if (failing == failing_)
        return;
    failing_ = failing;
    Item item;
    item.isChange = false;
    item.failing = failing;
    Queue(std::move(item));
}

} // namespace caniparc
