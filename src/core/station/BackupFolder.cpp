// The joined-name backup (see BackupFolder.h).
#include "station/BackupFolder.h"

#include "protocol/Backup.h"
#include "settings/FileAccess.h"
#include "settings/Settings.h"
#include "settings/SettingsPaths.h"

#include <filesystem>

namespace caniparc {
namespace {

namespace fs = std::filesystem;

std::string FoundText(const std::string& joined) {
    return "Eine frühere Sicherungsdatei wurde gefunden:\n" + joined +
           "\n\nSie entstand, als der Sicherungsordner ohne abschließendes „/“ eingegeben war.";
}

// Beside the backup under a name of its own; empty when every name tried is taken or the move
// failed (another disk, no permission).
std::string MoveBesideBackup(FileSystem& fs, const Settings& settings, const std::string& joined,
                             const std::string& stamp) {
    for (int attempt = 1; attempt <= 100; ++attempt) {
        const std::string suffix = attempt == 1 ? "" : "-" + std::to_string(attempt);
        const std::string kept =
            settings.RezervDir + settings.ProgramTitle + "-Sicherungsdatei-frueher-" + stamp + suffix + ".txt";
        const std::error_code error = fs.RenameNoReplace(PathFromUtf8(joined), PathFromUtf8(kept));
        if (!error)
            return kept;
        if (error != std::errc::file_exists)
            return {};
    }
    return {};
}

} // namespace

std::string JoinedBackupName(const Settings& settings) {
    std::string folder = settings.RezervDir;
    if (!EndsInSeparator(folder))
        return {};
    folder.pop_back();
    if (folder.empty() || EndsInSeparator(folder) || folder.back() == ':')
        return {};
    return folder + settings.ProgramTitle + "-Sicherungsdatei.txt";
}

std::string AdoptJoinedNameBackup(FileSystem& fs, const Settings& settings, const std::string& stamp) {
    const std::string joined = JoinedBackupName(settings);
    std::error_code error;
    if (joined.empty() || !fs::is_regular_file(PathFromUtf8(joined), error))
        return {};
    // A station of an earlier version may still be writing it.
    ClaimOutcome outcome = ClaimOutcome::Unavailable;
    const auto claim = ClaimFile(PathFromUtf8(BackupLockName(joined)), outcome);
    if (outcome == ClaimOutcome::HeldElsewhere)
        return {};
    const std::string backup = BackupFileName(settings);
    error = fs.RenameNoReplace(PathFromUtf8(joined), PathFromUtf8(backup));
    if (!error)
        return FoundText(joined) + "\n\nSie ist jetzt die Sicherungsdatei\n" + backup +
               "\nund ihr Protokoll wurde geladen.";
    if (error == std::errc::file_exists) {
        const std::string kept = MoveBesideBackup(fs, settings, joined, stamp);
        if (!kept.empty())
            return FoundText(joined) + "\n\nSie liegt jetzt als\n" + kept +
                   "\nim Sicherungsordner und kann mit Strg+O geöffnet werden.";
    }
    return FoundText(joined) + "\n\nSie kann mit Strg+O geöffnet werden.";
}

} // namespace caniparc
