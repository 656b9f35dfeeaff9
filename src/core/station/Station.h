// The station as one object: owns the settings, the run clock, the protocol with its ranking
// and backup (and, as they arrive, the serial port), runs the start-up and shutdown sequences
// and enters finished runs into the protocol. Platform services come in from outside, so the
// same sequences run in the tests.
#pragma once

#include "live/LiveState.h"
#include "protocol/Backup.h"
#include "protocol/ProtocolCommands.h"
#include "protocol/ProtocolSort.h"
#include "protocol/ProtocolTable.h"
#include "protocol/Ranking.h"
#include "protocol/StartLists.h"
#include "serial/BarrierRouting.h"
#include "serial/ComPort.h"
#include "serial/PortProbe.h"
#include "settings/Settings.h"
#include "settings/SettingsPaths.h"
#include "timing/ContactLog.h"
#include "timing/RunClock.h"

#include <memory>
#include <string>

namespace caniparc {

class Dialogs;
class Dispatcher;
struct SettingsForm;
class FileClaim;
class FileSystem;
class SerialBackend;
class Scheduler;
class SettingsStore;
class SoundPlayer;
class TimeSource;

struct StationServices {
    const TimeSource& time;
    Scheduler& scheduler;
    Dialogs& dialogs;
    SoundPlayer* sound = nullptr;
    SettingsStore* settingsStore = nullptr; // null: defaults, nothing stored
    FileSystem* fileSystem = nullptr;       // null: the local disk
    // The barrier port. Null backend: the platform's; null dispatcher: a hand-over queue that
    // only ServePending drains (enough while no port is open).
    SerialBackend* serial = nullptr;
    Dispatcher* dispatcher = nullptr;
    WallClock* wallClock = nullptr;   // null: the system's local time
    DevicePresent devicePresent = {}; // empty: the platform's presence test
};

struct StationPaths {
    std::string programFolder; // with a trailing separator
    std::string startSound;    // empty when the file did not exist at start-up
    std::string stopSound;
    UserEnvironment environment; // where the per-user folders are
    int monitorCount = 1;        // monitors of the system; a stored Monitor beyond them is reset
};

// What the windows change when the settings dialog is confirmed, called in the order the
// station applies the dialog's values (each step sees the settings as far as they are applied).
class SettingsEffects {
public:
    virtual ~SettingsEffects() = default;
    virtual void CourseTimesChanged() {}   // standard and maximum time labels
    virtual void AutoEntryHintChanged() {} // the hint of the automatic-entry check box
    virtual void BonusEntriesChanged() {}  // the bonus entries of the protocol's context menu
    virtual void CourseSchemeApplied() {}  // lane 2 and the scheme-dependent captions
    virtual void MonitorChanged() {}       // move the spectators' display to the chosen monitor
    virtual void LanesReset() {}           // both lanes are ready again
    virtual void ColumnsChanged() {}       // the protocol's column layout
};

// What the windows follow beyond the run clock's own model.
class StationListener {
public:
    virtual ~StationListener() = default;
    virtual void SelectRow(int row) = 0;        // the protocol row to select and show
    virtual void StatusChanged() = 0;           // the backup or the barrier port began or stopped failing
    virtual void RankingChanged() = 0;          // best time and best start number
    virtual void BarriersChanged() = 0;         // lock pictures, contact lists, imitation buttons
    virtual void ProtocolCommandsChanged() = 0; // open, save, new protocol and their kin
    virtual void StartListsChanged() {}         // the lanes' lists, chosen starters and warnings
};

// The second monitor's start-number labels; the monitor window implements it.
class MonitorStartLabels {
public:
    virtual ~MonitorStartLabels() = default;
    // " Start-Nr.:" followed by the lane's chosen start number.
    virtual void SetStartLabel(int lane, const std::string& text) = 0;
};

class Station final : private RunHooks {
public:
    Station(StationServices services, std::string programTitle);
    ~Station() override;

