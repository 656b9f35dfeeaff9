// The lane operations of the run clock: starting, stopping and resetting a lane, the running
// display with live time faults and the maximum time, and the finish contacts.
#include "timing/RunClock.h"

#include "common/NumberText.h"
#include "settings/Settings.h"
#include "timing/TimeSource.h"
#include "timing/TimeText.h"

#include <algorithm>

namespace caniparc {

void RunClock::StartLane(int index) {
    auto& l = lane(index);
    l.ShowBusy = false;
    l.StopElapsed = 0;
    l.finishing = false;
    l.haltedByPause = false;
    l.started = true;
    l.clockRunning = true;
    laneTimers_[index].clock->Start(kClockIntervalMs);
    l.startNumberEnabled = false;
    hooks_->LaneStarted(index);
    NotifyFields(index);
    hooks_->RefreshProtocolCommands();
}

void RunClock::StopLane(int index) {
    auto& l = lane(index);
    // A stop while paused ends the lane at the moment the pause began: the running pause must
    // not count in the lane's time.
    l.StopStamp = model_.paused ? model_.PauseStamp : time_.GetCount();
    l.clockRunning = false;
    l.finishing = false;
    laneTimers_[index].clock->Stop();
    l.StopElapsed = ElapsedAt(l.StopStamp);
    ShowTime(index, l.StopElapsed);
}

void RunClock::ResetLane(int index) {
    auto& l = lane(index);
    l.clockRunning = false;
    l.finishing = false;
    laneTimers_[index].clock->Stop();
    // Ready colours: the hundredths digit is dim in tenths mode, where it always reads 0. The
    // time shown next compares only the values, so a change of colour alone (the port opened or
    // closed) is reported here.
    const LaneDigits before = l.digits;
    l.digits.lit[2] = kYellow;
    l.digits.lit[3] = kYellow;
    l.digits.lit[4] = settings_.TimeFormatIndex == 1 ? kYellow : kDimGrey;
    l.digits.comma = kYellow;
    const LaneDigits coloured = l.digits;
    l.ShowBusy = false;
    ShowTime(index, 0);
    if (l.digits == coloured && !(coloured == before))
        NotifyDigits(index);
    l.StopStamp = model_.StartStamp;
    l.started = false;
    l.startNumberEnabled = true;
    l.contactText.clear();
    l.selectedContact = -1;
    NotifyFields(index);
}

void RunClock::ShowDigits(int index, std::int64_t seconds, int hundredths) {
    auto& d = lane(index).digits;
    const LaneDigits before = d;
    d.value[0] = static_cast<int>((seconds / 100) % 10);
    d.lit[0] = seconds >= 100 ? kYellow : kDimGrey;
    d.value[1] = static_cast<int>((seconds / 10) % 10);
    d.lit[1] = seconds >= 10 ? kYellow : kDimGrey;
    d.value[2] = static_cast<int>(seconds % 10);
    d.value[3] = hundredths / 10;
    d.value[4] = hundredths % 10;
    if (!(d == before))
        NotifyDigits(index);
}

std::int64_t RunClock::ShownHundredths(std::int64_t elapsed) const {
    std::int64_t h = std::max<std::int64_t>(HundredthsOf(elapsed, time_.CountSpeed()), 0);
    if (settings_.TimeFormatIndex == 0)
        h = (h / 10) * 10;
    return h;
}

void RunClock::ShowElapsed(int index, std::int64_t elapsed) {
    const std::int64_t h = ShownHundredths(elapsed);
    ShowDigits(index, h / 100, static_cast<int>(h % 100));
}

void RunClock::ShowTime(int index, std::int64_t elapsed) {
    auto& l = lane(index);
    if (l.ShowBusy)
        return;
    l.ShowBusy = true;
    const std::int64_t h = ShownHundredths(elapsed);
    ShowDigits(index, h / 100, static_cast<int>(h % 100));
    if (settings_.ZFCalc) {
        WriteTimeFaults(index, h, false);
        if (h >= static_cast<std::int64_t>(settings_.ZeitMax) * 100)
            ApplyMaximumTime(index);
    }
    l.ShowBusy = false;
}

void RunClock::WriteTimeFaults(int index, std::int64_t hundredths, bool withinStandardToo) {
    auto& l = lane(index);
    const std::int64_t d = static_cast<std::int64_t>(settings_.ZeitStandart) * 100 - hundredths;
    if (d >= 0 && !withinStandardToo)
        return;
    // Short texts stay in the string's own buffer: the 5 ms tick does not allocate.
    // The text the entry will write and every recomputation of the row will write again.
    std::string text =
        TimeFaultsText(hundredths * 10, settings_.ZeitStandart, settings_.TimeFormatIndex, settings_.DecimalSeparator);
    if (text != l.timeFaultText) {
        l.timeFaultText = std::move(text);
        NotifyFields(index);
    }
}

std::int64_t RunClock::EnteredElapsed(int index) const {
    const auto& l = Lane(index);
    return l.TakenTime != 0 ? l.TakenTime
                            : TimeTextToTicks(l.contactText, time_.CountSpeed(), settings_.DecimalSeparator);
}

void RunClock::FollowEnteredTime(int index) {
    // A bounce after the contact that counts must change neither the time faults nor the
    // maximum time: both are judged on the time the entry will take.
    auto& l = lane(index);
    if (!settings_.ZFCalc || l.ShowBusy || l.TakenTime < 0)
        return;
    l.ShowBusy = true;
    const std::int64_t h = ShownHundredths(EnteredElapsed(index));
    WriteTimeFaults(index, h, true);
    if (h >= static_cast<std::int64_t>(settings_.ZeitMax) * 100 &&
        Enabled(index == 0 ? Command::Stop1 : Command::Stop2))
        ApplyMaximumTime(index);
    l.ShowBusy = false;
}

void RunClock::ApplyMaximumTime(int index) {
    // The lane has run out of time: stop it, disqualify it, and show zero. The stop's own
    // ShowTime is dropped by the busy guard.
    Stop(index);
    DisqualifyCommand(index);
    ShowDigits(index, 0, 0);
}

void RunClock::ClockTick(int index) {
    if (lane(index).clockRunning)
        ShowTime(index, ElapsedNow());
}

void RunClock::LaneFinishContact(int index, std::int64_t stamp) {
    // A contact on a lane that is not timing (not in use, never started or already stopped) must
    // not collect a contact: its automatic stop would enable a second entry of the same run.
    if (index < 0 || index > 1 || !LaneInUse(index) || !Enabled(index == 0 ? Command::Stop1 : Command::Stop2))
        return;
    auto& l = lane(index);
    // The stamp may be older than pauses begun or ended since: measured against those before it.
    const std::int64_t t = std::max<std::int64_t>(ElapsedAt(stamp), 0);
    l.clockRunning = false;
    l.haltedByPause = false;
    l.finishing = true;
    laneTimers_[index].clock->Stop();
    laneTimers_[index].autoStop->Stop();
    l.contacts.push_back(TicksToTimeText(t, time_.CountSpeed(), settings_.TimeFormatIndex));
    l.contactStyle = index == 0 ? ContactListStyle::DropDown : ContactListStyle::DropDownList;
    l.contactListEnabled = true;
    if (settings_.Kontakt == 1)
        SelectContactIndex(index, static_cast<int>(l.contacts.size()) - 1);
    else if (l.selectedContact < 0)
        SelectContactIndex(index, 0);
    NotifyFields(index);
    if (settings_.LsCFG != 0 || settings_.Kontakt == 1)
        ShowElapsed(index, t);
    FollowEnteredTime(index);
    if (Enabled(index == 0 ? Command::Stop1 : Command::Stop2)) // not when the maximum time stopped it
        laneTimers_[index].autoStop->Start(settings_.Wait);
}

void RunClock::SelectContactIndex(int index, int item) {
    auto& l = lane(index);
    if (item < 0 || item >= static_cast<int>(l.contacts.size()))
        return;
    l.selectedContact = item;
    l.contactText = l.contacts[static_cast<std::size_t>(item)];
}

void RunClock::SelectContact(int index, int item) {
    SelectContactIndex(index, item);
    SetContactText(index, Lane(index).contactText);
}

void RunClock::SetContactText(int index, std::string text) {
    auto& l = lane(index);
    l.contactText = std::move(text);
    // Choosing from the list means the entry takes the list's text, not a stop command's time;
    // a disqualified lane (negative) stays out of the entry whatever the list shows.
    if (l.TakenTime > 0)
        l.TakenTime = 0;
    NotifyFields(index);
    FollowEnteredTime(index);
    if (Enabled(Command::Eintragen))
        ShowTime(index, TimeTextToTicks(l.contactText, time_.CountSpeed(), settings_.DecimalSeparator));
}

void RunClock::ContactListClosed(int index) {
    SetContactText(index, Lane(index).contactText);
}

} // namespace caniparc
