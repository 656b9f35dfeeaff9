// The station's show settings (see ShowConfig.h).
#include "show/ShowConfig.h"

#include "settings/Settings.h"
#include "show/ShowTopics.h"

#include <cstdio>

namespace caniparc {

ShowConfig ShowConfigOf(const Settings& s) {
    return {s.ShowServer, s.ShowPort, s.ShowName, s.ShowRing, s.ShowUser, s.ShowPassword, s.ShowCaFile};
}

namespace {

bool Blank(const std::string& text) {
    return text.find_first_not_of(" \t") == std::string::npos;
}

} // namespace

ShowSetup ShowSetupOf(const ShowConfig& config) {
    if (Blank(config.server))
        return ShowSetup::Off;
    if (!ValidShowName(config.show) || !ValidShowName(config.ring) || config.port < 1 || config.port > 65535)
        return ShowSetup::Invalid;
    return ShowSetup::On;
}

std::string ShowConfigProblemText(const ShowConfig& config) {
    if (!ValidShowName(config.show))
        return "Turnier: Name des Turniers fehlt oder ist ungültig";
    if (!ValidShowName(config.ring))
        return "Turnier: Name des Rings fehlt oder ist ungültig";
    return "Turnier: Port ungültig";
}

std::filesystem::path OutboxFilePath(const std::filesystem::path& dataFolder, const std::string& programTitle,
                                     const std::string& backupFolder) {
    // FNV-1a: the same folder gives the same name on every start.
    std::uint32_t hash = 2166136261u;
    for (const char c : backupFolder) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 16777619u;
    }
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, "%08x", static_cast<unsigned>(hash));
    return dataFolder / (programTitle + "-Turnier-" + suffix + ".sqlite");
}

} // namespace caniparc
