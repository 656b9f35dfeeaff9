// The settings dialog's rules (see SettingsForm.h).
#include "station/SettingsForm.h"

#include <algorithm>
#include <cfenv>
#include <cmath>
#include <cstdio>

namespace caniparc {
namespace {

template <typename T> T Clamped(T value, Range<T> range) {
    return std::clamp(value, range.low, range.high);
}

// A stored real may be anything, NaN included, which no comparison would move into range.
double ClampedReal(double value, Range<double> range, double fallback) {
    return std::isnan(value) ? fallback : std::clamp(value, range.low, range.high);
}

double MsToSeconds(int ms) {
    return ms / 1000.0;
}

void CopyPortSide(const Settings& s, SettingsForm& f) {
    f.ports = PortList(s.PortMask);
    f.portIndex = 0;
    for (std::size_t i = 1; i < f.ports.size(); ++i)
        if (f.ports[i].number == s.Port)
            f.portIndex = static_cast<int>(i);
    f.alg = Clamped(s.Alg, ranges::Alg);
    f.startLockSeconds = Clamped(MsToSeconds(s.StartLock), ranges::Seconds);
    f.kontakt = Clamped(s.Kontakt, ranges::Kontakt);
    f.manuell = s.Manuell;
    f.waitSeconds = Clamped(MsToSeconds(s.Wait), ranges::Seconds);
}

void CopyMonitors(const Settings& s, const std::vector<MonitorBounds>& monitors, SettingsForm& f) {
    f.monitorListEnabled = monitors.size() >= 2;
    f.monitors.clear();
    if (!f.monitorListEnabled) {
        f.monitors.emplace_back(kNoMonitor);
        f.monitorIndex = 0;
        return;
    }
    for (std::size_t i = 0; i < monitors.size(); ++i)
        f.monitors.push_back(MonitorEntryText(static_cast<int>(i), monitors[i]));
    f.monitorIndex = s.Monitor >= 0 && s.Monitor < static_cast<int>(monitors.size()) ? s.Monitor : 0;
}

} // namespace

SettingsForm FormFromSettings(const Settings& s, const std::vector<MonitorBounds>& monitors) {
    SettingsForm f;
    f.Title = s.Title;
    f.Title2 = s.Title2;
    f.Title3 = s.Title3;
    f.Katego = s.Katego;
    CopyPortSide(s, f);
    f.lsCfg = Clamped(s.LsCFG, ranges::CourseScheme);
    f.dist = ClampedReal(s.Dist, ranges::Dist, 180.0);
    f.autoEinSeconds = Clamped(MsToSeconds(s.AutoEinS), ranges::Seconds);
    f.editRes = s.EditRes;
    f.laufCount = Clamped(s.LaufCount, ranges::LaufCount);
    f.multi = Clamped(s.Multi, ranges::Multi);
    f.bonus = s.Bonus;
    f.adel = Clamped(s.Adel, ranges::Adel);
    f.autoRang = s.AutoRang;
    f.rezervDir = s.RezervDir;
    f.zfCalc = s.ZFCalc;
    f.skor = ClampedReal(s.Skor, ranges::Skor, 3.0);
    f.zeitStandart = Clamped(s.ZeitStandart, ranges::CourseTime);
    f.zeitMax = Clamped(s.ZeitMax, ranges::CourseTime);
    f.qp2 = Clamped(s.QP2, ranges::QP2);
    f.qp3 = Clamped(s.QP3, ranges::QP3);
    f.qp4 = Clamped(s.QP4, ranges::QP4);
    f.qps1 = s.QPs1;
    f.qps2 = s.QPs2;
    f.qps3 = s.QPs3;
    f.qps4 = s.QPs4;
    f.liveWeb = s.LiveWeb != 0;
    f.livePort = Clamped(s.LivePort, ranges::LivePort);
    f.showServer = s.ShowServer;
    f.showPort = Clamped(s.ShowPort, ranges::ShowPort);
    f.showName = s.ShowName;
    f.showRing = s.ShowRing;
    f.showUser = s.ShowUser;
    f.showPassword = s.ShowPassword;
    f.showCaFile = s.ShowCaFile;
    CopyMonitors(s, monitors, f);
    return f;
}

std::string PortEntryText(const PortEntry& entry) {
    if (entry.number == 0 || entry.device.empty() || entry.device.rfind("/dev/", 0) != 0)
        return entry.name;
    return entry.name + " (" + entry.device + ")";
}

std::string MonitorEntryText(int index, const MonitorBounds& b) {
    char text[96];
    std::snprintf(text, sizeof text, "%d=(%d,%d)-(%d,%d)", index, b.left, b.top, b.width, b.height);
    return text;
}

SuggestedTimes SuggestTimes(double dist, double skor) {
    if (!(skor > 0.0) || std::isnan(dist))
        return {};
    const int oldMode = std::fegetround();
    std::fesetround(FE_TONEAREST); // halves go to the even second
    const double standard = std::nearbyint(dist / skor);
    std::fesetround(oldMode);
    if (!(std::fabs(standard) < 1e9))
        return {};
    const int s = static_cast<int>(standard);
    return {s, (3 * s) / 2};
}

std::string BandUpperText(int nextLower) {
    return std::to_string(nextLower - 1) + ".99";
}

int SecondsToMs(double seconds) {
    return static_cast<int>(std::lround(seconds * 1000.0));
}

void CopyFormToSettings(const SettingsForm& f, Settings& s) {
    s.RezervDir = f.rezervDir;
    s.QP2 = Clamped(f.qp2, ranges::QP2);
    s.QP3 = Clamped(f.qp3, ranges::QP3);
    s.QP4 = Clamped(f.qp4, ranges::QP4);
    s.QPs1 = f.qps1;
    s.QPs2 = f.qps2;
    s.QPs3 = f.qps3;
    s.QPs4 = f.qps4;
    s.AutoRang = f.autoRang;
    s.EditRes = f.editRes;
    s.Title2 = f.Title2;
    s.Title3 = f.Title3;
    s.Katego = f.Katego;
    s.Dist = ClampedReal(f.dist, ranges::Dist, s.Dist);
    s.Skor = ClampedReal(f.skor, ranges::Skor, s.Skor);
    s.Multi = Clamped(f.multi, ranges::Multi);
    s.Adel = Clamped(f.adel, ranges::Adel);
    s.Title = f.Title;
    s.ZeitStandart = Clamped(f.zeitStandart, ranges::CourseTime);
    s.ZeitMax = Clamped(f.zeitMax, ranges::CourseTime);
    s.ZFCalc = f.zfCalc;
    s.Bonus = f.bonus;
    s.StartLock = Clamped(SecondsToMs(f.startLockSeconds), ranges::Milliseconds);
    s.Wait = Clamped(SecondsToMs(f.waitSeconds), ranges::Milliseconds);
    s.AutoEinS = Clamped(SecondsToMs(f.autoEinSeconds), ranges::Milliseconds);
    s.LaufCount = f.laufCount == 1 ? 1 : 2;
    s.Manuell = f.manuell;
    if (ranges::CourseScheme.Holds(f.lsCfg))
        s.LsCFG = f.lsCfg;
    s.Kontakt = f.kontakt == 0 ? 0 : 1;
    s.LiveWeb = f.liveWeb ? 1 : 0;
    s.LivePort = Clamped(f.livePort, ranges::LivePort);
    s.ShowServer = f.showServer;
    s.ShowPort = Clamped(f.showPort, ranges::ShowPort);
    s.ShowName = f.showName;
    s.ShowRing = f.showRing;
    s.ShowUser = f.showUser;
    s.ShowPassword = f.showPassword;
    s.ShowCaFile = f.showCaFile;
}

int ChosenPort(const SettingsForm& form) {
    if (form.portIndex <= 0 || form.portIndex >= static_cast<int>(form.ports.size()))
        return 0;
    return PortNumberFromEntry(PortEntryText(form.ports[static_cast<std::size_t>(form.portIndex)]));
}

std::vector<std::string> ClampToDialogRanges(Settings& s) {
    std::vector<std::string> changed;
    const auto keep = [&changed](const char* name, auto& field, auto value) {
        if (field != value) {
            field = value;
            changed.emplace_back(name);
        }
    };
    const auto keepReal = [&changed](const char* name, double& field, double value) {
        if (!(field == value)) { // NaN never equals
            field = value;
            changed.emplace_back(name);
        }
    };
    keep("Alg", s.Alg, Clamped(s.Alg, ranges::Alg));
    keep("StartLock", s.StartLock, Clamped(s.StartLock, ranges::Milliseconds));
    keep("Wait", s.Wait, Clamped(s.Wait, ranges::Milliseconds));
    keep("LsCFG", s.LsCFG, Clamped(s.LsCFG, ranges::CourseScheme));
    keep("AutoEinS", s.AutoEinS, Clamped(s.AutoEinS, ranges::Milliseconds));
    keep("Kontakt", s.Kontakt, Clamped(s.Kontakt, ranges::Kontakt));
    keep("LaufCount", s.LaufCount, Clamped(s.LaufCount, ranges::LaufCount));
    keep("Multi", s.Multi, Clamped(s.Multi, ranges::Multi));
    keep("Adel", s.Adel, Clamped(s.Adel, ranges::Adel));
    keep("ZeitStandart", s.ZeitStandart, Clamped(s.ZeitStandart, ranges::CourseTime));
    keep("ZeitMax", s.ZeitMax, Clamped(s.ZeitMax, ranges::CourseTime));
    keepReal("Dist", s.Dist, ClampedReal(s.Dist, ranges::Dist, 180.0));
    keepReal("Skor", s.Skor, ClampedReal(s.Skor, ranges::Skor, 3.0));
    keep("QP2", s.QP2, Clamped(s.QP2, ranges::QP2));
    keep("QP3", s.QP3, Clamped(s.QP3, ranges::QP3));
    keep("QP4", s.QP4, Clamped(s.QP4, ranges::QP4));
    keep("LiveWeb", s.LiveWeb, s.LiveWeb != 0 ? 1 : 0);
    keep("LivePort", s.LivePort, Clamped(s.LivePort, ranges::LivePort));
    keep("ShowPort", s.ShowPort, Clamped(s.ShowPort, ranges::ShowPort));
    return changed;
}

} // namespace caniparc
