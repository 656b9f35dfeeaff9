// A run belongs to the starter its lane started with: corrections made while it is timed, paused
// or waiting for its entry never move its result to another row, never write it over a
// disqualification, and Ctrl+Z gives back the protocol and the waiting run together.
#include "FakeSerialBackend.h"
#include "ManualClock.h"
#include "RecordingDialogs.h"
#include "protocol/ProtocolSort.h"
#include "serial/Dispatcher.h"
#include "station/Dialogs.h"
#include "station/SettingsForm.h"
#include "station/Station.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace caniparc {
namespace {

namespace fs = std::filesystem;

using testing::RecordingDialogs;

constexpr const char* kThreeStarters = "Nr.\tHundename\t\r\n1\tA\t\r\n2\tB\t\r\n3\tC\t\r\n";

class RunOwnershipTest : public ::testing::Test {
protected:
    RunOwnershipTest() {
        folder = fs::temp_directory_path() / ("caniparc-ownership-" + std::to_string(::getpid()) + "-" +
                                              ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder);
        fs::create_directories(folder);
    }
    ~RunOwnershipTest() override {
        std::error_code held;
        fs::remove_all(folder, held);
    }
    // Tenths (no port), no automatic entry; the backup holds `protocol` (none: a new protocol).
    void Start(const char* protocol = kThreeStarters, int scheme = 1, int runs = 1) {
        if (protocol)
            std::ofstream(folder / "caniparc-Sicherungsdatei.txt", std::ios::binary) << protocol;
        Settings& settings = station.GetSettings();
        settings.AutoEin = false;
        settings.Port = 0;
        settings.LsCFG = scheme;
        settings.LaufCount = runs;
        ASSERT_TRUE(station.Startup({folder.string() + "/", "", "", {}}, ','));
    }
    RunClock& Run() { return station.Run(); }
    const ProtocolTable& Table() const { return station.Protocol(); }
    int Row(const char* number) const { return Table().FindStartRow(number); }
    const std::string& Time(const char* number) const { return Table().Cell(ColTime1, Row(number)); }
    void Choose(const char* number) {
        const auto& items = station.Lists().Lane(0).items;
        station.ChooseFromStartList(0, static_cast<int>(std::find(items.begin(), items.end(), number) - items.begin()));
    }
    void TimedRun(std::int64_t ms) {
        Run().Start();
        clock.Advance(ms);
        Run().Stop(0);
        Run().Enter();
        Run().AbortOrNext(Command::Next);
    }

