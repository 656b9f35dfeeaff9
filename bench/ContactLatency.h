// The contact-latency measurement shared by the benchmarks: a scripted backend changes the
// lines from its own thread at real instants, the port stamps them, and the main thread hands
// them over. The caller says how its main thread serves the hand-overs, so the same cases run
// on a bare loop (contact_latency) and on the Qt event loop beside the live server
// (contact_latency_live).
#pragma once

#include "serial/Dispatcher.h"
#include "timing/TimeSource.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace caniparc::bench {

struct ContactCase {
    std::string name;
    std::vector<std::pair<std::uint32_t, std::chrono::microseconds>> burst; // line to flip, delay before it
    bool busy;
};

// Bursts on two lines (two dogs of scheme C finishing 1, 5 or 20 ms apart) and a pulse train on
// one line (a bouncing barrier), each with the main thread idle and busy.
std::vector<ContactCase> ContactCases();

// The main thread's part of a case: serve the hand-overs (busy for random 0..100 ms between
// them when `busy`) until `firing` says the barrier is done.
using ServeMainThread = std::function<void(bool busy, const std::function<bool()>& firing)>;

// What one case measured: each recorded stamp's error in ms, contacts fired and recorded.
struct ContactFigures {
    std::vector<double> errorsMs;
    std::size_t fired = 0;
    std::size_t recorded = 0;
};

// Runs one case with `bursts` bursts and prints one line of figures: contacts fired and
// recorded, the recorded stamp's error against the moment the line changed, and how long after
// the stamp the main thread handled it.
ContactFigures RunContactCase(const ContactCase& c, int bursts, const TimeSource& time, Dispatcher& dispatcher,
                              const ServeMainThread& serve);

// One line of figures for several cases together.
void PrintPooled(const char* name, const std::vector<ContactFigures>& cases);

// Busy without yielding, as a long paint or a slow dialog would keep the main thread.
void BusyFor(const TimeSource& time, std::int64_t counts);

} // namespace caniparc::bench
