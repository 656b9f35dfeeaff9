// The settings dialog as plain data: what its controls hold, how they are filled from the
// settings and copied back, the dialog's ranges, and the small texts it computes (suggested
// course times, grade band tops, port and monitor entries). The Qt dialog only binds widgets to
// these values, so every rule here runs in the tests without a window.
#pragma once

#include "serial/PortProbe.h"
#include "settings/SettingRanges.h"
#include "settings/Settings.h"

#include <string>
#include <vector>

namespace caniparc {

// A monitor of the system: its bounds in pixels.
struct MonitorBounds {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

struct SettingsForm {
    std::string Title, Title2, Title3, Katego;

    std::vector<PortEntry> ports; // "Kein" first
    int portIndex = 0;            // into ports
    int alg = 0;
    double startLockSeconds = 10.0;
    int kontakt = 0;
    bool manuell = true;
    double waitSeconds = 5.0;

    int lsCfg = 1;
    double dist = 180.0;

    double autoEinSeconds = 7.0;
    bool editRes = true;
    int laufCount = 1;
    int multi = 5;
    bool bonus = false;
    int adel = 3;
    bool autoRang = true;
    std::string rezervDir;

    bool zfCalc = true;
    double skor = 3.0;
    int zeitStandart = 60;
    int zeitMax = 120;

    bool liveWeb = false;
    int livePort = 8080;

    std::string showServer, showName, showRing, showUser, showPassword, showCaFile;
    int showPort = 1883;

    int qp2 = 6, qp3 = 16, qp4 = 26;
    std::string qps1, qps2, qps3, qps4;

    // One entry per monitor with two or more, else only "nicht angeschlossen" (list disabled).
    std::vector<std::string> monitors;
    bool monitorListEnabled = false;
    int monitorIndex = 0;

    // Barrier options (algorithm, lock time, contacts, automatic stop) need a port.
    bool BarrierOptionsEnabled() const { return portIndex > 0; }
};

// Opening the dialog: every control from the settings. A stored port that is not present
// selects "Kein".
SettingsForm FormFromSettings(const Settings& settings, const std::vector<MonitorBounds>& monitors);

// The list entry of a port: "Kein", "COM3", or on Linux "COM5 (/dev/ttyUSB0)" so the operator
// sees which adapter a number means. The number after "COM" is what is stored.
std::string PortEntryText(const PortEntry& entry);

// "%d=(%d,%d)-(%d,%d)": number (from 0), left, top, width, height.
std::string MonitorEntryText(int index, const MonitorBounds& bounds);
inline constexpr const char* kNoMonitor = "nicht angeschlossen";

struct SuggestedTimes {
    int standard = 0;
    int maximum = 0;
};
// Standard time: length / speed to the nearest second, a half to the even second; maximum:
// one and a half times that, the fraction dropped.
SuggestedTimes SuggestTimes(double dist, double skor);

// The top of the band below one that starts at `nextLower`: 6 gives "5.99".
std::string BandUpperText(int nextLower);

// Seconds in a spin edit to milliseconds, to the nearest millisecond (2.55 s is 2550 ms).
int SecondsToMs(double seconds);

// "OK": copies the controls back into the settings, in the dialog's order. The port and the
// monitor are left to the caller, which has to act on them (close, wait, reopen; move the
// spectators' display). Values are kept within the controls' ranges.
void CopyFormToSettings(const SettingsForm& form, Settings& settings);

// The port number of the chosen entry (0 for "Kein").
int ChosenPort(const SettingsForm& form);

// Brings values read from a store into the ranges the dialog can show, so a damaged or
// hand-edited store cannot put the station into a state no control can display or undo.
// Returns the names of the values that had to be changed.
std::vector<std::string> ClampToDialogRanges(Settings& settings);

} // namespace caniparc