    fs::path folder;
    testing::ManualClock clock;
    RecordingDialogs dialogs;
    HandoverQueue handover;
    testing::FakeSerialBackend serial;
    Station station{{.time = clock, .scheduler = clock, .dialogs = dialogs, .serial = &serial, .dispatcher = &handover},
                    "caniparc"};
};

TEST_F(RunOwnershipTest, RefusalLimitTypedIntoTheLiveStartersRowEndsItsRun) {
    Start();
    // Stopped and waiting for F7: the typed count disqualifies starter 1, and F7 adds nothing.
    Choose("1");
    Run().Start();
    clock.Advance(30'000);
    Run().Stop(0);
    station.CommitCell(ColRefusals1, Row("1"), "3");
    Run().Enter();
    EXPECT_EQ(Time("1"), "DIS");
    EXPECT_EQ(Table().Cell(ColPlace, Row("1")), "DIS");
    EXPECT_TRUE(Run().Enabled(Command::Next)) << "the run is over";
    Run().AbortOrNext(Command::Next);

    // Still running: the lane stops, and F4, F7 change nothing.
    Choose("2");
    Run().Start();
    clock.Advance(10'000);
    station.CommitCell(ColRefusals1, Row("2"), "4");
    EXPECT_FALSE(Run().Enabled(Command::Stop1));
    Run().Stop(0);
    Run().Enter();
    EXPECT_EQ(Time("2"), "DIS");
    EXPECT_EQ(dialogs.asked.size(), 2u);
}

TEST_F(RunOwnershipTest, RowAddedDuringARunLeavesTheRunWithItsStarter) {
    Start(nullptr);
    for (int number = 1; number <= 3; ++number) {
        Run().SetStartNumber(0, number);
        TimedRun(30'000 + number * 1000);
    }
    Run().SetStartNumber(0, 5); // starter 4 is absent
    Run().Start();
    clock.Advance(35'000);
    const int added = station.AddRow(); // makes the start lists, standing on the new row
    EXPECT_EQ(Table().Cell(ColStartNr, added), "4");
    Run().Stop(0);
    Run().Enter();
    EXPECT_EQ(Time("5"), "35,0");
    EXPECT_EQ(Time("4"), "");
}

TEST_F(RunOwnershipTest, SortingAndATypedNumberDoNotMoveTheRun) {
    Start();
    Choose("3");
    Run().Start();
    clock.Advance(31'000);
    ClickColumnTitle(station.Protocol(), station.Sort(), ColDogName, ',');
    ClickColumnTitle(station.Protocol(), station.Sort(), ColDogName, ','); // C, B, A
    ASSERT_EQ(Row("3"), 1);
    station.CommitCell(ColStartNr, Row("3"), "33");
    EXPECT_EQ(station.Lists().Lane(0).Text(), "33");
    Run().Stop(0);
    Run().Enter();
    EXPECT_EQ(Time("33"), "31,0");
    EXPECT_EQ(Table().Cell(ColDogName, Row("33")), "C");
    EXPECT_EQ(Time("1") + Time("2"), "");
}

TEST_F(RunOwnershipTest, RemovedStartersRowIsToldAndTheRunWaitsForARowOrCtrlZ) {
    Start();
    Choose("2");
    Run().Start();
    clock.Advance(32'000);
    station.RemoveRow(Row("2"));
    EXPECT_EQ(station.Lists().Lane(0).Text(), "") << "the lane shows no neighbour as its starter";
    Run().Stop(0);
    Run().Enter();
    ASSERT_EQ(dialogs.told.size(), 1u);
    EXPECT_TRUE(dialogs.told[0].starts_with("Der Starter dieses Laufs ist nicht mehr im Protokoll")) << dialogs.told[0];
    EXPECT_EQ(Time("1") + Time("3"), "") << "not entered under a neighbour";
    EXPECT_TRUE(Run().Enabled(Command::Eintragen)) << "the run keeps waiting";

    // Ctrl+Z brings the row back, and the run goes there.
    ASSERT_TRUE(station.Undo());
    EXPECT_EQ(station.Lists().Lane(0).Text(), "2");
    Run().Enter();
    EXPECT_EQ(Time("2"), "32,0");
    Run().AbortOrNext(Command::Next);

    // Or the operator chooses a row with a double click.
    Choose("3");
    Run().Start();
    clock.Advance(33'000);
    station.RemoveRow(Row("3"));
    const int row = station.AddRow();
    station.CommitCell(ColStartNr, row, "3");
    Run().Stop(0);
    Run().Enter();
    EXPECT_EQ(dialogs.told.size(), 2u);
    station.TakeStartersFromRow(Row("3"));
    Run().Enter();
    EXPECT_EQ(Time("3"), "33,0");
}

TEST_F(RunOwnershipTest, NoShowDisqualifiedBetweenRunsDoesNotCancelTheNextRun) {
    Start();
    Choose("1");
    station.DisqualifyRow(Row("1")); // starter 1 did not come
    Choose("2");
    Run().Start(); // F8; the run ends at the finish barrier
    clock.Advance(30'000);
    Run().LaneFinishContact(0, clock.GetCount());
    clock.Advance(station.GetSettings().Wait);
    ASSERT_TRUE(Run().Enabled(Command::Eintragen));
    Run().Enter();
    EXPECT_EQ(Time("2"), "30,0");
    EXPECT_EQ(Time("1"), "DIS");
}

TEST_F(RunOwnershipTest, CtrlZAfterADisqualificationGivesTheWaitingRunBack) {
    Start();
    Choose("1");
    Run().Start();
    clock.Advance(30'000);
    Run().Stop(0);
    station.DisqualifyRow(Row("1"));
    ASSERT_TRUE(station.Undo());
    EXPECT_TRUE(Run().Enabled(Command::Eintragen));
    Run().Enter();
    EXPECT_EQ(Time("1"), "30,0");
    Run().AbortOrNext(Command::Next);

    // The lane's own "Disqual." as well.
    Choose("2");
    Run().Start();
    clock.Advance(31'000);
    Run().Stop(0);
    Run().DisqualifyCommand(0);
    ASSERT_EQ(Time("2"), "DIS");
    ASSERT_TRUE(station.Undo());
    EXPECT_TRUE(Run().Enabled(Command::Dis1));
    Run().Enter();
    EXPECT_EQ(Time("2"), "31,0");
}

TEST_F(RunOwnershipTest, RefusalLimitOfLaneOneAsksAfterLaneTwoWasDisqualified) {
    Start(kThreeStarters, 2);
    Run().Start();
    clock.Advance(20'000);
    Run().Stop(1);
    Run().DisqualifyCommand(1);
    ASSERT_EQ(dialogs.asked.size(), 1u);
    dialogs.answer = false;
    for (int i = 0; i < 3; ++i)
        Run().CountInput(Command::Refusals1, +1);
    EXPECT_EQ(dialogs.asked.size(), 2u) << "the third refusal asks";
    EXPECT_TRUE(Run().Enabled(Command::Stop1)) << "answered Nein: lane 1 runs on";
}

TEST_F(RunOwnershipTest, EnteredRowEqualsItsRecomputation) {
    Start();
    station.GetSettings().ZeitStandart = 10;
    for (const auto& [number, ms, time, faults] :
         {std::tuple{"1", 11'600, "11,6", "1,6"}, std::tuple{"2", 11'570, "11,5", "1,5"},
          std::tuple{"3", 9'990, "9,9", "0,0"}}) {
        Choose(number);
        Run().Start();
        clock.Advance(ms);
        EXPECT_EQ(Run().Lane(0).timeFaultText, faults) << "the lane shows what the entry writes";
        Run().Stop(0);
        Run().Enter();
        Run().AbortOrNext(Command::Next);
        EXPECT_EQ(Time(number), time);
        EXPECT_EQ(Table().Cell(ColTimeFaults1, Row(number)), faults);
    }
    const auto entered = Table().Rows();
    station.Recalculate(Row("2"));
    station.Recalculate(0);
    EXPECT_EQ(Table().Rows(), entered);
}

TEST_F(RunOwnershipTest, TwoRunClass_DisqualificationMarksTheRunItHappensIn) {
    Start(kThreeStarters, 1, 2);
    Choose("1");
    TimedRun(30'000);
    Choose("1");
    Run().Start();
    clock.Advance(31'000);
    Run().Stop(0);
    Run().DisqualifyCommand(0);
    EXPECT_EQ(Time("1"), "30,0") << "run 1 keeps its result";
    EXPECT_EQ(Table().Cell(ColTime2, Row("1")), "DIS");
    EXPECT_EQ(Table().Cell(ColPlace, Row("1")), "DIS") << "no place for a starter disqualified in run 2";
    Run().AbortOrNext(Command::Next);
    Choose("1");
    EXPECT_TRUE(station.Lists().Lane(0).warning) << "both runs are done";
    EXPECT_FALSE(Run().Enabled(Command::Start));
}

TEST_F(RunOwnershipTest, DisqualifyingThePausedStartersRowIsNotOverwritten) {
    Start();
    Choose("1");
    Run().Start();
    clock.Advance(20'000);
    Run().Pause();
    ASSERT_TRUE(station.MayDisqualifyRow());
    station.DisqualifyRow(Row("1"));
    EXPECT_FALSE(Run().Enabled(Command::Stop1)) << "the disqualified run is over";
    Run().Pause();
    Run().Stop(0);
    Run().Enter();
    EXPECT_EQ(Time("1"), "DIS");
    EXPECT_TRUE(Run().Enabled(Command::Next));
}

TEST_F(RunOwnershipTest, AbortAfterTheRunningStartersRowWasRemovedProposesAnExistingStarter) {
    Start("Nr.\tHundename\t\r\n1\tA\t\r\n2\tB\t\r\n3\tC\t\r\n4\tD\t\r\n", 2);
    ASSERT_EQ(station.Lists().Lane(0).Text(), "1");
    ASSERT_EQ(station.Lists().Lane(1).Text(), "2");
    Run().Start();
    clock.Advance(10'000);
    station.RemoveRow(Row("2")); // lane 2's starter leaves while both lanes run
    ASSERT_EQ(station.Lists().Lane(1).Text(), "");
    Run().AbortOrNext(Command::Abbruch);
    EXPECT_EQ(station.Lists().Lane(0).Text(), "1") << "lane 1's starter runs again";
    EXPECT_EQ(station.Lists().Lane(1).Text(), "3") << "lane 2 takes the starter after lane 1's";
    EXPECT_TRUE(Run().Enabled(Command::Start));

    // Lane 1's starter leaves: lane 1 takes the first starter without a time but lane 2's.
    Run().Start();
    clock.Advance(10'000);
    station.RemoveRow(Row("1"));
    Run().AbortOrNext(Command::Abbruch);
    EXPECT_EQ(station.Lists().Lane(0).Text(), "4");
    EXPECT_EQ(station.Lists().Lane(1).Text(), "3");
    EXPECT_TRUE(Run().Enabled(Command::Start));
}

TEST_F(RunOwnershipTest, AbortAfterTheRunningStartersRowWasRemovedProposesTheNextStarter) {
    Start();
    Choose("1");
    TimedRun(30'000);
    Choose("3");
    Run().Start();
    clock.Advance(10'000);
    station.RemoveRow(Row("3"));
    Run().AbortOrNext(Command::Abbruch);
    EXPECT_EQ(station.Lists().Lane(0).Text(), "2") << "the first starter without a time";
    EXPECT_TRUE(Run().Enabled(Command::Start));
}

TEST_F(RunOwnershipTest, SettingsConfirmedAfterALaneDisqualificationThenCtrlZ) {
    Start();
    Choose("1");
    Run().Start();
    clock.Advance(30'000);
    Run().Stop(0);
    Run().DisqualifyCommand(0);
    ASSERT_EQ(Time("1"), "DIS");
    ASSERT_TRUE(Run().Enabled(Command::CFG));
    SettingsForm form = FormFromSettings(station.GetSettings(), {});
    form.lsCfg = 2; // the second lane joins
    SettingsEffects effects;
    ASSERT_TRUE(station.ApplySettingsForm(form, effects));
    // The dialog reset the lanes: the disqualification comes back out, the run does not come back.
    ASSERT_TRUE(station.Undo());
    EXPECT_EQ(Time("1"), "");
    EXPECT_FALSE(Run().Enabled(Command::Eintragen));
    Run().Enter();
    EXPECT_EQ(Table().Cell(ColFaults1, Row("2")), "") << "lane 2 never ran";
    EXPECT_EQ(Table().Cell(ColTotal1, Row("2")), "");
    EXPECT_TRUE(Run().Enabled(Command::Next));
}

} // namespace
} // namespace caniparc
