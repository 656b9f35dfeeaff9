// The run clock: start, pause, stop per lane, finish contacts with the automatic stop, the
// maximum time, abort and next starter, and the entry's command side. Runs on the main thread;
// every time comes from the injected time source and every delay from the injected scheduler.
#pragma once

#include "timing/RunCommands.h"
#include "timing/RunModel.h"
#include "timing/Scheduler.h"

#include <array>
#include <memory>
#include <optional>
#include <string>

namespace caniparc {

struct Settings;
class SoundPlayer;
class TimeSource;

// What one lane hands to the protocol when the run is entered.
struct LaneEntry {
    int lane = 0;
    int startNumber = 1;
    std::string timeText; // TakenTime as a time text, or the contact list's text
    std::string faultsText;
    std::string refusalsText;
    std::string timeFaultText;
};

struct RunEntry {
    std::optional<LaneEntry> lane1; // absent when the lane is not entered (disqualified)
    std::optional<LaneEntry> lane2; // scheme C only
};

// The protocol side of the run. Every call has a harmless default so the clock works alone.
class RunHooks {
public:
    virtual ~RunHooks() = default;
    // Writes the run into the protocol. Returning false refuses the entry: nothing was written
    // and the run keeps waiting for its entry.
    virtual bool EnterRun(const RunEntry&) { return true; }
    // Asks the operator "DIS?"; only a yes consents. The clock alone has nobody to ask.
    virtual bool ConfirmDisqualification() { return true; }
    // The lane's "Disqual." command, once consented: mark the lane's starter in the protocol.
    // False when the starter's row is gone: nothing was marked and the run keeps waiting.
    virtual bool Disqualify(int /*lane*/) { return true; }
    // The lane has just started: the protocol side takes the lane's starter for this run.
    virtual void LaneStarted(int /*lane*/) {}
    // "Nächster"/"Abbruch" reset the lane: choose the lane's next starter from the protocol.
    virtual void ChooseNextStarter(int /*lane*/) {}
    // "Abbruch" of a lane that was still running: its starter runs again, so the lane keeps it.
    virtual void StarterRunsAgain(int /*lane*/) {}
    virtual void StartNumberChanged(int /*lane*/) {}
    virtual void RefreshProtocolCommands() {}
    virtual void LayoutChanged() {}
};

class RunClockListener {
public:
    virtual ~RunClockListener() = default;
    virtual void CommandsChanged() = 0; // enabled flags, pause state, barrier flags
    virtual void LaneDigitsChanged(int lane) = 0;
    virtual void LaneFieldsChanged(int lane) = 0; // contact list, input fields, start number
};

struct SoundPaths {
    std::string start; // empty: no sound
    std::string stop;
};

class RunClock final : public RunCommands {
public:
    RunClock(const TimeSource& time, Scheduler& scheduler, Settings& settings, SoundPlayer* sound = nullptr);
    ~RunClock() override;

    void SetHooks(RunHooks* hooks) { hooks_ = hooks ? hooks : &noHooks_; }
    void SetListener(RunClockListener* listener) { listener_ = listener; }
    void SetSoundPaths(SoundPaths paths) { sounds_ = std::move(paths); }

    const RunModel& Model() const { return model_; }
    const LaneState& Lane(int lane) const { return model_.lanes.at(static_cast<std::size_t>(lane)); }
    bool LaneInUse(int lane) const;
    bool Enabled(Command c) const { return model_.IsEnabled(c); }
    // A run has been started and not yet entered or aborted: closing now would lose it.
    bool RunInProgress() const { return Enabled(Command::Abbruch) || Enabled(Command::Eintragen); }

    // The ready state of program start: run buttons disabled, lanes reset, Start enabled.
    void MakeReady();

    // Commands; each does nothing while its command is disabled.
    void Start();                    // F8 and the start button
    void StartButtonPressed();       // the start button clears the taken times first
    void Stop(int lane);             // F4 / F6
    void Pause();                    // F5: pause or continue
    void Enter();                    // F7
    void AbortOrNext(Command which); // Ctrl+X (Abbruch) or Ctrl+N (Next)
    // "Disqual." of a stopped lane (button, Ctrl+1/Ctrl+2, the maximum time): asks "DIS?" unless
    // a disqualification was already consented to in this run; only that lane is not entered.
    void DisqualifyCommand(int lane);
    // Ctrl+F/Alt+F and Ctrl+V/Alt+V: lane 1's course faults or refusals by +1 or -1 (not below 0).
    void CountInput(Command field, int step);
    // The start lists warn about the chosen starters: "Start" stays disabled while they do.
    void SetStartBlocked(bool blocked);
    bool StartBlocked() const { return startBlocked_; }
    // The starter of the lane's live run was disqualified in the protocol: the lane is stopped
    // (a paused or finishing lane) and its run is closed as disqualified, without asking again.
    void DisqualifyFromProtocol(int lane);
    // The lane's run is started and neither entered, disqualified nor aborted yet.
    bool LaneEntryPending(int lane) const;
    // Counts the runs: a new number at each start, entry and abort or next, so that what belongs
    // to one run is known to be stale afterwards.
    std::uint64_t RunNumber() const { return runNumber_; }

