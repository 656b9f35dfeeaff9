// Barrier line handlers and contact routing (see BarrierRouting.h).
#include "serial/BarrierRouting.h"

#include <cmath>

namespace caniparc {
namespace {

constexpr int kSchemeA = 0;
constexpr int kSchemeC = 2;

const char* LineName(std::uint32_t line) {
    switch (line) {
    case kLineCts:
        return "CTS (7+8)";
    case kLineRlsd:
        return "DCD (1+4)";
    default:
        return "DSR (4+6)";
    }
}

std::uint32_t CountOf(const LineCounts& counts, std::uint32_t line) {
    return line == kLineCts ? counts.cts : line == kLineRlsd ? counts.rlsd : counts.dsr;
}

bool AnyPulse(const LineChange& change) {
    return change.edges.cts >= 2 || change.edges.dsr >= 2 || change.edges.rlsd >= 2;
}

// Clears ImitationActive however the handler leaves.
class ImitationScope {
public:
    explicit ImitationScope(bool& flag) : flag_(flag) { flag_ = true; }
    ~ImitationScope() { flag_ = false; }

private:
    bool& flag_;
};

} // namespace

const char* RouteText(ContactRoute route) {
    switch (route) {
    case ContactRoute::Start:
        return "Start";
    case ContactRoute::Finish1:
        return "Ziel Bahn 1";
    case ContactRoute::Finish2:
        return "Ziel Bahn 2";
    case ContactRoute::Unchanged:
        return "ignoriert: unveraendert";
    case ContactRoute::OppositeEdge:
        return "ignoriert: Gegenflanke";
    case ContactRoute::NotSchemeC:
        return "ignoriert: nur Schema C";
    case ContactRoute::Locked:
        return "ignoriert: gesperrt";
    case ContactRoute::WrongState:
        return "ignoriert: falscher Zustand";
    case ContactRoute::ButtonDisabled:
        return "ignoriert: Taste gesperrt";
    }
    return "";
}

BarrierRouting::BarrierRouting(Settings& settings, RunCommands& run, const TimeSource& time, ModemStatusSource& modem,
                               ContactLog* log)
    : settings_(settings), run_(run), time_(time), modem_(modem), log_(log) {}

void BarrierRouting::AttachTo(ComPort& port) {
    port.OnCTS = [this](const LineChange& change) { ComPortStart(change); };
    port.OnDSR = [this](const LineChange& change) { ComPortStop2(change); };
    port.OnRLSD = [this](const LineChange& change) { ComPortStop1(change); };
    port.OnOpen = [this] { ComPortOpen(); };
    port.OnClose = [this] { ComPortClose(); };
}

ContactRoute BarrierRouting::ComPortStart(const LineChange& change) {
    return HandleLine(change, kLineCts);
}

ContactRoute BarrierRouting::ComPortStop1(const LineChange& change) {
    return HandleLine(change, kLineRlsd);
}

ContactRoute BarrierRouting::ComPortStop2(const LineChange& change) {
    return HandleLine(change, kLineDsr);
}

ContactRoute BarrierRouting::HandleLine(const LineChange& change, std::uint32_t line) {
    // One comparison per wake-up, not per handler: a second line that changed in the same
    // wake-up would otherwise find the word already stored and lose its contact.
    if (imitationActive_ || change.sequence != wakeSequence_) {
        wakeSequence_ = change.sequence;
        wakeFresh_ = change.status != lastLineState_ || AnyPulse(change);
        lastLineState_ = change.status;
    }
    ContactRoute route = ContactRoute::Unchanged;
    if (!wakeFresh_)
        route = ContactRoute::Unchanged;
    else if (line == kLineDsr && settings_.LsCFG != kSchemeC)
        route = ContactRoute::NotSchemeC;
    else if (!IsContact(change, line))
        route = ContactRoute::OppositeEdge;
    else
        route = Route(line, change.stamp);
    Log(change, line, route);
    return route;
}

bool BarrierRouting::IsContact(const LineChange& change, std::uint32_t line) const {
    const bool active = (change.status & line) != 0 || imitationActive_;
    // Two or more edges in one wake-up: the line went through both levels, so also through the
    // contact level, whichever level it came back to.
    const bool pulse = !imitationActive_ && EdgesOf(change.edges, line) >= 2;
    switch (settings_.Alg) {
    case 0:
        return active || pulse;
    case 1:
        return !active || pulse;
    default:
        return false;
    }
}

ContactRoute BarrierRouting::Route(std::uint32_t line, std::int64_t stamp) {
    if (line == kLineCts)
        return StartContact(stamp);
    if (line == kLineRlsd)
        return FinishContact1(stamp);
    return FinishContact2(stamp);
}

ContactRoute BarrierRouting::StartContact(std::int64_t stamp) {
    if (run_.BarrierFree(Barrier::Start)) {
        if (!run_.StartEnabled())
            return ContactRoute::WrongState;
        run_.StartCommand(stamp);
        return ContactRoute::Start;
    }
    if (settings_.LsCFG != kSchemeA || !run_.BarrierFree(Barrier::Finish1))
        return ContactRoute::Locked;
    // A finish before any start would time a lane that is not running.
    if (run_.StartEnabled())
        return ContactRoute::WrongState;
    run_.LaneFinishContact(0, stamp);
    return ContactRoute::Finish1;
}

ContactRoute BarrierRouting::FinishContact1(std::int64_t stamp) {
    if (!run_.BarrierFree(Barrier::Finish1))
        return ContactRoute::Locked;
    if (run_.StartEnabled())
        return ContactRoute::WrongState;
    run_.LaneFinishContact(0, stamp);
    return ContactRoute::Finish1;
}

ContactRoute BarrierRouting::FinishContact2(std::int64_t stamp) {
    if (!run_.BarrierFree(Barrier::Finish2))
        return ContactRoute::Locked;
    if (run_.StartEnabled())
        return ContactRoute::WrongState;
    run_.LaneFinishContact(1, stamp);
    return ContactRoute::Finish2;
}

void BarrierRouting::LockLS1Click() {
    run_.ToggleBarrier(Barrier::Start);
}

void BarrierRouting::LockLS2Click() {
    run_.ToggleBarrier(Barrier::Finish1);
}

void BarrierRouting::LockLS21Click() {
    run_.ToggleBarrier(Barrier::Finish2);
}

bool BarrierRouting::ImitationEnabled(int tag) const {
    switch (tag) {
    case 1:
        return true;
    case 2:
        return settings_.LsCFG == 1 || settings_.LsCFG == kSchemeC;
    case 3:
        return settings_.LsCFG == kSchemeC;
    default:
        return false;
    }
}

ImitationButtons BarrierRouting::Imitation() const {
    return {true, ImitationEnabled(2), ImitationEnabled(3)};
}

ContactRoute BarrierRouting::bImitClick(int tag) {
    if (!ImitationEnabled(tag))
        return ContactRoute::ButtonDisabled;
    const std::uint32_t line = tag == 1 ? kLineCts : tag == 2 ? kLineRlsd : kLineDsr;
    LineChange change;
    change.stamp = time_.GetCount();
    change.status = modem_.GetModemStatus();
    change.changed = line;
    lastLineState_ = kImitatedLineState;
    ContactRoute route;
    {
        ImitationScope scope(imitationActive_);
        route = HandleLine(change, line);
    }
    // The word read for the imitation may already hold a real change whose hand-over is still
    // on its way; that change must not find its own word stored and pass as unchanged.
    lastLineState_ = kImitatedLineState;
    return route;
}

void BarrierRouting::SetCourseScheme(int scheme) {
    settings_.LsCFG = scheme;
    if (OnImitationChange)
        OnImitationChange(Imitation());
}

void BarrierRouting::ComPortOpen() {
    settings_.TimeFormatIndex = 1;
    wakeSequence_ = 0; // a new worker counts its wake-ups from 1 again
    ShowDisplay({true, settings_.Manuell, settings_.Manuell && settings_.LsCFG == kSchemeC});
    if (log_)
        log_->Note("Port offen; Zeitstempel in Zaehlerschritten, " + std::to_string(std::llround(time_.CountSpeed())) +
                   " je us");
}

void BarrierRouting::ComPortClose() {
    settings_.TimeFormatIndex = 0;
    wakeSequence_ = 0;
    ShowDisplay({});
    if (log_)
        log_->Note("Port geschlossen");
}

void BarrierRouting::ShowDisplay(const BarrierDisplay& display) {
    display_ = display;
    if (OnDisplayChange)
        OnDisplayChange(display_);
}

void BarrierRouting::Log(const LineChange& change, std::uint32_t line, ContactRoute route) {
    if (!log_)
        return;
    ContactRecord record;
    record.stamp = change.stamp;
    record.line = LineName(line);
    record.level = (change.status & line) != 0;
    record.edges = EdgesOf(change.edges, line);
    record.count = CountOf(change.counts, line);
    record.countKnown = change.countsKnown;
    record.imitation = imitationActive_;
    record.outcome = RouteText(route);
    log_->Record(record);
}

PortOpener::PortOpener(ComPort& port, Settings& settings, Scheduler& scheduler)
    : port_(port), settings_(settings),
      reopen_(scheduler.CreateTimer(Scheduler::Mode::SingleShot, [this] { TryOpen(); })) {}

bool PortOpener::OpenAtStartup() {
    return settings_.Port > 0 && TryOpen();
}

void PortOpener::ApplyChoice(int chosenPort, int alg) {
    reopen_->Stop();
    port_.Close();
    settings_.Port = 0;
    if (chosenPort > 0) {
        settings_.Port = chosenPort;
        settings_.Alg = alg;
    }
    if (settings_.Port > 0)
        reopen_->Start(kReopenDelayMs);
}

bool PortOpener::TryOpen() {
    port_.Port = settings_.Port;
    try {
        port_.Open();
        lastError_.clear();
        return true;
    } catch (const EComHandle& error) {
        lastError_ = error.what();
    } catch (const EComState& error) {
        lastError_ = error.what();
    }
    return false;
}

} // namespace caniparc
