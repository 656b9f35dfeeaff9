// The protocol commands of the tool bar as data: which commands and start-number controls are
// available for the protocol as it stands, the core of "new protocol", and the file name that
// "save as" proposes. The main window binds its controls to these results.
#pragma once

#include "protocol/ProtocolTable.h"

#include <ctime>
#include <functional>
#include <string>

namespace caniparc {

// What the command state depends on besides the protocol.
struct ProtocolCommandContext {
    bool spreadsheetAvailable = false; // "Excel.Application" resolves
    bool documentAvailable = false;    // "Word.Basic" resolves
    bool lane1Running = false;
    bool lane2Running = false;
    bool runInProgress = false; // started and not yet entered or aborted
    int lsCfg = 1;              // course scheme; lane 2 takes starters only in scheme C (2)
    bool lane1ListEmpty = true;
    bool lane2ListEmpty = true;
};

struct ProtocolCommandState {
    bool holdsData = false;
    bool clear = false;       // sbCLS, F9
    bool print = false;       // sbPrint
    bool save = false;        // sbSave, Ctrl+S
    bool web = false;         // sbInet
    bool places = false;      // bPlatz, "Neu berechnen"
    bool spreadsheet = false; // sbExcel
    bool document = false;    // sbWord
    bool disqualify = false;  // mDis, "Disqualifizieren"
    bool lane1SpinVisible = true;
    bool lane1ListVisible = false;
    bool lane2SpinVisible = false;
    bool lane2ListVisible = false;

    bool operator==(const ProtocolCommandState&) const = default;
};

// True when the table has a data row and anything in row 1 is more than blanks.
bool ProtocolHoldsData(const ProtocolTable& table);

ProtocolCommandState UpdateProtocolCommands(const ProtocolTable& table, const ProtocolCommandContext& context);

// What the lane frames are set to by a new protocol; the best time is reset only where lane 2
// shows it (the one-lane schemes).
struct NewProtocolReset {
    int lane1StartNumber = 1;
    int lane2StartNumber = 2;
    bool resetBestTime = false;
};

// Leaves the header row and one empty data row. The backup file is not touched: the next entry
// or the shutdown writes it.
NewProtocolReset NewProtocol(ProtocolTable& table, int lsCfg);

// "yyyy-mm-dd-hh-mm" of the given local time, e.g. 2007-03-15-14-05.
std::string TimeStampName(const std::tm& localTime);

// stem + extension, or where that is taken, stem + "-2" + extension, "-3" and so on: two
// exports of the same minute must not overwrite each other.
std::string UnusedFileName(const std::string& stem, const std::string& extension,
                           const std::function<bool(const std::string&)>& taken);

} // namespace caniparc
