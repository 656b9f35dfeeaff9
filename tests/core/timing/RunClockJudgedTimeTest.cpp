// Barrier stamps handled late: measured against the pauses around them. Time faults and the
// maximum time judged on the time that will be entered, not on a bounce. A lane reset after a
// run whose stop came at the start's own count.
#include "RunClockFixture.h"

#include <array>
#include <ostream>
#include <string>

namespace caniparc::testing {
namespace {

constexpr std::int64_t kStillPaused = -1;

struct PauseRow {
    const char* name;
    std::int64_t contactMs;                            // when the beam was broken, ms of real time after the start
    std::array<std::array<std::int64_t, 2>, 2> pauses; // begin and end, ms after the start; {0, 0}: none
    std::int64_t handledMs;                            // when the main thread gets to the contact
    const char* text;
};

constexpr PauseRow kPauseRows[] = {
    {"StampedBeforeAPause_HandledAfterTheResume", 9'500, {{{10'000, 14'000}, {0, 0}}}, 14'500, "9,50"},
    {"StampedDuringAPause_HandledAfterTheResume", 11'000, {{{10'000, 12'000}, {0, 0}}}, 12'500, "10,00"},
    {"StampedAfterTheResume", 13'000, {{{10'000, 12'000}, {0, 0}}}, 13'000, "11,00"},
    {"StampedBeforeTwoPauses_HandledAfterBoth", 9'000, {{{10'000, 11'000}, {12'000, 15'000}}}, 15'100, "9,00"},
    {"StampedBetweenTwoPauses_HandledAfterBoth", 11'500, {{{10'000, 11'000}, {12'000, 15'000}}}, 15'100, "10,50"},
    {"StampedDuringARunningPause", 11'000, {{{10'000, kStillPaused}, {0, 0}}}, 11'500, "10,00"},
    {"StampedBeforeARunningPause", 9'500, {{{10'000, kStillPaused}, {0, 0}}}, 11'000, "9,50"},
};

void PrintTo(const PauseRow& row, std::ostream* out) {
    *out << row.name;
}

class PauseStampTest : public RunClockTest, public ::testing::WithParamInterface<PauseRow> {
protected:
    std::int64_t nowMs = 0;
    void AdvanceTo(std::int64_t ms) {
        clock.Advance(ms - nowMs);
        nowMs = ms;
    }
};

TEST_P(PauseStampTest, ContactCountsTheRunningTimeUpToItsStamp) {
    const PauseRow& row = GetParam();
    settings.AutoEin = false;
    Ready();
    run->Start();
    const std::int64_t start = clock.GetCount();
    for (const auto& pause : row.pauses) {
        if (pause[0] == 0)
            continue;
        AdvanceTo(pause[0]);
        run->Pause();
        if (pause[1] == kStillPaused)
            continue;
        AdvanceTo(pause[1]);
        run->Pause();
    }
    AdvanceTo(row.handledMs);
    run->LaneFinishContact(0, start + row.contactMs * kCountsPerMs);
    ASSERT_EQ(run->Lane(0).contacts.size(), 1u);
    EXPECT_EQ(run->Lane(0).contacts.front(), row.text);
}

INSTANTIATE_TEST_SUITE_P(Pauses, PauseStampTest, ::testing::ValuesIn(kPauseRows),
                         [](const auto& info) { return std::string(info.param.name); });

struct BounceRow {
    const char* name;
    int kontakt;
    std::int64_t firstMs, secondMs; // the finish contact and a bounce after it
    int chosen;                     // the contact the operator picks after the stop; -1: none
    const char* timeText;           // what the entry takes (none when disqualified)
    const char* timeFaults;         // the time-fault field at the entry
    bool disqualified;
};

