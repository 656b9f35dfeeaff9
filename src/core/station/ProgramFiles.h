// The optional files the station finds beside its program at start-up: the start and stop
// sounds, the word-processor template and the help file. Each is looked up once; a file that
// appears or vanishes later does not change what was found.
#pragma once

#include "settings/SettingsPaths.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace caniparc {

// Paths are UTF-8 texts, like every other path the core hands to the windows.
using FileExistsCheck = std::function<bool(const std::string& path)>;

// The disk's answer: true only for a regular file (or a link to one); a folder that happens to
// be called "start.wav" is no sound.
bool RegularFileExists(const std::string& path);

struct ProgramFiles {
    std::string StartSoundPath; // empty: no start sound for this run of the program
    std::string StopSoundPath;
    std::string TemplatePath; // always set; the export finds out whether it exists
    std::string HelpPath;     // empty: no help file, the help command stays disabled
};

// The folder of the program file, with a trailing separator; empty for a bare file name.
std::string ProgramFolderOf(std::string_view programPath);

// The first existing copy of a sound file: the program's folder first, then (not on Windows,
// where the program folder is the place) the per-user data folder. Empty when there is none.
std::string FindSoundFile(const std::string& programFolder, const UserEnvironment& env, const std::string& fileName,
                          const FileExistsCheck& exists);

// The program's path with its extension replaced, in the order they are tried: the compiled
// help, and where no viewer for it is common also a web page or a PDF of the same name.
std::vector<std::string> HelpFileCandidates(std::string_view programPath);

// The first candidate that exists, or empty.
std::string FindHelpFile(std::string_view programPath, const FileExistsCheck& exists);

// Everything above for the program at programPath (its full file path).
ProgramFiles FindProgramFiles(std::string_view programPath, const UserEnvironment& env, const FileExistsCheck& exists);

} // namespace caniparc
