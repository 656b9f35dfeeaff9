// The main window's side of the barrier port: the three line handlers that turn a line change
// into a contact by polarity, the routing of contacts to start and finish by course scheme and
// lock flags, the barrier imitation, and what opening and closing the port changes.
#pragma once

#include "serial/ComPort.h"
#include "settings/Settings.h"
#include "timing/ContactLog.h"
#include "timing/RunCommands.h"
#include "timing/Scheduler.h"
#include "timing/TimeSource.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace caniparc {

enum class ContactRoute {
    Start,
    Finish1,
    Finish2,
    Unchanged,    // the status word is the one seen last: a repeated wake-up
    OppositeEdge, // the line left its contact level; by the polarity no contact
    NotSchemeC,   // pins 4+6 count only in scheme C
    Locked,       // the barrier is locked
    WrongState,   // start not available, or no run started
    ButtonDisabled
};

const char* RouteText(ContactRoute route);

inline constexpr std::uint32_t kInitialLineState = 0x55555555;
inline constexpr std::uint32_t kImitatedLineState = 0x01234567;

// What the window shows of the barriers; changes when the port opens or closes.
struct BarrierDisplay {
    bool lockPictures = false;
    bool contactList1 = false;
    bool contactList2 = false;
};

struct ImitationButtons {
    bool imit1 = true;
    bool imit2 = false;
    bool imit3 = false;
};

class BarrierRouting {
public:
    BarrierRouting(Settings& settings, RunCommands& run, const TimeSource& time, ModemStatusSource& modem,
                   ContactLog* log = nullptr);

    // Makes this object the port's OnCTS, OnDSR, OnRLSD, OnOpen and OnClose.
    void AttachTo(ComPort& port);

    ContactRoute ComPortStart(const LineChange& change); // CTS, pins 7+8
    ContactRoute ComPortStop1(const LineChange& change); // RLSD, pins 1+4
    ContactRoute ComPortStop2(const LineChange& change); // DSR, pins 4+6
    void ComPortOpen();
    void ComPortClose();

    ContactRoute StartContact(std::int64_t stamp);
    ContactRoute FinishContact1(std::int64_t stamp);
    ContactRoute FinishContact2(std::int64_t stamp);

    void LockLS1Click();  // F10
    void LockLS2Click();  // F11
    void LockLS21Click(); // F12

    // The imitation buttons: tag 1 "7+8", 2 "1+4", 3 "4+6".
    ContactRoute bImitClick(int tag);
    bool ImitationEnabled(int tag) const;
    ImitationButtons Imitation() const;

    void SetCourseScheme(int scheme);

    std::uint32_t LastLineState() const { return lastLineState_; }
    bool ImitationActive() const { return imitationActive_; }
    const BarrierDisplay& Display() const { return display_; }

    std::function<void(const BarrierDisplay&)> OnDisplayChange;
    std::function<void(const ImitationButtons&)> OnImitationChange;

private:
    ContactRoute HandleLine(const LineChange& change, std::uint32_t line);
    bool IsContact(const LineChange& change, std::uint32_t line) const;
    ContactRoute Route(std::uint32_t line, std::int64_t stamp);
    void Log(const LineChange& change, std::uint32_t line, ContactRoute route);
    void ShowDisplay(const BarrierDisplay& display);

    Settings& settings_;
    RunCommands& run_;
    const TimeSource& time_;
    ModemStatusSource& modem_;
    ContactLog* log_;
    std::uint32_t lastLineState_ = kInitialLineState;
    bool imitationActive_ = false;
    std::uint64_t wakeSequence_ = 0; // the wake-up whose status word lastLineState_ holds
    bool wakeFresh_ = false;
    BarrierDisplay display_;
};

// Opening the configured port, at start-up and after the settings dialog.
class PortOpener {
public:
    static constexpr int kReopenDelayMs = 50;

    PortOpener(ComPort& port, Settings& settings, Scheduler& scheduler);

    // Opens the port of the setting Port when it is above 0. A port that cannot be opened stays
    // closed: the station times from the keyboard, in tenths. Returns whether the port is open.
    bool OpenAtStartup();
    // The settings dialog was confirmed with `chosenPort` (0 for "Kein") and start algorithm
    // `alg`: close, take the choice, and open the new port 50 ms later.
    void ApplyChoice(int chosenPort, int alg);
    // The reason the last attempt failed, for a status line; empty after a success.
    const std::string& LastError() const { return lastError_; }

private:
    bool TryOpen();

    ComPort& port_;
    Settings& settings_;
    std::unique_ptr<Timer> reopen_;
    std::string lastError_;
};

} // namespace caniparc