constexpr BounceRow kBounceRows[] = {
    {"Kontakt0_BouncePastTheStandardTime_AddsNoTimeFaults", 0, 59'800, 60'500, -1, "59,80", "0,00", false},
    {"Kontakt1_BouncePastTheStandardTime_CountsAsTheLast", 1, 59'800, 60'500, -1, "60,50", "0,50", false},
    {"Kontakt0_OperatorChoosesTheBounce", 0, 59'800, 60'500, 1, "60,50", "0,50", false},
    {"Kontakt1_OperatorChoosesTheFirst", 1, 59'800, 60'500, 0, "59,80", "0,00", false},
    {"Kontakt0_BouncePastTheMaximumTime_JudgedOnTheFirst", 0, 118'000, 120'500, -1, "118,00", "58,00", false},
    {"Kontakt1_BouncePastTheMaximumTime_StopsAndDisqualifies", 1, 118'000, 120'500, -1, "", "60,50", true},
};

void PrintTo(const BounceRow& row, std::ostream* out) {
    *out << row.name;
}

class BounceTest : public RunClockTest, public ::testing::WithParamInterface<BounceRow> {};

TEST_P(BounceTest, TimeFaultsAndMaximumTimeFollowTheEnteredTime) {
    const BounceRow& row = GetParam();
    settings.Kontakt = row.kontakt;
    settings.ZeitStandart = 60;
    settings.ZeitMax = 120;
    settings.AutoEin = false;
    Ready();
    run->Start();
    clock.Advance(row.firstMs);
    run->LaneFinishContact(0, clock.GetCount());
    clock.Advance(row.secondMs - row.firstMs);
    run->LaneFinishContact(0, clock.GetCount());
    clock.Advance(settings.Wait);
    EXPECT_EQ(hooks.disqualified, row.disqualified ? std::vector<int>{0} : std::vector<int>{});
    if (row.disqualified) {
        EXPECT_EQ(run->Lane(0).timeFaultText, row.timeFaults);
        EXPECT_LT(run->Lane(0).TakenTime, 0) << "a disqualified lane is not entered";
        return;
    }
    ASSERT_TRUE(On(Command::Eintragen));
    if (row.chosen >= 0)
        run->SelectContact(0, row.chosen);
    EXPECT_EQ(run->Lane(0).timeFaultText, row.timeFaults);
    run->Enter();
    ASSERT_EQ(hooks.entries.size(), 1u);
    ASSERT_TRUE(hooks.entries[0].lane1);
    EXPECT_EQ(hooks.entries[0].lane1->timeText, row.timeText);
    EXPECT_EQ(hooks.entries[0].lane1->timeFaultText, row.timeFaults);
}

INSTANTIATE_TEST_SUITE_P(Bounces, BounceTest, ::testing::ValuesIn(kBounceRows),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(RunClockTest, AbortAfterAStopAtTheStartsOwnCount_StillResetsTheLane) {
    settings.AutoEin = false;
    Ready();
    run->Start();
    run->SetLaneField(0, Command::Faults1, "5");
    run->Stop(0); // the counter has not moved since the start
    run->AbortOrNext(Command::Abbruch);
    EXPECT_EQ(run->Lane(0).faultsText, "0");
    EXPECT_TRUE(run->Lane(0).startNumberEnabled);
}

TEST_F(RunClockTest, SchemeC_ClosingADisqualifiedLanesListKeepsItOutOfTheEntry) {
    settings.LsCFG = 2;
    settings.AutoEin = false;
    Ready();
    run->Start();
    clock.Advance(30'000);
    run->LaneFinishContact(0, clock.GetCount());
    clock.Advance(settings.Wait); // lane 1 stops by itself; lane 2 still runs
    run->DisqualifyCommand(0);
    ASSERT_LT(run->Lane(0).TakenTime, 0);
    run->ContactListClosed(0); // the operator opens and closes lane 1's list
    run->SelectContact(0, 0);
    EXPECT_LT(run->Lane(0).TakenTime, 0);
    run->Stop(1);
    run->Enter();
    ASSERT_EQ(hooks.entries.size(), 1u);
    EXPECT_FALSE(hooks.entries[0].lane1) << "the disqualification must not be lost";
    EXPECT_TRUE(hooks.entries[0].lane2);
}

} // namespace
} // namespace caniparc::testing
