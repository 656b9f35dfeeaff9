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
    std::unique_ptr<WritableFile> file_;
    std::size_t room_;
};

// The real disk, except that every file written through it takes only `capacity` bytes.
class FullDisk : public FileSystem {
public:
    explicit FullDisk(std::size_t capacity) : capacity_(capacity) {}
    std::unique_ptr<WritableFile> CreateNew(const fs::path& path, std::optional<fs::perms> permissions,
                                            std::error_code& error) override {
        auto file = real_->CreateNew(path, permissions, error);
        return file ? std::make_unique<ShortFile>(std::move(file), capacity_) : nullptr;
    }
    std::error_code Rename(const fs::path& from, const fs::path& to) override { return real_->Rename(from, to); }
    std::error_code RenameNoReplace(const fs::path& from, const fs::path& to) override {
        return real_->RenameNoReplace(from, to);
    }
    void Remove(const fs::path& path) override { real_->Remove(path); }
    void SyncFolder(const fs::path& folder) override { real_->SyncFolder(folder); }
    std::unique_ptr<FileSystem> real_ = MakeLocalFileSystem();
    std::size_t capacity_;
};

TEST(RegFileStore, MissingFileLoadsNothing_AndUnusablePlacesSaveNothing) {
    TempFolder temp;
    EXPECT_FALSE(RegFileStore(temp.Path() / "Kronolux" / "Canitorn.reg", "Canitorn").Load());
    WriteBytes(temp.Path() / "Kronolux", "a file where the folder should be");
    for (const fs::path& path : {temp.Path() / "Kronolux" / "Canitorn.reg", fs::path()}) {
        RegFileStore store(path, "Canitorn");
        EXPECT_FALSE(SaveSettings(store, Settings{})) << path;
        EXPECT_FALSE(store.Load()) << path;
    }
}

TEST(RegFileStore, SaveThenReload_GivesBackEveryValueUnderThisProgramsKeyOnly) {
    TempFolder temp;
    const fs::path file = temp.Path() / "config" / "Kronolux" / "Canitorn.reg";
    RegFileStore store(file, "Canitorn");
    ASSERT_TRUE(SaveSettings(store, ChangedSettings())) << "folders are created";
    Settings loaded;
    EXPECT_EQ(LoadSettings(RegFileStore(file, "Canitorn"), loaded).valuesTaken, StoredValueCount);
    EXPECT_EQ(StoredSettingsValues(loaded), StoredSettingsValues(ChangedSettings()));
    EXPECT_TRUE(ReadBytes(file).starts_with("REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Kronolux\\Canitorn]\n"));
    EXPECT_FALSE(RegFileStore(file, "Renamed").Load()) << "a renamed program starts with defaults";
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
        EXPECT_EQ(std::distance(fs::directory_iterator(temp.Path()), {}), 1) << "no temporary file left";
    }
}

// A settings file the store would refuse to load at the next start is not written at all: the
// save reports failure and the previous file stays, instead of every setting falling back to
// its default later without a word.
TEST(RegFileStore, FileBeyondTheReadLimit_IsNotWritten_OneJustWithinIsReadBack) {
    TempFolder temp;
    const fs::path file = temp.Path() / "Canitorn.reg";
    RegFileStore store(file, "Canitorn");
    ASSERT_TRUE(store.Save({{"Title", StoredValue::String("x")}}));
    const std::size_t base = ReadBytes(file).size();
    const std::size_t room = RegFileStore::MaxFileBytes - base + 1;
    ASSERT_TRUE(store.Save({{"Title", StoredValue::String(std::string(room, 'x'))}}));
    EXPECT_EQ(ReadBytes(file).size(), RegFileStore::MaxFileBytes);
    ASSERT_TRUE(store.Load());
    EXPECT_EQ(store.Load()->at("Title").text.size(), room);

    EXPECT_FALSE(store.Save({{"Title", StoredValue::String(std::string(room + 1, 'x'))}}));
    EXPECT_EQ(ReadBytes(file).size(), RegFileStore::MaxFileBytes) << "the previous file stays";
}

#ifndef _WIN32
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
    EXPECT_EQ(LoadSettings(RegFileStore(target, "Canitorn"), loaded).valuesTaken, StoredValueCount);
}

TEST(RegFileStore, TheFileWithTheShowsPasswordIsReadableByItsUserOnly) {
    TempFolder temp;
    const fs::path fresh = temp.Path() / "Neu.reg";
    const fs::path older = temp.Path() / "Alt.reg";
    WriteBytes(older, "");
    fs::permissions(older, fs::perms(0644));
    for (const fs::path& file : {fresh, older}) {
        RegFileStore store(file, "Canitorn");
        ASSERT_TRUE(SaveSettings(store, ChangedSettings()));
        EXPECT_EQ(fs::status(file).permissions() & fs::perms::mask, fs::perms::owner_read | fs::perms::owner_write)
            << file;
    }
}
#endif

TEST(RegFileStore, ReadsAFileWrittenInWindows1252) {
    RegFileStore store(fs::path(CANIPARC_SETTINGS_DATA) / "windows1252.reg", "Canitorn");
    Settings settings;
    EXPECT_EQ(LoadSettings(store, settings).valuesTaken, 42) << "written before the live results existed";
    EXPECT_EQ(settings.Title, "Prüfung in Köln");
    EXPECT_EQ(settings.QPs1, "Vorzüglich");
    EXPECT_EQ(settings.Katego, "Medium €");
    EXPECT_EQ(settings.RezervDir, "C:\\Agility\\Sicherung\\");
}

} // namespace
} // namespace caniparc
