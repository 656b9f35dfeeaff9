// The one-step replace on the real disk, where it meets other writers and odd targets: two
// writers of one file, links planted where a temporary file could go, devices, FIFOs, folders
// and links as targets, and the replaced file's permission bits.
#include "SettingsTestSupport.h"

#include "settings/FileAccess.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace caniparc {
namespace {

namespace fs = std::filesystem;
using testing::ReadBytes;
using testing::TempFolder;
using testing::WriteBytes;

// The real disk, with a hook that runs once, just before the first bytes are written: the
// moment another writer can step in.
class HookedDisk final : public FileSystem {
public:
    std::function<void()> beforeFirstWrite;

    std::unique_ptr<WritableFile> CreateNew(const fs::path& path, std::optional<fs::perms> permissions,
                                            std::error_code& error) override {
        auto file = real_->CreateNew(path, permissions, error);
        return file ? std::make_unique<File>(*this, std::move(file)) : nullptr;
    }
    std::error_code Rename(const fs::path& from, const fs::path& to) override { return real_->Rename(from, to); }
    std::error_code RenameNoReplace(const fs::path& from, const fs::path& to) override {
        return real_->RenameNoReplace(from, to);
    }
    void Remove(const fs::path& path) override { real_->Remove(path); }
    void SyncFolder(const fs::path& folder) override { real_->SyncFolder(folder); }

private:
    class File final : public WritableFile {
    public:
        File(HookedDisk& disk, std::unique_ptr<WritableFile> file) : disk_(disk), file_(std::move(file)) {}
        std::error_code Write(std::string_view bytes) override {
            if (auto hook = std::exchange(disk_.beforeFirstWrite, nullptr))
                hook();
            return file_->Write(bytes);
        }
        std::error_code Sync() override { return file_->Sync(); }
        std::error_code Close() override { return file_->Close(); }

    private:
        HookedDisk& disk_;
        std::unique_ptr<WritableFile> file_;
    };

    std::unique_ptr<FileSystem> real_ = MakeLocalFileSystem();
};

std::size_t EntriesIn(const fs::path& folder) {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder), {}));
}

[[maybe_unused]] fs::perms PermissionsOf(const fs::path& path) {
    return fs::status(path).permissions() & fs::perms::mask;
}

TEST(AtomicWrite, SecondWriterBetweenCreateAndWrite_BothPublishWholeFiles) {
    TempFolder temp;
    const fs::path target = temp.Path() / "Canitorn-Sicherungsdatei.txt";
    const std::string first = "erster Schreiber\r\n";
    const std::string second = "der zweite Schreiber schreibt mehr\r\n";
    HookedDisk disk;
    FileResult secondResult;
    // Writer 2 runs from start to end while writer 1 holds its temporary file, not yet written.
    disk.beforeFirstWrite = [&] {
        auto other = MakeLocalFileSystem();
        secondResult = WriteFileAtomically(*other, target, second);
        EXPECT_EQ(ReadBytes(target), second);
    };
    const FileResult firstResult = WriteFileAtomically(disk, target, first);
    EXPECT_TRUE(secondResult.Ok()) << DescribeFileResult(secondResult);
    EXPECT_TRUE(firstResult.Ok()) << DescribeFileResult(firstResult);
    EXPECT_EQ(ReadBytes(target), first) << "the last rename wins, and its file is whole";
    EXPECT_EQ(EntriesIn(temp.Path()), 1u) << "no temporary file left";
}

// Links, FIFOs and permission bits as POSIX has them; the Windows disk has its own tests in
// LocalFileSystemTest.
#ifndef _WIN32
TEST(AtomicWrite, LinkPlantedAtTheTemporaryName_IsNeverFollowed) {
    TempFolder temp;
    const fs::path target = temp.Path() / "out.txt";
    const fs::path victim = temp.Path() / "victim.txt";
    WriteBytes(victim, "bleibt");
    fs::create_symlink(victim, temp.Path() / "out.txt.tmp");
    fs::create_symlink(temp.Path() / "nowhere.txt", temp.Path() / "out.txt.tmp.1");

    EXPECT_TRUE(WriteFileAtomically(*MakeLocalFileSystem(), target, "neu").Ok());
    EXPECT_EQ(ReadBytes(victim), "bleibt");
    EXPECT_FALSE(fs::is_symlink(target));
    EXPECT_EQ(ReadBytes(target), "neu");
    EXPECT_FALSE(fs::exists(temp.Path() / "nowhere.txt"));
}

TEST(AtomicWrite, CreatingANewFile_FailsOnAnyNameTaken_LinksIncluded) {
    TempFolder temp;
    const fs::path victim = temp.Path() / "victim.txt";
    WriteBytes(victim, "bleibt");
    fs::create_symlink(victim, temp.Path() / "link");
    fs::create_symlink(temp.Path() / "nowhere.txt", temp.Path() / "dangling");
    WriteBytes(temp.Path() / "file", "alt");
    const auto disk = MakeLocalFileSystem();
    for (const char* name : {"link", "dangling", "file"}) {
        std::error_code error;
        EXPECT_FALSE(disk->CreateNew(temp.Path() / name, std::nullopt, error)) << name;
        EXPECT_EQ(error, std::errc::file_exists) << name;
    }
    EXPECT_EQ(ReadBytes(victim), "bleibt");
    EXPECT_EQ(ReadBytes(temp.Path() / "file"), "alt");
    EXPECT_FALSE(fs::exists(temp.Path() / "nowhere.txt"));
}

