// The serial worker (see ComThread.h).
#include "timing/ComThread.h"

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

std::uint32_t EdgesFor(const LineSlot& slot, const LineSnapshot& before, const LineSnapshot& after,
                       std::uint32_t reportedLines) {
    const bool levelChanged = ((before.status ^ after.status) & slot.bit) != 0;
    if (before.countsKnown && after.countsKnown) {
        const std::uint32_t counted = after.counts.*slot.count - before.counts.*slot.count;
        // A driver that updates the level before the count must not hide the edge.
        return counted == 0 && levelChanged ? 1 : counted;
    }
    if (levelChanged)
        return 1;
    return (reportedLines & slot.bit) != 0 ? 2 : 0;
}

} // namespace

LineChange DescribeChange(const LineSnapshot& before, const LineSnapshot& after, std::uint32_t reportedLines) {
    LineChange change;
    change.status = after.status;
    change.counts = after.counts;
    change.countsKnown = after.countsKnown;
    for (const LineSlot& slot : kSlots) {
        const std::uint32_t edges = EdgesFor(slot, before, after, reportedLines);
        change.edges.*slot.count = edges;
        if (edges > 0)
            change.changed |= slot.bit;
    }
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
    thread_ = std::thread([this, initial] { Run(initial); });
}

void ComThread::Stop() {
    if (!thread_.joinable())
        return;
    backend_.RequestStop();
    while (!ended_.load())
        dispatcher_.ServePending(std::chrono::milliseconds(2));
    thread_.join();
}

void ComThread::Run(LineSnapshot last) {
    backend_.BeginWaiting();
    std::uint64_t sequence = 0;
    for (;;) {
        const Wake wake = backend_.WaitForChange(last);
        // The contact time: nothing may run between the wake-up and this read.
        const std::int64_t stamp = time_.GetCount();
        if (wake.reason == WakeReason::Stop)
            break;
        if (wake.reason == WakeReason::Failure) {
            Report(true);
            continue;
        }
        Report(false);
        const LineSnapshot now = backend_.ReadLines();
        LineChange change = DescribeChange(last, now, wake.reportedLines);
        last = now;
        if (change.changed == 0)
            continue;
        change.sequence = ++sequence;
        change.stamp = stamp;
        dispatcher_.Handover([this, &change] { deliver_(change); });
    }
    backend_.EndWaiting();
    ended_ = true;
}

void ComThread::Report(bool failing) {
    if (failing == failing_)
        return;
    failing_ = failing;
    if (failingChanged_)
        dispatcher_.Handover([this, failing] { failingChanged_(failing); });
}

} // namespace caniparc
