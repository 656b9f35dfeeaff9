// Real office software for the export tests: LibreOffice headless converts what the station
// wrote, each test with a profile of its own so that tests running in parallel do not meet.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace caniparc::testing {

inline bool OfficeAvailable() {
    return std::system("command -v soffice > /dev/null 2>&1") == 0;
}

// A fresh folder for one test's files and LibreOffice profile.
inline std::filesystem::path FreshFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "caniparc-office-XXXXXX").string();
    return mkdtemp(pattern.data()) ? std::filesystem::path(pattern) : std::filesystem::path();
}

// Converts `input` inside `folder` with the filter (e.g. "txt:Text"); returns the output's path,
// empty when LibreOffice failed.
inline std::filesystem::path OfficeConvert(const std::filesystem::path& folder, const std::filesystem::path& input,
                                           const std::string& filter, const std::string& extension,
                                           const std::string& inputFilter = {}) {
    const std::string command = "cd '" + folder.string() + "' && timeout 90 soffice -env:UserInstallation=file://" +
                                (folder / "profile").string() + " --headless " + inputFilter + " --convert-to '" +
                                filter + "' '" + input.string() + "' --outdir '" + folder.string() +
                                "' > office.log 2>&1";
    if (std::system(command.c_str()) != 0)
        return {};
    const std::filesystem::path out = folder / (input.stem().string() + "." + extension);
    return std::filesystem::exists(out) ? out : std::filesystem::path();
}

// Converts several files with one office start; false when LibreOffice failed.
inline bool OfficeConvertAll(const std::filesystem::path& folder, const std::vector<std::filesystem::path>& inputs,
                             const std::string& filter) {
    std::string command = "cd '" + folder.string() + "' && timeout 90 soffice -env:UserInstallation=file://" +
                          (folder / "profile").string() + " --headless --convert-to '" + filter + "'";
    for (const auto& input : inputs)
        command += " '" + input.string() + "'";
    command += " --outdir '" + folder.string() + "' > office.log 2>&1";
    return std::system(command.c_str()) == 0;
}

inline void WriteBytes(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

} // namespace caniparc::testing
