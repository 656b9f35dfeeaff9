// Per-user paths and the backup folder default (see SettingsPaths.h).
#include "settings/SettingsPaths.h"

#include "settings/Settings.h"

#include <cstdlib>
#include <fstream>
#include <random>
#include <system_error>

#ifndef _WIN32
#include <pwd.h>
#include <unistd.h>
#endif

namespace caniparc {
namespace {

namespace fs = std::filesystem;

std::string EnvironmentValue(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

// A relative XDG value is invalid and must be ignored, or the files would land wherever the
// program happens to be started from.
fs::path BaseFolder(const std::string& xdgValue, const std::string& home, const char* homeRelative) {
    if (!xdgValue.empty() && PathFromUtf8(xdgValue).is_absolute())
        return PathFromUtf8(xdgValue);
    if (home.empty())
        return {};
    return PathFromUtf8(home) / homeRelative;
}

} // namespace

UserEnvironment UserEnvironment::FromProcess() {
#ifdef _WIN32
    return {EnvironmentValue("USERPROFILE"), EnvironmentValue("APPDATA"), EnvironmentValue("LOCALAPPDATA")};
#else
    UserEnvironment env{EnvironmentValue("HOME"), EnvironmentValue("XDG_CONFIG_HOME"),
                        EnvironmentValue("XDG_DATA_HOME")};
    if (env.home.empty()) {
        if (const passwd* entry = getpwuid(getuid()); entry && entry->pw_dir)
            env.home = entry->pw_dir;
    }
    return env;
#endif
}

std::string ProgramTitleOf(std::string_view programPath) {
    std::string title = Utf8FromPath(PathFromUtf8(std::string(programPath)).stem());
    return title.empty() ? std::string("caniparc") : title;
}

fs::path SettingsFilePath(const UserEnvironment& env, const std::string& programTitle) {
    const fs::path base = BaseFolder(env.xdgConfigHome, env.home, ".config");
    if (base.empty())
        return {};
    return base / "Kronolux" / PathFromUtf8(programTitle + ".reg");
}

fs::path UserDataFolder(const UserEnvironment& env) {
    const fs::path base = BaseFolder(env.xdgDataHome, env.home, ".local/share");
    return base.empty() ? fs::path() : base / "Kronolux";
}

fs::path PathFromUtf8(std::string_view text) {
    return fs::path(std::u8string(text.begin(), text.end()));
}

std::string Utf8FromPath(const fs::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

bool IsPathSeparator(char c) {
    return c == '/' || c == static_cast<char>(fs::path::preferred_separator);
}

bool EndsInSeparator(std::string_view folder) {
    return !folder.empty() && IsPathSeparator(folder.back());
}

std::string WithTrailingSeparator(std::string folder) {
    if (!folder.empty() && !EndsInSeparator(folder))
        folder += static_cast<char>(fs::path::preferred_separator);
    return folder;
}

bool FolderAcceptsFiles(const std::string& folder) {
    std::error_code error;
    std::mt19937 random(std::random_device{}());
    const fs::path probe = PathFromUtf8(folder) / (".caniparc-probe-" + std::to_string(random()));
    if (fs::exists(probe, error))
        return false;
    bool created = false;
    {
        std::ofstream file(probe, std::ios::binary);
        created = file.is_open() && (file << 'x') && file.flush();
    }
    fs::remove(probe, error);
    return created;
}

std::string DefaultBackupFolder(const std::string& programFolder, const UserEnvironment& env,
                                const FolderWritableCheck& isWritable) {
    if (!programFolder.empty() && isWritable(programFolder))
        return WithTrailingSeparator(programFolder);
    const fs::path dataFolder = UserDataFolder(env);
    if (dataFolder.empty())
        return WithTrailingSeparator(programFolder); // nowhere better to go
    std::error_code error;
    fs::create_directories(dataFolder, error); // a failure shows later as a silent backup failure
    return WithTrailingSeparator(Utf8FromPath(dataFolder));
}

void ApplyBackupFolderDefault(Settings& settings, const std::string& programFolder, const UserEnvironment& env,
                              const FolderWritableCheck& isWritable) {
    if (settings.RezervDir.empty())
        settings.RezervDir = DefaultBackupFolder(programFolder, env, isWritable);
    else
        settings.RezervDir = WithTrailingSeparator(settings.RezervDir);
}

} // namespace caniparc
