// The automatic backup of the protocol: rewritten after every entered run and at shutdown, read
// back at start-up. Each write replaces the file in one step, so a crash or power loss during a
// write leaves the previous backup whole; a failed write stays visible until one succeeds.
#pragma once

#include "protocol/ProtocolFile.h"
#include "settings/FileAccess.h"

#include <string>

namespace caniparc {

struct Settings;
struct SortState;
struct Ranking;
class ProtocolTable;

// `RezervDir` + `ProgramTitle` + "-Sicherungsdatei.txt", taken from the settings as they are
// now, so that a changed backup folder counts from the next write on.
std::string BackupFileName(const Settings& settings);

// The companion file whose lock keeps a second station off a backup (see ClaimFile): hidden
// beside the backup, so it goes wherever the backup folder goes.
std::string BackupLockName(const std::string& backupFile);

class ProtocolBackup {
public:
    // Both live as long as the main window.
    ProtocolBackup(const Settings& settings, FileSystem& fs) : settings_(settings), fs_(fs) {}

    // Rewrites the backup from the protocol as it stands.
    const FileResult& Write(const ProtocolTable& table);

    // Start-up: brings back the protocol of the previous session. A missing backup (the first
    // start, or a new backup folder) leaves the table as it is and counts as no failure.
    ProtocolLoad Restore(ProtocolTable& table, SortState& sort, Ranking& ranking) const;

    // True from a failed write until the next successful one.
    bool Failing() const { return !lastWrite_.Ok(); }
    // The status-bar text while failing; empty while the backup is good.
    std::string StatusText() const;
    const FileResult& LastWrite() const { return lastWrite_; }

private:
    const Settings& settings_;
    FileSystem& fs_;
    FileResult lastWrite_;
};

// True when the file simply is not there.
bool IsMissingFile(const FileResult& result);

} // namespace caniparc
