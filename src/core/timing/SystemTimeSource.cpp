// Platform counters behind TimeSource.
#include "timing/TimeSource.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <time.h>
#endif

namespace caniparc {
namespace {

#ifdef _WIN32
class PerformanceCounterSource final : public TimeSource {
public:
    PerformanceCounterSource() {
        LARGE_INTEGER frequency;
        QueryPerformanceFrequency(&frequency);
        speed_ = static_cast<double>(frequency.QuadPart) / 1'000'000.0;
    }
    std::int64_t GetCount() const override {
        LARGE_INTEGER count;
        QueryPerformanceCounter(&count);
        return count.QuadPart;
    }
    double CountSpeed() const override { return speed_; }

private:
    double speed_ = 1.0;
};
#else
class MonotonicRawSource final : public TimeSource {
public:
    std::int64_t GetCount() const override {
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC_RAW, &now);
        return static_cast<std::int64_t>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
    }
    double CountSpeed() const override { return 1000.0; }
};
#endif

} // namespace

std::unique_ptr<TimeSource> MakeSystemTimeSource() {
#ifdef _WIN32
    return std::make_unique<PerformanceCounterSource>();
#else
    return std::make_unique<MonotonicRawSource>();
#endif
}

} // namespace caniparc
