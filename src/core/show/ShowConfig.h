// The station's show settings as one value: whether it publishes at all, to which broker, as
// which ring of which show; and where its outbox file lives.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace caniparc {

struct Settings;

struct ShowConfig {
    std::string server; // empty: the station publishes nothing
    int port = 1883;
    std::string show, ring;
    std::string user, password;
    std::string caFile; // TLS with this authority's certificate; empty: plain TCP
    bool operator==(const ShowConfig&) const = default;
};

ShowConfig ShowConfigOf(const Settings& settings);

enum class ShowSetup { Off, Invalid, On };

// Off without a server; Invalid when the show or ring name cannot be a topic.
ShowSetup ShowSetupOf(const ShowConfig& config);

// The status line of a station whose show or ring name is unusable.
std::string ShowConfigProblemText(const ShowConfig& config);

// The outbox file in the per-user data folder: one per program title and backup folder, as
// only one station can hold a backup folder ("<title>-Turnier-<hash>.sqlite").
std::filesystem::path OutboxFilePath(const std::filesystem::path& dataFolder, const std::string& programTitle,
                                     const std::string& backupFolder);

} // namespace caniparc
