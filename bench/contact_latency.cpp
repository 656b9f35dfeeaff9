// How far the recorded time of a barrier contact is from the moment the line changed, while the
// main thread is busy for random periods of up to 100 ms. A scripted backend changes the line
// from its own thread at known instants; the worker stamps the change the moment it wakes. For
// comparison the figures show what reading the counter on the main thread, when it finally
// handles the change, would have recorded.
//
// Usage: contact_latency [contacts]   (default 100; about 60 ms per contact)
#include "FakeSerialBackend.h"
#include "timing/ComPort.h"
#include "timing/Dispatcher.h"
#include "timing/TimeSource.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <random>
#include <thread>
#include <vector>

using namespace caniparc;
using namespace std::chrono_literals;

namespace {

struct Sample {
    std::int64_t fired = 0;    // when the line changed
    std::int64_t atWakeUp = 0; // the stamp the worker took
    std::int64_t onMain = 0;   // the counter when the main thread handled it
};

void BusyFor(const TimeSource& time, std::int64_t counts) {
    const std::int64_t until = time.GetCount() + counts;
    while (time.GetCount() < until) {
    }
}

void Report(const char* what, std::vector<double> errorsMs) {
    std::sort(errorsMs.begin(), errorsMs.end());
    const auto at = [&](double q) { return errorsMs[static_cast<std::size_t>(q * (errorsMs.size() - 1) + 0.5)]; };
    std::printf("%-34s median %8.3f ms   p99 %8.3f ms   max %8.3f ms\n", what, at(0.5), at(0.99), errorsMs.back());
}

} // namespace

int main(int argc, char** argv) {
    const int contacts = argc > 1 ? std::max(10, std::atoi(argv[1])) : 100;
    const auto time = MakeSystemTimeSource();
    const std::int64_t countsPerMs = static_cast<std::int64_t>(time->CountSpeed() * 1000.0);
    testing::FakeSerialBackend backend;
    HandoverQueue dispatcher;
    ComPort port(backend, dispatcher, *time);
    port.Port = 1;

    std::vector<Sample> samples(static_cast<std::size_t>(contacts));
    std::atomic<int> handled{0};
    port.OnCTS = [&](const LineChange& change) {
        Sample& sample = samples[static_cast<std::size_t>(handled.load())];
        sample.onMain = time->GetCount();
        sample.atWakeUp = change.stamp;
        handled.fetch_add(1);
    };
    port.Open();

    const auto begin = std::chrono::steady_clock::now();
    std::thread barrier([&] {
        std::mt19937 random(7);
        std::uniform_int_distribution<int> pauseUs(1'000, 30'000);
        for (int i = 0; i < contacts; ++i) {
            while (handled.load() < i) // the previous contact is through: the worker waits again
                std::this_thread::sleep_for(200us);
            std::this_thread::sleep_for(std::chrono::microseconds(pauseUs(random)));
            samples[static_cast<std::size_t>(i)].fired = time->GetCount();
            backend.SetLevels(i % 2 == 0 ? kLineCts : 0);
        }
    });

    std::mt19937 random(11);
    std::uniform_int_distribution<std::int64_t> busyMs(0, 100);
    while (handled.load() < contacts) {
        BusyFor(*time, busyMs(random) * countsPerMs); // the main thread is doing something else
        while (dispatcher.ServePending(0ms)) {
        }
    }
    barrier.join();
    port.Close();

    std::vector<double> atWakeUp;
    std::vector<double> onMain;
    for (const Sample& sample : samples) {
        atWakeUp.push_back(static_cast<double>(sample.atWakeUp - sample.fired) / static_cast<double>(countsPerMs));
        onMain.push_back(static_cast<double>(sample.onMain - sample.fired) / static_cast<double>(countsPerMs));
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    std::printf("%d contacts in %.1f s, main thread busy 0..100 ms between hand-overs\n", contacts, seconds);
    Report("stamped by the worker at wake-up:", atWakeUp);
    Report("stamped on the main thread:", onMain);
    return 0;
}
