// A time source and scheduler in simulated time for the tests: nothing moves until the test
// calls Advance, which fires every due timer in order and moves the counter with it.
#pragma once

#include "timing/Scheduler.h"
#include "timing/TimeSource.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace caniparc::testing {

class ManualClock final : public TimeSource, public Scheduler {
public:
    // countSpeed: counts per microsecond (1000 = nanoseconds, as on Linux).
    explicit ManualClock(double countSpeed = 1000.0, std::int64_t startCount = 1'000'000'000);
    ~ManualClock() override;

    std::int64_t GetCount() const override { return count_; }
    double CountSpeed() const override { return countSpeed_; }
    std::unique_ptr<Timer> CreateTimer(Mode mode, std::function<void()> onTimeout) override;

    // Moves simulated time forward, firing due timers at their exact instants.
    void Advance(std::int64_t milliseconds);
    void AdvanceMicroseconds(std::int64_t microseconds);
    // Moves the counter without firing timers (time that passes inside one event handler).
    void Skew(std::int64_t microseconds);

    std::int64_t NowMicroseconds() const { return nowUs_; }
    int ActiveTimerCount() const;

    struct Entry;

private:
    friend class ManualTimer;
    void SetTime(std::int64_t us);

    double countSpeed_;
    std::int64_t count_;
    std::int64_t nowUs_ = 0;
    std::uint64_t sequence_ = 0;
    std::vector<Entry*> entries_;
};

} // namespace caniparc::testing
