// The station end to end in simulated time: start-up restores the protocol, a keyboard run is
// entered, ranked and backed up, a refused entry changes nothing, shutdown writes the backup
// before the settings, and a second station never works with the same backup.
#include "station/Station.h"
#include "FakeSerialBackend.h"
#include "ManualClock.h"
#include "RecordingDialogs.h"
#include "protocol/Backup.h"
#include "protocol/ProtocolFile.h"
#include "serial/Dispatcher.h"
#include "settings/SettingsPaths.h"
#include "settings/SettingsStore.h"
#include "station/Dialogs.h"
#include "station/SettingsForm.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

namespace caniparc {
namespace {

namespace fs = std::filesystem;

using testing::RecordingDialogs;

// Runs a step (the other station closing meanwhile) before it answers.
struct WaitingDialogs final : Dialogs {
    std::function<bool()> onAsk;
    std::vector<std::string> asked;
    std::vector<std::string> told;
    bool Ask(const std::string& question) override {
        asked.push_back(question);
        return onAsk();
    }
    void Inform(const std::string& message) override { told.push_back(message); }
};

// Remembers whether the backup file was already written when the settings were saved.
struct ObservingStore final : SettingsStore {
    fs::path backup;
    bool saved = false;
    bool backupExistedAtSave = false;
    std::optional<StoredValues> Load() const override { return std::nullopt; }
    bool Save(const std::vector<NamedValue>&) override {
        saved = true;
        backupExistedAtSave = fs::exists(backup);
        return true;
    }
};

// Always the same moment, so that two start-ups compete for one time-stamped name.
struct FixedWallClock final : WallClock {
    std::int64_t LocalMilliseconds() const override { return 1'796'984'530'000; } // 2026-12-11 10:22:10
};

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class StationTest : public ::testing::Test {
protected:
    StationTest() {
        folder = fs::temp_directory_path() / ("caniparc-station-" + std::to_string(::getpid()) + "-" +
                                              ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder);
        fs::create_directories(folder);
        backupPath = folder / "caniparc-Sicherungsdatei.txt";
        store.backup = backupPath;
    }
    ~StationTest() override {
        std::error_code held; // on Windows the station still holds its backup lock here
        fs::remove_all(folder, held);
    }

    void Start() {
        station.GetSettings().AutoEin = false;
        station.Startup({folder.string() + "/", "", "", {}}, ',');
    }
    void TimedRun(int startNumber, std::int64_t ms) {
        auto& run = station.Run();
        run.SetStartNumber(0, startNumber);
        run.Start();
        clock.Advance(ms);
        run.Stop(0);
        run.Enter();
        run.AbortOrNext(Command::Next);
    }

    fs::path folder;
    fs::path backupPath;
    testing::ManualClock clock;
    RecordingDialogs dialogs;
    ObservingStore store;
    testing::FakeSerialBackend serial;
    HandoverQueue handover;
    Station station{{.time = clock,
                     .scheduler = clock,
                     .dialogs = dialogs,
                     .settingsStore = &store,
                     .serial = &serial,
                     .dispatcher = &handover,
                     .devicePresent = [](const std::string& device) { return device == DeviceForPort(1); }},
                    "caniparc"};
};

TEST_F(StationTest, KeyboardRunsAreEnteredRankedAndBackedUp) {
    Start();
    TimedRun(7, 31'200);
    TimedRun(8, 29'900);
    const auto& table = station.Protocol();
    ASSERT_EQ(table.RowCount(), 3);
    EXPECT_EQ(table.Cell(ColStartNr, 1), "8") << "ranked: the faster starter first";
    EXPECT_EQ(table.Cell(ColPlace, 1), "1");
    EXPECT_EQ(table.Cell(ColPlace, 2), "2");
    EXPECT_EQ(station.GetRanking().bestStartNr, 8);
    EXPECT_EQ(station.Run().Lane(1).digits.value, (std::array<int, 5>{0, 2, 9, 9, 0})) << "lane 2 shows the best time";
    const std::string backup = ReadFile(backupPath);
    EXPECT_NE(backup.find("8\t \t \t \t \t29,9\t"), std::string::npos) << backup;
    EXPECT_TRUE(station.BackupStatusText().empty());
}

TEST_F(StationTest, StartupRestoresTheBackupAndSelectsTheFirstStarterWithoutTime) {
    {
        std::ofstream out(backupPath, std::ios::binary);
        out << "Nr.\tHundename\t\r\n3\tAsta\t\r\n4\tBello\t\r\n";
    }
    Start();
    EXPECT_EQ(station.Protocol().RowCount(), 3);
    EXPECT_EQ(station.Protocol().Cell(ColDogName, 2), "Bello");
    EXPECT_EQ(station.Lists().Lane(0).Text(), "3");
    EXPECT_EQ(station.SelectedRow(), 1);
    station.ChooseFromStartList(0, 1);
    TimedRun(99, 30'000); // the hidden spin edit does not count in start-list mode
    EXPECT_EQ(station.Protocol().Cell(ColTime1, station.Protocol().FindStartRow("4")), "30,0");
    EXPECT_EQ(station.Protocol().RowCount(), 3) << "the entry found the restored starter";
}

TEST_F(StationTest, RefusedEntryInformsTheOperatorAndWritesNothing) {
    Start();
    auto& run = station.Run();
    run.Start();
    clock.Advance(30'000);
    run.Stop(0);
    run.SetLaneField(0, Command::Faults1, "zwei");
    run.Enter();
    ASSERT_EQ(dialogs.told.size(), 1u);
    EXPECT_TRUE(run.Enabled(Command::Eintragen)) << "the run still waits for its entry";
    EXPECT_TRUE(station.Protocol().Cell(ColStartNr, 1).empty());
    EXPECT_FALSE(fs::exists(backupPath));
    run.SetLaneField(0, Command::Faults1, "2");
    run.Enter();
    EXPECT_EQ(station.Protocol().Cell(ColFaults1, 1), "2");
}

TEST_F(StationTest, ShutdownWritesTheBackupBeforeTheSettings) {
    Start();
    TimedRun(1, 30'000);
    fs::remove(backupPath);
    EXPECT_TRUE(station.Shutdown());
    EXPECT_TRUE(store.saved);
    EXPECT_TRUE(store.backupExistedAtSave);
}

TEST_F(StationTest, UnreadableBackupIsKeptAsideInsteadOfOverwritten) {
    fs::create_directories(backupPath); // a folder where the file should be: cannot be read
    Start();
    EXPECT_FALSE(station.BackupStatusText().empty());
    bool kept = false;
    for (const auto& entry : fs::directory_iterator(folder))
        kept |= fs::is_directory(entry.path()) && entry.path().extension() == ".unlesbar";
    EXPECT_TRUE(kept);
    TimedRun(1, 30'000);
    EXPECT_TRUE(fs::is_regular_file(backupPath));
    EXPECT_TRUE(station.BackupStatusText().empty());
}

TEST_F(StationTest, EachUnreadableBackupIsKeptUnderItsOwnName) {
    FixedWallClock wall;
    std::vector<std::string> summaries;
    for (const char* marker : {"erste", "zweite"}) {
        // More lines than a protocol may have: exists, but cannot be read.
        std::ofstream(backupPath, std::ios::binary) << std::string(MaxProtocolFileLines, '\n') << marker << "\r\n";
        Station again({.time = clock,
                       .scheduler = clock,
                       .dialogs = dialogs,
                       .serial = &serial,
                       .dispatcher = &handover,
                       .wallClock = &wall},
                      "caniparc");
        again.Startup({folder.string() + "/", "", "", {}}, ',');
        EXPECT_FALSE(fs::exists(backupPath));
        summaries.push_back(again.BackupStatusSummary());
        EXPECT_NE(again.BackupStatusText().find(folder.string()), std::string::npos) << "the whole path in the details";
    }
    std::vector<std::string> kept;
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().extension() == ".unlesbar")
            kept.push_back(entry.path().filename().string());
    ASSERT_EQ(kept.size(), 2u) << "the second unreadable backup did not replace the first";
    const std::array<const char*, 2> markers = {"erste", "zweite"};
    for (std::size_t i = 0; i < 2; ++i) {
        const std::string name = summaries[i].substr(summaries[i].rfind(' ') + 1);
        EXPECT_TRUE(name.starts_with("caniparc-Sicherungsdatei.txt.2026-12-11-10-22-10")) << summaries[i];
        EXPECT_NE(std::find(kept.begin(), kept.end(), name), kept.end()) << summaries[i];
        EXPECT_NE(ReadFile(folder / name).find(markers[i]), std::string::npos) << name;
    }
    EXPECT_EQ(summaries[0].find(folder.string()), std::string::npos) << "the status bar names the file only";
}

TEST_F(StationTest, StartupRemovesTemporaryFilesOfACrashedBackupWrite) {
    for (const char* name : {"caniparc-Sicherungsdatei.txt.tmp", "caniparc-Sicherungsdatei.txt.Ab3xZ9.tmp",
                             "notizen.tmp", "andere-Sicherungsdatei.txt.Ab3xZ9.tmp"})
        std::ofstream(folder / name) << "halb";
    Start();
    EXPECT_FALSE(fs::exists(folder / "caniparc-Sicherungsdatei.txt.tmp"));
    EXPECT_FALSE(fs::exists(folder / "caniparc-Sicherungsdatei.txt.Ab3xZ9.tmp"));
    EXPECT_TRUE(fs::exists(folder / "notizen.tmp")) << "not one of the station's own";
    EXPECT_TRUE(fs::exists(folder / "andere-Sicherungsdatei.txt.Ab3xZ9.tmp")) << "another program's backup";
}

TEST_F(StationTest, FailedBackupNeedsConsentToCloseUntilTheProtocolIsSavedElsewhere) {
    Start();
    EXPECT_FALSE(station.CloseNeedsBackupConsent());
    station.GetSettings().RezervDir = (folder / "fehlt").string() + "/";
    TimedRun(1, 30'000);
    ASSERT_TRUE(station.Backup().Failing());
    EXPECT_TRUE(station.BackupStatusSummary().starts_with("Sicherung fehlgeschlagen: caniparc-Sicherungsdatei.txt ("))
        << station.BackupStatusSummary();
    EXPECT_NE(station.BackupStatusText().find((folder / "fehlt").string()), std::string::npos);
    EXPECT_TRUE(station.CloseNeedsBackupConsent());
    EXPECT_FALSE(station.SaveProtocolAs((folder / "fehlt" / "x.txt").string()).Ok());
    EXPECT_TRUE(station.CloseNeedsBackupConsent()) << "a failed rescue changes nothing";
    ASSERT_TRUE(station.SaveProtocolAs((folder / "gerettet.txt").string()).Ok());
    EXPECT_FALSE(station.CloseNeedsBackupConsent());
    TimedRun(2, 31'000);
    EXPECT_TRUE(station.CloseNeedsBackupConsent()) << "a later run is again in no file";
}

TEST_F(StationTest, OpeningAFileAsksBeforeReplacingDataAndKeepsTheProtocolWhenUnreadable) {
    Start();
    EXPECT_TRUE(station.MayReplaceProtocol()) << "an empty protocol is replaced without a question";
    EXPECT_TRUE(dialogs.asked.empty());
    TimedRun(5, 30'000);
    dialogs.answer = false;
    EXPECT_FALSE(station.MayReplaceProtocol());
    EXPECT_EQ(dialogs.asked, std::vector<std::string>{"Protokoll überschreiben?"});
    EXPECT_FALSE(station.OpenProtocol((folder / "missing.txt").string()).Ok());
    EXPECT_EQ(station.Protocol().Cell(ColStartNr, 1), "5");

    const fs::path list = folder / "starter.txt";
    std::ofstream(list, std::ios::binary) << "Nr.;Hundename\r\n21;Asta\r\n22;Bello\r\n";
    ASSERT_TRUE(station.OpenProtocol(list.string()).Ok());
    EXPECT_EQ(station.Protocol().Cell(ColDogName, 2), "Bello");
    EXPECT_TRUE(station.ProtocolCommands().save);
    const fs::path saved = folder / "saved.txt";
    ASSERT_TRUE(station.SaveProtocolAs(saved.string()).Ok());
    EXPECT_NE(ReadFile(saved).find("22\tBello\t"), std::string::npos);
}

TEST_F(StationTest, NewProtocolNeedsTheOperatorsYesAndResetsTheBestTime) {
    Start();
    TimedRun(5, 30'000);
    dialogs.answer = false;
    EXPECT_FALSE(station.ClearProtocol());
    EXPECT_EQ(station.Protocol().RowCount(), 2);
    EXPECT_EQ(station.Protocol().Cell(ColStartNr, 1), "5");
    dialogs.answer = true;
    EXPECT_TRUE(station.ClearProtocol());
    EXPECT_EQ(dialogs.asked.back(), "Zeitenprotokoll  löschen?");
    EXPECT_TRUE(station.Protocol().Cell(ColStartNr, 1).empty());
    EXPECT_FALSE(station.ProtocolCommands().save);
    EXPECT_EQ(station.GetRanking().bestTime, 0);
    EXPECT_EQ(station.Run().Lane(1).digits.value, (std::array<int, 5>{0, 0, 0, 0, 0}));
    EXPECT_EQ(station.Run().Lane(0).startNumber, 1);
}

TEST_F(StationTest, BarrierPortOpensAtStartupAndAStartContactStartsTheRun) {
    station.GetSettings().Port = 1;
    Start();
    EXPECT_TRUE(station.Port().Connected());
    EXPECT_EQ(station.GetSettings().TimeFormatIndex, 1) << "hundredths while the port is open";
    EXPECT_EQ(station.GetSettings().PortMask, 0x10001u);
    EXPECT_TRUE(station.PortStatusText().empty());
    station.Routing().LockLS1Click(); // F10 frees the start barrier
    ASSERT_TRUE(serial.WaitUntilWaiting(std::chrono::seconds(2)));
    serial.SetLevels(kLineCts);
    ASSERT_TRUE(handover.ServePending(std::chrono::seconds(2)));
    EXPECT_FALSE(station.Run().Enabled(Command::Start));
    EXPECT_TRUE(station.Shutdown());
    EXPECT_FALSE(serial.IsOpen());
    bool logged = false;
    for (const auto& entry : fs::directory_iterator(folder))
        logged |= entry.path().filename().string().find("-Kontakte-") != std::string::npos;
    EXPECT_TRUE(logged) << "the contact reached the day's contact log";
}

TEST_F(StationTest, PortThatCannotBeOpenedLeavesKeyboardTimingInTenths) {
    station.GetSettings().Port = 1;
    serial.FailNextOpen(OpenStage::Handle, "Device or resource busy");
    Start();
    EXPECT_FALSE(station.Port().Connected());
    EXPECT_EQ(station.GetSettings().TimeFormatIndex, 0);
    EXPECT_EQ(station.PortStatusText(), "Lichtschranken-Port COM1 nicht geöffnet: Device or resource busy")
        << "German around the system's reason";
    station.Run().Start();
    EXPECT_FALSE(station.Run().Enabled(Command::Start));
}

// A six-starter list; rows are "number;name".
void WriteStarterList(const fs::path& path) {
    std::ofstream(path, std::ios::binary) << "Nr.;Hundename\r\n1;A\r\n2;B\r\n3;C\r\n4;D\r\n5;E\r\n6;F\r\n";
}

struct RecordingMonitor final : MonitorStartLabels {
    std::vector<std::string> labels;
    void SetStartLabel(int lane, const std::string& text) override { labels.push_back(std::to_string(lane) + text); }
};

TEST_F(StationTest, StartList_EntryLandsOnTheHighlightedStarterAndNextMovesOn) {
    Start();
    RecordingMonitor monitor;
    station.SetMonitor(&monitor);
    const fs::path list = folder / "starter.txt";
    WriteStarterList(list);
    ASSERT_TRUE(station.OpenProtocol(list.string()).Ok());
    EXPECT_TRUE(station.ProtocolCommands().lane1ListVisible);
    EXPECT_FALSE(station.ProtocolCommands().lane1SpinVisible);
    EXPECT_EQ(station.Lists().Lane(0).Text(), "1");
    EXPECT_EQ(monitor.labels.front(), "0 Start-Nr.:1");
    station.ChooseFromStartList(0, 2);
    EXPECT_EQ(station.SelectedRow(), 3);
    EXPECT_EQ(monitor.labels.back(), "0 Start-Nr.:3");
    TimedRun(1, 31'000); // the spin edit says 1, the list says 3
    const auto& table = station.Protocol();
    EXPECT_EQ(table.Cell(ColTime1, table.FindStartRow("3")), "31,0");
    EXPECT_TRUE(table.Cell(ColTime1, table.FindStartRow("1")).empty()) << "starter 1 keeps no time";
    EXPECT_EQ(station.Lists().Lane(0).Text(), "1") << "Nächster: the first starter without a time";
    EXPECT_TRUE(station.Run().Enabled(Command::Start));

    station.ChooseFromStartList(0, 2); // starter 3 again: has run
    EXPECT_TRUE(station.Lists().Lane(0).warning);
    EXPECT_FALSE(station.Run().Enabled(Command::Start));
    station.Run().Start();
    EXPECT_FALSE(station.Run().Enabled(Command::Stop1)) << "a blocked start starts nothing";
    station.ChooseFromStartList(0, 3);
    EXPECT_FALSE(station.Lists().Lane(0).warning);
    EXPECT_TRUE(station.Run().Enabled(Command::Start));

    // Once a run has begun its starter stays, also after the stop until "Nächster".
    station.Run().Start();
    clock.Advance(20'000);
    station.Run().Stop(0);
    station.ChooseFromStartList(0, 4);
    station.TakeStartersFromRow(table.FindStartRow("6"));
    EXPECT_EQ(station.Lists().Lane(0).Text(), "4");
    station.Run().Enter();
    EXPECT_EQ(table.Cell(ColTime1, table.FindStartRow("4")), "20,0");
}

TEST_F(StationTest, StartList_RestartStandsOnTheFirstStarterWithoutATime) {
    {
        std::ofstream out(backupPath, std::ios::binary);
        out << "Nr.\tHundename\t \t \t \tZeit\t\r\n1\tA\t \t \t \t30,0\t\r\n2\tB\t\r\n3\tC\t\r\n";
    }
    station.GetSettings().LsCFG = 2;
    Start();
    EXPECT_EQ(station.Lists().Lane(0).Text(), "2");
    EXPECT_EQ(station.Lists().Lane(1).Text(), "3");
    EXPECT_TRUE(station.Run().Enabled(Command::Start));
    station.ChooseFromStartList(1, 1); // lane 2 on starter 2 as well
    EXPECT_TRUE(station.Lists().Lane(0).warning);
    EXPECT_TRUE(station.Lists().Lane(1).warning);
    EXPECT_FALSE(station.Run().Enabled(Command::Start));
    station.TakeStartersFromRow(station.Protocol().FindStartRow("2"));
    EXPECT_EQ(station.Lists().Lane(1).Text(), "3");
    EXPECT_TRUE(station.Run().Enabled(Command::Start));
}

TEST_F(StationTest, SchemeC_SpinEditsStartOnDifferentStarters) {
    station.GetSettings().LsCFG = 2;
    Start();
    EXPECT_EQ(station.Run().Lane(1).startNumber, 2);
    EXPECT_TRUE(station.Run().Enabled(Command::Start));
    station.Run().SetStartNumber(1, 1);
    EXPECT_FALSE(station.Run().Enabled(Command::Start)) << "one starter cannot run both lanes";
}

TEST_F(StationTest, LaneDisqualification_MarksTheRowRanksItLastAndWritesTheBackup) {
    Start();
    TimedRun(7, 31'200);
    auto& run = station.Run();
    run.SetStartNumber(0, 8);
    run.Start();
    clock.Advance(29'000);
    run.Stop(0);
    dialogs.answer = true;
    run.DisqualifyCommand(0);
    EXPECT_EQ(dialogs.asked, std::vector<std::string>{"DIS?"});
    const auto& table = station.Protocol();
    const int row = table.FindStartRow("8");
    EXPECT_EQ(row, 2) << "ranked below the clean run";
    EXPECT_EQ(table.Cell(ColTime1, row), "DIS");
    EXPECT_EQ(table.Cell(ColPlace, row), "DIS");
    EXPECT_EQ(station.SelectedRow(), row);
    EXPECT_NE(ReadFile(backupPath).find("8\t \t \t \t \tDIS\t-\t-\t-\t-\t"), std::string::npos) << ReadFile(backupPath);
    EXPECT_TRUE(run.Enabled(Command::Next));
}

TEST_F(StationTest, RefusalLimitAnsweredNein_AsksAgainNeverAndEntersTheRun) {
    Start();
    auto& run = station.Run();
    run.SetStartNumber(0, 4);
    run.Start();
    dialogs.answer = false;
    for (int i = 0; i < 3; ++i)
        run.CountInput(Command::Refusals1, +1);
    EXPECT_EQ(dialogs.asked, std::vector<std::string>{"DIS?"});
    clock.Advance(40'000);
    run.Stop(0);
    run.Enter();
    EXPECT_EQ(station.Protocol().Cell(ColRefusals1, 1), "3");
    EXPECT_EQ(station.Protocol().Cell(ColTime1, 1), "40,0");
}

TEST_F(StationTest, MaximumTimeWithJa_EndsAsDisNeverAsATime) {
    station.GetSettings().ZeitMax = 100;
    Start();
    station.GetSettings().AutoEin = true;
    auto& run = station.Run();
    run.SetStartNumber(0, 9);
    run.Start();
    clock.Advance(100'000);
    clock.Advance(10'000);
    EXPECT_EQ(station.Protocol().Cell(ColTime1, 1), "DIS");
    EXPECT_EQ(station.Protocol().Cell(ColStartNr, 1), "9");
}

TEST_F(StationTest, SpinEditProtocol_KeepsItsSpinEditUntilARowIsAddedByHand) {
    Start();
    TimedRun(7, 31'200);
    station.ToggleBonus(1);
    EXPECT_TRUE(station.ProtocolCommands().lane1SpinVisible) << "a bonus does not turn the numbers into a list";
    const int row = station.AddRow();
    EXPECT_EQ(station.Protocol().Cell(ColStartNr, row), "2");
    EXPECT_TRUE(station.ProtocolCommands().lane1ListVisible);
    EXPECT_EQ(station.Lists().Lane(0).Text(), "2") << "the list appears on the new starter";
}

TEST_F(StationTest, SchemeC_StartLists_BothLanesEnterTheirOwnStarterAndMoveOnTogether) {
    station.GetSettings().LsCFG = 2;
    Start();
    const fs::path list = folder / "starter.txt";
    WriteStarterList(list);
    ASSERT_TRUE(station.OpenProtocol(list.string()).Ok());
    auto& run = station.Run();
    EXPECT_EQ(station.Lists().Lane(0).Text(), "1");
    EXPECT_EQ(station.Lists().Lane(1).Text(), "2");
    run.Start();
    clock.Advance(30'000);
    run.Stop(1);
    clock.Advance(1'000);
    run.Stop(0);
    dialogs.answer = true;
    run.DisqualifyCommand(1);
    run.Enter();
    const auto& table = station.Protocol();
    EXPECT_EQ(table.Cell(ColTime1, table.FindStartRow("1")), "31,0");
    EXPECT_EQ(table.Cell(ColTime1, table.FindStartRow("2")), "DIS");
    run.AbortOrNext(Command::Next);
    EXPECT_EQ(station.Lists().Lane(0).Text(), "3");
    EXPECT_EQ(station.Lists().Lane(1).Text(), "4");
    EXPECT_TRUE(run.Enabled(Command::Start));
}

} // namespace
} // namespace caniparc

namespace caniparc {
namespace {

// A second station on the same folder, with its own dialogs, store and port.
struct OtherStation {
    OtherStation(testing::ManualClock& clock, Dialogs& dialogs)
        : station({.time = clock,
                   .scheduler = clock,
                   .dialogs = dialogs,
                   .settingsStore = &store,
                   .serial = &serial,
                   .dispatcher = &handover,
                   .devicePresent = [](const std::string&) { return false; }},
                  "caniparc") {
        station.GetSettings().AutoEin = false;
    }
    ObservingStore store;
    testing::FakeSerialBackend serial;
    HandoverQueue handover;
    Station station;
};

TEST_F(StationTest, SecondStationOnTheSameBackup_ClosesUntouchedOrWaitsUntilTheFirstHasClosed) {
    Start();
    TimedRun(7, 31'200);
    const std::string afterFirstRun = ReadFile(backupPath);

    // A double click opened a second window. Had it run, whichever closed last would have
    // replaced the other's results in the backup.
    WaitingDialogs refusing;
    refusing.onAsk = [] { return false; };
    {
        OtherStation second(clock, refusing);
        second.store.backup = backupPath;
        EXPECT_FALSE(second.station.Startup({folder.string() + "/", "", "", {}}, ','));
        ASSERT_EQ(refusing.asked.size(), 1u);
        EXPECT_NE(refusing.asked[0].find(backupPath.filename().string()), std::string::npos) << refusing.asked[0];
        EXPECT_TRUE(second.station.Shutdown());
        EXPECT_FALSE(second.store.saved) << "a refused station must not write its settings either";
    }
    EXPECT_EQ(ReadFile(backupPath), afterFirstRun);

    TimedRun(8, 29'900); // the first station goes on working and backing up
    const std::string afterSecondRun = ReadFile(backupPath);
    EXPECT_NE(afterSecondRun, afterFirstRun);

    // A restart before the first window has closed: "Erneut versuchen" once it has.
    WaitingDialogs waiting;
    waiting.onAsk = [this] {
        station.Shutdown();
        return true;
    };
    OtherStation restarted(clock, waiting);
    ASSERT_TRUE(restarted.station.Startup({folder.string() + "/", "", "", {}}, ','));
    EXPECT_EQ(waiting.asked.size(), 1u);
    const auto& table = restarted.station.Protocol();
    ASSERT_EQ(table.RowCount(), 3) << "the restarted station shows what the first one wrote at its close";
    EXPECT_EQ(table.Cell(ColStartNr, 1), "8");
    EXPECT_EQ(table.Cell(ColStartNr, 2), "7");
}

TEST_F(StationTest, SettingsDialog_CannotMoveTheBackupOntoAnotherStationsBackup) {
    Start();
    TimedRun(7, 31'200);
    const std::string firstsBackup = ReadFile(backupPath);

    const fs::path otherFolder = folder / "ring2";
    fs::create_directories(otherFolder);
    WaitingDialogs dialogs2;
    dialogs2.onAsk = [] { return false; };
    OtherStation second(clock, dialogs2);
    ASSERT_TRUE(second.station.Startup({otherFolder.string() + "/", "", "", {}}, ','));
    ASSERT_TRUE(dialogs2.asked.empty()) << "a backup of its own needs no question";

    SettingsForm form = FormFromSettings(second.station.GetSettings(), {});
    form.rezervDir = folder.string() + "/";
    SettingsEffects effects;
    ASSERT_TRUE(second.station.ApplySettingsForm(form, effects));
    ASSERT_EQ(dialogs2.told.size(), 1u);
    EXPECT_NE(dialogs2.told[0].find("andere Caniparc-Station"), std::string::npos) << dialogs2.told[0];
    EXPECT_EQ(second.station.GetSettings().RezervDir, otherFolder.string() + "/");

    auto& run = second.station.Run();
    run.SetStartNumber(0, 9);
    run.Start();
    clock.Advance(25'000);
    run.Stop(0);
    run.Enter();
    EXPECT_EQ(ReadFile(backupPath), firstsBackup) << "the first station's backup stays its own";
    EXPECT_TRUE(fs::exists(otherFolder / "caniparc-Sicherungsdatei.txt"));

    // Once the first station has closed, the folder can be taken over.
    station.Shutdown();
    second.station.Run().AbortOrNext(Command::Next);
    ASSERT_TRUE(second.station.ApplySettingsForm(form, effects));
    EXPECT_EQ(dialogs2.told.size(), 1u);
    EXPECT_EQ(second.station.GetSettings().RezervDir, folder.string() + "/");
}

} // namespace
} // namespace caniparc

namespace caniparc {
namespace {

// A folder typed without its closing "/" names one file for the station that took it and for
// every later start; a backup written earlier under the folder and title run together is found.
class BackupFolderTest : public StationTest {
protected:
    void StartAgain(OtherStation& again, const std::string& storedFolder) {
        again.station.GetSettings().RezervDir = storedFolder; // as the settings file holds it
        ASSERT_TRUE(again.station.Startup({folder.string() + "/", "", "", {}}, ','));
    }
    static void WriteProtocolWithStarter(const fs::path& path, const std::string& startNumber) {
        std::ofstream(path, std::ios::binary) << "StartNr\tHund\r\n" << startNumber << "\tRex\r\n";
    }
    fs::path ring() const { return folder / "ring"; }
    fs::path joined() const { return folder / "ringcaniparc-Sicherungsdatei.txt"; }
};

TEST_F(BackupFolderTest, TypedWithoutSlash_TheRunningStationAndTheNextStartUseTheSameFile) {
    fs::create_directories(ring());
    Start();
    SettingsForm form = FormFromSettings(station.GetSettings(), {});
    form.rezervDir = ring().string();
    SettingsEffects effects;
    ASSERT_TRUE(station.ApplySettingsForm(form, effects));
    EXPECT_EQ(station.GetSettings().RezervDir, WithTrailingSeparator(ring().string()))
        << "kept as the next start reads it";
    TimedRun(7, 31'200);
    EXPECT_FALSE(fs::exists(joined()));
    EXPECT_TRUE(fs::exists(ring() / "caniparc-Sicherungsdatei.txt"));
    const std::string stored = station.GetSettings().RezervDir;
    ASSERT_TRUE(station.Shutdown());

    RecordingDialogs quiet;
    OtherStation again(clock, quiet);
    StartAgain(again, stored);
    ASSERT_EQ(again.station.Protocol().RowCount(), 2) << "the restarted station shows the run";
    EXPECT_EQ(again.station.Protocol().Cell(ColStartNr, 1), "7");
    EXPECT_TRUE(quiet.told.empty());
}

TEST_F(BackupFolderTest, EmptiedFolder_MeansTheDefaultFolderAtOnce) {
    Start();
    SettingsForm form = FormFromSettings(station.GetSettings(), {});
    form.rezervDir.clear();
    SettingsEffects effects;
    ASSERT_TRUE(station.ApplySettingsForm(form, effects));
    EXPECT_EQ(station.GetSettings().RezervDir, folder.string() + "/");
}

TEST_F(BackupFolderTest, JoinedNameBackupAlone_IsTakenOverOnceAndTheOperatorIsTold) {
    fs::create_directories(ring());
    WriteProtocolWithStarter(joined(), "12");
    {
        RecordingDialogs dialogs1;
        OtherStation first(clock, dialogs1);
        StartAgain(first, ring().string());
        ASSERT_EQ(first.station.Protocol().RowCount(), 2);
        EXPECT_EQ(first.station.Protocol().Cell(ColStartNr, 1), "12");
        ASSERT_EQ(dialogs1.told.size(), 1u);
        EXPECT_NE(dialogs1.told[0].find(joined().string()), std::string::npos) << dialogs1.told[0];
        EXPECT_FALSE(fs::exists(joined()));
        EXPECT_TRUE(fs::exists(ring() / "caniparc-Sicherungsdatei.txt"));
        first.station.Shutdown();
    }
    RecordingDialogs dialogs2;
    OtherStation second(clock, dialogs2);
    StartAgain(second, ring().string() + "/");
    EXPECT_EQ(second.station.Protocol().Cell(ColStartNr, 1), "12");
    EXPECT_TRUE(dialogs2.told.empty()) << "said once";
}

TEST_F(BackupFolderTest, JoinedNameBackupBesideARealOne_IsKeptInTheFolderAndNamed) {
    fs::create_directories(ring());
    WriteProtocolWithStarter(joined(), "12");
    WriteProtocolWithStarter(ring() / "caniparc-Sicherungsdatei.txt", "3");
    RecordingDialogs dialogs1;
    OtherStation first(clock, dialogs1);
    StartAgain(first, WithTrailingSeparator(ring().string())); // as the station keeps it on this platform
    EXPECT_EQ(first.station.Protocol().Cell(ColStartNr, 1), "3") << "the real backup is restored";
    ASSERT_EQ(dialogs1.told.size(), 1u);
    EXPECT_FALSE(fs::exists(joined()));
    std::vector<fs::path> kept;
    for (const auto& entry : fs::directory_iterator(ring()))
        if (entry.path().filename().string().starts_with("caniparc-Sicherungsdatei-frueher"))
            kept.push_back(entry.path());
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_NE(ReadFile(kept[0]).find("12\tRex"), std::string::npos);
    EXPECT_NE(dialogs1.told[0].find(kept[0].string()), std::string::npos) << dialogs1.told[0];
}

TEST_F(BackupFolderTest, JoinedNameBackupOfAStationStillRunning_IsLeftAlone) {
    fs::create_directories(ring());
    WriteProtocolWithStarter(joined(), "12");
    ClaimOutcome outcome = ClaimOutcome::Unavailable;
    auto held = ClaimFile(BackupLockName(joined().string()), outcome);
    ASSERT_EQ(outcome, ClaimOutcome::Claimed);
    RecordingDialogs dialogs1;
    OtherStation first(clock, dialogs1);
    StartAgain(first, ring().string() + "/");
    EXPECT_TRUE(fs::exists(joined()));
    EXPECT_TRUE(dialogs1.told.empty());
}

} // namespace
} // namespace caniparc
