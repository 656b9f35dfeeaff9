// The real disk's file operations on every platform: a new file never takes a name already
// there, the no-replace rename refuses a taken name, and the clean-up of interrupted writes
// leaves a temporary file alone while its writer still holds it.
#include "SettingsTestSupport.h"

#include "settings/FileAccess.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

namespace caniparc {
namespace {

namespace fs = std::filesystem;
using testing::TempFolder;

std::string Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

TEST(LocalFileSystem, CreateNew_RefusesATakenName_AndWritesWhatItIsGiven) {
    TempFolder temp;
    auto disk = MakeLocalFileSystem();
    std::ofstream(temp.Path() / "taken.txt") << "alt";
    std::error_code error;
    EXPECT_EQ(disk->CreateNew(temp.Path() / "taken.txt", std::nullopt, error), nullptr);
    EXPECT_EQ(error, std::errc::file_exists);
    EXPECT_EQ(Read(temp.Path() / "taken.txt"), "alt");

    error.clear();
    auto file = disk->CreateNew(temp.Path() / "neu.txt", std::nullopt, error);
    ASSERT_NE(file, nullptr) << error.message();
    EXPECT_FALSE(file->Write("Zeile 1\r\nZeile 2\r\n"));
    EXPECT_FALSE(file->Sync());
    EXPECT_FALSE(file->Close());
    file.reset();
    EXPECT_EQ(Read(temp.Path() / "neu.txt"), "Zeile 1\r\nZeile 2\r\n");
}

TEST(LocalFileSystem, RenameNoReplace_RefusesATakenName_RenameReplacesIt) {
    TempFolder temp;
    auto disk = MakeLocalFileSystem();
    std::ofstream(temp.Path() / "a.txt") << "a";
    std::ofstream(temp.Path() / "b.txt") << "b";
    EXPECT_EQ(disk->RenameNoReplace(temp.Path() / "a.txt", temp.Path() / "b.txt"), std::errc::file_exists);
    EXPECT_EQ(Read(temp.Path() / "b.txt"), "b");
    EXPECT_FALSE(disk->RenameNoReplace(temp.Path() / "a.txt", temp.Path() / "c.txt"));
    EXPECT_FALSE(fs::exists(temp.Path() / "a.txt"));
    EXPECT_FALSE(disk->Rename(temp.Path() / "c.txt", temp.Path() / "b.txt"));
    EXPECT_EQ(Read(temp.Path() / "b.txt"), "a");
}

TEST(LocalFileSystem, StaleTemporaries_OneStillBeingWrittenStays_AnAbandonedOneGoes) {
    TempFolder temp;
    auto disk = MakeLocalFileSystem();
    const fs::path target = temp.Path() / "Canitorn-Sicherungsdatei.txt";
    std::ofstream(temp.Path() / "Canitorn-Sicherungsdatei.txt.Alt001.tmp") << "abgebrochen";
    std::error_code error;
    auto writing = disk->CreateNew(temp.Path() / "Canitorn-Sicherungsdatei.txt.Neu001.tmp", std::nullopt, error);
    ASSERT_NE(writing, nullptr) << error.message();
    ASSERT_FALSE(writing->Write("halb"));

    RemoveStaleTemporaries(target);
    EXPECT_FALSE(fs::exists(temp.Path() / "Canitorn-Sicherungsdatei.txt.Alt001.tmp"));
    EXPECT_TRUE(fs::exists(temp.Path() / "Canitorn-Sicherungsdatei.txt.Neu001.tmp"));
    writing.reset();
}

TEST(LocalFileSystem, AtomicWrite_ReplacesTheFileAndLeavesNoTemporary) {
    TempFolder temp;
    const fs::path target = temp.Path() / "Ergebnis-Müller.txt";
    std::ofstream(target) << "alt";
    ASSERT_TRUE(WriteFileAtomically(*MakeLocalFileSystem(), target, "neu").Ok());
    EXPECT_EQ(Read(target), "neu");
    std::string bytes;
    ASSERT_TRUE(ReadWholeFile(target, 100, bytes).Ok());
    EXPECT_EQ(bytes, "neu");
    EXPECT_EQ(std::distance(fs::directory_iterator(temp.Path()), fs::directory_iterator()), 1);
}

} // namespace
} // namespace caniparc