TEST(AtomicWrite, StaleTemporaries_OnlyTheTargetsOwnAndOnlyAbandonedOnesAreRemoved) {
    TempFolder temp;
    const fs::path target = temp.Path() / "Canitorn-Sicherungsdatei.txt";
    const std::vector<std::string> stale = {"Canitorn-Sicherungsdatei.txt.tmp",
                                            "Canitorn-Sicherungsdatei.txt.aZ09xy.tmp"};
    const std::vector<std::string> foreign = {"Canitorn-Sicherungsdatei.txt", "notizen.tmp",
                                              "Canitorn-Sicherungsdatei.txt.aZ09x.tmp",
                                              "Canitorn-Sicherungsdatei.txt.aZ-9xy.tmp", "Anderer.txt.aZ09xy.tmp"};
    for (const auto& name : stale)
        WriteBytes(temp.Path() / name, "halb");
    for (const auto& name : foreign)
        WriteBytes(temp.Path() / name, "fremd");
    fs::create_symlink(temp.Path() / "notizen.tmp", temp.Path() / "Canitorn-Sicherungsdatei.txt.Link00.tmp");

    // A write in progress holds its temporary file: cleaning up meanwhile must not break it.
    HookedDisk disk;
    disk.beforeFirstWrite = [&] { RemoveStaleTemporaries(target); };
    const FileResult result = WriteFileAtomically(disk, target, "neu");
    EXPECT_TRUE(result.Ok()) << DescribeFileResult(result);
    EXPECT_EQ(ReadBytes(target), "neu");
    for (const auto& name : stale)
        EXPECT_FALSE(fs::exists(temp.Path() / name)) << name;
    EXPECT_FALSE(fs::is_symlink(temp.Path() / "Canitorn-Sicherungsdatei.txt.Link00.tmp"));
    for (const auto& name : foreign)
        EXPECT_TRUE(fs::exists(temp.Path() / name)) << name;
    EXPECT_EQ(ReadBytes(temp.Path() / "notizen.tmp"), "fremd") << "the link was removed, not followed";
}

// A target that exists and is no regular file (nor a link to one) is refused and left alone.
TEST(AtomicWrite, SpecialTargets_AreRefusedAndLeftAsTheyWere) {
    TempFolder temp;
    const fs::path fifo = temp.Path() / "fifo";
    const fs::path folder = temp.Path() / "folder";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    fs::create_directory(folder);
    fs::create_symlink(fifo, temp.Path() / "link-to-fifo");
    fs::create_symlink(folder, temp.Path() / "link-to-folder");
    const std::size_t entries = EntriesIn(temp.Path());

    for (const char* name : {"fifo", "folder", "link-to-fifo", "link-to-folder"}) {
        const fs::path target = temp.Path() / name;
        const FileResult result = WriteFileAtomically(*MakeLocalFileSystem(), target, "Daten");
        EXPECT_EQ(result.error, FileError::NotAFile) << name;
        EXPECT_NE(DescribeFileResult(result).find("keine gewöhnliche Datei"), std::string::npos)
            << DescribeFileResult(result);
        EXPECT_NE(DescribeFileResult(result).find(name), std::string::npos) << DescribeFileResult(result);
    }
    EXPECT_TRUE(fs::is_fifo(fs::symlink_status(fifo)));
    EXPECT_TRUE(fs::is_directory(fs::symlink_status(folder)));
    EXPECT_TRUE(fs::is_symlink(temp.Path() / "link-to-fifo"));
    EXPECT_TRUE(fs::is_symlink(temp.Path() / "link-to-folder"));
    EXPECT_EQ(EntriesIn(temp.Path()), entries) << "nothing created beside them";
    EXPECT_TRUE(fs::is_empty(folder));
}

TEST(AtomicWrite, LinkToARegularFile_IsWrittenThroughAndStaysALink) {
    TempFolder temp;
    fs::create_directory(temp.Path() / "real");
    const fs::path file = temp.Path() / "real" / "protokoll.txt";
    const fs::path link = temp.Path() / "protokoll.txt";
    WriteBytes(file, "alt");
    fs::create_symlink(file, link);

    ASSERT_TRUE(WriteFileAtomically(*MakeLocalFileSystem(), link, "neu").Ok());
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(ReadBytes(file), "neu");
    EXPECT_EQ(EntriesIn(temp.Path() / "real"), 1u);
}

TEST(AtomicWrite, ReplacedFile_KeepsItsPermissionBits) {
    TempFolder temp;
    const fs::path target = temp.Path() / "protokoll.txt";
    for (const fs::perms perms : {fs::perms::owner_read | fs::perms::owner_write,
                                  fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read,
                                  fs::perms::owner_all | fs::perms::group_all | fs::perms::others_read}) {
        WriteBytes(target, "alt");
        fs::permissions(target, perms);
        ASSERT_TRUE(WriteFileAtomically(*MakeLocalFileSystem(), target, "neu").Ok());
        EXPECT_EQ(PermissionsOf(target), perms);
        EXPECT_EQ(ReadBytes(target), "neu");
    }
}
#endif

} // namespace
} // namespace caniparc
