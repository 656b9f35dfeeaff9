// Finding the optional files beside the program: which copy of a sound wins, which help file is
// taken, and that a missing file leaves an empty path rather than a path to nothing.
#include "station/ProgramFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <set>

namespace caniparc {
namespace {

namespace fs = std::filesystem;

// A disk that holds exactly the listed files.
struct ListedFiles {
    std::set<std::string> files;
    FileExistsCheck Check() const {
        return [this](const std::string& path) { return files.count(path) > 0; };
    }
};

const UserEnvironment kUser{"/home/ann", "", "/home/ann/.data"};

#ifndef _WIN32
TEST(ProgramFiles, SoundsBesideTheProgram_AreTakenFromThere) {
    ListedFiles disk{{"/opt/station/start.wav", "/opt/station/stopp.wav", "/home/ann/.data/Kronolux/start.wav"}};
    const ProgramFiles found = FindProgramFiles("/opt/station/caniparc", kUser, disk.Check());
    EXPECT_EQ(found.StartSoundPath, "/opt/station/start.wav");
    EXPECT_EQ(found.StopSoundPath, "/opt/station/stopp.wav");
}
#endif

#ifndef _WIN32
TEST(ProgramFiles, MissingFiles_LeaveEmptyPathsButTheTemplateStaysSet) {
    ListedFiles disk{{"/opt/station/start.wav"}};
    const ProgramFiles found = FindProgramFiles("/opt/station/caniparc", kUser, disk.Check());
    EXPECT_EQ(found.StartSoundPath, "/opt/station/start.wav");
    EXPECT_EQ(found.StopSoundPath, "");
    EXPECT_EQ(found.HelpPath, "");
    EXPECT_EQ(found.TemplatePath, "/opt/station/Protokollvorlage.doc");
}
#endif

TEST(ProgramFiles, BareProgramName_DoesNotLookInTheCurrentFolder) {
    ListedFiles disk{{"start.wav", "/start.wav"}};
    EXPECT_EQ(FindProgramFiles("caniparc", UserEnvironment{}, disk.Check()).StartSoundPath, "");
}

#ifndef _WIN32
TEST(ProgramFiles, SoundOnlyInTheUserDataFolder_IsFoundThere) {
    ListedFiles disk{{"/home/ann/.data/Kronolux/stopp.wav", "/home/ann/.local/share/Kronolux/start.wav"}};
    const ProgramFiles found = FindProgramFiles("/opt/station/caniparc", kUser, disk.Check());
    EXPECT_EQ(found.StopSoundPath, "/home/ann/.data/Kronolux/stopp.wav");
    EXPECT_EQ(found.StartSoundPath, "") << "XDG_DATA_HOME is set, so the home default is not the data folder";
}

TEST(ProgramFiles, HelpFile_FirstOfCompiledHelpWebPagePdf) {
    ListedFiles disk{{"/opt/station/caniparc.pdf", "/opt/station/caniparc.html"}};
    EXPECT_EQ(FindHelpFile("/opt/station/caniparc", disk.Check()), "/opt/station/caniparc.html");
    disk.files.insert("/opt/station/caniparc.chm");
    EXPECT_EQ(FindHelpFile("/opt/station/caniparc", disk.Check()), "/opt/station/caniparc.chm");
    disk.files = {"/opt/station/caniparc.pdf"};
    EXPECT_EQ(FindHelpFile("/opt/station/caniparc", disk.Check()), "/opt/station/caniparc.pdf");
}

// A packaged station: the program in /usr/bin, the shipped files in /usr/share/caniparc.
struct Installed {
    ListedFiles disk{{"/usr/share/caniparc/start.wav", "/usr/share/caniparc/stopp.wav"}};
    FolderExistsCheck folders = [](const std::string& path) { return path == "/usr/share/caniparc"; };
};

TEST(ProgramFiles, Installed_FindsTheShippedSoundsUnlessTheUserHasOwnOnes) {
    Installed installed;
    ProgramFiles found = FindProgramFiles("/usr/bin/caniparc", kUser, installed.disk.Check(), installed.folders);
    EXPECT_EQ(found.StartSoundPath, "/usr/share/caniparc/start.wav");
    EXPECT_EQ(found.StopSoundPath, "/usr/share/caniparc/stopp.wav");
    EXPECT_EQ(found.TemplatePath, "/usr/share/caniparc/Protokollvorlage.doc");
    installed.disk.files.insert("/home/ann/.data/Kronolux/start.wav");
    found = FindProgramFiles("/usr/bin/caniparc", kUser, installed.disk.Check(), installed.folders);
    EXPECT_EQ(found.StartSoundPath, "/home/ann/.data/Kronolux/start.wav");
}

TEST(ProgramFiles, StationFolder_IsThePerUserDataFolderOnlyWhenInstalled) {
    Installed installed;
    EXPECT_EQ(FindProgramFiles("/usr/bin/caniparc", kUser, installed.disk.Check(), installed.folders).StationFolder,
              "/home/ann/.data/Kronolux/");
    EXPECT_EQ(FindProgramFiles("/usr/bin/caniparc", UserEnvironment{}, installed.disk.Check(), installed.folders)
                  .StationFolder,
              "/usr/bin/")
        << "with no home there is no other place";
    EXPECT_EQ(FindProgramFiles("/home/ann/build/bin/caniparc", kUser, installed.disk.Check(), installed.folders)
                  .StationFolder,
              "/home/ann/build/bin/")
        << "a build tree has no shared folder beside it";
    EXPECT_EQ(FindProgramFiles("/opt/station/caniparc", kUser, installed.disk.Check(), installed.folders).StationFolder,
              "/opt/station/");
}

TEST(ProgramFiles, InstalledSharedFolder_OnlyForAProgramInABinFolder) {
    const FolderExistsCheck any = [](const std::string&) { return true; };
    EXPECT_EQ(InstalledSharedFolder("/usr/local/bin/", any), "/usr/local/share/caniparc/");
    EXPECT_EQ(InstalledSharedFolder("/usr/bin", any), "/usr/share/caniparc/");
    EXPECT_EQ(InstalledSharedFolder("/opt/station/", any), "");
    EXPECT_EQ(InstalledSharedFolder("", any), "");
    EXPECT_EQ(InstalledSharedFolder("/usr/bin/", [](const std::string&) { return false; }), "");
}
#endif

TEST(ProgramFiles, HelpFileName_ReplacesOnlyTheProgramsOwnExtension) {
    const std::vector<std::string> dotted = HelpFileCandidates("/opt/v3.3/Canitorn.exe");
    ASSERT_FALSE(dotted.empty());
    EXPECT_EQ(dotted.front(), "/opt/v3.3/Canitorn.chm");
    const std::vector<std::string> plain = HelpFileCandidates("/opt/v3.3/caniparc");
    ASSERT_FALSE(plain.empty());
    EXPECT_EQ(plain.front(), "/opt/v3.3/caniparc.chm") << "a dot in a folder name is no extension";
    EXPECT_TRUE(HelpFileCandidates("").empty());
    EXPECT_TRUE(HelpFileCandidates("/opt/station/").empty());
}

TEST(ProgramFiles, RealDisk_AFolderNamedLikeTheSoundIsNoSound) {
    const fs::path folder =
        fs::temp_directory_path() / ("caniparc-programfiles-" + std::to_string(std::random_device{}()));
    fs::remove_all(folder);
    fs::create_directories(folder / "start.wav");
    std::ofstream(folder / "stopp.wav") << "RIFF";
    const std::string program = (folder / "caniparc").string();
    const ProgramFiles found = FindProgramFiles(program, UserEnvironment{}, RegularFileExists);
    EXPECT_EQ(found.StartSoundPath, "");
    EXPECT_EQ(found.StopSoundPath, (folder / "stopp.wav").string());
    fs::remove_all(folder);
}

} // namespace
} // namespace caniparc
