// The joined-name backup (see BackupFolder.h).
#include "station/BackupFolder.h"

#include "protocol/Backup.h"
#include "settings/FileAccess.h"
#include "settings/Settings.h"

#include <filesystem>

namespace caniparc {
namespace {

namespace fs = std::filesystem;

bool IsSeparator(char c) {
    return c == '/' || c == static_cast<char>(fs::path::preferred_separator);
}

fs::path PathOf(const std::string& utf8) {
    return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

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
        const std::error_code error = fs.RenameNoReplace(PathOf(joined), PathOf(kept));
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
    if (folder.empty() || !IsSeparator(folder.back()))
        return {};
    folder.pop_back();
    if (folder.empty() || IsSeparator(folder.back()) || folder.back() == ':')
        return {};
    return folder + settings.ProgramTitle + "-Sicherungsdatei.txt";
}

std::string AdoptJoinedNameBackup(FileSystem& fs, const Settings& settings, const std::string& stamp) {
    const std::string joined = JoinedBackupName(settings);
    std::error_code error;
    if (joined.empty() || !fs::is_regular_file(PathOf(joined), error))
        return {};
    // A station of an earlier version may still be writing it.
    ClaimOutcome outcome = ClaimOutcome::Unavailable;
    const auto claim = ClaimFile(PathOf(BackupLockName(joined)), outcome);
    if (outcome == ClaimOutcome::HeldElsewhere)
        return {};
    const std::string backup = BackupFileName(settings);
    error = fs.RenameNoReplace(PathOf(joined), PathOf(backup));
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