    Settings& GetSettings() { return settings_; }
    RunClock& Run() { return run_; }
    ProtocolTable& Protocol() { return table_; }
    const ProtocolTable& Protocol() const { return table_; }
    SortState& Sort() { return sort_; }
    const Ranking& GetRanking() const { return ranking_; }
    const ProtocolBackup& Backup() const { return backup_; }
    BarrierRouting& Routing() { return routing_; }
    const ComPort& Port() const { return *port_; }
    // The status-bar text about the backup: why it failed, empty while all is well. The summary
    // fits the status bar (file names without folders); the text has every detail.
    std::string BackupStatusText() const;
    std::string BackupStatusSummary() const;
    // The status-bar text about the barrier port: why it is closed, or what limits it.
    std::string PortStatusText() const;
    void SetListener(StationListener* listener) { listener_ = listener; }
    const std::string& ProgramFolder() const { return programFolder_; }
    // The protocol row the station last selected (1 for a new protocol).
    int SelectedRow() const { return selectedRow_; }

    // Whether the window's bounds came from the store (false on the first start).
    bool StoredBoundsFound() const { return storedBoundsFound_; }

    // Loads the settings, restores the protocol from the backup and makes the ready state.
    // False when another station works with the same backup and the operator chose not to
    // wait for it: this station must then close without writing anything.
    bool Startup(const StationPaths& paths, char decimalSeparator);
    // The window is about to close: true when closing needs the operator's consent first.
    bool CloseNeedsConsent() const { return run_.RunInProgress(); }
    // True while the last backup write failed and the protocol was not saved elsewhere since:
    // closing now could leave the last runs in no file.
    bool CloseNeedsBackupConsent() const { return backup_.Failing() && !savedSinceBackupFailed_; }
    // Writes the backup, then the settings. False when either could not be written.
    bool Shutdown();
    // Lane 2's digits show the best time while only lane 1 runs.
    void ShowBestTime();

    // The tool bar's protocol commands and the start-number controls as they stand.
    ProtocolCommandState ProtocolCommands() const;
    // Before opening a file: replacing a protocol that holds data needs the operator's yes.
    bool MayReplaceProtocol();
    // Opens a starter list or a saved protocol; a file that cannot be read leaves the protocol
    // as it was and the result says why. A run in progress is aborted first.
    FileResult OpenProtocol(const std::string& path);
    FileResult SaveProtocolAs(const std::string& path);
    // Opens the first sheet of a spreadsheet file like a protocol file. Returns why it failed
    // (German), empty on success; a failed import leaves the protocol as it was.
    std::string ImportSpreadsheet(const std::string& path);
    // F9: asks, then empties the protocol. False when the operator said no.
    bool ClearProtocol();

    // The lanes' start lists as they stand.
    const StartLists& Lists() const { return lists_; }
    void SetMonitor(MonitorStartLabels* monitor) { monitor_ = monitor; }
    // The operator chose entry `index` of a lane's start list.
    void ChooseFromStartList(int lane, int index);
    // A double click on a protocol row takes its starter (scheme C: lane 2 the next row's), only
    // between runs (while the lanes' start numbers can be changed).
    void TakeStartersFromRow(int row);
    // The start number a lane's run is entered or disqualified under.
    std::string LaneStartNumber(int lane) const;
    // What the live results publish of the station as it stands now.
    LiveState LiveSnapshot() const;

    // The protocol commands of the context menu and their keys. Each change by hand rewrites
    // the backup at once and can be undone with Ctrl+Z. `row` is the selected data row.
    bool MayDisqualifyRow() const; // neither lane clock runs
    void DisqualifyRow(int row);   // "Disqualifizieren"
    void SetBonus(int row, bool on);
    void ToggleBonus(int row);   // Ctrl+B
    void DeleteResults(int row); // "Ergebnisse löschen"
    void Recalculate(int row);   // "Neu berechnen"
    int AddRow();                // "Neue Zeile": returns the new row
    void RemoveRow(int row);     // "Zeile entfernen"
    // A cell typed into the grid: writes it, checks a refusal count against `Adel` ("DIS?";
    // on "Nein" the count becomes Adel - 1), formats numbers, recomputes the row. Returns the
    // row where the edited starter now is.
    int CommitCell(int col, int row, const std::string& text);
    // Ctrl+Z: back to the protocol before the last change by hand (several steps, this
    // session; an entered run or a loaded protocol ends the history). False when none is left.
    bool Undo();
    bool CanUndo() const { return !undo_.empty(); }
    // The settings dialog was confirmed: applies its values to the running station in the
    // dialog's order (times, hints, run count, scheme, monitor, port, lanes, columns) and writes
    // the settings to the store at once, so a crash later keeps the change. Does nothing while
    // the settings command is disabled (a run in progress). False when the store could not be
    // written.
    bool ApplySettingsForm(const SettingsForm& form, SettingsEffects& effects);

private:
    // RunHooks: the protocol side of the run clock.
    bool EnterRun(const RunEntry& entry) override;
    void ChooseNextStarter(int lane) override;
    void StarterRunsAgain(int lane) override;
    void RefreshProtocolCommands() override;
    void StartNumberChanged(int lane) override;
    bool ConfirmDisqualification() override;
    bool Disqualify(int lane) override;
    void LaneStarted(int lane) override;

