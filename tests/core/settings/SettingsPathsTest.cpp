// Where the settings file and the backup folder go, from environment values handed in, so no
// test touches the real home folder.
#include "SettingsTestSupport.h"

#include "settings/SettingsPaths.h"

#include <gtest/gtest.h>

namespace caniparc {
namespace {

namespace fs = std::filesystem;
using testing::TempFolder;

// These expectations write paths with "/", where Windows puts "\\"; they run on POSIX only.
#ifndef _WIN32
TEST(SettingsFilePath, FollowsXdgConfigHomeElseHome) {
    EXPECT_EQ(SettingsFilePath({"/home/anna", "/cfg", ""}, "Canitorn"), fs::path("/cfg/Kronolux/Canitorn.reg"));
    EXPECT_EQ(SettingsFilePath({"/home/anna", "", ""}, "Canitorn"),
              fs::path("/home/anna/.config/Kronolux/Canitorn.reg"));
    EXPECT_EQ(SettingsFilePath({"/home/anna", "relative/cfg", ""}, "caniparc"),
              fs::path("/home/anna/.config/Kronolux/caniparc.reg"))
        << "a relative XDG value is ignored";
    EXPECT_TRUE(SettingsFilePath({"", "", ""}, "Canitorn").empty());
}
#endif

#ifndef _WIN32
TEST(UserDataFolder, FollowsXdgDataHomeElseHome) {
    EXPECT_EQ(UserDataFolder({"/home/anna", "", "/data"}), fs::path("/data/Kronolux"));
    EXPECT_EQ(UserDataFolder({"/home/anna", "/cfg", ""}), fs::path("/home/anna/.local/share/Kronolux"));
    EXPECT_EQ(UserDataFolder({"/home/anna", "", "data"}), fs::path("/home/anna/.local/share/Kronolux"));
    EXPECT_TRUE(UserDataFolder({"", "", ""}).empty());
}
#endif

TEST(ProgramTitleOf, IsTheFileNameWithoutFolderAndExtension) {
    EXPECT_EQ(ProgramTitleOf("/opt/kronolux/Canitorn.exe"), "Canitorn");
    EXPECT_EQ(ProgramTitleOf("/usr/bin/caniparc"), "caniparc");
    EXPECT_EQ(ProgramTitleOf("Prüfung"), "Prüfung");
    EXPECT_EQ(ProgramTitleOf(""), "caniparc");
    EXPECT_EQ(ProgramTitleOf("/opt/kronolux/"), "caniparc");
}

#ifndef _WIN32
TEST(BackupFolder, EmptyFolderBecomesTheProgramsFolderWhenWritable) {
    Settings settings;
    std::string asked;
    ApplyBackupFolderDefault(settings, "/opt/kronolux", {"/home/anna", "", ""}, [&](const std::string& folder) {
        asked = folder;
        return true;
    });
    EXPECT_EQ(asked, "/opt/kronolux");
    EXPECT_EQ(settings.RezervDir, "/opt/kronolux/");
}
#endif

#ifndef _WIN32
TEST(BackupFolder, UnwritableProgramFolder_GivesTheUserDataFolderCreated) {
    TempFolder home;
    Settings settings;
    ApplyBackupFolderDefault(settings, "/usr/bin", {home.Path().string(), "", ""},
                             [](const std::string&) { return false; });
    EXPECT_EQ(settings.RezervDir, (home.Path() / ".local/share/Kronolux/").string());
    EXPECT_TRUE(fs::is_directory(home.Path() / ".local/share/Kronolux"));
}
#endif

#ifndef _WIN32
TEST(BackupFolder, StoredFolderIsKeptAndGetsItsSeparatorBack) {
    const auto never = [](const std::string&) -> bool { throw std::logic_error("not asked for a stored folder"); };
    Settings settings;
    settings.RezervDir = "/srv/backup";
    ApplyBackupFolderDefault(settings, "/opt/kronolux", {"/home/anna", "", ""}, never);
    EXPECT_EQ(settings.RezervDir, "/srv/backup/");
    ApplyBackupFolderDefault(settings, "/opt/kronolux", {"/home/anna", "", ""}, never);
    EXPECT_EQ(settings.RezervDir, "/srv/backup/");
}
#endif

TEST(FolderAcceptsFiles, TriesARealFileAndLeavesNothingBehind) {
    TempFolder temp;
    EXPECT_TRUE(FolderAcceptsFiles(temp.Path().string()));
    EXPECT_TRUE(fs::is_empty(temp.Path()));
    EXPECT_FALSE(FolderAcceptsFiles((temp.Path() / "missing").string()));
    testing::WriteBytes(temp.Path() / "file", "x");
    EXPECT_FALSE(FolderAcceptsFiles((temp.Path() / "file").string()));
}

} // namespace
} // namespace caniparc
