// Barrier routing: which line change becomes a start or a finish, by polarity, course scheme,
// lock flags and run state; the imitation; what opening and closing the port changes.
#include "ManualClock.h"
#include "serial/BarrierRouting.h"
#include "settings/Settings.h"

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <string>
#include <vector>

namespace caniparc {
namespace {

using testing::ManualClock;

class FakeRun final : public RunCommands {
public:
    bool startEnabled = true;
    std::array<bool, 3> free{false, false, false};
    std::vector<std::string> calls;
    std::function<void()> duringCall;

    bool StartEnabled() const override { return startEnabled; }
    void StartCommand(std::int64_t stamp) override {
        calls.push_back("start@" + std::to_string(stamp));
        if (duringCall)
            duringCall();
    }
    void LaneFinishContact(int lane, std::int64_t stamp) override {
        calls.push_back("finish" + std::to_string(lane) + "@" + std::to_string(stamp));
    }
    bool BarrierFree(Barrier barrier) const override { return free[static_cast<std::size_t>(barrier)]; }
    void ToggleBarrier(Barrier) override {}
};

class FixedStatus final : public ModemStatusSource {
public:
    std::uint32_t status = 0;
    std::uint32_t GetModemStatus() override { return status; }
};

// One wake-up of the worker: `status` after the change, `edges` edges on each line in `lines`.
LineChange Wake(std::uint64_t sequence, std::uint32_t status, std::uint32_t lines, std::int64_t stamp = 500,
                std::uint32_t edges = 1) {
    const LineCounts perLine{lines & kLineCts ? edges : 0, lines & kLineDsr ? edges : 0, lines & kLineRlsd ? edges : 0};
    return {sequence, stamp, status, lines, perLine, {}, false};
}

using enum ContactRoute;
constexpr auto kRowName = [](const auto& info) { return std::string(info.param.name); };
constexpr std::array<bool, 3> kStart{true, false, false}, kNone{}, kFinishes{false, true, true};

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
};

struct SchemeRow {
    const char* name;
    int scheme;
    bool startEnabled;
    std::array<bool, 3> free;
    std::uint32_t line;
    ContactRoute route;
    const char* call; // "" when the run clock must not be called
};

constexpr SchemeRow kSchemeRows[] = {
    {"A_ReadyStartFree_Starts", 0, true, kStart, kLineCts, Start, "start@500"},
    {"A_AtProgramStart_AllLocked_Nothing", 0, true, kNone, kLineCts, Locked, ""},
    {"A_AfterLockTime_StartLineFinishesLane1", 0, false, kFinishes, kLineCts, Finish1, "finish0@500"},
    {"A_FinishFreedBeforeAnyStart_NoFinish", 0, true, {false, true, false}, kLineCts, WrongState, ""},
    {"A_Pins1And4_SecondFinishOfLane1", 0, false, kFinishes, kLineRlsd, Finish1, "finish0@500"},
    {"A_Pins4And6_Ignored", 0, false, kFinishes, kLineDsr, NotSchemeC, ""},
    {"B_StartLineDuringRun_Nothing", 1, false, kFinishes, kLineCts, Locked, ""},
    {"B_FinishBeforeStart_LockedNothing", 1, true, kStart, kLineRlsd, Locked, ""},
    {"B_FinishFreedBeforeStart_Nothing", 1, true, {true, true, false}, kLineRlsd, WrongState, ""},
    {"B_FinishAfterLockTime_Lane1", 1, false, kFinishes, kLineRlsd, Finish1, "finish0@500"},
    {"C_Pins1And4_Lane1", 2, false, kFinishes, kLineRlsd, Finish1, "finish0@500"},
    {"C_Pins4And6_Lane2", 2, false, kFinishes, kLineDsr, Finish2, "finish1@500"},
    {"C_Lane2Stopped_Locked", 2, false, {false, true, false}, kLineDsr, Locked, ""},
};

class RoutingSchemeTest : public RoutingTest, public ::testing::WithParamInterface<SchemeRow> {};

TEST_P(RoutingSchemeTest, RoutesTheContact) {
    const SchemeRow& row = GetParam();
    settings.LsCFG = row.scheme;
    run.startEnabled = row.startEnabled;
    run.free = row.free;
    EXPECT_EQ(Deliver(row.line, row.line), row.route);
    EXPECT_EQ(run.calls, *row.call ? std::vector<std::string>{row.call} : std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(Schemes, RoutingSchemeTest, ::testing::ValuesIn(kSchemeRows), kRowName);

struct PolarityRow {
    const char* name;
    int alg;
    std::uint32_t statusAfter; // CTS level after the change
    std::uint32_t edges;
    bool contact;
};

constexpr PolarityRow kPolarityRows[] = {
    {"Ein_ContactCloses_Starts", 0, kLineCts, 1, true},   {"Ein_ContactReopens_Nothing", 0, 0, 1, false},
    {"Ein_ShortPulseBackAtRest_Starts", 0, 0, 2, true},   {"Aus_ContactOpens_Starts", 1, 0, 1, true},
    {"Aus_ContactCloses_Nothing", 1, kLineCts, 1, false}, {"Aus_ShortPulseBackAtRest_Starts", 1, kLineCts, 2, true},
    {"UnknownAlg_Nothing", 2, kLineCts, 1, false},
};

class RoutingPolarityTest : public RoutingTest, public ::testing::WithParamInterface<PolarityRow> {};

TEST_P(RoutingPolarityTest, DecidesByAlg) {
    settings.Alg = GetParam().alg;
    run.free = kStart;
    const ContactRoute route = Deliver(GetParam().statusAfter, kLineCts, GetParam().edges);
    EXPECT_EQ(route == Start, GetParam().contact) << RouteText(route);
}

INSTANTIATE_TEST_SUITE_P(Polarity, RoutingPolarityTest, ::testing::ValuesIn(kPolarityRows), kRowName);

TEST_F(RoutingTest, CtsAndDcdInOneWakeUp_BothAreRouted_TheSameWordNextWakeUpIsIgnored) {
    settings.LsCFG = 1;
    run.startEnabled = false;
    run.free = {false, true, false};
    const LineChange change = Wake(1, kLineCts | kLineRlsd, kLineCts | kLineRlsd, 777);
    EXPECT_EQ(routing.ComPortStart(change), Locked);
    EXPECT_EQ(routing.ComPortStop1(change), Finish1);
    EXPECT_EQ(run.calls, std::vector<std::string>{"finish0@777"});
    EXPECT_EQ(routing.LastLineState(), kLineCts | kLineRlsd);
    EXPECT_EQ(routing.ComPortStop1(Wake(2, kLineCts | kLineRlsd, kLineRlsd)), Unchanged);
    EXPECT_EQ(run.calls.size(), 1u);
}

TEST_F(RoutingTest, Imitation_AusGivesNothing_EinStartsAtTheClickTimeWithImitationActiveOnlyDuringTheCall) {
    run.free = kStart;
    bool activeDuringCall = false;
    run.duringCall = [&] { activeDuringCall = routing.ImitationActive(); };
    settings.Alg = 1;
    EXPECT_EQ(routing.bImitClick(1), OppositeEdge);
    EXPECT_TRUE(run.calls.empty());
    settings.Alg = 0;
    EXPECT_EQ(routing.bImitClick(1), Start);
    EXPECT_TRUE(activeDuringCall);
    EXPECT_FALSE(routing.ImitationActive());
    EXPECT_EQ(run.calls, std::vector<std::string>{"start@" + std::to_string(clock.GetCount())});
}

TEST_F(RoutingTest, ImitationWhileARealContactIsOnItsWay_DoesNotSwallowTheRealContact) {
    settings.LsCFG = 1;
    run.startEnabled = false;
    run.free = kFinishes;
    modem.status = kLineRlsd; // the barrier on 1+4 has closed; its hand-over is still queued
    EXPECT_EQ(routing.bImitClick(2), Finish1);
    EXPECT_EQ(Deliver(kLineRlsd, kLineRlsd), Finish1);
    EXPECT_EQ(run.calls.size(), 2u);
}

TEST_F(RoutingTest, ImitationButtons_EnabledByScheme_ADisabledOneDoesNothing) {
    ImitationButtons shown;
    routing.OnImitationChange = [&](const ImitationButtons& buttons) { shown = buttons; };
    run.startEnabled = false;
    run.free = kFinishes;
    // Scheme A: "1+4" stays disabled although a real barrier on 1+4 finishes lane 1 there.
    constexpr std::array<std::array<bool, 2>, 3> kEnabled{{{false, false}, {true, false}, {true, true}}};
    for (int scheme = 0; scheme < 3; ++scheme) {
        routing.SetCourseScheme(scheme);
        EXPECT_EQ(settings.LsCFG, scheme);
        EXPECT_TRUE(shown.imit1);
        EXPECT_EQ((std::array{shown.imit2, shown.imit3}), kEnabled[scheme]) << "scheme " << scheme;
        for (int tag = 2; tag <= 3; ++tag)
            EXPECT_EQ(routing.bImitClick(tag) == ButtonDisabled, !kEnabled[scheme][tag - 2]) << scheme << tag;
    }
}

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

} // namespace
} // namespace caniparc
