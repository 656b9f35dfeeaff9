// Finish contacts, the automatic stop, live time faults and the maximum time.
#include "RunClockFixture.h"

namespace caniparc::testing {
namespace {

class ContactTest : public RunClockTest {
protected:
    // Starts a run and gives three finish contacts at 30,12 s, 30,20 s and 30,31 s.
    void RunWithThreeContacts() {
        Ready();
        run->Start();
        clock.Advance(30'120);
        run->LaneFinishContact(0, clock.GetCount());
        clock.Advance(80);
        run->LaneFinishContact(0, clock.GetCount());
        clock.Advance(110);
        run->LaneFinishContact(0, clock.GetCount());
    }
};

TEST_F(ContactTest, FirstContactCountsWithKontakt0AndTheAutomaticStopComesWaitAfterTheLast) {
    settings.Kontakt = 0;
    settings.Wait = 5000;
    RunWithThreeContacts();
    const auto& lane = run->Lane(0);
    EXPECT_EQ(lane.contacts, (std::vector<std::string>{"30,12", "30,20", "30,31"}));
    EXPECT_EQ(lane.selectedContact, 0);
    EXPECT_EQ(lane.contactStyle, ContactListStyle::DropDown);
    EXPECT_TRUE(lane.contactListEnabled);
    EXPECT_FALSE(run->TimerPending("Clock1")) << "the display freezes at the first contact";
    EXPECT_EQ(Digits(0), "030,31") << "each contact shows its own time";
    clock.Advance(4'999);
    EXPECT_TRUE(On(Command::Stop1));
    EXPECT_TRUE(hooks.entries.empty());
    clock.Advance(1);
    EXPECT_FALSE(On(Command::Stop1));
    EXPECT_FALSE(run->BarrierFree(Barrier::Finish1));
    EXPECT_TRUE(On(Command::Next)) << "the entry followed the automatic stop";
    ASSERT_EQ(hooks.entries.size(), 1u) << "an automatic stop enters the run at once";
    EXPECT_EQ(hooks.entries[0].lane1->timeText, "30,12");
    EXPECT_EQ(sound.played.size(), 1u) << "the automatic stop plays no sound";
}

TEST_F(ContactTest, LastContactCountsWithKontakt1) {
    settings.Kontakt = 1;
    RunWithThreeContacts();
    EXPECT_EQ(run->Lane(0).selectedContact, 2);
    EXPECT_EQ(Digits(0), "030,31");
    clock.Advance(settings.Wait);
    ASSERT_EQ(hooks.entries.size(), 1u);
    EXPECT_EQ(hooks.entries[0].lane1->timeText, "30,31");
}

TEST_F(ContactTest, SchemeA_WithKontakt0TheDigitsKeepTheLastTick) {
    settings.LsCFG = 0;
    settings.Kontakt = 0;
    Ready();
    run->Start();
    clock.Advance(30'000);
    run->LaneFinishContact(0, StampAt(29'996));
    EXPECT_EQ(Digits(0), "030,00");
    EXPECT_EQ(run->Lane(0).contactText, "30,00");
}

TEST_F(ContactTest, ContactTimeIsTheStampSeenByTheWorkerNotTheHandlingTime) {
    settings.AutoEin = false;
    Ready();
    run->Start();
    clock.Advance(42'000);
    const auto seen = clock.GetCount();
    clock.Advance(150); // the main thread was busy saving a file
    run->LaneFinishContact(0, seen);
    EXPECT_EQ(run->Lane(0).contacts.front(), "42,00");
}

TEST_F(ContactTest, StopKeyWhileFinishingReplacesTheContactsByTheKeyTime) {
    settings.AutoEin = false;
    RunWithThreeContacts();
    clock.Advance(1'000);
    run->Stop(0);
    EXPECT_EQ(run->Lane(0).TakenTime, 31'310 * kCountsPerMs);
    EXPECT_FALSE(run->TimerPending("AutoStop1"));
    run->Enter();
    EXPECT_EQ(hooks.entries.at(0).lane1->timeText, "31,31");
}

TEST_F(ContactTest, AbortWhileFinishingCancelsThePendingAutomaticStop) {
    RunWithThreeContacts();
    run->AbortOrNext(Command::Abbruch);
    clock.Advance(60'000);
    EXPECT_TRUE(hooks.entries.empty());
    EXPECT_TRUE(On(Command::Start));
    EXPECT_FALSE(On(Command::Eintragen));
    EXPECT_TRUE(run->Lane(0).contacts.empty());
    EXPECT_FALSE(run->Lane(0).contactListEnabled);
    EXPECT_EQ(Digits(0), "000,00");
}

TEST_F(ContactTest, ContactOnAStoppedLaneIsIgnoredSoTheRunIsNotEnteredTwice) {
    Ready();
    run->Start();
    clock.Advance(30'000);
    run->LaneFinishContact(0, clock.GetCount());
    clock.Advance(settings.Wait);
    ASSERT_EQ(hooks.entries.size(), 1u);
    run->ToggleBarrier(Barrier::Finish1); // the operator frees the finish barrier again (F11)
    run->LaneFinishContact(0, clock.GetCount());
    clock.Advance(settings.Wait);
    EXPECT_EQ(hooks.entries.size(), 1u);
    EXPECT_EQ(run->Lane(0).contacts.size(), 1u);
    run->LaneFinishContact(1, clock.GetCount()); // lane 2 is not in use in scheme B
    EXPECT_TRUE(run->Lane(1).contacts.empty());
}

TEST_F(ContactTest, ContactWhilePausedDoesNotCountTheRunningPauseOrRestartTheClock) {
    settings.AutoEin = false;
    Ready();
    run->Start();
    clock.Advance(20'000);
    run->Pause();
    clock.Advance(5'000);
    run->LaneFinishContact(0, clock.GetCount());
    EXPECT_EQ(run->Lane(0).contacts.front(), "20,00");
    run->Pause();
    EXPECT_FALSE(run->TimerPending("Clock1")) << "a finishing lane stays frozen after the pause";
}

TEST_F(ContactTest, ChoosingAnotherContactShowsItOnlyOnceEveryLaneHasStopped) {
    settings.LsCFG = 2;
    settings.AutoEin = false;
    Ready();
    run->Start();
    clock.Advance(30'000);
    run->LaneFinishContact(0, clock.GetCount());
    clock.Advance(500);
    run->LaneFinishContact(0, clock.GetCount());
    run->SelectContact(0, 0);
    EXPECT_EQ(run->Lane(0).contactText, "30,00");
    EXPECT_EQ(Digits(0), "030,50") << "lane 2 still runs: only the list changes";
    clock.Advance(settings.Wait);
    run->Stop(1);
    run->SelectContact(0, 1);
    EXPECT_EQ(Digits(0), "030,50");
    run->SelectContact(0, 0);
    EXPECT_EQ(Digits(0), "030,00");
    run->SetContactText(0, "29,87"); // lane 1's list can be typed into
    EXPECT_EQ(Digits(0), "029,87");
    run->Enter();
    EXPECT_EQ(hooks.entries.at(0).lane1->timeText, "29,87");
}

TEST_F(ContactTest, LiveTimeFaultsAppearOnlyPastTheStandardTime) {
    settings.ZeitStandart = 60;
    for (char separator : {',', '.'}) {
        settings.DecimalSeparator = separator;
        Ready();
        run->Start();
        clock.Advance(60'000);
        EXPECT_EQ(run->Lane(0).timeFaultText, separator == ',' ? "0,00" : "0.00");
        clock.Advance(1'370);
        EXPECT_EQ(run->Lane(0).timeFaultText, separator == ',' ? "1,37" : "1.37");
    }
}

TEST_F(ContactTest, MaximumTimeStopsAndDisqualifiesAtExactlyZeitMax) {
    settings.ZeitMax = 120;
    settings.AutoEin = false;
    Ready();
    run->Start();
    clock.Advance(119'990);
    EXPECT_TRUE(On(Command::Stop1));
    clock.Advance(5); // 11999,5 hundredths round to 12000
    EXPECT_FALSE(On(Command::Stop1));
    EXPECT_EQ(hooks.disqualified, std::vector<int>{0});
    EXPECT_EQ(Digits(0), "000,00");
    EXPECT_EQ(run->Lane(0).TakenTime, -1) << "a disqualified lane is not entered";
    EXPECT_EQ(run->Lane(0).timeFaultText, "60,00");
}

TEST_F(ContactTest, WithoutTimeFaultsThereIsNoMaximumTime) {
    settings.ZFCalc = false;
    Ready();
    run->Start();
    clock.Advance(200'000);
    EXPECT_TRUE(On(Command::Stop1));
    EXPECT_TRUE(hooks.disqualified.empty());
    EXPECT_EQ(run->Lane(0).timeFaultText, "0,00");
    EXPECT_EQ(Digits(0), "200,00");
}

TEST_F(ContactTest, TenthsModeRoundsThenCutsAndDimsTheHundredthsDigit) {
    settings.TimeFormatIndex = 0;
    settings.AutoEin = false;
    Ready();
    EXPECT_EQ(run->Lane(0).digits.lit[4], kDimGrey);
    EXPECT_EQ(run->Lane(0).timeFaultText, "0,0");
    run->Start();
    clock.AdvanceMicroseconds(12'349'000);
    run->LaneFinishContact(0, clock.GetCount());
    EXPECT_EQ(run->Lane(0).contacts.front(), "12,3");
    EXPECT_EQ(Digits(0), "012,30");
    EXPECT_EQ(run->Lane(0).digits.lit[0], kDimGrey);
    EXPECT_EQ(run->Lane(0).digits.lit[1], kYellow);
}

} // namespace
} // namespace caniparc::testing
