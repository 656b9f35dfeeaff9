// The barrier port component with its worker, over the scripted backend and the hand-over
// queue: stamping at wake-up, delivery order, the synchronous hand-over, shutdown, failures.
#include "serial/ComPort.h"
#include "FakeSerialBackend.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <future>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

namespace caniparc {
namespace {

using namespace std::chrono_literals;
using testing::FakeSerialBackend;

// A counter the test sets by hand, readable from the worker thread.
class SteppedTime final : public TimeSource {
public:
    std::atomic<std::int64_t> count{1000};
    std::int64_t GetCount() const override { return count.load(); }
    double CountSpeed() const override { return 1000.0; }
};

// Polls `done`, serving hand-overs meanwhile when `serving` is given; false after the timeout.
template <class Predicate>
bool Eventually(Predicate done, Dispatcher* serving = nullptr, std::chrono::milliseconds timeout = 2000ms) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        if (serving)
            serving->ServePending(5ms);
    }
    return true;
}

class ComPortTest : public ::testing::Test {
protected:
    FakeSerialBackend backend;
    HandoverQueue dispatcher;
    SteppedTime time;
    ComPort port{backend, dispatcher, time};
    std::vector<std::string> seen;
    std::vector<LineChange> changes;

    ComPortTest() {
        port.Port = 1;
        port.OnCTS = [this](const LineChange& c) { Seen("CTS", c); };
        port.OnDSR = [this](const LineChange& c) { Seen("DSR", c); };
        port.OnRLSD = [this](const LineChange& c) { Seen("RLSD", c); };
    }
    void Seen(const char* line, const LineChange& change) {
        seen.push_back(line);
        changes.push_back(change);
    }
    void OpenAndWait() {
        port.Open();
        ASSERT_TRUE(backend.WaitUntilWaiting(1000ms));
    }
    bool HandoverPending() {
        return Eventually([&] { return dispatcher.HasPending(); });
    }
};

TEST_F(ComPortTest, OpenFailures_RaiseTheirOwnExceptions_AndLeaveThePortClosed) {
    bool opened = false;
    port.OnOpen = [&] { opened = true; };
    backend.FailNextOpen(OpenStage::Handle, "Device or resource busy");
    EXPECT_THROW(
        try { port.Open(); } catch (const EComHandle& e) {
            EXPECT_STREQ(e.what(), "Unable to open com port: Device or resource busy");
            throw;
        },
        EComHandle);
    backend.FailNextOpen(OpenStage::State, "Inappropriate ioctl for device");
    EXPECT_THROW(port.Open(), EComState);
    port.Port = 0;
    EXPECT_THROW(port.Open(), EComHandle);
    EXPECT_FALSE(port.Connected());
    EXPECT_FALSE(opened);
    EXPECT_EQ(port.GetModemStatus(), 0u);
}

TEST_F(ComPortTest, Change_IsStampedAtWakeUp_TheWatcherWaitsAgainBeforeItIsHandled) {
    OpenAndWait();
    time.count = 100;
    backend.SetLevels(kLineCts);
    ASSERT_TRUE(HandoverPending());
    time.count = 99'999; // the main thread was busy
    EXPECT_TRUE(Eventually([&] { return backend.WaitCalls() == 2; })) << "waiting never waits for the main thread";
    ASSERT_TRUE(dispatcher.ServePending(0ms));
    ASSERT_EQ(seen, std::vector<std::string>{"CTS"});
    EXPECT_EQ(changes[0].stamp, 100);
    EXPECT_EQ(changes[0].status, kLineCts);
    EXPECT_EQ(changes[0].edges.cts, 1u);
}

TEST_F(ComPortTest, ThreeLinesInOneWakeUp_ComeInOneHandover_CtsThenDsrThenRlsd_APulseWithBothEdges) {
    OpenAndWait();
    backend.Change(kLineDsr | kLineRlsd, {2, 1, 1}); // CTS: a pulse back at rest, seen only by its count
    ASSERT_TRUE(Eventually([&] { return seen.size() == 3; }, &dispatcher));
    EXPECT_EQ(seen, (std::vector<std::string>{"CTS", "DSR", "RLSD"}));
    EXPECT_EQ(changes[0].sequence, changes[2].sequence);
    EXPECT_EQ(changes[0].edges.cts, 2u);
    EXPECT_EQ(changes[0].status & kLineCts, 0u);
}

TEST_F(ComPortTest, ChangeWhileAHandoverIsPending_IsStampedWhenItHappens_AndComesInOrder) {
    OpenAndWait();
    time.count = 100;
    backend.SetLevels(kLineRlsd);   // lane 1 finishes
    ASSERT_TRUE(HandoverPending()); // and the main thread is busy
    Eventually([&] { return backend.WaitCalls() >= 2; }, nullptr, 300ms);
    time.count = 120;
    backend.SetLevels(kLineRlsd | kLineDsr); // lane 2 finishes 20 counts later
    Eventually([&] { return backend.WaitCalls() >= 3; }, nullptr, 300ms);
    time.count = 900; // the main thread is free again
    ASSERT_TRUE(Eventually([&] { return seen.size() == 2; }, &dispatcher));
    EXPECT_EQ(seen, (std::vector<std::string>{"RLSD", "DSR"}));
    EXPECT_EQ(changes[0].stamp, 100);
    EXPECT_EQ(changes[1].stamp, 120);
    EXPECT_EQ(changes[1].edges.rlsd, 0u);
    EXPECT_EQ(changes[1].edges.dsr, 1u);
}

