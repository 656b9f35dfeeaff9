// Barrier routing: which line change becomes a start or a finish, by polarity, course scheme,
// lock flags and run state; the imitation; what opening and closing the port changes.
#include "FakeSerialBackend.h"
#include "ManualClock.h"
#include "settings/Settings.h"
#include "timing/BarrierRouting.h"
#include "timing/Dispatcher.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

namespace caniparc {
namespace {

using testing::FakeSerialBackend;
using testing::ManualClock;

class FakeRun final : public RunCommands {
public:
    bool startEnabled = true;
    std::array<bool, 3> free{false, false, false};
    std::vector<std::string> calls;
    std::function<void()> duringCall;

    bool StartEnabled() const override { return startEnabled; }
    void StartCommand(std::int64_t stamp) override { Called("start@" + std::to_string(stamp)); }
    void LaneFinishContact(int lane, std::int64_t stamp) override {
        Called("finish" + std::to_string(lane) + "@" + std::to_string(stamp));
    }
    bool BarrierFree(Barrier barrier) const override { return free[static_cast<std::size_t>(barrier)]; }
    void ToggleBarrier(Barrier barrier) override {
        free[static_cast<std::size_t>(barrier)] = !free[static_cast<std::size_t>(barrier)];
    }

private:
    void Called(std::string call) {
        calls.push_back(std::move(call));
        if (duringCall)
            duringCall();
    }
};

class FixedStatus final : public ModemStatusSource {
public:
    std::uint32_t status = 0;
    std::uint32_t GetModemStatus() override { return status; }
};

// One wake-up of the worker: `status` after the change, one edge on each line in `lines`.
LineChange Wake(std::uint64_t sequence, std::uint32_t status, std::uint32_t lines, std::int64_t stamp = 500,
                std::uint32_t edges = 1) {
    LineChange change;
    change.sequence = sequence;
    change.stamp = stamp;
    change.status = status;
    change.changed = lines;
    change.edges = {lines & kLineCts ? edges : 0, lines & kLineDsr ? edges : 0, lines & kLineRlsd ? edges : 0};
    return change;
}

class RoutingTest : public ::testing::Test {
protected:
    ManualClock clock;
    Settings settings;
    FakeRun run;
    FixedStatus modem;
    BarrierRouting routing{settings, run, clock, modem};
    std::uint64_t sequence = 0;

