// The run clock's disqualification and counting commands: a lane's "Disqual.", the refusal
// limit, the fault and refusal keys, and the start blocked by a wrong starter.
#include "timing/RunClock.h"

#include "common/NumberText.h"
#include "settings/Settings.h"

#include <algorithm>

namespace caniparc {

namespace {

constexpr std::int64_t kMaxCount = 999; // the range of the fault and refusal fields

Command StopOf(int lane) {
    return lane == 0 ? Command::Stop1 : Command::Stop2;
}
Command DisOf(int lane) {
    return lane == 0 ? Command::Dis1 : Command::Dis2;
}
std::array<Command, 3> FieldsOf(int lane) {
    if (lane == 0)
        return {Command::TimeFaults1, Command::Faults1, Command::Refusals1};
    return {Command::TimeFaults2, Command::Faults2, Command::Refusals2};
}

} // namespace

bool RunClock::InReadyState() const {
    for (Command c : {Command::Stop1, Command::Stop2, Command::Eintragen, Command::Next, Command::Abbruch})
        if (Enabled(c))
            return false;
    return true;
}

void RunClock::SetStartBlocked(bool blocked) {
    startBlocked_ = blocked;
    if (!InReadyState() || Enabled(Command::Start) == !blocked)
        return;
    SetEnabled(Command::Start, !blocked);
    NotifyCommands();
}

void RunClock::DisqualifyCommand(int index) {
    if (index < 0 || index > 1 || !Enabled(DisOf(index)))
        return;
    const bool entryWasPending = autoEntry_->IsActive();
    autoEntry_->Stop();
    if (disConfirmed_ == 0 && !hooks_->ConfirmDisqualification()) {
        NotifyCommands(); // a pending automatic entry stays cancelled
        return;
    }
    DisqualifyConfirmed(index, entryWasPending, true);
}

void RunClock::DisqualifyConfirmed(int index, bool entryWasPending, bool markRow) {
    // The row is marked before the run changes, so that Ctrl+Z of the mark gives back the run
    // as it was; a starter whose row is gone leaves the run waiting.
    if (markRow && !hooks_->Disqualify(index)) {
        NotifyCommands();
        return;
    }
    if (disConfirmed_ == 0)
        disConfirmed_ = index + 1;
    laneTimers_[index].autoStop->Stop();
    SetEnabled(DisOf(index), false);
    // Only this lane's starter is disqualified: a run the other lane has stopped is still entered.
    lane(index).TakenTime = -1;
    for (Command field : FieldsOf(index))
        SetEnabled(field, false);
    CloseRunAfterDisqualification(index, entryWasPending);
    NotifyCommands();
    NotifyFields(index);
    hooks_->RefreshProtocolCommands();
}

bool RunClock::LaneEntryPending(int index) const {
    if (index < 0 || index > 1 || !LaneInUse(index) || !Lane(index).started || Lane(index).TakenTime < 0)
        return false;
    return Enabled(StopOf(index)) || Enabled(DisOf(index));
}

void RunClock::DisqualifyFromProtocol(int index) {
    if (!LaneEntryPending(index))
        return;
    if (Enabled(StopOf(index)))
        Stop(index); // a paused or finishing lane ends here; its run is over
    const bool entryWasPending = autoEntry_->IsActive();
    autoEntry_->Stop();
    // The disqualification was consented to in the protocol; it is not asked again.
    const int confirmed = disConfirmed_;
    DisqualifyConfirmed(index, entryWasPending, false);
    disConfirmed_ = confirmed;
}

RunClock::EntryState RunClock::SaveEntryState() const {
    return {runNumber_, model_.enabled, {Lane(0).TakenTime, Lane(1).TakenTime}, disConfirmed_};
}

void RunClock::RestoreEntryState(const EntryState& state) {
    if (state.runNumber != runNumber_ || runNumber_ == 0)
        return;
    const EntryState now = SaveEntryState();
    if (now == state)
        return;
    for (int c = 0; c < CommandCount; ++c) {
        const auto command = static_cast<Command>(c);
        // The clock itself is not turned back: a lane stopped since stays stopped.
        if (command == Command::Start || command == Command::Stop1 || command == Command::Stop2 ||
            command == Command::Pause)
            continue;
        SetEnabled(command, state.enabled[static_cast<std::size_t>(c)]);
    }
    disConfirmed_ = state.disConfirmed;
    for (int i = 0; i < 2; ++i) {
        auto& l = lane(i);
        const bool stoppedSince = state.enabled[static_cast<std::size_t>(StopOf(i))] && !Enabled(StopOf(i));
        if (stoppedSince) {
            // As the stop left it: its time, its "Disqual." and its time-fault field.
            l.TakenTime = state.takenTime[static_cast<std::size_t>(i)] < 0 ? -1 : l.StopElapsed;
            if (l.TakenTime >= 0) {
                SetEnabled(DisOf(i), true);
                SetEnabled(FieldsOf(i)[0], true);
            }
        } else {
            l.TakenTime = state.takenTime[static_cast<std::size_t>(i)];
        }
        NotifyFields(i);
    }
    const bool pendingLane = LaneEntryPending(0) || LaneEntryPending(1);
    if (AllLanesStopped() && pendingLane) {
        SetEnabled(Command::Eintragen, true);
        SetEnabled(Command::Next, false);
        SetEnabled(Command::Abbruch, true);
        SetEnabled(Command::CFG, false);
    }
    SetEnabled(Command::Pause, !AllLanesStopped() && !Enabled(Command::Eintragen));
    NotifyCommands();
    hooks_->RefreshProtocolCommands();
}

void RunClock::CloseRunAfterDisqualification(int index, bool entryWasPending) {
    const int other = 1 - index;
    if (LaneInUse(other) && (Enabled(StopOf(other)) || Enabled(DisOf(other)))) {
        // The other lane still runs, or has stopped and waits for its entry.
        if (entryWasPending && Enabled(Command::Eintragen))
            autoEntry_->Start(settings_.AutoEinS);
        return;
    }
    // Nothing is left to enter: the run is over.
    SetEnabled(Command::Eintragen, false);
    SetEnabled(Command::Abbruch, false);
    SetEnabled(Command::Pause, false);
    SetEnabled(Command::Next, true);
    SetEnabled(Command::CFG, true);
    if (settings_.AutoNext) {
        NotifyCommands();
        AbortOrNext(Command::Next);
    }
}

void RunClock::RefusalsChanged(int index) {
    const Command field = index == 0 ? Command::Refusals1 : Command::Refusals2;
    if (settings_.Adel <= 0 || !LaneInUse(index) || !Enabled(field))
        return;
    const auto value = ParseInteger(Lane(index).refusalsText);
    if (!value || *value < settings_.Adel)
        return;
    // The limit always asks: a disqualification consented to on the other lane is no consent
    // for this one.
    if (!hooks_->ConfirmDisqualification())
        return; // the count stays as typed
    Stop(index);
    if (!Enabled(DisOf(index)))
        return;
    const bool entryWasPending = autoEntry_->IsActive();
    autoEntry_->Stop();
    DisqualifyConfirmed(index, entryWasPending, true);
}

void RunClock::CountInput(Command field, int step) {
    if ((field != Command::Faults1 && field != Command::Refusals1) || !Enabled(field))
        return;
    const auto& l = Lane(0);
    const std::int64_t value = ParseInteger(field == Command::Faults1 ? l.faultsText : l.refusalsText).value_or(0);
    std::int64_t next = value;
    if (step > 0)
        next = std::min(value + 1, kMaxCount);
    else if (value > 0)
        next = value - 1;
    SetLaneField(0, field, std::to_string(next));
}

} // namespace caniparc
