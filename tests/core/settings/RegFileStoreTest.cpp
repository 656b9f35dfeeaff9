// The settings file on disk: save and reload through a real file in a temporary folder, and
// writes that fail leaving the previous file whole.
#include "SettingsTestSupport.h"

#include "settings/RegFileStore.h"
#include "settings/SettingsIO.h"

#include <gtest/gtest.h>

namespace caniparc {
namespace {

namespace fs = std::filesystem;
using testing::ChangedSettings;
using testing::ReadBytes;
using testing::TempFolder;
using testing::WriteBytes;

// The real disk, except that every file written through it takes only `capacity` bytes.
class FullDisk : public FileSystem {
public:
    explicit FullDisk(std::size_t capacity) : capacity_(capacity) {}

    std::unique_ptr<WritableFile> Create(const fs::path& path, std::error_code& error) override {
        auto file = real_->Create(path, error);
        return file ? std::make_unique<ShortFile>(std::move(file), capacity_) : nullptr;
    }
    std::error_code Rename(const fs::path& from, const fs::path& to) override { return real_->Rename(from, to); }
    void Remove(const fs::path& path) override { real_->Remove(path); }
    void SyncFolder(const fs::path& folder) override { real_->SyncFolder(folder); }

private:
    class ShortFile : public WritableFile {
    public:
        ShortFile(std::unique_ptr<WritableFile> file, std::size_t room) : file_(std::move(file)), room_(room) {}
        std::error_code Write(std::string_view bytes) override {
            const std::size_t taken = std::min(room_, bytes.size());
            room_ -= taken;
            if (const auto error = file_->Write(bytes.substr(0, taken)))
                return error;
            return taken < bytes.size() ? std::make_error_code(std::errc::no_space_on_device) : std::error_code{};
        }
        std::error_code Sync() override { return file_->Sync(); }
        std::error_code Close() override { return file_->Close(); }

    private:
        std::unique_ptr<WritableFile> file_;
        std::size_t room_;
    };