    // What a change by hand may alter of the waiting run, for Ctrl+Z.
    struct EntryState {
        std::uint64_t runNumber = 0;
        std::array<bool, CommandCount> enabled{};
        std::array<std::int64_t, 2> takenTime{};
        int disConfirmed = 0;
        bool operator==(const EntryState&) const = default;
    };
    EntryState SaveEntryState() const;
    // Gives back the run's entry as it was, when it is still the same run. A lane stopped since
    // stays stopped and keeps its stop time.
    void RestoreEntryState(const EntryState& state);
    // 0, or the lane (1 or 2) through which a disqualification was consented to in this run.
    int DisConfirmed() const { return disConfirmed_; }

    // The "automatic entry" and "automatic next" check boxes.
    void SetAutomaticEntry(bool on);
    void SetAutoNext(bool on);

    // The contact list: the operator picks another contact or (lane 1) types a time.
    void SelectContact(int lane, int index);
    void SetContactText(int lane, std::string text);
    // The list's drop-down closed, with or without a new choice: the entry takes the list's
    // text as it stands (a typed time included), no longer a stop command's time.
    void ContactListClosed(int lane);
    void SetLaneField(int lane, Command field, std::string text);
    void SetStartNumber(int lane, int number);
    // Lane 2's digits show the best time in the one-lane schemes.
    void ShowDigits(int lane, std::int64_t seconds, int hundredths);
    // Time format or scheme changed: repaint the ready lanes with the right colours.
    void ResetLane(int lane);
    // The settings dialog reset both lanes between runs: the run closed before is over for good,
    // so Ctrl+Z no longer gives back its entry (its lanes and perhaps its scheme are gone).
    void ResetLanesBetweenRuns();

    // RunCommands, for the barrier routing.
    bool StartEnabled() const override { return Enabled(Command::Start); }
    void StartCommand(std::int64_t stamp) override;
    void LaneFinishContact(int lane, std::int64_t stamp) override;
    bool BarrierFree(Barrier barrier) const override;
    void ToggleBarrier(Barrier barrier) override;

    std::int64_t ElapsedNow() const;
    // Running time at counter value `stamp`: from the start, less every pause before the stamp
    // (a pause still running at the stamp counts up to its beginning).
    std::int64_t ElapsedAt(std::int64_t stamp) const;
    bool TimerPending(const std::string& name) const; // for tests and diagnostics

private:
    static constexpr int kClockIntervalMs = 5; // the lane display's refresh

    struct LaneTimers {
        std::unique_ptr<Timer> clock;
        std::unique_ptr<Timer> autoStop;
    };

    LaneState& lane(int index) { return model_.lanes.at(static_cast<std::size_t>(index)); }
    void SetEnabled(Command c, bool on);
    void SetBarrier(Barrier b, bool free);
    bool AllLanesStopped() const;
    void StartAt(std::int64_t stamp);
    void StartLane(int index);
    void StopLane(int index);
    void ShowTime(int index, std::int64_t elapsed);
    std::int64_t ShownHundredths(std::int64_t elapsed) const;
    void ShowElapsed(int index, std::int64_t elapsed);
    void WriteTimeFaults(int index, std::int64_t hundredths, bool withinStandardToo);
    std::int64_t EnteredElapsed(int index) const;
    void FollowEnteredTime(int index);
    void ApplyMaximumTime(int index);
    void ClockTick(int index);
    void AutoStopFired(int index);
    void StartLockFired();
    void PrepareNextTeam();
    bool InReadyState() const;
    void RefusalsChanged(int index);
    void CloseRunAfterDisqualification(int index, bool entryWasPending);
    void DisqualifyConfirmed(int index, bool entryWasPending, bool markRow);
    void ResetLaneFields(int index);
    void SelectContactIndex(int index, int item);
    void PlaySound(const std::string& path);
    LaneEntry MakeLaneEntry(int index) const;
    void NotifyCommands();
    void NotifyDigits(int index);
    void NotifyFields(int index);

    const TimeSource& time_;
    Settings& settings_;
    SoundPlayer* sound_;
    RunHooks noHooks_;
    RunHooks* hooks_ = &noHooks_;
    RunClockListener* listener_ = nullptr;
    SoundPaths sounds_;
    RunModel model_;
    std::array<LaneTimers, 2> laneTimers_;
    std::unique_ptr<Timer> startLock_;
    std::unique_ptr<Timer> autoEntry_;
    bool startBlocked_ = false;
    int disConfirmed_ = 0;
    std::uint64_t runNumber_ = 0;
};

} // namespace caniparc
