// The automatic backup: a write that fails at any point keeps the previous backup whole and is
// reported until a write succeeds; the backup comes back at start-up.
#include "protocol/Backup.h"

#include "protocol/Ranking.h"
#include "settings/Settings.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <fstream>
#include <functional>
#include <iterator>
#include <unistd.h>

namespace caniparc {
namespace {

std::string Contents(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

enum class FailAt { Nowhere, Create, Write, Sync, Rename };

// The real disk, except that it fails where the test says: a write stops after `bytesBeforeFull`
// bytes as on a full disk. It can also look at the target while the new data is being written.
class FailingFileSystem final : public FileSystem {
public:
    FailAt failAt = FailAt::Nowhere;
    std::size_t bytesBeforeFull = 10;
    std::function<void()> duringWrite;

    std::unique_ptr<WritableFile> CreateNew(const std::filesystem::path& path,
                                            std::optional<std::filesystem::perms> permissions,
                                            std::error_code& error) override {
        if (failAt == FailAt::Create) {
            error = std::make_error_code(std::errc::permission_denied);
            return nullptr;
        }
        auto file = disk_->CreateNew(path, permissions, error);
        return file ? std::make_unique<File>(*this, std::move(file)) : nullptr;
    }
    std::error_code Rename(const std::filesystem::path& from, const std::filesystem::path& to) override {
        return failAt == FailAt::Rename ? std::make_error_code(std::errc::io_error) : disk_->Rename(from, to);
    }
    std::error_code RenameNoReplace(const std::filesystem::path& from, const std::filesystem::path& to) override {
        return disk_->RenameNoReplace(from, to);
    }
    void Remove(const std::filesystem::path& path) override { disk_->Remove(path); }
    void SyncFolder(const std::filesystem::path& folder) override { disk_->SyncFolder(folder); }

private:
    class File final : public WritableFile {
    public:
        File(FailingFileSystem& fs, std::unique_ptr<WritableFile> file) : fs_(fs), file_(std::move(file)) {}
        std::error_code Write(std::string_view bytes) override {
            if (fs_.duringWrite)
                fs_.duringWrite();
            if (fs_.failAt != FailAt::Write)
                return file_->Write(bytes);
            file_->Write(bytes.substr(0, fs_.bytesBeforeFull));
            return std::make_error_code(std::errc::no_space_on_device);
        }
        std::error_code Sync() override {
            return fs_.failAt == FailAt::Sync ? std::make_error_code(std::errc::io_error) : file_->Sync();
        }
        std::error_code Close() override { return file_->Close(); }

    private:
        FailingFileSystem& fs_;
        std::unique_ptr<WritableFile> file_;
    };

    std::unique_ptr<FileSystem> disk_ = MakeLocalFileSystem();
};

class Backup : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = info->name(); // "Name/0" for a parameterised test: one folder, not two
        std::ranges::replace(name, '/', '-');
        folder_ =
            std::filesystem::temp_directory_path() / ("caniparc-backup-" + std::to_string(::getpid()) + "-" + name);
        std::filesystem::create_directories(folder_);
        settings_.RezervDir = folder_.string() + "/";
        settings_.ProgramTitle = "Canitorn";
        WriteColumnTitles(table_);
        table_.SetCell(ColStartNr, 1, "12");
        table_.SetCell(ColTime1, 1, "45,0");
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }

    std::filesystem::path BackupPath() const { return folder_ / "Canitorn-Sicherungsdatei.txt"; }
    long FilesInFolder() const { return std::distance(std::filesystem::directory_iterator(folder_), {}); }

    std::filesystem::path folder_;
    Settings settings_;
    ProtocolTable table_;
    FailingFileSystem fs_;
    ProtocolBackup backup_{settings_, fs_};
};

#ifndef _WIN32
TEST_F(Backup, NameIsTheBackupFolderThenTheProgramTitle_TakenAtEachWrite) {
    EXPECT_EQ(BackupFileName(settings_), BackupPath().string());
    ASSERT_TRUE(backup_.Write(table_).Ok());
    EXPECT_TRUE(std::filesystem::exists(BackupPath()));

    std::filesystem::create_directories(folder_ / "elsewhere");
    settings_.RezervDir = (folder_ / "elsewhere").string() + "/";
    ASSERT_TRUE(backup_.Write(table_).Ok());
    EXPECT_TRUE(std::filesystem::exists(folder_ / "elsewhere" / "Canitorn-Sicherungsdatei.txt"));
}
#endif

TEST_F(Backup, WhileTheNewBackupIsBeingWritten_TheOldOneIsStillWhole) {
    ASSERT_TRUE(backup_.Write(table_).Ok());
    const std::string before = Contents(BackupPath());
    table_.SetCell(ColTime1, 1, "44,0");
    std::string seenDuringWrite;
    fs_.duringWrite = [&] { seenDuringWrite = Contents(BackupPath()); };
    ASSERT_TRUE(backup_.Write(table_).Ok());
    EXPECT_EQ(seenDuringWrite, before);
    EXPECT_NE(Contents(BackupPath()), before);
    EXPECT_EQ(FilesInFolder(), 1) << "no temporary file left";
}

class BackupFailure : public Backup, public ::testing::WithParamInterface<FailAt> {};

TEST_P(BackupFailure, KeepsThePreviousBackupAndReportsUntilAWriteSucceeds) {
    ASSERT_TRUE(backup_.Write(table_).Ok());
    const std::string before = Contents(BackupPath());
    EXPECT_EQ(backup_.StatusText(), "");

    table_.SetCell(ColTime1, 1, "44,0");
    fs_.failAt = GetParam();
    EXPECT_FALSE(backup_.Write(table_).Ok());
    EXPECT_EQ(Contents(BackupPath()), before);
    EXPECT_EQ(FilesInFolder(), 1) << "no half-written file left behind";
    EXPECT_TRUE(backup_.Failing());
    EXPECT_NE(backup_.StatusText().find("Canitorn-Sicherungsdatei.txt"), std::string::npos) << backup_.StatusText();

    fs_.failAt = FailAt::Nowhere;
    EXPECT_TRUE(backup_.Write(table_).Ok());
    EXPECT_FALSE(backup_.Failing());
    EXPECT_EQ(backup_.StatusText(), "");
    EXPECT_NE(Contents(BackupPath()), before);
}

INSTANTIATE_TEST_SUITE_P(AtEachStep, BackupFailure,
                         ::testing::Values(FailAt::Create, FailAt::Write, FailAt::Sync, FailAt::Rename));

TEST_F(Backup, RestoreAtStartUp_BringsBackTheSavedProtocol_OrKeepsTheNewOneOnFirstStart) {
    ProtocolTable restored;
    WriteColumnTitles(restored);
    SortState sort;
    Ranking ranking;
    EXPECT_TRUE(backup_.Restore(restored, sort, ranking).result.Ok()) << "no backup yet is no failure";
    EXPECT_EQ(restored.RowCount(), 2);
    EXPECT_EQ(restored.Cell(ColStartNr, 1), "");

    ASSERT_TRUE(backup_.Write(table_).Ok());
    const ProtocolLoad load = backup_.Restore(restored, sort, ranking);
    ASSERT_TRUE(load.result.Ok());
    EXPECT_EQ(restored.Cell(ColStartNr, 1), "12");
    EXPECT_EQ(restored.Cell(ColPlace, 1), "1");
    EXPECT_EQ(load.startLists.startNumbers, std::vector<std::string>{"12"});
}

} // namespace
} // namespace caniparc
