// The optional files the station finds beside its program at start-up: the start and stop
// sounds, the word-processor template and the help file. Each is looked up once; a file that
// appears or vanishes later does not change what was found. An installed station (its program
// in a "bin" folder with "share/caniparc" beside it) finds the shipped copies in that shared
// folder instead, and keeps its own files in the per-user data folder, since the program's
// folder belongs to the system.
#pragma once

#include "settings/SettingsPaths.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace caniparc {

// Paths are UTF-8 texts, like every other path the core hands to the windows.
using FileExistsCheck = std::function<bool(const std::string& path)>;
using FolderExistsCheck = std::function<bool(const std::string& path)>;

// The disk's answer: true only for a regular file (or a link to one); a folder that happens to
// be called "start.wav" is no sound.
bool RegularFileExists(const std::string& path);
bool FolderExists(const std::string& path);

struct ProgramFiles {
    std::string StartSoundPath; // empty: no start sound for this run of the program
    std::string StopSoundPath;
    std::string TemplatePath; // always set; the export finds out whether it exists
    std::string HelpPath;     // empty: no help file, the help command stays disabled
    // The folder the station treats as its own (backup default, file dialogs): the program's
    // folder, or for an installed station the per-user data folder. Ends in a separator.
    std::string StationFolder;
};

// The folder of the program file, with a trailing separator; empty for a bare file name.
std::string ProgramFolderOf(std::string_view programPath);

// The shared folder of an installed station, "<prefix>/share/caniparc/" for a program in
// "<prefix>/bin/", when that folder exists; empty otherwise (a build tree, Windows).
std::string InstalledSharedFolder(const std::string& programFolder, const FolderExistsCheck& folderExists);

// The first existing copy of a sound file: the program's folder first, then (not on Windows,
// where the program folder is the place) the per-user data folder, so a user's own sound wins
// over the shipped one, then the installed shared folder. Empty when there is none.
std::string FindSoundFile(const std::string& programFolder, const UserEnvironment& env, const std::string& fileName,
                          const FileExistsCheck& exists, const std::string& sharedFolder = {});

// The program's path with its extension replaced, in the order they are tried: the compiled
// help, and where no viewer for it is common also a web page or a PDF of the same name.
std::vector<std::string> HelpFileCandidates(std::string_view programPath);

// The first candidate that exists, or empty.
std::string FindHelpFile(std::string_view programPath, const FileExistsCheck& exists);

// Everything above for the program at programPath (its full file path).
ProgramFiles FindProgramFiles(std::string_view programPath, const UserEnvironment& env, const FileExistsCheck& exists,
                              const FolderExistsCheck& folderExists = FolderExists);

} // namespace caniparc
