// How far the recorded time of a barrier contact is from the moment the line changed, and
// whether every contact is recorded exactly once, when contacts arrive while earlier ones are
// still being handled. A scripted backend changes the lines from its own thread at real instants:
// bursts on two lines (two dogs of scheme C finishing 1, 5 or 20 ms apart) and a pulse train on
// one line (a bouncing barrier), with the main thread idle or busy for random 0..100 ms between
// the hand-overs it serves. The main thread here is a bare loop; contact_latency_live runs the
// same cases on the Qt event loop beside the live results server.
//
// Usage: contact_latency [bursts]   (default 40 per case; about 2 s per case)
#include "ContactLatency.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <random>

using namespace caniparc;

int main(int argc, char** argv) {
    const int bursts = argc > 1 ? std::max(5, std::atoi(argv[1])) : 40;
    const auto time = MakeSystemTimeSource();
    std::printf("%d bursts per case; error = recorded stamp - moment the line changed\n", bursts);
    for (const bench::ContactCase& c : bench::ContactCases()) {
        HandoverQueue dispatcher;
        bench::RunContactCase(c, bursts, *time, dispatcher, [&](bool busy, const std::function<bool()>& firing) {
            const double countsPerMs = time->CountSpeed() * 1000.0;
            std::mt19937 random(11);
            std::uniform_int_distribution<int> busyMs(0, 100);
            while (firing()) {
                if (busy)
                    bench::BusyFor(*time, static_cast<std::int64_t>(busyMs(random) * countsPerMs));
                while (
                    dispatcher.ServePending(std::chrono::milliseconds(1))) { // a free main thread serves what is queued
                }
            }
        });
    }
    return 0;
}
