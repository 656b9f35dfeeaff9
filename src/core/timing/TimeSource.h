// The high-resolution counter every run time is measured with. Only differences of counts mean
// anything; one count is 1 / CountSpeed() microseconds.
#pragma once

#include <cstdint>
#include <memory>

namespace caniparc {

class TimeSource {
public:
    virtual ~TimeSource() = default;
    virtual std::int64_t GetCount() const = 0;
    // Counts per microsecond.
    virtual double CountSpeed() const = 0;
};

// The platform's monotonic counter: CLOCK_MONOTONIC_RAW in nanoseconds on Linux (not slewed by
// time synchronisation, so a run timed while NTP adjusts the clock keeps its length), the
// performance counter on Windows. The rate comes from the platform; nothing is calibrated.
std::unique_ptr<TimeSource> MakeSystemTimeSource();

} // namespace caniparc