    std::unique_ptr<FileSystem> real_ = MakeLocalFileSystem();
    std::size_t capacity_;
};

std::vector<std::string> FolderEntries(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    return names;
}

TEST(RegFileStore, MissingFile_IsNoStoreAndLoadingKeepsDefaults) {
    TempFolder temp;
    RegFileStore store(temp.Path() / "Kronolux" / "Canitorn.reg", "Canitorn");
    EXPECT_FALSE(store.Load());
    Settings settings;
    EXPECT_FALSE(LoadSettings(store, settings).storeFound);
    EXPECT_EQ(StoredSettingsValues(settings), StoredSettingsValues(Settings{}));
}

TEST(RegFileStore, SaveThenReload_GivesBackEveryValue) {
    TempFolder temp;
    const fs::path file = temp.Path() / "config" / "Kronolux" / "Canitorn.reg";
    RegFileStore store(file, "Canitorn");
    ASSERT_TRUE(SaveSettings(store, ChangedSettings())) << "folders are created";

    Settings loaded;
    RegFileStore reopened(file, "Canitorn");
    EXPECT_EQ(LoadSettings(reopened, loaded).valuesTaken, 42);
    EXPECT_EQ(StoredSettingsValues(loaded), StoredSettingsValues(ChangedSettings()));
    EXPECT_EQ(loaded.Title3, "Jörg Weiß\nund Ærø");
    EXPECT_EQ(loaded.Left, -1920);
    EXPECT_TRUE(ReadBytes(file).starts_with("REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Kronolux\\Canitorn]\n"));
}

TEST(RegFileStore, AnotherProgramTitleStartsWithDefaults) {
    TempFolder temp;
    const fs::path file = temp.Path() / "Canitorn.reg";
    RegFileStore store(file, "Canitorn");
    ASSERT_TRUE(SaveSettings(store, ChangedSettings()));
    fs::copy_file(file, temp.Path() / "Renamed.reg");
    RegFileStore renamed(temp.Path() / "Renamed.reg", "Renamed");
    EXPECT_FALSE(renamed.Load()) << "the copied file holds the old program's key only";
}

TEST(RegFileStore, SavingKeepsValuesItDoesNotWrite) {
    TempFolder temp;
    const fs::path file = temp.Path() / "Canitorn.reg";
    WriteBytes(file, "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Kronolux\\Canitorn]\n"
                     "\"left\"=dword:00000001\n\"Future\"=\"kept\"\n");
    RegFileStore store(file, "Canitorn");
    ASSERT_TRUE(store.Save({{"Left", StoredValue::Dword(5)}}));
    const auto values = store.Load();
    ASSERT_TRUE(values);
    EXPECT_EQ(values->size(), 2u);
    EXPECT_EQ(values->at("Left"), StoredValue::Dword(5));
    EXPECT_EQ(values->at("Future"), StoredValue::String("kept"));
}

TEST(RegFileStore, WriteThatRunsOutOfSpace_ReportsFailureAndKeepsTheOldFile) {
    TempFolder temp;
    const fs::path file = temp.Path() / "Canitorn.reg";
    RegFileStore first(file, "Canitorn");
    ASSERT_TRUE(SaveSettings(first, Settings{}));
    const std::string before = ReadBytes(file);

    for (const std::size_t capacity : {std::size_t{0}, std::size_t{100}, before.size()}) {
        RegFileStore store(file, "Canitorn", std::make_unique<FullDisk>(capacity));
        EXPECT_FALSE(SaveSettings(store, ChangedSettings())) << capacity;
        EXPECT_EQ(ReadBytes(file), before) << capacity;
        EXPECT_EQ(FolderEntries(temp.Path()), std::vector<std::string>{"Canitorn.reg"}) << "no temporary file left";
    }
}

TEST(RegFileStore, FolderThatCannotBeCreated_ReportsFailure) {
    TempFolder temp;
    WriteBytes(temp.Path() / "Kronolux", "a file where the folder should be");
    RegFileStore store(temp.Path() / "Kronolux" / "Canitorn.reg", "Canitorn");
    EXPECT_FALSE(SaveSettings(store, Settings{}));
    EXPECT_FALSE(store.Load());
}

TEST(RegFileStore, StoreWithoutPath_NeitherLoadsNorSaves) {
    RegFileStore store({}, "Canitorn");
    EXPECT_FALSE(store.Load());
    EXPECT_FALSE(SaveSettings(store, Settings{}));
}

TEST(RegFileStore, LinkedSettingsFileStaysALink) {
    TempFolder temp;
    fs::create_directory(temp.Path() / "dotfiles");
    const fs::path target = temp.Path() / "dotfiles" / "Canitorn.reg";
    const fs::path link = temp.Path() / "Canitorn.reg";
    WriteBytes(target, "");
    fs::create_symlink(target, link);

    RegFileStore store(link, "Canitorn");
    ASSERT_TRUE(SaveSettings(store, ChangedSettings()));
    EXPECT_TRUE(fs::is_symlink(link));
    Settings loaded;
    EXPECT_EQ(LoadSettings(RegFileStore(target, "Canitorn"), loaded).valuesTaken, 42);
}

TEST(RegFileStore, ReadsAFileWrittenInWindows1252) {
    RegFileStore store(fs::path(CANIPARC_SETTINGS_DATA) / "windows1252.reg", "Canitorn");
    Settings settings;
    const LoadResult result = LoadSettings(store, settings);
    EXPECT_EQ(result.valuesTaken, 42);
    EXPECT_EQ(settings.Title, "Prüfung in Köln");
    EXPECT_EQ(settings.Title3, "Jürgen Maß");
    EXPECT_EQ(settings.QPs1, "Vorzüglich");
    EXPECT_EQ(settings.Katego, "Medium €");
    EXPECT_EQ(settings.RezervDir, "C:\\Agility\\Sicherung\\");
    EXPECT_EQ(settings.Dist, 180.0);
    EXPECT_EQ(settings.LsCFG, 2);
}

} // namespace
} // namespace caniparc
