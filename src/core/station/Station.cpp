// Start-up, shutdown and the protocol side of the run (see Station.h).
#include "station/Station.h"

#include "common/NumberText.h"
#include "export/SpreadsheetImport.h"
#include "protocol/ProtocolEdit.h"
#include "protocol/RunEntry.h"
#include "serial/Dispatcher.h"
#include "serial/SerialBackend.h"
#include "settings/FileAccess.h"
#include "settings/SettingsIO.h"
#include "station/BackupFolder.h"
#include "station/Dialogs.h"
#include "station/SettingsForm.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <string_view>
#include <utility>

namespace caniparc {

namespace {

// The service the caller gave, or one the station makes and keeps itself.
template <typename T, typename Make> T& ServiceOr(T*& service, std::unique_ptr<T>& own, Make make) {
    if (!service) {
        own = make();
        service = own.get();
    }
    return *service;
}

LaneInputs InputsOf(const LaneEntry& lane, const StartLists& lists, const StartContext& context) {
    LaneInputs inputs;
    inputs.entered = true;
    inputs.startListShown = lists.Shown(lane.lane, context.lsCfg);
    inputs.startNumber = LaneStartNumber(lists, lane.lane, context);
    inputs.faults = lane.faultsText;
    inputs.refusals = lane.refusalsText;
    inputs.timeFaults = lane.timeFaultText;
    inputs.time = lane.timeText;
    return inputs;
}

// The port component names the failed step in English before the system's reason; the status
// bar says it in German around that reason.
std::string PortFailureText(const std::string& error) {
    constexpr std::array<std::pair<std::string_view, std::string_view>, 2> steps = {
        {{"Unable to open com port: ", "nicht geöffnet: "}, {"Unable to set com state: ", "nicht einstellbar: "}}};
    for (const auto& [component, german] : steps) {
        if (error.starts_with(component)) {
            const std::string reason = error.substr(component.size());
            return std::string(german) + (reason.starts_with("no port ") ? "kein solcher Port" : reason);
        }
    }
    return "nicht geöffnet: " + error;
}

} // namespace

Station::Station(StationServices services, std::string programTitle)
    : services_(services), backup_(settings_, ServiceOr(services_.fileSystem, ownFileSystem_, MakeLocalFileSystem)),
      run_(services.time, services.scheduler, settings_, services.sound),
      port_(std::make_unique<ComPort>(
          ServiceOr(services_.serial, ownSerial_, MakePlatformSerialBackend),
          ServiceOr(services_.dispatcher, ownDispatcher_, [] { return std::make_unique<HandoverQueue>(); }),
          services.time)),
      contactLog_(settings_, services.time, ServiceOr(services_.wallClock, ownWallClock_, MakeSystemWallClock),
                  services.scheduler),
      routing_(settings_, run_, services.time, *port_, &contactLog_), opener_(*port_, settings_, services.scheduler) {
    settings_.ProgramTitle = std::move(programTitle);
    run_.SetHooks(this);
    ConnectPort();
}

void Station::ConnectPort() {
    routing_.AttachTo(*port_);
    const auto barriersChanged = [this] {
        if (listener_)
            listener_->BarriersChanged();
    };
    routing_.OnDisplayChange = [this, barriersChanged](const BarrierDisplay&) {
        // The port opened or closed, so times switch between hundredths and tenths. A ready
        // station (the settings dialog reopens the port 50 ms after "OK") repaints its lanes in
        // the new format, or the hundredths digit would stay dim.
        if (run_.Enabled(Command::Start)) {
            run_.ResetLane(0);
            run_.ResetLane(1);
            ShowBestTime();
        }
        barriersChanged();
    };
    routing_.OnImitationChange = [barriersChanged](const ImitationButtons&) { barriersChanged(); };
    port_->OnStatusChange = [this](const PortStatus&) {
        if (listener_)
            listener_->StatusChanged();
    };
}

Station::~Station() {
    run_.SetHooks(nullptr);
}

bool Station::Startup(const StationPaths& paths, char decimalSeparator) {
    settings_.DecimalSeparator = decimalSeparator;
    programFolder_ = paths.programFolder;
    environment_ = paths.environment;
    if (services_.settingsStore)
        storedBoundsFound_ = LoadSettings(*services_.settingsStore, settings_).valuesTaken >= 4;
    ClampToDialogRanges(settings_);
    settings_.Monitor = MonitorInRange(settings_.Monitor, paths.monitorCount);
    ApplyBackupFolder();
    if (!ClaimBackupAtStartup()) {
        shutDown_ = true; // nothing of this station may reach the disk
        return false;
    }
    if (const std::string found = AdoptJoinedNameBackup(*services_.fileSystem, settings_, FileNameStamp());
        !found.empty())
        services_.dialogs.Inform(found);
    RemoveStaleTemporaries(BackupFileName(settings_));
    run_.SetSoundPaths({paths.startSound, paths.stopSound});
    settings_.PortMask = ProbePorts(services_.devicePresent ? services_.devicePresent : PlatformDevicePresent());
    opener_.OpenAtStartup();
    WriteColumnTitles(table_);
    restoreResult_ = backup_.Restore(table_, sort_, ranking_).result;
    KeepUnreadableBackup();
    routing_.SetCourseScheme(settings_.LsCFG);
    if (settings_.LsCFG < 2)
        RecalcPlaces(table_, settings_, sort_, ranking_);
    run_.SetStartNumber(1, 2); // scheme C: the second lane starts on the second starter
    FillListsAfterLoad();
    run_.MakeReady();
    ShowBestTime();
    if (listener_ && (!restoreResult_.Ok() || !opener_.LastError().empty()))
        listener_->StatusChanged();
    return true;
}

namespace {

std::string AnotherStationText(const std::string& backupFile) {
    return "Eine andere Caniparc-Station arbeitet schon mit der Sicherungsdatei\n" + backupFile +
           "\n\nZwei Stationen mit einer Sicherungsdatei überschreiben sich beim Beenden gegenseitig die "
           "Ergebnisse.";
}

std::string LockKey(const std::string& backupFile) {
    return std::filesystem::path(backupFile).lexically_normal().string();
}

} // namespace

bool Station::ClaimBackupAtStartup() {
    // A second window opened by a double click, or a restart before the first window has
    // closed: whichever closes last would replace the other's results in the backup.
    while (!ClaimBackup()) {
        if (!services_.dialogs.Ask(AnotherStationText(BackupFileName(settings_)) +
                                   "\n\nErneut versuchen? (Nein beendet dieses Fenster.)"))
            return false;
    }
    return true;
}

bool Station::FollowBackupClaim() {
    return LockKey(BackupFileName(settings_)) == claimedBackup_ || ClaimBackup();
}

bool Station::ClaimBackup() {
    const std::string path = BackupFileName(settings_);
    ClaimOutcome outcome = ClaimOutcome::Unavailable;
    auto claim = ClaimFile(BackupLockName(path), outcome);
    if (outcome == ClaimOutcome::HeldElsewhere)
        return false;
    backupClaim_ = std::move(claim); // releases the old backup only once the new one is held
    claimedBackup_ = LockKey(path);
    return true;
}

std::string Station::PortStatusText() const {
    if (!opener_.LastError().empty())
        return "Lichtschranken-Port COM" + std::to_string(settings_.Port) + " " + PortFailureText(opener_.LastError());
    const PortStatus status = port_->Status();
    if (!status.open)
        return {};
    if (status.failing)
        return "Lichtschranken-Port " + status.device + " antwortet nicht";
    if (status.notes.ctsUnavailable)
        return "Adapter " + status.device + " hat kein CTS: die Start-LS (7+8) wird nicht erkannt";
    if (status.notes.lowLatencyRefused)
        return "USB-Adapter " + status.device + " meldet Kontakte bis 16 ms verspätet";
    return {};
}

void Station::ApplyBackupFolder() {
    ApplyBackupFolderDefault(settings_, programFolder_, environment_, FolderAcceptsFiles);
}

std::string Station::FileNameStamp() const {
    std::string stamp = FormatLocalTime(services_.wallClock->LocalMilliseconds()).substr(0, 19);
    std::replace(stamp.begin(), stamp.end(), ' ', '-');
    std::replace(stamp.begin(), stamp.end(), ':', '-');
    return stamp;
}

void Station::KeepUnreadableBackup() {
    // The next entry would overwrite a backup that exists but could not be read; move it
    // aside first so the previous session's results can still be recovered by hand. Each one
    // gets its own name: a second unreadable backup must not replace the first.
    if (restoreResult_.Ok() || IsMissingFile(restoreResult_))
        return;
    const std::string path = BackupFileName(settings_);
    const std::string stamp = FileNameStamp();
    for (int attempt = 1; attempt <= 100; ++attempt) {
        const std::string suffix = attempt == 1 ? "" : "-" + std::to_string(attempt);
        const std::string kept = path + "." + stamp + suffix + ".unlesbar";
        const std::error_code error = services_.fileSystem->RenameNoReplace(path, kept);
        if (!error) {
            keptBackup_ = kept;
            return;
        }
        if (error != std::errc::file_exists)
            return;
    }
}

std::string Station::BackupStatusText() const {
    if (backup_.Failing())
        return backup_.StatusText();
    if (!restoreResult_.Ok() && !IsMissingFile(restoreResult_)) {
        std::string text = DescribeFileResult(restoreResult_);
        if (!keptBackup_.empty())
            text += "; aufbewahrt als " + keptBackup_;
        return text;
    }
    return {};
}

std::string Station::BackupStatusSummary() const {
    const auto brief = [](const char* what, const FileResult& result) {
        return std::string(what) + std::filesystem::path(result.path).filename().string() + " (" +
               ShortFileReason(result) + ")";
    };
    if (backup_.Failing())
        return brief("Sicherung fehlgeschlagen: ", backup_.LastWrite());
    if (!restoreResult_.Ok() && !IsMissingFile(restoreResult_)) {
        if (keptBackup_.empty())
            return brief("Sicherung unlesbar: ", restoreResult_);
        return "Sicherung unlesbar, aufbewahrt als " + std::filesystem::path(keptBackup_).filename().string();
    }
    return {};
}

void Station::ShowBestTime() {
    if (settings_.LsCFG >= 2)
        return;
    const std::int64_t ms = ranking_.bestTime;
    run_.ShowDigits(1, ms / 1000, static_cast<int>((ms % 1000) / 10));
    if (listener_)
        listener_->RankingChanged();
}

bool Station::EnterRun(const RunEntry& entry) {
    std::array<LaneInputs, 2> lanes;
    const StartContext context = MakeStartContext();
    const std::array<const std::optional<LaneEntry>*, 2> entered = {&entry.lane1, &entry.lane2};
    for (int lane = 0; lane < 2; ++lane) {
        const auto& laneEntry = *entered[static_cast<std::size_t>(lane)];
        if (!laneEntry)
            continue;
        // The run belongs to the starter its lane started with; when that row is gone the run is
        // entered nowhere else and keeps waiting.
        if (StarterGone(lane)) {
            services_.dialogs.Inform(StarterGoneText(lane));
            return false;
        }
        LaneInputs& inputs = lanes[static_cast<std::size_t>(lane)];
        inputs = InputsOf(*laneEntry, lists_, context);
        if (StarterLive(lane)) {
            inputs.row = StarterRow(lane);
            inputs.startNumber = starters_[static_cast<std::size_t>(lane)].number;
            inputs.startListShown = true; // the number as it was taken, not read again
        }
    }
    const EntryOutcome outcome = EnterRunIntoProtocol(table_, settings_, sort_, ranking_, lanes);
    if (!outcome.ok) {
        services_.dialogs.Inform(outcome.error);
        return false;
    }
    if (outcome.selectRow > 0)
        SelectRow(outcome.selectRow);
    ShowBestTime();
    ForgetUndo(); // an undo must never take an entered run back out
    WriteBackup();
    UpdateStartState();
    return true;
}

void Station::LaneStarted(int lane) {
    LaneStarter& starter = starters_.at(static_cast<std::size_t>(lane));
    starter.run = run_.RunNumber();
    starter.number = caniparc::LaneStartNumber(lists_, lane, MakeStartContext());
    const int row = table_.FindStartRow(starter.number);
    starter.row = row > 0 ? table_.IdOf(row) : 0;
}

bool Station::StarterLive(int lane) const {
    const LaneStarter& starter = starters_.at(static_cast<std::size_t>(lane));
    return starter.run != 0 && starter.run == run_.RunNumber();
}

int Station::StarterRow(int lane) const {
    if (!StarterLive(lane))
        return -1;
    const LaneStarter& starter = starters_.at(static_cast<std::size_t>(lane));
    if (starter.row != 0)
        return table_.FindRow(starter.row);
    // No row at the start: the row made for its number since (typed or added) is its row.
    return table_.FindStartRow(starter.number);
}

bool Station::StarterGone(int lane) const {
    return StarterLive(lane) && starters_.at(static_cast<std::size_t>(lane)).row != 0 && StarterRow(lane) < 0;
}

std::string Station::StarterGoneText(int lane) const {
    return "Der Starter dieses Laufs ist nicht mehr im Protokoll (Bahn " + std::to_string(lane + 1) + ", Start-Nr. " +
           starters_.at(static_cast<std::size_t>(lane)).number +
           ").\nSeine Zeit bleibt stehen: die Zeile des Starters mit Doppelklick wählen (oder mit Strg+Z "
           "zurückholen) und erneut eintragen, oder den Lauf abbrechen.";
}

std::vector<int> Station::LiveLanesOfRow(int row) const {
    std::vector<int> lanes;
    for (int lane = 0; lane < 2; ++lane)
        if (run_.LaneEntryPending(lane) && StarterRow(lane) == row)
            lanes.push_back(lane);
    return lanes;
}

bool Station::SecondRunDue(int row) const {
    return settings_.LaufCount > 1 && !TrimBlanks(table_.Cell(ColTime1, row)).empty();
}

void Station::ChooseNextStarter(int lane) {
    if (lists_.Shown(lane, settings_.LsCFG)) {
        const int row = ChooseNextFromList(lists_, table_, lane, nextStarterRow_);
        SelectRow(row);
        UpdateStartState();
        ShowMonitorLabel(lane);
        return;
    }
    // Without a start list the spin edits just count on; the protocol only shows the row of
    // the next starter without a time, and lane 2 the row after it.
    if (lane == 0)
        nextStarterRow_ = FirstRowWithoutTime(table_);
    else if (nextStarterRow_ > 0 && nextStarterRow_ + 1 < table_.RowCount())
        ++nextStarterRow_;
    else
        return;
    if (nextStarterRow_ > 0)
        SelectRow(nextStarterRow_);
}

void Station::StarterRunsAgain(int lane) {
    // A starter whose row was removed during the run cannot run again: the lane, left on no
    // starter, is given one that is there.
    if (!lists_.Shown(lane, settings_.LsCFG) || !lists_.Lane(lane).Text().empty())
        return;
    const int row = ProposeStarter(lists_, table_, lane, settings_.LsCFG);
    SelectRow(row);
    UpdateStartState();
    ShowMonitorLabel(lane);
}

ProtocolCommandState Station::ProtocolCommands() const {
    ProtocolCommandContext context;
    context.lane1Running = run_.Lane(0).clockRunning;
    context.lane2Running = run_.Lane(1).clockRunning;
    context.runInProgress = run_.RunInProgress();
    context.lsCfg = settings_.LsCFG;
    context.lane1ListEmpty = lists_.Lane(0).items.empty();
    context.lane2ListEmpty = lists_.Lane(1).items.empty();
    // The station writes both files itself; no office program needs to be installed.
    context.spreadsheetAvailable = true;
    context.documentAvailable = true;
    return UpdateProtocolCommands(table_, context);
}

void Station::RefreshProtocolCommands() {
    if (listener_)
        listener_->ProtocolCommandsChanged();
}

bool Station::MayReplaceProtocol() {
    return !ProtocolHoldsData(table_) || services_.dialogs.Ask("Protokoll überschreiben?");
}

FileResult Station::OpenProtocol(const std::string& path) {
    run_.AbortOrNext(Command::Abbruch);
    const ProtocolLoad load = ReadProtocolFile(path, table_, settings_, sort_, ranking_);
    if (load.result.Ok()) {
        ForgetUndo();
        FillListsAfterLoad();
        ShowBestTime();
    }
    RefreshProtocolCommands();
    return load.result;
}

std::string Station::ImportSpreadsheet(const std::string& path) {
    run_.AbortOrNext(Command::Abbruch);
    SheetImport sheet = ReadSpreadsheetFile(path, settings_);
    if (sheet.error.empty()) {
        LoadImportedRows(std::move(sheet.rows), table_, settings_, sort_, ranking_);
        ForgetUndo();
        FillListsAfterLoad();
        ShowBestTime();
    }
    RefreshProtocolCommands();
    return sheet.error;
}

FileResult Station::SaveProtocolAs(const std::string& path) {
    FileResult result = WriteProtocolFile(*services_.fileSystem, table_, path);
    if (result.Ok() && backup_.Failing())
        savedSinceBackupFailed_ = true;
    return result;
}

bool Station::ClearProtocol() {
    if (run_.RunInProgress())
        return false;
    if (!services_.dialogs.Ask("Zeitenprotokoll  löschen?"))
        return false;
    const NewProtocolReset reset = NewProtocol(table_, settings_.LsCFG);
    lists_ = {};
    ForgetUndo();
    run_.SetStartNumber(0, reset.lane1StartNumber);
    run_.SetStartNumber(1, reset.lane2StartNumber);
    if (reset.resetBestTime) {
        ranking_ = {};
        ShowBestTime();
    }
    UpdateStartState();
    RefreshProtocolCommands();
    return true;
}

StartContext Station::MakeStartContext() const {
    StartContext context;
    context.lsCfg = settings_.LsCFG;
    context.laufCount = settings_.LaufCount;
    context.spinValues = {run_.Lane(0).startNumber, run_.Lane(1).startNumber};
    return context;
}

LiveState Station::LiveSnapshot() const {
    return MakeLiveState({settings_,
                          table_,
                          run_.Model(),
                          ranking_,
                          {run_.LaneInUse(0), run_.LaneInUse(1)},
                          {LaneStartNumber(0), LaneStartNumber(1)}});
}

std::string Station::LaneStartNumber(int lane) const {
    // While its run is live a lane shows the starter it started with.
    if (StarterLive(lane)) {
        const int row = StarterRow(lane);
        return row > 0 ? table_.Cell(ColStartNr, row) : starters_.at(static_cast<std::size_t>(lane)).number;
    }
    return caniparc::LaneStartNumber(lists_, lane, MakeStartContext());
}

void Station::UpdateStartState() {
    run_.SetStartBlocked(!UpdateWarnings(lists_, table_, MakeStartContext()));
    if (listener_)
        listener_->StartListsChanged();
}

void Station::ShowMonitorLabel(int lane) {
    if (monitor_ && (lane == 0 || settings_.LsCFG == 2))
        monitor_->SetStartLabel(lane, MonitorStartLabel(LaneStartNumber(lane)));
}

void Station::FillListsAfterLoad() {
    // The list stands on the first starter without a time, so that the number a run is entered
    // under is always the highlighted starter's.
    const int row = FillStartLists(lists_, table_);
    if (row > 0 && table_.RowCount() > 2)
        SelectRow(row);
    UpdateStartState();
    ShowMonitorLabel(0);
    ShowMonitorLabel(1);
}

void Station::ChooseFromStartList(int lane, int index) {
    if (lane < 0 || lane > 1)
        return;
    LaneStartList& list = lists_.Lane(lane);
    if (index < -1 || index >= static_cast<int>(list.items.size()) || !run_.Lane(lane).startNumberEnabled)
        return;
    list.index = index;
    SelectRow(table_.FindStartRow(list.Text()));
    UpdateStartState();
    ShowMonitorLabel(lane);
}

void Station::TakeStartersFromRow(int row) {
    // A stopped run waiting for its entry whose starter's row is gone takes the row the operator
    // chooses.
    for (int lane = 0; lane < 2; ++lane) {
        const bool stopped = !run_.Enabled(lane == 0 ? Command::Stop1 : Command::Stop2);
        if (StarterGone(lane) && stopped && run_.LaneEntryPending(lane) && row >= 1 && row < table_.RowCount()) {
            starters_[static_cast<std::size_t>(lane)].row = table_.IdOf(row);
            starters_[static_cast<std::size_t>(lane)].number = table_.Cell(ColStartNr, row);
            SelectRow(row);
            UpdateStartState();
            ShowMonitorLabel(lane);
            return;
        }
    }
    // Only between runs: a stopped run waiting for its entry keeps the starter it began with.
    if (!run_.Lane(0).startNumberEnabled || (settings_.LsCFG == 2 && !run_.Lane(1).startNumberEnabled))
        return;
    caniparc::TakeStartersFromRow(lists_, table_, settings_.LsCFG, row);
    UpdateStartState();
    ShowMonitorLabel(0);
    ShowMonitorLabel(1);
}

void Station::StartNumberChanged(int lane) {
    UpdateStartState();
    if (!lists_.Shown(lane, settings_.LsCFG))
        ShowMonitorLabel(lane);
}

bool Station::ConfirmDisqualification() {
    return services_.dialogs.Ask("DIS?");
}

bool Station::Disqualify(int lane) {
    if (StarterGone(lane)) {
        services_.dialogs.Inform(StarterGoneText(lane));
        return false;
    }
    const std::string number =
        StarterLive(lane) ? starters_[static_cast<std::size_t>(lane)].number : LaneStartNumber(lane);
    if (number.empty())
        return true;
    BeginManualChange();
    int row = StarterRow(lane);
    if (row < 0) {
        row = FindOrMakeStarterRow(table_, number);
        if (StarterLive(lane))
            starters_[static_cast<std::size_t>(lane)].row = table_.IdOf(row);
    }
    // The disqualification marks the run it happens in.
    if (SecondRunDue(row))
        DisqualifySecondRunCells(table_, row);
    else
        DisqualifyRowCells(table_, row);
    std::vector<int> moved;
    int shown = row;
    if (RecalcPlaces(table_, settings_, sort_, ranking_, &moved))
        shown = moved[static_cast<std::size_t>(row)];
    SelectRow(shown);
    ShowBestTime();
    EndManualChange();
    return true;
}

bool Station::ApplySettingsForm(const SettingsForm& form, SettingsEffects& effects) {
    if (!run_.Enabled(Command::CFG))
        return false;
    const std::string backupFolder = settings_.RezervDir;
    CopyFormToSettings(form, settings_);
    ApplyBackupFolder();
    if (!FollowBackupClaim()) {
        const std::string refused = BackupFileName(settings_);
        settings_.RezervDir = backupFolder;
        services_.dialogs.Inform(AnotherStationText(refused) + "\n\nDer Sicherungsordner bleibt " + backupFolder + ".");
    }
    effects.CourseTimesChanged();
    effects.AutoEntryHintChanged();
    effects.BonusEntriesChanged();
    routing_.SetCourseScheme(settings_.LsCFG);
    if (settings_.LsCFG < 2)
        RecalcPlaces(table_, settings_, sort_, ranking_);
    effects.CourseSchemeApplied();
    settings_.Monitor = form.monitorListEnabled ? form.monitorIndex : 0;
    effects.MonitorChanged();
    opener_.ApplyChoice(ChosenPort(form), form.alg);
    run_.ResetLanesBetweenRuns();
    ShowBestTime(); // lane 2 shows the best time again in the one-lane schemes
    effects.LanesReset();
    effects.ColumnsChanged();
    RefreshProtocolCommands();
    return !services_.settingsStore || SaveSettings(*services_.settingsStore, settings_);
}

void Station::WriteBackup() {
    const std::string before = BackupStatusText();
    if (!backup_.Write(table_).Ok())
        savedSinceBackupFailed_ = false;
    restoreResult_ = {}; // the backup on disk is the current protocol now
    if (listener_ && BackupStatusText() != before)
        listener_->StatusChanged();
}

void Station::SelectRow(int row) {
    if (row <= 0)
        return;
    selectedRow_ = row; // a window built later starts from here
    if (listener_)
        listener_->SelectRow(row);
}

bool Station::Shutdown() {
    if (shutDown_)
        return true;
    shutDown_ = true;
    WriteBackup();
    const bool settingsSaved = !services_.settingsStore || SaveSettings(*services_.settingsStore, settings_);
    port_->Close();
    contactLog_.Flush();
    backupClaim_.reset(); // a station started meanwhile may go on now: this one writes no more
    return settingsSaved && !backup_.Failing();
}

} // namespace caniparc