    ContactRoute Deliver(std::uint32_t status, std::uint32_t line, std::uint32_t edges = 1) {
        const LineChange change = Wake(++sequence, status, line, 500, edges);
        return line == kLineCts    ? routing.ComPortStart(change)
               : line == kLineRlsd ? routing.ComPortStop1(change)
                                   : routing.ComPortStop2(change);
    }
    void Running(bool startFree, bool finish1Free, bool finish2Free) {
        run.startEnabled = false;
        run.free = {startFree, finish1Free, finish2Free};
    }
};

// --- course schemes and lock flags -------------------------------------------------------------

struct SchemeRow {
    const char* name;
    int scheme;
    bool startEnabled;
    std::array<bool, 3> free;
    std::uint32_t line;
    ContactRoute route;
    const char* call; // "" when the run clock must not be called
};

class RoutingSchemeTest : public RoutingTest, public ::testing::WithParamInterface<SchemeRow> {};

TEST_P(RoutingSchemeTest, RoutesTheContact) {
    const SchemeRow& row = GetParam();
    settings.LsCFG = row.scheme;
    run.startEnabled = row.startEnabled;
    run.free = row.free;
    EXPECT_EQ(Deliver(row.line, row.line), row.route);
    const std::vector<std::string> expected =
        std::string(row.call).empty() ? std::vector<std::string>{} : std::vector<std::string>{row.call};
    EXPECT_EQ(run.calls, expected);
}

constexpr std::array<bool, 3> kStartFree{true, false, false};
constexpr std::array<bool, 3> kAllLocked{false, false, false};
constexpr std::array<bool, 3> kFinishesFree{false, true, true};

INSTANTIATE_TEST_SUITE_P(
    Schemes, RoutingSchemeTest,
    ::testing::Values(
        SchemeRow{"A_ReadyStartFree_Starts", 0, true, kStartFree, kLineCts, ContactRoute::Start, "start@500"},
        SchemeRow{"A_AtProgramStart_AllLocked_Nothing", 0, true, kAllLocked, kLineCts, ContactRoute::Locked, ""},
        SchemeRow{"A_AfterLockTime_StartLineFinishesLane1", 0, false, kFinishesFree, kLineCts, ContactRoute::Finish1,
                  "finish0@500"},
        SchemeRow{"A_FinishFreedBeforeAnyStart_NoFinish",
                  0,
                  true,
                  {false, true, false},
                  kLineCts,
                  ContactRoute::WrongState,
                  ""},
        SchemeRow{"A_Pins1And4_SecondFinishOfLane1", 0, false, kFinishesFree, kLineRlsd, ContactRoute::Finish1,
                  "finish0@500"},
        SchemeRow{"A_Pins4And6_Ignored", 0, false, kFinishesFree, kLineDsr, ContactRoute::NotSchemeC, ""},
        SchemeRow{"B_StartLineDuringRun_Nothing", 1, false, kFinishesFree, kLineCts, ContactRoute::Locked, ""},
        SchemeRow{"B_FinishBeforeStart_LockedNothing", 1, true, kStartFree, kLineRlsd, ContactRoute::Locked, ""},
        SchemeRow{
            "B_FinishFreedBeforeStart_Nothing", 1, true, {true, true, false}, kLineRlsd, ContactRoute::WrongState, ""},
        SchemeRow{"B_FinishAfterLockTime_Lane1", 1, false, kFinishesFree, kLineRlsd, ContactRoute::Finish1,
                  "finish0@500"},
        SchemeRow{"C_Pins1And4_Lane1", 2, false, kFinishesFree, kLineRlsd, ContactRoute::Finish1, "finish0@500"},
        SchemeRow{"C_Pins4And6_Lane2", 2, false, kFinishesFree, kLineDsr, ContactRoute::Finish2, "finish1@500"},
        SchemeRow{"C_Lane2Stopped_Locked", 2, false, {false, true, false}, kLineDsr, ContactRoute::Locked, ""}),
    [](const ::testing::TestParamInfo<SchemeRow>& info) { return std::string(info.param.name); });

// --- polarity ----------------------------------------------------------------------------------

struct PolarityRow {
    const char* name;
    int alg;
    std::uint32_t statusAfter; // CTS level after the change
    std::uint32_t edges;
    bool contact;
};

class RoutingPolarityTest : public RoutingTest, public ::testing::WithParamInterface<PolarityRow> {};

TEST_P(RoutingPolarityTest, DecidesByAlg) {
    const PolarityRow& row = GetParam();
    settings.Alg = row.alg;
    run.free = kStartFree;
    const ContactRoute route = Deliver(row.statusAfter, kLineCts, row.edges);
    EXPECT_EQ(route == ContactRoute::Start, row.contact) << RouteText(route);
}

INSTANTIATE_TEST_SUITE_P(Polarity, RoutingPolarityTest,
                         ::testing::Values(PolarityRow{"Ein_ContactCloses_Starts", 0, kLineCts, 1, true},
                                           PolarityRow{"Ein_ContactReopens_Nothing", 0, 0, 1, false},
                                           PolarityRow{"Ein_ShortPulseBackAtRest_Starts", 0, 0, 2, true},
                                           PolarityRow{"Aus_ContactOpens_Starts", 1, 0, 1, true},
                                           PolarityRow{"Aus_ContactCloses_Nothing", 1, kLineCts, 1, false},
                                           PolarityRow{"Aus_ShortPulseBackAtRest_Starts", 1, kLineCts, 2, true},
                                           PolarityRow{"UnknownAlg_Nothing", 2, kLineCts, 1, false}),
                         [](const ::testing::TestParamInfo<PolarityRow>& info) {
                             return std::string(info.param.name);
                         });

// --- the one shared line state -----------------------------------------------------------------

TEST_F(RoutingTest, RepeatedWordInANewWakeUp_Ignored) {
    run.free = kStartFree;
    Deliver(kLineCts, kLineCts);
    EXPECT_EQ(Deliver(kLineCts, kLineCts), ContactRoute::Unchanged);
    EXPECT_EQ(run.calls.size(), 1u);
}

TEST_F(RoutingTest, CtsAndDcdInOneWakeUp_BothLinesAreRouted) {
    settings.LsCFG = 1;
    Running(false, true, false);
    const LineChange change = Wake(1, kLineCts | kLineRlsd, kLineCts | kLineRlsd, 777);
    EXPECT_EQ(routing.ComPortStart(change), ContactRoute::Locked);
    EXPECT_EQ(routing.ComPortStop1(change), ContactRoute::Finish1);
    EXPECT_EQ(run.calls, std::vector<std::string>{"finish0@777"});
    EXPECT_EQ(routing.LastLineState(), kLineCts | kLineRlsd);
}

// --- imitation ---------------------------------------------------------------------------------

TEST_F(RoutingTest, Imitation_Ein_StartsAtTheClickTime_WithImitationActiveOnlyDuringTheCall) {
    run.free = kStartFree;
    bool activeDuringCall = false;
    run.duringCall = [&] { activeDuringCall = routing.ImitationActive(); };
    EXPECT_EQ(routing.bImitClick(1), ContactRoute::Start);
    EXPECT_TRUE(activeDuringCall);
    EXPECT_FALSE(routing.ImitationActive());
    EXPECT_EQ(run.calls, std::vector<std::string>{"start@" + std::to_string(clock.GetCount())});
}

TEST_F(RoutingTest, Imitation_Aus_GivesNothing) {
    settings.Alg = 1;
    run.free = kStartFree;
    EXPECT_EQ(routing.bImitClick(1), ContactRoute::OppositeEdge);
    EXPECT_TRUE(run.calls.empty());
}

struct ImitationRow {
    int scheme;
    bool imit1, imit2, imit3;
};

class RoutingImitationButtonsTest : public RoutingTest, public ::testing::WithParamInterface<ImitationRow> {};

TEST_P(RoutingImitationButtonsTest, EnabledByScheme_DisabledButtonDoesNothing) {
    const ImitationRow& row = GetParam();
    ImitationButtons shown;
    routing.OnImitationChange = [&](const ImitationButtons& buttons) { shown = buttons; };
    routing.SetCourseScheme(row.scheme);
    EXPECT_EQ(settings.LsCFG, row.scheme);
    EXPECT_EQ(shown.imit1, row.imit1);
    EXPECT_EQ(shown.imit2, row.imit2);
    EXPECT_EQ(shown.imit3, row.imit3);
    Running(false, true, true);
    for (int tag = 2; tag <= 3; ++tag) {
        const bool enabled = tag == 2 ? row.imit2 : row.imit3;
        EXPECT_EQ(routing.bImitClick(tag) == ContactRoute::ButtonDisabled, !enabled) << "tag " << tag;
    }
}

// Scheme A: "1+4" stays disabled although a real barrier on 1+4 finishes lane 1 there.
INSTANTIATE_TEST_SUITE_P(Schemes, RoutingImitationButtonsTest,
                         ::testing::Values(ImitationRow{0, true, false, false}, ImitationRow{1, true, true, false},
                                           ImitationRow{2, true, true, true}));

// --- opening and closing the port --------------------------------------------------------------

TEST_F(RoutingTest, PortOpenAndClose_SwitchHundredthsAndShowTheBarriers) {
    settings.LsCFG = 2;
    BarrierDisplay shown;
    routing.OnDisplayChange = [&](const BarrierDisplay& display) { shown = display; };
    routing.ComPortOpen();
    EXPECT_EQ(settings.TimeFormatIndex, 1);
    EXPECT_TRUE(shown.lockPictures && shown.contactList1 && shown.contactList2);
    routing.ComPortClose();
    EXPECT_EQ(settings.TimeFormatIndex, 0);
    EXPECT_FALSE(shown.lockPictures || shown.contactList1 || shown.contactList2);
}

class PortOpenerTest : public RoutingTest {
protected:
    FakeSerialBackend backend;
    HandoverQueue dispatcher;
    ComPort port{backend, dispatcher, clock};
    PortOpener opener{port, settings, clock};

    PortOpenerTest() { routing.AttachTo(port); }
};

TEST_F(PortOpenerTest, PortThatCannotBeOpened_StationStaysInTenthsWithoutBarriers) {
    settings.Port = 3;
    backend.FailNextOpen(OpenStage::Handle, "No such file or directory");
    EXPECT_FALSE(opener.OpenAtStartup());
    EXPECT_FALSE(port.Connected());
    EXPECT_EQ(settings.TimeFormatIndex, 0);
    EXPECT_FALSE(routing.Display().lockPictures);
    EXPECT_EQ(opener.LastError(), "Unable to open com port: No such file or directory");
}

} // namespace
} // namespace caniparc
