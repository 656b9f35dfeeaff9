// The Linux backend against a scripted system-call layer (open path, waits, EINTR, EIO,
// drivers without TIOCMIWAIT, shutdown while blocked), and the real layer where no hardware is
// needed: waking a blocked call, and a pty, which has no modem lines.
#include "serial/LinuxSerialBackend.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <deque>
#include <filesystem>
#include <functional>
#include <future>
#include <mutex>
#include <thread>

#include <fcntl.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace caniparc {
namespace {

using namespace std::chrono_literals;

// Scripted system calls. Time is simulated unless `realSleep` is set; a TIOCMIWAIT without a
// scripted step blocks until the waiter is woken.
class ScriptedSys final : public LinuxSysCalls {
public:
    int openResult = 7, openFlags = 0, exclusiveResult = 0, getAttrResult = 0, setBitsResult = 0;
    int raiseSticks = 1, lowLatencyResult = 0, writeFileResult = 0, countsResult = 0;
    termios applied{};
    std::atomic<int> modemBits{0}, getBitsError{0};
    LineCounts counts;
    std::deque<std::function<int()>> waitSteps;
    std::function<void()> onSleep;
    bool realSleep = false;
    int closes = 0, lowLatencyCalls = 0, waitCalls = 0, bitReads = 0, waitMask = 0;
    std::vector<std::int64_t> sleeps;
    std::vector<std::string> written;
    std::int64_t now = 0;

    int Open(const std::string&, int flags) override { return openFlags = flags, openResult; }
    int Close(int) override { return ++closes, 0; }
    int SetExclusive(int) override { return exclusiveResult; }
    int GetAttributes(int, termios& attributes) override {
        attributes = termios{};
        attributes.c_lflag = ICANON | ECHO;
        attributes.c_cflag = CRTSCTS;
        return getAttrResult;
    }
    int SetAttributes(int, const termios& attributes) override { return applied = attributes, 0; }
    int SetModemBits(int, int bits) override {
        if (setBitsResult == 0 && raiseSticks)
            modemBits |= bits;
        return setBitsResult;
    }
    int GetModemBits(int, int& bits) override { return ++bitReads, bits = modemBits, -getBitsError; }
    int GetCounts(int, LineCounts& out) override { return out = counts, countsResult; }
    int WaitModemChange(int, int mask) override {
        ++waitCalls;
        waitMask = mask;
        if (waitSteps.empty())
            return BlockUntilWoken(1h);
        auto step = std::move(waitSteps.front());
        waitSteps.pop_front();
        return step();
    }
    int SetLowLatency(int) override { return ++lowLatencyCalls, lowLatencyResult; }
    int WriteTextFile(const std::string& path, const std::string& text) override {
        return written.push_back(path + "=" + text), writeFileResult;
    }
    int Sleep(std::int64_t microseconds) override {
        sleeps.push_back(microseconds);
        now += microseconds;
        if (onSleep)
            onSleep();
        return realSleep ? BlockUntilWoken(std::chrono::microseconds(microseconds)) : 0;
    }
    std::int64_t NowMicroseconds() override { return now; }
    void AttachWaiter(int) override {}
    void DetachWaiter() override {}
    void WakeWaiter() override {
        std::lock_guard lock(mutex_);
        woken_ = true;
        wake_.notify_all();
    }

private:
    int BlockUntilWoken(std::chrono::microseconds limit) {
        std::unique_lock lock(mutex_);
        const bool woken = wake_.wait_for(lock, limit, [&] { return woken_; });
        woken_ = false;
        return woken ? -EINTR : 0;
    }
    std::mutex mutex_;
    std::condition_variable wake_;
    bool woken_ = false;
};

class SerialLinuxBackendTest : public ::testing::Test {
protected:
    ScriptedSys sys;
    LinuxSerialBackend backend{sys};

