// The optional files beside the program (see ProgramFiles.h).
#include "station/ProgramFiles.h"

#include <filesystem>
#include <system_error>

namespace caniparc {
namespace {

namespace fs = std::filesystem;

constexpr const char* kTemplateName = "Protokollvorlage.doc";

#ifdef _WIN32
constexpr const char* kHelpExtensions[] = {".chm"};
#else
constexpr const char* kHelpExtensions[] = {".chm", ".html", ".pdf"};
#endif

} // namespace

bool RegularFileExists(const std::string& path) {
    std::error_code error;
    return !path.empty() && fs::is_regular_file(PathFromUtf8(path), error);
}

bool FolderExists(const std::string& path) {
    std::error_code error;
    return !path.empty() && fs::is_directory(PathFromUtf8(path), error);
}

std::string ProgramFolderOf(std::string_view programPath) {
    const fs::path folder = PathFromUtf8(programPath).parent_path();
    return folder.empty() ? std::string() : WithTrailingSeparator(Utf8FromPath(folder));
}

std::string InstalledSharedFolder(const std::string& programFolder, const FolderExistsCheck& folderExists) {
#ifdef _WIN32
    (void)programFolder;
    (void)folderExists;
    return {};
#else
    fs::path folder = PathFromUtf8(programFolder);
    if (!folder.has_filename())
        folder = folder.parent_path(); // the trailing separator
    if (folder.filename() != "bin")
        return {};
    const std::string shared = Utf8FromPath(folder.parent_path() / "share" / "caniparc");
    return folderExists(shared) ? WithTrailingSeparator(shared) : std::string();
#endif
}

std::string FindSoundFile(const std::string& programFolder, const UserEnvironment& env, const std::string& fileName,
                          const FileExistsCheck& exists, const std::string& sharedFolder) {
    // A bare program name gives no folder; looking in the current folder instead would make
    // the sound depend on where the station was started from.
    if (!programFolder.empty()) {
        if (std::string path = WithTrailingSeparator(programFolder) + fileName; exists(path))
            return path;
    }
#ifndef _WIN32
    if (const fs::path dataFolder = UserDataFolder(env); !dataFolder.empty()) {
        if (std::string path = Utf8FromPath(dataFolder / PathFromUtf8(fileName)); exists(path))
            return path;
    }
#else
    (void)env;
#endif
    if (!sharedFolder.empty()) {
        if (std::string path = WithTrailingSeparator(sharedFolder) + fileName; exists(path))
            return path;
    }
    return {};
}

std::vector<std::string> HelpFileCandidates(std::string_view programPath) {
    std::vector<std::string> candidates;
    if (PathFromUtf8(programPath).filename().empty())
        return candidates;
    for (const char* extension : kHelpExtensions)
        candidates.push_back(Utf8FromPath(PathFromUtf8(programPath).replace_extension(extension)));
    return candidates;
}

std::string FindHelpFile(std::string_view programPath, const FileExistsCheck& exists) {
    for (const std::string& candidate : HelpFileCandidates(programPath)) {
        if (exists(candidate))
            return candidate;
    }
    return {};
}

ProgramFiles FindProgramFiles(std::string_view programPath, const UserEnvironment& env, const FileExistsCheck& exists,
                              const FolderExistsCheck& folderExists) {
    const std::string folder = ProgramFolderOf(programPath);
    const std::string shared = InstalledSharedFolder(folder, folderExists);
    std::string stationFolder = folder;
    if (!shared.empty()) {
        // Even where the program's folder is writable (a station started as root), files written
        // there would be lost to the package manager and shared by every user.
        if (const fs::path data = UserDataFolder(env); !data.empty())
            stationFolder = WithTrailingSeparator(Utf8FromPath(data));
    }
    std::string help = FindHelpFile(programPath, exists);
    if (help.empty() && !shared.empty())
        help = FindHelpFile(shared + Utf8FromPath(PathFromUtf8(programPath).filename()), exists);
    return {.StartSoundPath = FindSoundFile(folder, env, "start.wav", exists, shared),
            .StopSoundPath = FindSoundFile(folder, env, "stopp.wav", exists, shared),
            .TemplatePath = (shared.empty() ? folder : shared) + kTemplateName,
            .HelpPath = std::move(help),
            .StationFolder = std::move(stationFolder)};
}

} // namespace caniparc
