// The state of the run as plain data: which commands are enabled (the run state lives in these
// flags), the barrier lock flags, and per lane the clock fields, the digits and the texts of
// the lane's fields. The run clock changes it and tells its listener; the Qt layer only reads.
#pragma once

#include "common/Rgb.h"

#include <array>
#include <climits>
#include <cstdint>
#include <string>
#include <vector>

namespace caniparc {

// Commands and input fields whose enabled flag the run clock drives. A large button and its
// menu item share one flag.
enum class Command : int {
    Start,       // F8, bSTART
    Stop1,       // F4, bSTOP1
    Stop2,       // F6, bSTOP2
    Pause,       // F5, bHF
    Eintragen,   // F7, bEintragen
    Next,        // Ctrl+N, bNext
    Abbruch,     // Ctrl+X, bAbbruch
    CFG,         // F2, bCFG
    Dis1,        // bDis1 and its menu items
    Dis2,        // bDis2 and its menu items
    TimeFaults1, // eFehler1
    Faults1,     // eParc1 with the fault commands following it
    Refusals1,   // eWei1 with the refusal commands following it
    TimeFaults2, // eFehler2
    Faults2,     // eParc2
    Refusals2,   // eWei2
};
inline constexpr int CommandCount = 16;

inline constexpr Rgb kDimGrey{64, 64, 64};
inline constexpr Rgb kYellow{255, 255, 0};

enum class ContactListStyle { Simple, DropDown, DropDownList };

// What a lane's five seven-segment digits show: hundreds, tens and units of seconds, tenths,
// hundredths, each with its lit colour, and the colour of the comma.
struct LaneDigits {
    std::array<int, 5> value{};
    std::array<Rgb, 5> lit{kDimGrey, kDimGrey, kYellow, kYellow, kDimGrey};
    Rgb comma = kYellow;
    friend bool operator==(const LaneDigits&, const LaneDigits&) = default;
};

struct LaneState {
    // Clock fields, in counts of the time source.
    std::int64_t StopStamp = 0;
    std::int64_t StopElapsed = 0;
    std::int64_t TakenTime = 0; // 0: the entry takes the contact list's text; < 0: not entered
    bool ShowBusy = false;
    bool clockRunning = false;
    bool finishing = false; // first finish contact seen, waiting for the automatic stop
    bool haltedByPause = false;
    bool started = false; // started since its last reset: abort and next starter reset it

    LaneDigits digits;

    // The contact list: time texts of the finish contacts and the current text.
    std::vector<std::string> contacts;
    int selectedContact = -1;
    std::string contactText;
    ContactListStyle contactStyle = ContactListStyle::Simple;
    bool contactListEnabled = false;

    // The lane's input fields: time faults (eFehler), course faults (eParc), refusals (eWei).
    std::string timeFaultText;
    std::string faultsText;
    std::string refusalsText;

    int startNumber = 1; // the start-number spin edit, 1..9999
    bool startNumberEnabled = true;
};

// One pause of the run, in counts; `end` is kPauseRunning while the pause lasts.
struct PauseInterval {
    std::int64_t begin = 0;
    std::int64_t end = 0;
};
inline constexpr std::int64_t kPauseRunning = INT64_MAX;

struct RunModel {
    std::array<bool, CommandCount> enabled{};
    bool paused = false;               // the pause button's down state
    std::array<bool, 3> barrierFree{}; // start, finish 1, finish 2; all locked at program start
    std::int64_t StartStamp = 0;
    std::int64_t PauseStamp = 0;
    // A barrier stamp can reach the clock after a pause that began or ended later than the
    // stamp; it is measured from the start taken here against the pauses it lies behind.
    std::int64_t RunStartStamp = 0;
    std::vector<PauseInterval> pauses;
    std::array<LaneState, 2> lanes;

    bool IsEnabled(Command c) const { return enabled[static_cast<std::size_t>(c)]; }
};

// Colours of a large button for its enabled flag (disabled buttons take the system's colours).
struct ButtonColours {
    bool systemColours = true; // disabled: button face, highlight, no shadow
    Rgb colour, light, shadow;
    bool hasShadow = false;
};
ButtonColours ButtonColoursFor(Command button, bool enabled);

} // namespace caniparc
