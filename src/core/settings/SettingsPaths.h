// Where the settings and the backup live: the program's title from its file name, the per-user
// settings file, the per-user data folder, and the default of the backup folder `RezervDir`.
// The environment comes in as values so that tests never touch the real home folder.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace caniparc {

struct Settings;

// The environment values the per-user paths are built from; empty means unset.
struct UserEnvironment {
    std::string home;          // HOME (the profile folder on Windows)
    std::string xdgConfigHome; // XDG_CONFIG_HOME (APPDATA on Windows)
    std::string xdgDataHome;   // XDG_DATA_HOME (LOCALAPPDATA on Windows)

    static UserEnvironment FromProcess();
};

// The program file's name without folder and extension ("/opt/x/Canitorn.exe" -> "Canitorn");
// "caniparc" when the path names no file, so the store key never ends in the bare prefix.
std::string ProgramTitleOf(std::string_view programPath);

// $XDG_CONFIG_HOME/Kronolux/<programTitle>.reg, default ~/.config/Kronolux/<programTitle>.reg.
// Empty when neither a usable XDG_CONFIG_HOME nor HOME is known.
std::filesystem::path SettingsFilePath(const UserEnvironment& env, const std::string& programTitle);

// $XDG_DATA_HOME/Kronolux, default ~/.local/share/Kronolux; empty when no home is known.
std::filesystem::path UserDataFolder(const UserEnvironment& env);

// Paths are UTF-8 in memory; on Windows a narrow string would be taken in the ANSI code page.
std::filesystem::path PathFromUtf8(std::string_view text);
std::string Utf8FromPath(const std::filesystem::path& path);

// '/' or the platform's own separator.
bool IsPathSeparator(char c);
bool EndsInSeparator(std::string_view folder);

// Appends the platform's path separator unless the text already ends in one; empty stays empty.
std::string WithTrailingSeparator(std::string folder);

// True when a file can be created in the folder; the real test, not just the permission bits,
// so read-only mounts and access lists count too.
bool FolderAcceptsFiles(const std::string& folder);

using FolderWritableCheck = std::function<bool(const std::string& folder)>;

// The folder the backup goes to when none is stored: the program's folder when files can be
// written there, else the per-user data folder (created). Always ends in a separator.
std::string DefaultBackupFolder(const std::string& programFolder, const UserEnvironment& env,
                                const FolderWritableCheck& isWritable);

// After loading: an empty `RezervDir` gets the default; a stored one gets its trailing separator
// back when it lost it, since the backup file name is glued directly onto the folder.
void ApplyBackupFolderDefault(Settings& settings, const std::string& programFolder, const UserEnvironment& env,
                              const FolderWritableCheck& isWritable);

} // namespace caniparc
