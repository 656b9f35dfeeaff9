// Simulated time for the tests (see ManualClock.h).
#include "ManualClock.h"

#include <algorithm>
#include <cmath>

namespace caniparc::testing {

struct ManualClock::Entry {
    ManualClock* clock = nullptr;
    Scheduler::Mode mode = Scheduler::Mode::SingleShot;
    std::function<void()> callback;
    bool active = false;
    std::int64_t intervalUs = 0;
    std::int64_t dueUs = 0;
    std::uint64_t order = 0; // ties fire in the order the timers were started
};

class ManualTimer final : public Timer {
public:
    explicit ManualTimer(ManualClock::Entry* entry) : entry_(entry) {}
    ~ManualTimer() override {
        auto& list = entry_->clock->entries_;
        list.erase(std::remove(list.begin(), list.end(), entry_), list.end());
        delete entry_;
    }
    void Start(int intervalMs) override {
        entry_->active = true;
        entry_->intervalUs = std::max<std::int64_t>(intervalMs, 0) * 1000;
        entry_->dueUs = entry_->clock->nowUs_ + entry_->intervalUs;
        entry_->order = ++entry_->clock->sequence_;
    }
    void Stop() override { entry_->active = false; }
    bool IsActive() const override { return entry_->active; }

private:
    ManualClock::Entry* entry_;
};

ManualClock::ManualClock(double countSpeed, std::int64_t startCount) : countSpeed_(countSpeed), count_(startCount) {}

ManualClock::~ManualClock() = default;

std::unique_ptr<Timer> ManualClock::CreateTimer(Mode mode, std::function<void()> onTimeout) {
    auto* entry = new Entry;
    entry->clock = this;
    entry->mode = mode;
    entry->callback = std::move(onTimeout);
    entries_.push_back(entry);
    return std::make_unique<ManualTimer>(entry);
}

void ManualClock::SetTime(std::int64_t us) {
    count_ += static_cast<std::int64_t>(std::llround(static_cast<double>(us - nowUs_) * countSpeed_));
    nowUs_ = us;
}

void ManualClock::Advance(std::int64_t milliseconds) { AdvanceMicroseconds(milliseconds * 1000); }

void ManualClock::AdvanceMicroseconds(std::int64_t microseconds) {
    const std::int64_t target = nowUs_ + microseconds;
    for (;;) {
        Entry* next = nullptr;
        for (Entry* e : entries_) {
            if (!e->active || e->dueUs > target)
                continue;
            if (!next || e->dueUs < next->dueUs || (e->dueUs == next->dueUs && e->order < next->order))
                next = e;
        }
        if (!next)
            break;
        SetTime(next->dueUs);
        if (next->mode == Mode::SingleShot) {
            next->active = false;
        } else {
            next->dueUs += std::max<std::int64_t>(next->intervalUs, 1000);
            next->order = ++sequence_;
        }
        auto callback = next->callback; // the callback may destroy its own timer
        callback();
    }
    SetTime(target);
}

void ManualClock::Skew(std::int64_t microseconds) {
    count_ += static_cast<std::int64_t>(std::llround(static_cast<double>(microseconds) * countSpeed_));
}

int ManualClock::ActiveTimerCount() const {
    return static_cast<int>(std::count_if(entries_.begin(), entries_.end(), [](const Entry* e) { return e->active; }));
}

} // namespace caniparc::testing
