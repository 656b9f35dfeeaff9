// Benchmark hooks (see BenchmarkHooks.h).
#include "BenchmarkHooks.h"

#include "station/Station.h"

#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <sys/resource.h>

namespace caniparc::app {
namespace {

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

} // namespace

void InstallBenchmarkHooks(const QElapsedTimer& sinceMain, Station& station, std::function<void()> quit,
                           std::function<void()> showMonitor) {
    if (std::getenv("CANIPARC_BENCH_READY")) {
        QTimer::singleShot(0, [&sinceMain, &station, quit] {
            rusage usage{};
            getrusage(RUSAGE_SELF, &usage);
            std::printf("ready_ms %.1f max_rss_kb %ld rows %d\n", static_cast<double>(sinceMain.nsecsElapsed()) / 1e6,
                        usage.ru_maxrss, station.Protocol().RowCount() - 1);
            std::fflush(stdout);
            quit();
        });
    }
    if (const char* runMs = std::getenv("CANIPARC_BENCH_RUN_MS")) {
        const int duration = std::atoi(runMs);
        const bool monitor = std::getenv("CANIPARC_BENCH_MONITOR") != nullptr;
        QTimer::singleShot(0, [&station, duration, quit, monitor, showMonitor] {
            if (monitor)
                showMonitor();
            const double cpuBefore = CpuSeconds();
            station.Run().Start();
            QTimer::singleShot(duration, [cpuBefore, duration, quit] {
                const double cpu = CpuSeconds() - cpuBefore;
                rusage usage{};
                getrusage(RUSAGE_SELF, &usage);
                std::printf("run_cpu_percent %.2f max_rss_kb %ld\n", 100.0 * cpu / (duration / 1000.0),
                            usage.ru_maxrss);
                std::fflush(stdout);
                quit();
            });
        });
    }
}

} // namespace caniparc::app