    LineSnapshot OpenAndRead(const std::string& device = "/dev/ttyS0") {
        const OpenResult result = backend.Open(device);
        EXPECT_TRUE(result.ok) << result.message;
        return backend.ReadLines();
    }
    void ExpectStopFromAnotherThreadWithinABound(const LineSnapshot& known) {
        auto waiting = std::async(std::launch::async, [&] { return backend.WaitForChange(known).reason; });
        std::this_thread::sleep_for(20ms);
        const auto begin = std::chrono::steady_clock::now();
        backend.RequestStop();
        ASSERT_EQ(waiting.wait_for(1s), std::future_status::ready);
        EXPECT_EQ(waiting.get(), WakeReason::Stop);
        EXPECT_LT(std::chrono::steady_clock::now() - begin, 100ms);
    }
};

TEST_F(SerialLinuxBackendTest, Open_RawWithoutFlowControl_RaisesAndConfirmsDtrAndRts) {
    OpenAndRead();
    EXPECT_EQ(sys.openFlags & (O_RDWR | O_NOCTTY | O_NONBLOCK), O_RDWR | O_NOCTTY | O_NONBLOCK);
    EXPECT_EQ(sys.applied.c_cflag & (CLOCAL | CREAD | CRTSCTS), static_cast<tcflag_t>(CLOCAL | CREAD));
    EXPECT_EQ(sys.applied.c_lflag & (ICANON | ECHO), 0u);
    EXPECT_EQ(sys.modemBits & (TIOCM_DTR | TIOCM_RTS), TIOCM_DTR | TIOCM_RTS);
    EXPECT_EQ(sys.lowLatencyCalls, 0); // on-board ports report line changes by interrupt
}

struct OpenFailureRow {
    const char* name;
    int ScriptedSys::*field;
    int value;
    OpenStage stage;
    const char* message;
    int closes; // the descriptor is closed again whenever it was opened
};

class SerialLinuxOpenFailureTest : public SerialLinuxBackendTest,
                                   public ::testing::WithParamInterface<OpenFailureRow> {};

TEST_P(SerialLinuxOpenFailureTest, FailsCleanly) {
    sys.*GetParam().field = GetParam().value;
    const OpenResult result = backend.Open("/dev/ttyUSB0");
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.stage, GetParam().stage);
    EXPECT_EQ(result.message, GetParam().message);
    EXPECT_EQ(sys.closes, GetParam().closes);
    EXPECT_EQ(backend.ReadLines().status, 0u);
}

constexpr const char* kNotTty = "Inappropriate ioctl for device";

INSTANTIATE_TEST_SUITE_P(
    Steps, SerialLinuxOpenFailureTest,
    ::testing::Values(
        OpenFailureRow{"Missing", &ScriptedSys::openResult, -ENOENT, OpenStage::Handle, "No such file or directory", 0},
        OpenFailureRow{"InUse", &ScriptedSys::exclusiveResult, -EBUSY, OpenStage::Handle, "Device or resource busy", 1},
        OpenFailureRow{"NoModemLines", &ScriptedSys::setBitsResult, -ENOTTY, OpenStage::State, kNotTty, 1},
        OpenFailureRow{"LinesDoNotRise", &ScriptedSys::raiseSticks, 0, OpenStage::State, "DTR and RTS stay low", 1}),
    [](const ::testing::TestParamInfo<OpenFailureRow>& info) { return std::string(info.param.name); });

TEST_F(SerialLinuxBackendTest, Adapters_LowLatencyRefusalAndMissingCtsAreReported) {
    sys.lowLatencyResult = -EPERM;
    sys.writeFileResult = -EACCES;
    OpenAndRead("/dev/ttyUSB3");
    EXPECT_EQ(sys.written.back(), "/sys/class/tty/ttyUSB3/device/latency_timer=1");
    EXPECT_TRUE(backend.Notes().lowLatencyRefused);
    sys.writeFileResult = -ENOENT; // no latency timer at all: nothing to shorten
    OpenAndRead("/dev/ttyACM0");
    EXPECT_FALSE(backend.Notes().lowLatencyRefused);
    EXPECT_TRUE(backend.Notes().ctsUnavailable);
}

TEST_F(SerialLinuxBackendTest, EdgesTheWaitCannotReport_AreFoundByComparingTheCounts) {
    LineSnapshot known = OpenAndRead();
    sys.counts.dsr += 2; // a short pulse while the worker was handing over
    EXPECT_EQ(backend.WaitForChange(known).reason, WakeReason::LineChange);
    EXPECT_EQ(sys.waitCalls, 0);
    // A plain tick, then an edge that came just before the wait began: the wait never returns
    // for it, only the next tick's EINTR brings the worker back to compare the counts.
    known = backend.ReadLines();
    sys.waitSteps.push_back([] { return -EINTR; });
    sys.waitSteps.push_back([&] { return ++sys.counts.cts, -EINTR; });
    EXPECT_EQ(backend.WaitForChange(known).reason, WakeReason::LineChange);
    EXPECT_EQ(sys.waitCalls, 2);
    EXPECT_EQ(sys.waitMask, TIOCM_CTS | TIOCM_DSR | TIOCM_CD);
}

TEST_F(SerialLinuxBackendTest, DriverWithoutModemWait_PollsEveryMillisecondWithoutSpinning) {
    for (int unsupported : {ENOTTY, EINVAL}) {
        ScriptedSys local;
        LinuxSerialBackend polled(local);
        ASSERT_TRUE(polled.Open("/dev/ttyUSB0").ok);
        const LineSnapshot known = polled.ReadLines();
        local.countsResult = -ENOTTY; // such drivers often keep no counts either
        local.waitSteps.push_back([unsupported] { return -unsupported; });
        local.onSleep = [&] {
            if (local.sleeps.size() == 25)
                local.modemBits |= TIOCM_CTS;
        };
        const int readsBefore = local.bitReads;
        EXPECT_EQ(polled.WaitForChange(known).reason, WakeReason::LineChange);
        EXPECT_TRUE(polled.Notes().polling);
        EXPECT_EQ(local.sleeps, std::vector<std::int64_t>(25, 1000));
        EXPECT_LE(local.bitReads - readsBefore, 27); // one status read per sleep
        local.onSleep = [&] { polled.RequestStop(); };
        EXPECT_EQ(polled.WaitForChange(polled.ReadLines()).reason, WakeReason::Stop);
        EXPECT_EQ(local.waitCalls, 1); // never asks for the wait again
    }
}

