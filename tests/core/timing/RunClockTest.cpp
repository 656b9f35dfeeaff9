// The run clock's states and commands in simulated time: keyboard runs in the three course
// schemes, pause, stops, the automatic stop after finish contacts, the maximum time, abort and
// next starter, and the entry's command side.
#include "RunClockFixture.h"

#include <array>
#include <utility>

namespace caniparc::testing {
namespace {

TEST_F(RunClockTest, SchemeB_KeyboardRun_StopEnablesEntryAndRecordsTheStopTime) {
    settings.AutoEin = false;
    Ready();
    run->Start();
    EXPECT_FALSE(On(Command::Start));
    EXPECT_TRUE(On(Command::Stop1));
    EXPECT_FALSE(On(Command::Stop2)) << "lane 2 does not run in scheme B";
    EXPECT_FALSE(On(Command::CFG));
    EXPECT_TRUE(On(Command::Pause));
    EXPECT_TRUE(On(Command::Abbruch));
    clock.Advance(30'120);
    EXPECT_EQ(Digits(0), "030,12");
    run->Stop(0);
    EXPECT_EQ(run->Lane(0).TakenTime, 30'120 * kCountsPerMs);
    EXPECT_TRUE(On(Command::Eintragen));
    EXPECT_FALSE(On(Command::Pause)) << "pause is available exactly while the entry is not";
    EXPECT_TRUE(On(Command::Dis1));
    EXPECT_TRUE(On(Command::TimeFaults1));
    EXPECT_EQ(sound.played, (std::vector<std::string>{"start.wav", "stopp.wav"}));
    run->Enter();
    ASSERT_EQ(hooks.entries.size(), 1u);
    EXPECT_EQ(hooks.entries[0].lane1->timeText, "30,12");
    EXPECT_FALSE(hooks.entries[0].lane2);
    EXPECT_TRUE(On(Command::Next));
    EXPECT_TRUE(On(Command::CFG));
    EXPECT_FALSE(On(Command::Abbruch));
    EXPECT_FALSE(On(Command::Eintragen));
    EXPECT_EQ(run->Lane(0).TakenTime, 0);
}

TEST_F(RunClockTest, CommandsInTheWrongStateDoNothing) {
    settings.AutoEin = false;
    Ready();
    run->Stop(0);
    run->Enter();
    run->AbortOrNext(Command::Abbruch);
    run->Pause();
    EXPECT_TRUE(On(Command::Start));
    EXPECT_EQ(clock.ActiveTimerCount(), 0);

    run->Start();
    const auto startStamp = run->Model().StartStamp;
    clock.Advance(1000);
    run->Start(); // F8 while running
    EXPECT_EQ(run->Model().StartStamp, startStamp);
    run->Stop(1); // F6 in scheme B
    EXPECT_TRUE(On(Command::Stop1));
    run->Stop(0);
    run->Start(); // F8 while stopped
    EXPECT_EQ(run->Model().StartStamp, startStamp);
    run->Enter();
    run->Start(); // F8 after the entry
    run->StartCommand(clock.GetCount());
    EXPECT_EQ(run->Model().StartStamp, startStamp);
    EXPECT_EQ(hooks.entries.size(), 1u);
}

TEST_F(RunClockTest, SchemeC_LanesStopIndependentlyAndTheEntryWaitsForBoth) {
    settings.LsCFG = 2;
    settings.AutoEin = false;
    Ready();
    run->Start();
    EXPECT_TRUE(On(Command::Stop2));
    clock.Advance(20'000);
    run->Stop(1);
    EXPECT_FALSE(On(Command::Eintragen));
    EXPECT_TRUE(On(Command::Pause)) << "lane 1 still runs";
    EXPECT_TRUE(run->TimerPending("Clock1"));
    clock.Advance(5'000);
    EXPECT_EQ(Digits(1), "020,00");
    EXPECT_EQ(Digits(0), "025,00");
    run->Stop(0);
    EXPECT_TRUE(On(Command::Eintragen));
    run->Enter();
    ASSERT_EQ(hooks.entries.size(), 1u);
    EXPECT_EQ(hooks.entries[0].lane1->timeText, "25,00");
    EXPECT_EQ(hooks.entries[0].lane2->timeText, "20,00");
}

TEST_F(RunClockTest, SchemeC_PauseHaltsBothLanesAndAbortResetsBoth) {
    settings.LsCFG = 2;
    Ready();
    run->Start();
    clock.Advance(10'000);
    run->Pause();
    EXPECT_FALSE(run->TimerPending("Clock1"));
    EXPECT_FALSE(run->TimerPending("Clock2"));
    clock.Advance(3'000);
    run->Pause();
    clock.Advance(1'000);
    EXPECT_EQ(Digits(0), "011,00");
    EXPECT_EQ(Digits(1), "011,00");
    run->AbortOrNext(Command::Abbruch);
    EXPECT_EQ(Digits(0), "000,00");
    EXPECT_EQ(Digits(1), "000,00");
    EXPECT_TRUE(On(Command::Start));
    EXPECT_FALSE(On(Command::Stop1));
    EXPECT_FALSE(On(Command::Stop2));
    EXPECT_EQ(clock.ActiveTimerCount(), 0);
}

TEST_F(RunClockTest, PauseOfFourSecondsDoesNotCountInAThirtySecondRun) {
    settings.AutoEin = false;
    Ready();
    run->Start();
    clock.Advance(12'000);
    run->Pause();
    EXPECT_TRUE(run->Model().paused);
    clock.Advance(4'000);
    EXPECT_EQ(Digits(0), "012,00") << "the display stands still while paused";
    run->Pause();
    clock.Advance(18'000);
    run->Stop(0);
    EXPECT_EQ(run->Lane(0).TakenTime, 30'000 * kCountsPerMs);
}

TEST_F(RunClockTest, StopWhilePausedEndsTheLaneWhereThePauseBegan) {
    settings.AutoEin = false;
    Ready();
    run->Start();
    clock.Advance(25'000);
    run->Pause();
    clock.Advance(9'000);
    run->Stop(0);
    EXPECT_EQ(run->Lane(0).TakenTime, 25'000 * kCountsPerMs);
    EXPECT_EQ(Digits(0), "025,00");
}

TEST_F(RunClockTest, StartButtonClearsTakenTimesButTheKeyDoesNot) {
    Ready();
    run->StartButtonPressed();
    EXPECT_FALSE(On(Command::Start));
    EXPECT_EQ(sound.played.size(), 1u);
}

TEST_F(RunClockTest, AutomaticEntryFollowsTheStopKeyAfterItsDelayUnlessCancelled) {
    settings.AutoEinS = 7000;
    Ready();
    run->Start();
    clock.Advance(30'000);
    run->Stop(0);
    clock.Advance(6'999);
    EXPECT_TRUE(hooks.entries.empty());
    clock.Advance(1);
    EXPECT_EQ(hooks.entries.size(), 1u);

    run->AbortOrNext(Command::Next);
    run->Start();
    clock.Advance(30'000);
    run->Stop(0);
    clock.Advance(3'000);
    run->SetAutomaticEntry(false);
    clock.Advance(10'000);
    EXPECT_EQ(hooks.entries.size(), 1u);
    EXPECT_TRUE(On(Command::Eintragen));
}

TEST_F(RunClockTest, RefusedEntryKeepsTheRunWaitingForItsEntry) {
    settings.AutoEin = false;
    Ready();
    run->Start();
    clock.Advance(30'000);
    run->Stop(0);
    hooks.refuse = true;
    run->Enter();
    EXPECT_TRUE(On(Command::Eintragen));
    EXPECT_TRUE(On(Command::Abbruch));
    EXPECT_FALSE(On(Command::Next));
    EXPECT_EQ(run->Lane(0).TakenTime, 30'000 * kCountsPerMs);
    hooks.refuse = false;
    run->Enter();
    EXPECT_EQ(hooks.entries.size(), 1u);
}

TEST_F(RunClockTest, NextStarterAdvancesStartNumbersAndResetsTheLaneFields) {
    settings.AutoEin = false;
    Ready();
    run->SetLaneField(0, Command::Faults1, "2");
    run->Start();
    clock.Advance(10'000);
    run->Stop(0);
    run->Enter();
    run->AbortOrNext(Command::Next);
    EXPECT_EQ(run->Lane(0).startNumber, 2);
    EXPECT_EQ(run->Lane(0).faultsText, "0");
    EXPECT_EQ(run->Lane(0).refusalsText, "0");
    EXPECT_EQ(run->Lane(0).timeFaultText, "0,00");
    EXPECT_TRUE(run->Lane(0).startNumberEnabled);
    EXPECT_TRUE(run->BarrierFree(Barrier::Start)) << "every next starter frees the start barrier";
    EXPECT_FALSE(run->BarrierFree(Barrier::Finish1));

    run->SetStartNumber(0, 9999);
    run->Start();
    run->Stop(0);
    run->Enter();
    run->AbortOrNext(Command::Next);
    EXPECT_EQ(run->Lane(0).startNumber, 9999) << "the start number stays within 1..9999";
}

TEST_F(RunClockTest, SchemeC_NextStarterAdvancesBothLanesByTwo) {
    settings.LsCFG = 2;
    settings.AutoEin = false;
    settings.AutoNext = true;
    Ready();
    run->SetStartNumber(1, 2);
    run->Start();
    clock.Advance(10'000);
    run->Stop(0);
    run->Stop(1);
    run->Enter();
    EXPECT_EQ(run->Lane(0).startNumber, 3) << "the automatic next follows the entry";
    EXPECT_EQ(run->Lane(1).startNumber, 4);
    EXPECT_TRUE(On(Command::Start));
}

TEST_F(RunClockTest, LockTimeKeepsTheFinishBarriersLockedAndF11OverridesIt) {
    settings.StartLock = 10'000;
    Ready();
    EXPECT_FALSE(run->BarrierFree(Barrier::Start)) << "all barriers are locked at program start";
    run->Start();
    clock.Advance(5'000);
    EXPECT_FALSE(run->BarrierFree(Barrier::Finish1));
    run->ToggleBarrier(Barrier::Finish1);
    EXPECT_TRUE(run->BarrierFree(Barrier::Finish1));
    clock.Advance(5'000);
    EXPECT_TRUE(run->BarrierFree(Barrier::Finish1)) << "the end of the lock time leaves it free";
    EXPECT_TRUE(run->BarrierFree(Barrier::Finish2));
    EXPECT_FALSE(run->BarrierFree(Barrier::Start));
    run->Stop(0);
    EXPECT_FALSE(run->BarrierFree(Barrier::Finish1)) << "a stop locks its lane's finish barrier";
}

} // namespace
} // namespace caniparc::testing

namespace caniparc::testing {
namespace {

// Remembers the lane digits as the window last saw them.
struct DigitsSeen final : RunClockListener {
    const RunClock* run = nullptr;
    std::array<LaneDigits, 2> shown{};
    void CommandsChanged() override {}
    void LaneDigitsChanged(int lane) override { shown[static_cast<std::size_t>(lane)] = run->Lane(lane).digits; }
    void LaneFieldsChanged(int) override {}
};

TEST_F(RunClockTest, PortOpeningOrClosing_RepaintsTheReadyHundredthsDigitAtOnce) {
    settings.TimeFormatIndex = 0;
    settings.LsCFG = 2;
    RunClock& lanes = Ready();
    DigitsSeen window;
    window.run = &lanes;
    lanes.SetListener(&window);
    for (const auto& [format, colour] : {std::pair{1, kYellow}, std::pair{0, kDimGrey}, std::pair{1, kYellow}}) {
        settings.TimeFormatIndex = format;
        lanes.ResetLane(0);
        lanes.ResetLane(1);
        for (int lane = 0; lane < 2; ++lane) {
            EXPECT_EQ(window.shown[static_cast<std::size_t>(lane)].lit[4], colour)
                << "lane " << lane << " format " << format;
            EXPECT_TRUE(window.shown[static_cast<std::size_t>(lane)] == lanes.Lane(lane).digits);
        }
    }
    lanes.SetListener(nullptr);
}

} // namespace
} // namespace caniparc::testing
