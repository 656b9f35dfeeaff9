// Disqualification on the run clock's side: the "DIS?" consent, the refusal limit, the lane
// that stays to be entered in scheme C, the counting keys and the blocked start.
#include "RunClockFixture.h"

namespace caniparc::testing {
namespace {

struct AskingHooks final : RunHooks {
    std::vector<RunEntry> entries;
    std::vector<int> disqualified;
    int asked = 0;
    bool consent = true;
    bool ConfirmDisqualification() override {
        ++asked;
        return consent;
    }
    bool Disqualify(int lane) override {
        disqualified.push_back(lane);
        return true;
    }
    bool EnterRun(const RunEntry& entry) override {
        entries.push_back(entry);
        return true;
    }
};

class DisqualifyTest : public RunClockTest {
protected:
    RunClock& ReadyAsking() {
        Ready();
        run->SetHooks(&asking);
        return *run;
    }
    AskingHooks asking;
};

TEST_F(DisqualifyTest, LaneButtonAsksOnceAndClosesTheRunInSchemeB) {
    settings.AutoEin = true;
    settings.AutoEinS = 7000;
    ReadyAsking();
    run->Start();
    clock.Advance(30'000);
    run->Stop(0);
    EXPECT_TRUE(run->TimerPending("Eintragen"));
    run->DisqualifyCommand(0);
    EXPECT_EQ(asking.asked, 1);
    EXPECT_EQ(asking.disqualified, std::vector<int>{0});
    EXPECT_EQ(run->DisConfirmed(), 1);
    EXPECT_FALSE(On(Command::Dis1));
    EXPECT_FALSE(On(Command::Eintragen));
    EXPECT_FALSE(On(Command::Abbruch));
    EXPECT_TRUE(On(Command::Next));
    EXPECT_FALSE(On(Command::Faults1) || On(Command::Refusals1) || On(Command::TimeFaults1));
    clock.Advance(10'000);
    EXPECT_TRUE(asking.entries.empty()) << "the automatic entry must not enter the disqualified run";
}

TEST_F(DisqualifyTest, ConsentOfOneRunIsNoConsentForTheNext) {
    ReadyAsking();
    run->Start();
    clock.Advance(30'000);
    run->Stop(0);
    run->DisqualifyCommand(0);
    run->AbortOrNext(Command::Next);
    run->Start();
    clock.Advance(30'000);
    run->Stop(0);
    asking.consent = false;
    run->DisqualifyCommand(0);
    EXPECT_EQ(asking.asked, 2);
    EXPECT_TRUE(On(Command::Eintragen)) << "answered Nein: the run still waits for its entry";
}

TEST_F(DisqualifyTest, AutomaticNextFollowsALaneDisqualificationThatEndsTheRun) {
    settings.AutoNext = true;
    ReadyAsking();
    run->Start();
    clock.Advance(30'000);
    run->Stop(0);
    run->DisqualifyCommand(0);
    EXPECT_TRUE(On(Command::Start)) << "the next starter is ready";
    EXPECT_FALSE(On(Command::Next));
}

TEST_F(DisqualifyTest, AnsweringNoChangesNothingButCancelsThePendingEntry) {
    settings.AutoEin = true;
    ReadyAsking();
    asking.consent = false;
    run->Start();
    clock.Advance(30'000);
    run->Stop(0);
    run->DisqualifyCommand(0);
    EXPECT_TRUE(asking.disqualified.empty());
    EXPECT_TRUE(On(Command::Dis1));
    EXPECT_TRUE(On(Command::Eintragen));
    EXPECT_FALSE(run->TimerPending("Eintragen"));
    EXPECT_EQ(run->Lane(0).TakenTime, 30'000 * kCountsPerMs);
}

TEST_F(DisqualifyTest, SchemeC_LaneOneDisqualified_LaneTwosStoppedRunIsStillEntered) {
    settings.LsCFG = 2;
    settings.AutoEin = false;
    ReadyAsking();
    run->Start();
    clock.Advance(30'000);
    run->Stop(1);
    run->Stop(0);
    run->DisqualifyCommand(0);
    run->DisqualifyCommand(1); // not pressed, but Ctrl+2 would ask nothing more now
    EXPECT_EQ(asking.asked, 1) << "the second lane's disqualification does not ask again";
    asking.disqualified.clear();

    // Again, lane 1 only: lane 2 waits for its entry.
    run->AbortOrNext(Command::Next);
    run->Start();
    clock.Advance(31'000);
    run->Stop(1);
    run->Stop(0);
    run->DisqualifyCommand(0);
    EXPECT_TRUE(On(Command::Eintragen));
    run->Enter();
    ASSERT_EQ(asking.entries.size(), 1u);
    EXPECT_FALSE(asking.entries[0].lane1);
    ASSERT_TRUE(asking.entries[0].lane2);
    EXPECT_EQ(asking.entries[0].lane2->timeText, "31,00");
}

TEST_F(DisqualifyTest, SchemeC_BothLanesDisqualified_NextIsOffered) {
    settings.LsCFG = 2;
    ReadyAsking();
    run->Start();
    clock.Advance(30'000);
    run->Stop(0);
    run->DisqualifyCommand(0);
    EXPECT_FALSE(On(Command::Next)) << "lane 2 still runs";
    run->Stop(1);
    run->DisqualifyCommand(1);
    EXPECT_TRUE(On(Command::Next));
    EXPECT_FALSE(On(Command::Eintragen));
    EXPECT_FALSE(On(Command::Abbruch));
}

TEST_F(DisqualifyTest, SchemeC_LaneDisqualifiedWhileTheEntryIsPending_TheOtherLaneIsStillEnteredByItself) {
    settings.LsCFG = 2;
    settings.AutoEin = true;
    settings.AutoEinS = 7000;
    ReadyAsking();
    run->Start();
    clock.Advance(30'000);
    run->Stop(1);
    run->Stop(0);
    clock.Advance(5000);
    run->DisqualifyCommand(0);
    EXPECT_TRUE(run->TimerPending("Eintragen")) << "lane 2's run still waits for its automatic entry";
    clock.Advance(6999); // a whole delay from the disqualification
    EXPECT_TRUE(asking.entries.empty());
    clock.Advance(1);
    ASSERT_EQ(asking.entries.size(), 1u);
    EXPECT_FALSE(asking.entries[0].lane1);
    EXPECT_TRUE(asking.entries[0].lane2);
}

TEST_F(DisqualifyTest, RefusalLimitAsksAtTheThirdCountAndStopsTheLane) {
    settings.Adel = 3;
    ReadyAsking();
    run->Start();
    clock.Advance(20'000);
    run->CountInput(Command::Refusals1, -1);
    EXPECT_EQ(run->Lane(0).refusalsText, "0") << "Alt+V at 0 leaves 0";
    run->CountInput(Command::Refusals1, +1);
    run->CountInput(Command::Refusals1, +1);
    EXPECT_EQ(asking.asked, 0);
    run->CountInput(Command::Refusals1, +1);
    EXPECT_EQ(asking.asked, 1);
    EXPECT_FALSE(On(Command::Stop1));
    EXPECT_EQ(asking.disqualified, std::vector<int>{0});
    EXPECT_TRUE(On(Command::Next));
    EXPECT_FALSE(On(Command::Refusals1));
}

TEST_F(DisqualifyTest, RefusalLimitAnsweredNo_KeepsTheCountAndTheRunGoesOn) {
    settings.Adel = 3;
    ReadyAsking();
    asking.consent = false;
    run->Start();
    run->SetLaneField(1, Command::Refusals2, "3"); // lane 2 idle in scheme B: no question
    EXPECT_EQ(asking.asked, 0);
    run->SetLaneField(0, Command::Refusals1, "3");
    EXPECT_EQ(asking.asked, 1);
    EXPECT_EQ(run->Lane(0).refusalsText, "3");
    EXPECT_TRUE(On(Command::Stop1));
    settings.Adel = 0;
    run->SetLaneField(0, Command::Refusals1, "9");
    EXPECT_EQ(asking.asked, 1) << "Adel 0: no count asks";
}

TEST_F(DisqualifyTest, FaultKeysCountLaneOneOnlyWhileItsFieldIsEnabled) {
    ReadyAsking();
    run->CountInput(Command::Faults1, +1);
    EXPECT_EQ(run->Lane(0).faultsText, "0") << "before the start the field is locked";
    run->Start();
    run->CountInput(Command::Faults1, +1);
    run->CountInput(Command::Faults1, +1);
    run->CountInput(Command::Faults1, -1);
    EXPECT_EQ(run->Lane(0).faultsText, "1");
    run->SetLaneField(0, Command::Faults1, "x");
    run->CountInput(Command::Faults1, +1);
    EXPECT_EQ(run->Lane(0).faultsText, "1") << "a text that does not convert counts as 0";
}

TEST_F(DisqualifyTest, MaximumTimeEndsAsDisqualifiedRunNotAsARankedTime) {
    settings.ZeitMax = 120;
    settings.AutoEin = true;
    ReadyAsking();
    run->Start();
    clock.Advance(120'000);
    EXPECT_EQ(asking.asked, 1);
    EXPECT_EQ(asking.disqualified, std::vector<int>{0});
    clock.Advance(10'000);
    EXPECT_TRUE(asking.entries.empty());
    EXPECT_TRUE(On(Command::Next));
}

TEST_F(DisqualifyTest, BlockedStartStaysBlockedAcrossNext) {
    settings.AutoEin = false;
    ReadyAsking();
    run->SetStartBlocked(true);
    EXPECT_FALSE(On(Command::Start));
    run->Start();
    EXPECT_FALSE(On(Command::Stop1));
    run->SetStartBlocked(false);
    EXPECT_TRUE(On(Command::Start));
    run->Start();
    run->SetStartBlocked(true);
    EXPECT_TRUE(On(Command::Stop1)) << "a running clock ignores the lists";
    clock.Advance(1000);
    run->Stop(0);
    run->Enter();
    run->AbortOrNext(Command::Next);
    EXPECT_FALSE(On(Command::Start));
}

} // namespace
} // namespace caniparc::testing