TEST_F(ComPortTest, BurstWhileTheMainThreadIsBusy_ComesOverInOneHandover_InOrder) {
    OpenAndWait();
    time.count = 100;
    backend.SetLevels(kLineRlsd);   // lane 1 finishes
    ASSERT_TRUE(HandoverPending()); // and the main thread is busy
    const std::uint32_t levels[] = {kLineRlsd | kLineDsr, kLineDsr, 0, kLineCts, 0};
    for (int i = 0; i < 5; ++i) {
        time.count = 110 + i;
        backend.SetLevels(levels[i]);
        ASSERT_TRUE(Eventually([&] { return backend.WaitCalls() >= 3 + i; }, nullptr, 300ms));
    }
    // Each turn the busy main thread gives to the port hands over all that has queued up: five
    // changes would otherwise wait five busy spells.
    ASSERT_TRUE(dispatcher.ServePending(0ms));
    ASSERT_EQ(seen.size(), 1u);
    ASSERT_TRUE(HandoverPending());
    ASSERT_TRUE(dispatcher.ServePending(0ms));
    EXPECT_EQ(seen, (std::vector<std::string>{"RLSD", "DSR", "RLSD", "DSR", "CTS", "CTS"}));
    for (std::size_t i = 1; i < changes.size(); ++i)
        EXPECT_EQ(changes[i].stamp, 109 + static_cast<std::int64_t>(i)) << i;
}

TEST_F(ComPortTest, LevelBeforeCount_AShortPulse_GivesItsTwoEdgesOnce) {
    OpenAndWait();
    time.count = 100;
    backend.SetLevelsUncounted(kLineCts); // beam broken: the level moves, the count lags
    ASSERT_TRUE(Eventually([&] { return seen.size() == 1; }, &dispatcher));
    time.count = 150;
    backend.SetLevelsUncounted(0); // beam free again
    ASSERT_TRUE(Eventually([&] { return seen.size() == 2; }, &dispatcher));
    time.count = 400;
    backend.CatchUpCounts({2, 0, 0}); // a latency period later the counter has both edges
    Eventually([] { return false; }, &dispatcher, 50ms);
    ASSERT_EQ(changes.size(), 2u);
    EXPECT_EQ(changes[0].stamp, 100);
    EXPECT_EQ(changes[0].edges.cts, 1u);
    EXPECT_EQ(changes[1].edges.cts, 1u);
}

TEST_F(ComPortTest, LevelBeforeCount_SchemeC_Lane2sFinishDoesNotRepeatLane1s) {
    OpenAndWait();
    backend.SetLevelsUncounted(kLineRlsd); // lane 1 finishes; its count lags
    ASSERT_TRUE(Eventually([&] { return seen.size() == 1; }, &dispatcher));
    backend.Change(kLineRlsd | kLineDsr, {0, 1, 1}); // lane 2 finishes as lane 1's count catches up
    ASSERT_TRUE(Eventually([&] { return seen.size() >= 2; }, &dispatcher));
    Eventually([] { return false; }, &dispatcher, 50ms);
    EXPECT_EQ(seen, (std::vector<std::string>{"RLSD", "DSR"}));
}

TEST_F(ComPortTest, Close_WithAHandoverPending_ServesItAndDoesNotDeadlock) {
    int closed = 0;
    port.OnClose = [&] { ++closed; };
    OpenAndWait();
    backend.SetLevels(kLineCts);
    ASSERT_TRUE(HandoverPending());
    // Close runs where the hand-over is served; a deadlock would never finish.
    auto closing = std::async(std::launch::async, [&] { port.Close(); });
    ASSERT_EQ(closing.wait_for(2s), std::future_status::ready);
    EXPECT_EQ(seen, std::vector<std::string>{"CTS"});
    EXPECT_EQ(closed, 1);
}

TEST_F(ComPortTest, Close_WithSeveralChangesQueued_HandsOverEveryOneInOrderFirst) {
    std::vector<std::string> atClose;
    port.OnClose = [&] { atClose = seen; };
    OpenAndWait();
    backend.SetLevels(kLineCts);
    ASSERT_TRUE(HandoverPending());
    ASSERT_TRUE(Eventually([&] { return backend.WaitCalls() >= 2; }));
    backend.SetLevels(kLineCts | kLineDsr);
    ASSERT_TRUE(Eventually([&] { return backend.WaitCalls() >= 3; }));
    auto closing = std::async(std::launch::async, [&] { port.Close(); });
    ASSERT_EQ(closing.wait_for(2s), std::future_status::ready);
    EXPECT_EQ(atClose, (std::vector<std::string>{"CTS", "DSR"}));
}

