// Hooks for the start-up and clock benchmarks (bench/startup.sh), switched on by environment
// variables only; without them the station runs as always.
//   CANIPARC_BENCH_READY=1    print the time from main() to the first idle event loop, then quit
//   CANIPARC_BENCH_RUN_MS=n   start a run at once, quit n ms later and print the CPU time used
//   CANIPARC_BENCH_MONITOR=1  with RUN_MS: show the spectators' display too while the run is timed
#pragma once

#include <QElapsedTimer>

#include <functional>

namespace caniparc {
class Station;
}

namespace caniparc::app {

// `quit` closes the window without asking (a run is in progress while the clock is measured).
// `showMonitor` shows the spectators' display.
void InstallBenchmarkHooks(const QElapsedTimer& sinceMain, Station& station, std::function<void()> quit,
                           std::function<void()> showMonitor);

} // namespace caniparc::app