TEST_F(SerialLinuxBackendTest, FailingDevice_BacksOffDoublingUpToHalfASecond) {
    const LineSnapshot known = OpenAndRead();
    sys.getBitsError = EIO;
    std::vector<std::int64_t> pauses;
    for (int i = 0; i < 9; ++i) {
        const std::int64_t start = sys.now;
        const Wake wake = backend.WaitForChange(known);
        EXPECT_EQ(wake.reason, WakeReason::Failure);
        EXPECT_EQ(wake.error, EIO);
        if (sys.now > start)
            pauses.push_back((sys.now - start) / 1000);
    }
    EXPECT_EQ(pauses, (std::vector<std::int64_t>{10, 20, 40, 80, 160, 320, 500, 500}));
    EXPECT_EQ(backend.ReadLines().status, 0u); // a failing device reads as 0
}

TEST_F(SerialLinuxBackendTest, StopWhileBlockedInTheWaitOrBackingOff_ReturnsWithinABound) {
    ExpectStopFromAnotherThreadWithinABound(OpenAndRead());
    const LineSnapshot known = OpenAndRead();
    sys.getBitsError = EIO;
    for (int i = 0; i < 8; ++i)
        backend.WaitForChange(known); // back-off now at its longest
    sys.realSleep = true;
    ExpectStopFromAnotherThreadWithinABound(known);
}

// Blocks in read() on an empty pipe, as the worker blocks in TIOCMIWAIT: both sleep interruptibly
// and are restarted after a signal unless its handler lacks SA_RESTART. Gives errno of the read (0
// when the pipe had to be written to after 2 s) and how long it blocked.
std::pair<int, std::chrono::steady_clock::duration> BlockedRead(LinuxSysCalls& sys, int tickMs,
                                                                const std::function<void()>& whileBlocked) {
    int fds[2] = {-1, -1};
    EXPECT_EQ(::pipe(fds), 0);
    std::atomic<bool> attached{false};
    auto result = std::async(std::launch::async, [&] {
        sys.AttachWaiter(tickMs);
        attached = true;
        char byte = 0;
        const auto begin = std::chrono::steady_clock::now();
        const int error = ::read(fds[0], &byte, 1) < 0 ? errno : 0;
        sys.DetachWaiter();
        return std::make_pair(error, std::chrono::steady_clock::now() - begin);
    });
    while (!attached)
        std::this_thread::yield();
    whileBlocked();
    if (result.wait_for(2s) != std::future_status::ready) {
        EXPECT_EQ(::write(fds[1], "x", 1), 1); // never leave the thread hanging
    }
    const auto outcome = result.get();
    ::close(fds[0]);
    ::close(fds[1]);
    return outcome;
}

TEST(SerialLinuxSysCallsTest, WakeOrTick_InterruptsABlockedCall) {
    auto sys = MakeLinuxSysCalls();
    const auto [wokenError, wokenAfter] = BlockedRead(*sys, 0, [&] {
        std::this_thread::sleep_for(30ms);
        sys->WakeWaiter();
    });
    EXPECT_EQ(wokenError, EINTR);
    EXPECT_LT(wokenAfter, 1000ms);
    sys->WakeWaiter(); // nobody attached: this wake goes nowhere, as one sent just too early
    const auto [tickError, tickAfter] = BlockedRead(*sys, 10, [] {});
    EXPECT_EQ(tickError, EINTR);
    EXPECT_LT(tickAfter, 200ms);
}

TEST(SerialLinuxSysCallsTest, Pty_HasNoModemLines_OpenFailsCleanlyWithoutLeakingTheDescriptor) {
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0)
        GTEST_SKIP() << "no pseudo terminals here";
    const std::string slave = ::ptsname(master);
    const auto descriptors = [] { return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {}); };
    LinuxSerialBackend backend(MakeLinuxSysCalls());
    const auto before = descriptors();
    const OpenResult result = backend.Open(slave);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.stage, OpenStage::State);
    EXPECT_EQ(result.message, kNotTty);
    EXPECT_EQ(descriptors(), before);
    EXPECT_EQ(backend.ReadLines().status, 0u);
    ::close(master);
}

} // namespace
} // namespace caniparc