TEST_F(ComPortTest, FailingDevice_IsReportedOnce_AndCloseStillEndsTheWorkerPromptly) {
    std::vector<bool> failing;
    port.OnStatusChange = [&](const PortStatus& status) { failing.push_back(status.failing); };
    OpenAndWait();
    backend.FailWaits(EIO);
    ASSERT_TRUE(Eventually([&] { return !failing.empty(); }, &dispatcher));
    Eventually([] { return false; }, &dispatcher, 50ms); // several more failing waits
    EXPECT_EQ(failing, std::vector<bool>{true});
    EXPECT_TRUE(port.Status().failing);
    const auto begin = std::chrono::steady_clock::now();
    port.Close();
    EXPECT_LT(std::chrono::steady_clock::now() - begin, 200ms);
    EXPECT_FALSE(backend.IsOpen());
    EXPECT_FALSE(port.Connected());
}

TEST(HandoverQueueTest, AHandlerThatThrows_StillReleasesTheWorker) {
    HandoverQueue queue;
    std::atomic<bool> released{false};
    std::thread worker([&] {
        queue.Handover([] { throw std::runtime_error("handler failed"); });
        released = true;
    });
    const bool ok = Eventually([&] { return released.load(); }, &queue);
    if (!ok)
        queue.ServePending(0ms);
    worker.join();
    EXPECT_TRUE(ok);
}

// --- edges between successive readings ---------------------------------------------------------

struct EdgeRow {
    const char* name;
    std::vector<LineSnapshot> readings;  // the first is the worker's starting point
    std::uint32_t reported;              // lines the driver named as changed, at every wake-up
    std::vector<std::uint32_t> ctsEdges; // per reading after the first
};

void PrintTo(const EdgeRow& row, std::ostream* out) {
    *out << row.name;
}

const EdgeRow kEdgeRows[] = {
    {"CountsAndLevel", {{0, {4, 0, 0}, true}, {kLineCts, {5, 0, 0}, true}}, 0, {1}},
    {"PulseSeenOnlyByCounts", {{0, {4, 0, 0}, true}, {0, {6, 0, 0}, true}}, 0, {2}},
    {"CountWrapsAround", {{0, {0xFFFFFFFF, 0, 0}, true}, {kLineCts, {0, 0, 0}, true}}, 0, {1}},
    {"LevelAheadOfCount_CountCatchesUp_NoSecondEdge",
     {{0, {4, 0, 0}, true}, {kLineCts, {4, 0, 0}, true}, {kLineCts, {5, 0, 0}, true}},
     0,
     {1, 0}},
    {"LevelAheadOfCount_ShortPulse_TwoEdgesThenNone",
     {{0, {4, 0, 0}, true}, {kLineCts, {4, 0, 0}, true}, {0, {4, 0, 0}, true}, {0, {6, 0, 0}, true}},
     0,
     {1, 1, 0}},
    {"LevelAheadOfCount_CountCatchesUpWithTheFallingEdge",
     {{0, {4, 0, 0}, true}, {kLineCts, {4, 0, 0}, true}, {0, {5, 0, 0}, true}, {0, {6, 0, 0}, true}},
     0,
     {1, 1, 0}},
    {"LevelAheadOfCount_ThenAFullPulseCounted",
     {{0, {4, 0, 0}, true}, {kLineCts, {4, 0, 0}, true}, {kLineCts, {7, 0, 0}, true}},
     0,
     {1, 2}},
    {"NoCounts_LevelChange", {{0, {}, false}, {kLineCts, {}, false}}, 0, {1}},
    {"NoCounts_NamedButLevelBack_IsAPulse", {{0, {}, false}, {0, {}, false}}, kLineCts, {2}},
    {"NothingMoved", {{kLineCts, {4, 0, 0}, true}, {kLineCts, {4, 0, 0}, true}}, 0, {0}},
};

class SerialEdgeTest : public ::testing::TestWithParam<EdgeRow> {};

TEST_P(SerialEdgeTest, CountsTheEdgesOfCtsOnce) {
    const EdgeRow& row = GetParam();
    LineEdges edges(row.readings.front());
    for (std::size_t i = 1; i < row.readings.size(); ++i) {
        const LineChange change = edges.Next(row.readings[i], row.reported);
        EXPECT_EQ(change.edges.cts, row.ctsEdges[i - 1]) << "reading " << i;
        EXPECT_EQ((change.changed & kLineCts) != 0, row.ctsEdges[i - 1] > 0) << "reading " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Readings, SerialEdgeTest, ::testing::ValuesIn(kEdgeRows),
                         [](const ::testing::TestParamInfo<EdgeRow>& info) { return std::string(info.param.name); });

} // namespace
} // namespace caniparc
