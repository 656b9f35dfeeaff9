// The lane clock ticks every 5 ms for hours: a tick must not allocate. This binary replaces the
// global allocation functions to count the allocations a running lane makes.
#include "RunClockFixture.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {
std::atomic<long> g_allocations{0};
}

void* operator new(std::size_t size) {
    ++g_allocations;
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

namespace caniparc::testing {
namespace {

TEST_F(RunClockTest, RunningLaneTicksWithoutAllocating) {
    settings.ZeitStandart = 10; // live time faults are written on every tick past 10 s
    settings.ZeitMax = 999;
    Ready();
    run->Start();
    clock.Advance(11'000);
    const long before = g_allocations.load();
    clock.Advance(60'000); // 12 000 ticks, each rewriting digits and the time-fault text
    EXPECT_EQ(g_allocations.load() - before, 0);
    EXPECT_EQ(Digits(0), "071,00");
    EXPECT_EQ(run->Lane(0).timeFaultText, "61,00");
}

} // namespace
} // namespace caniparc::testing
