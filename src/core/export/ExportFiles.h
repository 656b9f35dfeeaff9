// The exports as files: each writes its bytes in one step (the old file stays whole when
// anything fails) and says in German what went wrong, so no failed export passes silently.
#pragma once

#include "settings/FileAccess.h"

#include <filesystem>
#include <string>

namespace caniparc {

class ProtocolTable;
struct Settings;

struct ExportOutcome {
    bool ok = false;
    std::string message; // German; empty on success
};

ExportOutcome SaveHtmlPage(FileSystem& fs, const ProtocolTable& table, const Settings& settings,
                           const std::filesystem::path& path);
ExportOutcome SaveSpreadsheet(FileSystem& fs, const ProtocolTable& table, const Settings& settings,
                              const std::filesystem::path& path);
// Uses the first Protokollvorlage.docx found beside the program or in the backup folder.
ExportOutcome SaveDocument(FileSystem& fs, const ProtocolTable& table, const Settings& settings,
                           const std::string& programFolder, const std::filesystem::path& path);

} // namespace caniparc
