// The operator's changes by hand through the station: each is in the backup at once, Ctrl+Z
// takes them back but never an entered run, and a typed refusal count disqualifies its run.
#include "FakeSerialBackend.h"
#include "ManualClock.h"
#include "RecordingDialogs.h"
#include "serial/Dispatcher.h"
#include "station/Dialogs.h"
#include "station/Station.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace caniparc {
namespace {

namespace fs = std::filesystem;

using testing::RecordingDialogs;

class StationEditingTest : public ::testing::Test {
protected:
    StationEditingTest() {
        folder = fs::temp_directory_path() / ("caniparc-editing-" + std::to_string(::getpid()) + "-" +
                                              ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder);
        fs::create_directories(folder);
        std::ofstream(folder / "caniparc-Sicherungsdatei.txt", std::ios::binary)
            << "Nr.\tHundename\t\r\n1\tA\t\r\n2\tB\t\r\n3\tC\t\r\n";
        station.GetSettings().AutoEin = false;
        station.GetSettings().Port = 0;
        station.Startup({folder.string() + "/", "", "", {}}, ',');
    }
    ~StationEditingTest() override {
        std::error_code held; // on Windows the station still holds its backup lock here
        fs::remove_all(folder, held);
    }

    std::string Backup() const {
        std::ifstream in(folder / "caniparc-Sicherungsdatei.txt", std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    void TimedRun(int listIndex, std::int64_t ms) {
        station.ChooseFromStartList(0, listIndex);
        auto& run = station.Run();
        run.Start();
        clock.Advance(ms);
        run.Stop(0);
        run.Enter();
        run.AbortOrNext(Command::Next);
    }
    const ProtocolTable& Table() const { return station.Protocol(); }
    int Row(const char* number) const { return Table().FindStartRow(number); }

    fs::path folder;
    testing::ManualClock clock;
    RecordingDialogs dialogs;
    HandoverQueue handover;
    testing::FakeSerialBackend serial;
    Station station{{.time = clock, .scheduler = clock, .dialogs = dialogs, .serial = &serial, .dispatcher = &handover},
                    "caniparc"};
};

TEST_F(StationEditingTest, EveryChangeByHandIsInTheBackupAtOnce) {
    station.ToggleBonus(Row("2"));
    EXPECT_NE(Backup().find("2\tB\t \t \t \t \t \t \t \t \t \t \t \t \t \t+\t"), std::string::npos) << Backup();
    const int added = station.AddRow();
    EXPECT_EQ(Table().Cell(ColStartNr, added), "4") << "row 1 has no time yet, but 1 to 3 are taken";
    station.CommitCell(ColStartNr, added, "4");
    EXPECT_NE(Backup().find("\r\n4\t"), std::string::npos);
    EXPECT_EQ(station.Lists().Lane(0).items.back(), "4") << "the list follows a typed start number";
    station.RemoveRow(Row("4"));
    EXPECT_EQ(Backup().find("\r\n4\t"), std::string::npos);
    station.DisqualifyRow(Row("3"));
    EXPECT_NE(Backup().find("3\tC\t \t \t \tDIS\t"), std::string::npos) << Backup();
    EXPECT_EQ(Table().Cell(ColPlace, Row("3")), "DIS");
    station.DeleteResults(Row("3"));
    EXPECT_EQ(Table().Cell(ColTime1, Row("3")), "");
    EXPECT_EQ(Backup().find("DIS"), std::string::npos);
}

TEST_F(StationEditingTest, UndoTakesBackChangesByHandStepByStepButNoEnteredRun) {
    station.ToggleBonus(Row("1"));
    station.DisqualifyRow(Row("2"));
    EXPECT_TRUE(station.Undo());
    EXPECT_EQ(Table().Cell(ColTime1, Row("2")), "");
    EXPECT_EQ(Backup().find("DIS"), std::string::npos) << "the undone state is backed up too";
    EXPECT_TRUE(station.Undo());
    EXPECT_EQ(Table().Cell(ColBonus, Row("1")), "");
    EXPECT_FALSE(station.Undo());

    station.ToggleBonus(Row("1"));
    TimedRun(0, 30'000);
    EXPECT_FALSE(station.CanUndo()) << "undoing the bonus now would drop the entered run";
    EXPECT_EQ(Table().Cell(ColTime1, Row("1")), "30,0");
}

TEST_F(StationEditingTest, UndoHoldsTheLastFiftyChanges) {
    for (int i = 0; i < 51; ++i)
        station.ToggleBonus(Row("1"));
    for (int i = 0; i < 50; ++i)
        ASSERT_TRUE(station.Undo()) << i;
    EXPECT_FALSE(station.Undo()) << "the oldest change is no longer held";
    EXPECT_EQ(Table().Cell(ColBonus, Row("1")), "+") << "the first change stays";
}

TEST_F(StationEditingTest, DeletedResultsLeaveThePlacesOfTheOthersComputedAgain) {
    TimedRun(0, 30'000); // starter 1
    const auto& items = station.Lists().Lane(0).items;
    TimedRun(static_cast<int>(std::find(items.begin(), items.end(), "2") - items.begin()), 31'000);
    ASSERT_EQ(Table().Cell(ColPlace, Row("2")), "2");
    station.DeleteResults(Row("1"));
    EXPECT_EQ(Table().Cell(ColPlace, Row("1")), "");
    EXPECT_EQ(Table().Cell(ColPlace, Row("2")), "1");
}

TEST_F(StationEditingTest, CommittedCellsAreFormattedAndRecomputed) {
    station.GetSettings().TimeFormatIndex = 1;
    const int row = Row("2");
    station.CommitCell(ColTime1, row, "61,5");
    const int moved = Row("2");
    EXPECT_EQ(Table().Cell(ColTime1, moved), "61,50");
    EXPECT_EQ(Table().Cell(ColTimeFaults1, moved), "1,50");
    EXPECT_EQ(Table().Cell(ColTotal1, moved), "1,50");
    EXPECT_FALSE(Table().Cell(ColSpeed, moved).empty());
    station.CommitCell(ColFaults1, moved, "x1"); // does not convert: stays, counts 0
    EXPECT_EQ(Table().Cell(ColFaults1, moved), "x1");
    EXPECT_EQ(Table().Cell(ColTotal1, moved), "1,50");
}

TEST_F(StationEditingTest, TypedRefusalCountDisqualifiesItsOwnRunWithoutTouchingAClock) {
    station.GetSettings().Adel = 3;
    auto& run = station.Run();
    station.ChooseFromStartList(0, 2);
    run.Start(); // starter 3 is running on lane 1
    dialogs.answer = false;
    station.CommitCell(ColRefusals1, Row("1"), "3");
    EXPECT_EQ(Table().Cell(ColRefusals1, Row("1")), "2") << "Nein: one below the limit";
    dialogs.answer = true;
    station.CommitCell(ColRefusals1, Row("1"), "4");
    EXPECT_EQ(Table().Cell(ColTime1, Row("1")), "DIS");
    station.GetSettings().LaufCount = 2;
    station.CommitCell(ColRefusals2, Row("2"), "3");
    EXPECT_EQ(Table().Cell(ColTime2, Row("2")), "DIS");
    EXPECT_EQ(Table().Cell(ColTime1, Row("2")), "") << "run 1 is not touched";
    EXPECT_TRUE(run.Enabled(Command::Stop1)) << "the running lane goes on";
    EXPECT_EQ(dialogs.asked.size(), 3u);
}

TEST_F(StationEditingTest, DisqualifyingTheWaitingStarterKeepsItsRunOut) {
    auto& run = station.Run();
    station.ChooseFromStartList(0, 1);
    run.Start();
    EXPECT_FALSE(station.MayDisqualifyRow());
    clock.Advance(30'000);
    run.Stop(0);
    station.DisqualifyRow(Row("2"));
    run.Enter();
    EXPECT_EQ(Table().Cell(ColTime1, Row("2")), "DIS") << "the entry must not overwrite the disqualification";
}

TEST_F(StationEditingTest, RemovingARowProposesTheStartersAfterTheLastPlaced) {
    TimedRun(0, 30'000);
    station.RemoveRow(Row("3"));
    EXPECT_EQ(station.Run().Lane(0).startNumber, 2);
    station.RemoveRow(Row("2"));
    station.RemoveRow(Row("1"));
    EXPECT_EQ(Table().RowCount(), 2) << "the only row is emptied, not removed";
    EXPECT_EQ(Table().Cell(ColStartNr, 1), "");
}

TEST_F(StationEditingTest, RemovedRowProposesTheNextStartersForBothSpinBoxes) {
    TimedRun(0, 30'000); // starter 1 is placed; 2 and 3 follow
    ASSERT_EQ(station.Run().Lane(1).startNumber, 2);
    station.RemoveRow(station.AddRow());
    EXPECT_EQ(station.Run().Lane(0).startNumber, 2);
    EXPECT_EQ(station.Run().Lane(1).startNumber, 3);
}

} // namespace
} // namespace caniparc