    // The starter a lane's run belongs to, taken when the lane started: the row itself, or,
    // when the starter had no row yet, the start number its row will be made for.
    struct LaneStarter {
        std::uint64_t run = 0; // the run clock's run number; another number: no run of it is live
        RowId row = 0;         // 0: no row yet
        std::string number;
    };
    bool StarterLive(int lane) const;
    // The row of the lane's live starter; -1 when it has none yet or it is gone.
    int StarterRow(int lane) const;
    // The live starter's row was removed: its run is entered nowhere else.
    bool StarterGone(int lane) const;
    std::string StarterGoneText(int lane) const;
    // Lanes whose live run (not yet entered or disqualified) belongs to this row.
    std::vector<int> LiveLanesOfRow(int row) const;
    // The run the entry would write into this row: the second in a two-run class once run 1
    // has its time.
    bool SecondRunDue(int row) const;

    StartContext MakeStartContext() const;
    // Recomputes the warnings, blocks or frees "Start" and tells the window.
    void UpdateStartState();
    void ShowMonitorLabel(int lane);
    void FillListsAfterLoad();
    // Around every change by hand: remember the protocol for Ctrl+Z, then write the backup,
    // follow the start lists and tell the window.
    void BeginManualChange();
    // `listsFollow`: the start numbers changed, so the lanes' lists are rebuilt even where none
    // was in use yet.
    void EndManualChange(bool listsFollow = false);
    void FollowStartLists(bool listsFollow);
    void ForgetUndo() { undo_.clear(); }

    void WriteBackup();
    void ConnectPort();
    void KeepUnreadableBackup();
    // The backup folder with its closing separator, or the default for an empty one: the same
    // rule at start-up and after the dialog, so a folder names the same file in both.
    void ApplyBackupFolder();
    // Date and time for the names of files moved aside.
    std::string FileNameStamp() const;
    // Holds the backup against a second station (asking the operator while another holds it).
    bool ClaimBackupAtStartup();
    // The settings dialog moved the backup: true when the new file could be claimed.
    bool FollowBackupClaim();
    // False while another station holds the backup the settings name now.
    bool ClaimBackup();
    void SelectRow(int row);

    StationServices services_;
    std::unique_ptr<FileSystem> ownFileSystem_;
    Settings settings_;
    ProtocolTable table_;
    SortState sort_;
    Ranking ranking_;
    ProtocolBackup backup_;
    RunClock run_;
    std::unique_ptr<SerialBackend> ownSerial_;
    std::unique_ptr<Dispatcher> ownDispatcher_;
    std::unique_ptr<WallClock> ownWallClock_;
    std::unique_ptr<ComPort> port_;
    ContactLog contactLog_;
    BarrierRouting routing_;
    PortOpener opener_;
    StationListener* listener_ = nullptr;
    std::string programFolder_;
    UserEnvironment environment_;
    int selectedRow_ = 1;
    FileResult restoreResult_;
    std::string keptBackup_; // where an unreadable backup was moved to
    std::unique_ptr<FileClaim> backupClaim_;
    std::string claimedBackup_; // the backup file backupClaim_ guards
    bool savedSinceBackupFailed_ = false;
    int nextStarterRow_ = -1;
    StartLists lists_;
    std::array<LaneStarter, 2> starters_;
    // Ctrl+Z gives back the protocol and, while it is the same run, the run's entry with it.
    struct UndoStep {
        ProtocolTable::Snapshot table;
        RunClock::EntryState run;
        std::array<LaneStarter, 2> starters;
    };
    std::vector<UndoStep> undo_;
    MonitorStartLabels* monitor_ = nullptr;
    bool shutDown_ = false;
    bool storedBoundsFound_ = false;
};

} // namespace caniparc
