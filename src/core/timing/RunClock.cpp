// The run clock's commands (see RunClock.h). The lane operations live in RunClockLane.cpp.
#include "timing/RunClock.h"

#include "common/NumberText.h"
#include "settings/Settings.h"
#include "timing/SoundPlayer.h"
#include "timing/TimeSource.h"
#include "timing/TimeText.h"

#include <algorithm>

namespace caniparc {

namespace {
constexpr int kMaxStartNumber = 9999;

Command StopCommandOf(int lane) {
    return lane == 0 ? Command::Stop1 : Command::Stop2;
}
Command DisCommandOf(int lane) {
    return lane == 0 ? Command::Dis1 : Command::Dis2;
}
} // namespace

RunClock::RunClock(const TimeSource& time, Scheduler& scheduler, Settings& settings, SoundPlayer* sound)
    : time_(time), settings_(settings), sound_(sound) {
    for (int i = 0; i < 2; ++i) {
        laneTimers_[i].clock = scheduler.CreateTimer(Scheduler::Mode::Repeating, [this, i] { ClockTick(i); });
        laneTimers_[i].autoStop = scheduler.CreateTimer(Scheduler::Mode::SingleShot, [this, i] { AutoStopFired(i); });
    }
    startLock_ = scheduler.CreateTimer(Scheduler::Mode::SingleShot, [this] { StartLockFired(); });
    autoEntry_ = scheduler.CreateTimer(Scheduler::Mode::SingleShot, [this] {
        if (Enabled(Command::Eintragen))
            Enter();
    });
}

RunClock::~RunClock() = default;

bool RunClock::LaneInUse(int index) const {
    return index == 0 || (index == 1 && settings_.LsCFG == 2);
}

std::int64_t RunClock::ElapsedNow() const {
    return time_.GetCount() - model_.StartStamp;
}

std::int64_t RunClock::ElapsedAt(std::int64_t stamp) const {
    std::int64_t elapsed = stamp - model_.RunStartStamp;
    for (const PauseInterval& pause : model_.pauses)
        elapsed -= std::max<std::int64_t>(std::min(pause.end, stamp) - pause.begin, 0);
    return elapsed;
}

void RunClock::SetEnabled(Command c, bool on) {
    model_.enabled[static_cast<std::size_t>(c)] = on;
}

bool RunClock::BarrierFree(Barrier barrier) const {
    return model_.barrierFree[static_cast<std::size_t>(barrier)];
}

void RunClock::SetBarrier(Barrier barrier, bool free) {
    model_.barrierFree[static_cast<std::size_t>(barrier)] = free;
}

void RunClock::ToggleBarrier(Barrier barrier) {
    SetBarrier(barrier, !BarrierFree(barrier));
    NotifyCommands();
}

bool RunClock::AllLanesStopped() const {
    return !Enabled(Command::Stop1) && (settings_.LsCFG != 2 || !Enabled(Command::Stop2));
}

void RunClock::MakeReady() {
    for (Command c : {Command::Stop1, Command::Stop2, Command::Eintragen, Command::Next, Command::Dis1, Command::Dis2,
                      Command::Abbruch, Command::Pause, Command::TimeFaults1, Command::Faults1, Command::Refusals1,
                      Command::TimeFaults2, Command::Faults2, Command::Refusals2})
        SetEnabled(c, false);
    SetEnabled(Command::Start, !startBlocked_);
    SetEnabled(Command::CFG, true);
    model_.paused = false;
    model_.barrierFree = {false, false, false};
    for (int i = 0; i < 2; ++i) {
        ResetLane(i);
        ResetLaneFields(i);
    }
    NotifyCommands();
}

void RunClock::StartButtonPressed() {
    if (!Enabled(Command::Start))
        return;
    lane(0).TakenTime = 0;
    lane(1).TakenTime = 0;
    Start();
}

void RunClock::Start() {
    StartCommand(time_.GetCount());
}

void RunClock::StartCommand(std::int64_t stamp) {
    if (Enabled(Command::Start))
        StartAt(stamp);
}

void RunClock::StartAt(std::int64_t stamp) {
    model_.StartStamp = stamp;
    model_.RunStartStamp = stamp;
    model_.pauses.clear();
    disConfirmed_ = 0;
    ++runNumber_;
    // Nothing of an earlier run decides this one's entry.
    lane(0).TakenTime = 0;
    lane(1).TakenTime = 0;
    SetEnabled(Command::CFG, false);
    StartLane(0);
    if (LaneInUse(1))
        StartLane(1);
    SetEnabled(Command::Pause, true);
    PlaySound(sounds_.start);
    SetEnabled(Command::TimeFaults1, false);
    SetEnabled(Command::TimeFaults2, false);
    for (Command c : {Command::Faults1, Command::Refusals1, Command::Faults2, Command::Refusals2})
        SetEnabled(c, true);
    SetEnabled(Command::Start, false);
    SetEnabled(Command::Stop1, true);
    SetEnabled(Command::Stop2, LaneInUse(1));
    model_.barrierFree = {false, false, false};
    startLock_->Start(settings_.StartLock);
    SetEnabled(Command::Abbruch, true);
    NotifyCommands();
}

void RunClock::StartLockFired() {
    startLock_->Stop();
    SetBarrier(Barrier::Finish1, true);
    SetBarrier(Barrier::Finish2, true);
    NotifyCommands();
}

void RunClock::Stop(int index) {
    if (index < 0 || index > 1 || !Enabled(StopCommandOf(index)))
        return;
    StopLane(index);
    SetEnabled(StopCommandOf(index), false);
    SetEnabled(index == 0 ? Command::TimeFaults1 : Command::TimeFaults2, true);
    SetBarrier(index == 0 ? Barrier::Finish1 : Barrier::Finish2, false);
    SetEnabled(DisCommandOf(index), true);
    laneTimers_[index].autoStop->Stop();
    if (lane(index).TakenTime >= 0) // a lane disqualified while it ran stays out of the entry
        lane(index).TakenTime = lane(index).StopElapsed;
    const bool allStopped = AllLanesStopped();
    if (allStopped)
        SetEnabled(Command::Eintragen, true);
    SetEnabled(Command::Pause, !Enabled(Command::Eintragen));
    NotifyCommands();
    NotifyFields(index);
    PlaySound(sounds_.stop);
    if (settings_.AutoEin && allStopped)
        autoEntry_->Start(settings_.AutoEinS);
}

void RunClock::AutoStopFired(int index) {
    laneTimers_[index].autoStop->Stop();
    if (!Enabled(StopCommandOf(index)))
        return;
    auto& l = lane(index);
    l.finishing = false;
    SetEnabled(StopCommandOf(index), false);
    SetBarrier(index == 0 ? Barrier::Finish1 : Barrier::Finish2, false);
    SetEnabled(DisCommandOf(index), true);
    const bool allStopped = AllLanesStopped();
    if (allStopped) {
        SetEnabled(Command::Eintragen, true);
        SetEnabled(Command::Pause, false); // nothing is left to pause
    }
    NotifyCommands();
    if (allStopped && settings_.AutoEin)
        Enter();
}

void RunClock::Pause() {
    if (!Enabled(Command::Pause))
        return;
    const std::int64_t now = time_.GetCount();
    model_.paused = !model_.paused;
    const int lanes = LaneInUse(1) ? 2 : 1;
    for (int i = 0; i < lanes; ++i) {
        auto& l = lane(i);
        if (model_.paused) {
            l.haltedByPause = l.clockRunning;
            if (l.clockRunning) {
                l.clockRunning = false;
                laneTimers_[i].clock->Stop();
            }
        } else if (l.haltedByPause && Enabled(StopCommandOf(i))) {
            l.clockRunning = true;
            laneTimers_[i].clock->Start(kClockIntervalMs);
        }
    }
    if (model_.paused) {
        model_.PauseStamp = now;
        model_.pauses.push_back({now, kPauseRunning});
    } else {
        model_.StartStamp += now - model_.PauseStamp;
        if (!model_.pauses.empty())
            model_.pauses.back().end = now;
    }
    for (int i = 0; i < lanes; ++i) {
        if (lane(i).haltedByPause)
            ShowTime(i, now - model_.StartStamp);
        if (!model_.paused)
            lane(i).haltedByPause = false;
    }
    NotifyCommands();
}

void RunClock::SetAutomaticEntry(bool on) {
    settings_.AutoEin = on;
    if (!on)
        autoEntry_->Stop();
}

void RunClock::SetAutoNext(bool on) {
    settings_.AutoNext = on;
}

LaneEntry RunClock::MakeLaneEntry(int index) const {
    const auto& l = Lane(index);
    LaneEntry e;
    e.lane = index;
    e.startNumber = l.startNumber;
    e.timeText =
        l.TakenTime != 0 ? TicksToTimeText(l.TakenTime, time_.CountSpeed(), settings_.TimeFormatIndex) : l.contactText;
    e.faultsText = l.faultsText;
    e.refusalsText = l.refusalsText;
    e.timeFaultText = l.timeFaultText;
    return e;
}

void RunClock::Enter() {
    if (!Enabled(Command::Eintragen))
        return;
    RunEntry entry;
    if (Lane(0).TakenTime >= 0)
        entry.lane1 = MakeLaneEntry(0);
    if (LaneInUse(1) && Lane(1).TakenTime >= 0)
        entry.lane2 = MakeLaneEntry(1);
    if (!hooks_->EnterRun(entry))
        return; // refused before anything was written: the run still waits for its entry
    ++runNumber_;
    autoEntry_->Stop();
    startLock_->Stop();
    SetEnabled(Command::CFG, true);
    SetEnabled(Command::Eintragen, false);
    SetEnabled(Command::Dis1, false);
    SetEnabled(Command::Dis2, false);
    SetEnabled(Command::Next, true);
    SetEnabled(Command::Abbruch, false);
    for (Command c : {Command::TimeFaults1, Command::Faults1, Command::Refusals1, Command::Faults2, Command::Refusals2,
                      Command::TimeFaults2})
        SetEnabled(c, false);
    lane(0).TakenTime = 0;
    lane(1).TakenTime = 0;
    NotifyCommands();
    if (settings_.AutoNext)
        AbortOrNext(Command::Next);
    hooks_->LayoutChanged();
    hooks_->RefreshProtocolCommands();
}

void RunClock::AbortOrNext(Command which) {
    if (!Enabled(which))
        return;
    ++runNumber_;
    lane(0).TakenTime = 0;
    lane(1).TakenTime = 0;
    autoEntry_->Stop();
    startLock_->Stop();
    laneTimers_[0].autoStop->Stop();
    laneTimers_[1].autoStop->Stop();
    PrepareNextTeam();
    model_.paused = false;
    SetEnabled(Command::Pause, false);
    SetEnabled(Command::CFG, true);
    for (Command c : {Command::Next, Command::Stop1, Command::Stop2, Command::Dis1, Command::Dis2, Command::Eintragen,
                      Command::TimeFaults1, Command::Faults1, Command::Refusals1, Command::TimeFaults2,
                      Command::Faults2, Command::Refusals2})
        SetEnabled(c, false);
    SetEnabled(Command::Start, !startBlocked_);
    SetBarrier(Barrier::Start, true);
    NotifyCommands();
    hooks_->LayoutChanged();
}

void RunClock::PrepareNextTeam() {
    for (int i = 0; i < 2; ++i) {
        // Not the stamps: a stop at the start's own count still leaves a lane to reset.
        if (!LaneInUse(i) || !Lane(i).started)
            continue;
        const bool wasRunning = Enabled(StopCommandOf(i));
        ResetLane(i);
        if (!wasRunning)
            hooks_->ChooseNextStarter(i);
        else
            hooks_->StarterRunsAgain(i);
        ResetLaneFields(i);
    }
    SetBarrier(Barrier::Finish1, false);
    SetBarrier(Barrier::Finish2, false);
    for (int i = 0; i < 2; ++i) {
        auto& l = lane(i);
        l.contacts.clear();
        l.selectedContact = -1;
        l.contactText.clear();
        l.contactStyle = ContactListStyle::Simple;
        l.contactListEnabled = false;
        l.finishing = false;
        NotifyFields(i);
    }
    const int step = settings_.LsCFG == 2 ? 2 : 1;
    SetStartNumber(0, Lane(0).startNumber + step);
    if (settings_.LsCFG == 2)
        SetStartNumber(1, Lane(1).startNumber + 2);
    SetEnabled(Command::Abbruch, false);
}

void RunClock::ResetLaneFields(int index) {
    auto& l = lane(index);
    l.faultsText = "0";
    l.refusalsText = "0";
    l.timeFaultText = FormatFixed(0.0, settings_.TimeFormatIndex == 1 ? 2 : 1, settings_.DecimalSeparator);
    NotifyFields(index);
}

void RunClock::SetStartNumber(int index, int number) {
    auto& l = lane(index);
    number = std::clamp(number, 1, kMaxStartNumber);
    if (l.startNumber == number)
        return;
    l.startNumber = number;
    NotifyFields(index);
    hooks_->StartNumberChanged(index);
}

void RunClock::ResetLanesBetweenRuns() {
    ++runNumber_;
    ResetLane(0);
    ResetLane(1);
}

void RunClock::SetLaneField(int index, Command field, std::string text) {
    auto& l = lane(index);
    switch (field) {
    case Command::TimeFaults1:
    case Command::TimeFaults2:
        l.timeFaultText = std::move(text);
        break;
    case Command::Faults1:
    case Command::Faults2:
        l.faultsText = std::move(text);
        break;
    case Command::Refusals1:
    case Command::Refusals2:
        l.refusalsText = std::move(text);
        NotifyFields(index);
        RefusalsChanged(index);
        return;
    default:
        return;
    }
    NotifyFields(index);
}

bool RunClock::TimerPending(const std::string& name) const {
    if (name == "StartLock")
        return startLock_->IsActive();
    if (name == "Eintragen")
        return autoEntry_->IsActive();
    if (name == "AutoStop1")
        return laneTimers_[0].autoStop->IsActive();
    if (name == "AutoStop2")
        return laneTimers_[1].autoStop->IsActive();
    if (name == "Clock1")
        return laneTimers_[0].clock->IsActive();
    if (name == "Clock2")
        return laneTimers_[1].clock->IsActive();
    return false;
}

void RunClock::PlaySound(const std::string& path) {
    if (sound_ && settings_.Sound && !path.empty())
        sound_->Play(path);
}

void RunClock::NotifyCommands() {
    if (listener_)
        listener_->CommandsChanged();
}

void RunClock::NotifyDigits(int index) {
    if (listener_)
        listener_->LaneDigitsChanged(index);
}

void RunClock::NotifyFields(int index) {
    if (listener_)
        listener_->LaneFieldsChanged(index);
}

} // namespace caniparc
