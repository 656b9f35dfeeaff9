// The shared contact-latency measurement (see ContactLatency.h).
#include "ContactLatency.h"

#include "FakeSerialBackend.h"
#include "serial/ComPort.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <mutex>
#include <random>
#include <thread>

#if defined(__linux__)
#include <pthread.h>
#include <sched.h>
#endif

using namespace std::chrono_literals;

namespace caniparc::bench {
namespace {

// Every edge per line: when it was fired, and the stamps of the edges recorded, in order.
struct Edges {
    std::vector<std::int64_t> fired;
    std::vector<std::int64_t> recorded;
};

// The scripted edges stand for hardware: the moment read before an edge must be the moment the
// edge happens, not split from it by the scheduler. Above the watcher's priority where granted.
void ActLikeHardware() {
#if defined(__linux__)
    sched_param param{};
    param.sched_priority = 20;
    pthread_setschedparam(pthread_self(), SCHED_FIFO, &param);
#endif
}

double At(const std::vector<double>& sorted, double q) {
    if (sorted.empty())
        return 0;
    return sorted[static_cast<std::size_t>(q * static_cast<double>(sorted.size() - 1) + 0.5)];
}

} // namespace

void BusyFor(const TimeSource& time, std::int64_t counts) {
    const std::int64_t until = time.GetCount() + counts;
    while (time.GetCount() < until) {
    }
}

std::vector<ContactCase> ContactCases() {
    std::vector<ContactCase> cases;
    for (int apartMs : {1, 5, 20}) {
        // Lane 1 then lane 2 break their beams, then both beams are free again.
        std::vector<std::pair<std::uint32_t, std::chrono::microseconds>> burst{
            {kLineRlsd, 0us},
            {kLineDsr, std::chrono::milliseconds(apartMs)},
            {kLineRlsd, 3ms},
            {kLineDsr, std::chrono::milliseconds(apartMs)}};
        cases.push_back({"two lines " + std::to_string(apartMs) + " ms apart", burst, false});
        cases.push_back({"two lines " + std::to_string(apartMs) + " ms apart", burst, true});
    }
    std::vector<std::pair<std::uint32_t, std::chrono::microseconds>> train;
    for (int i = 0; i < 10; ++i)
        train.push_back({kLineRlsd, i == 0 ? 0us : 1ms});
    cases.push_back({"pulse train 10 x 1 ms", train, false});
    cases.push_back({"pulse train 10 x 1 ms", train, true});
    return cases;
}

ContactFigures RunContactCase(const ContactCase& c, int bursts, const TimeSource& time, Dispatcher& dispatcher,
                              const ServeMainThread& serve) {
    const double countsPerMs = time.CountSpeed() * 1000.0;
    testing::FakeSerialBackend backend;
    ComPort port(backend, dispatcher, time);
    port.Port = 1;
    std::mutex mutex;
    Edges cts, dsr, rlsd;
    std::vector<double> handlingMs; // stamp to the moment the main thread handles it
    const auto record = [&](Edges& edges, std::uint32_t count, const LineChange& change) {
        std::lock_guard lock(mutex);
        for (std::uint32_t i = 0; i < count; ++i)
            edges.recorded.push_back(change.stamp);
        handlingMs.push_back(static_cast<double>(time.GetCount() - change.stamp) / countsPerMs);
    };
    port.OnCTS = [&](const LineChange& change) { record(cts, change.edges.cts, change); };
    port.OnDSR = [&](const LineChange& change) { record(dsr, change.edges.dsr, change); };
    port.OnRLSD = [&](const LineChange& change) { record(rlsd, change.edges.rlsd, change); };
    port.Open();
    backend.WaitUntilWaiting(1000ms);

    std::atomic<bool> firing{true};
    std::thread barrier([&] {
        ActLikeHardware();
        std::mt19937 random(7);
        std::uniform_int_distribution<int> gapUs(30'000, 60'000);
        std::uint32_t levels = 0;
        auto next = std::chrono::steady_clock::now() + 10ms;
        for (int b = 0; b < bursts; ++b) {
            for (const auto& [line, delay] : c.burst) {
                next += delay;
                std::this_thread::sleep_until(next);
                levels ^= line;
                Edges& edges = line == kLineCts ? cts : line == kLineDsr ? dsr : rlsd;
                {
                    std::lock_guard lock(mutex);
                    edges.fired.push_back(time.GetCount());
                }
                backend.SetLevels(levels);
            }
            next += std::chrono::microseconds(gapUs(random));
        }
        std::this_thread::sleep_until(next + 50ms);
        firing = false;
    });

    serve(c.busy, [&firing] { return firing.load(); });
    barrier.join();
    port.Close();

    std::vector<double> errors;
    std::size_t fired = 0, recorded = 0;
    for (const Edges* edges : {&cts, &dsr, &rlsd}) {
        fired += edges->fired.size();
        recorded += edges->recorded.size();
        for (std::size_t i = 0; i < std::min(edges->fired.size(), edges->recorded.size()); ++i)
            errors.push_back(static_cast<double>(edges->recorded[i] - edges->fired[i]) / countsPerMs);
    }
    std::sort(errors.begin(), errors.end());
    std::sort(handlingMs.begin(), handlingMs.end());
    std::printf("%-26s %-5s fired %4zu recorded %4zu   error median %7.3f p99 %7.3f max %7.3f ms   "
                "handled after median %7.2f max %7.2f ms\n",
                c.name.c_str(), c.busy ? "busy" : "idle", fired, recorded, At(errors, 0.5), At(errors, 0.99),
                errors.empty() ? 0.0 : errors.back(), At(handlingMs, 0.5),
                handlingMs.empty() ? 0.0 : handlingMs.back());
    std::fflush(stdout);
    return {std::move(errors), fired, recorded};
}

void PrintPooled(const char* name, const std::vector<ContactFigures>& cases) {
    std::vector<double> errors;
    std::size_t fired = 0, recorded = 0;
    for (const ContactFigures& f : cases) {
        errors.insert(errors.end(), f.errorsMs.begin(), f.errorsMs.end());
        fired += f.fired;
        recorded += f.recorded;
    }
    std::sort(errors.begin(), errors.end());
    std::printf("%-32s fired %5zu recorded %5zu   error median %7.3f p99 %7.3f max %7.3f ms\n", name, fired, recorded,
                At(errors, 0.5), At(errors, 0.99), errors.empty() ? 0.0 : errors.back());
    std::fflush(stdout);
}

} // namespace caniparc::bench
