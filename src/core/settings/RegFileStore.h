// The settings store where there is no registry: one per-user file in the registry editor's
// text format, holding the values of the program's key with their registry types.
#pragma once

#include "settings/FileAccess.h"
#include "settings/SettingsStore.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

namespace caniparc {

class RegFileStore : public SettingsStore {
public:
    // A settings file is a few kilobytes; a bigger one is damage and is not loaded at all, so
    // that a runaway file cannot exhaust the memory at start-up, nor written.
    static constexpr std::uint64_t MaxFileBytes = 1 << 20;

    // `file` is the store; its folders are created on the first save.
    RegFileStore(std::filesystem::path file, const std::string& programTitle);
    // With the disk behind an interface, so tests can make a write fail halfway.
    RegFileStore(std::filesystem::path file, const std::string& programTitle, std::unique_ptr<FileSystem> disk);

    // nullopt when the file is missing or unreadable or holds no section for the program. Also
    // removes the temporary files a save that was cut off left beside the file.
    std::optional<StoredValues> Load() const override;

    // Replaces the file as a whole through a flushed temporary file and a rename; the old file
    // stays untouched when that fails.
    bool Save(const std::vector<NamedValue>& values) override;

    const std::filesystem::path& File() const { return file_; }

private:
    std::optional<std::vector<NamedValue>> ReadValues() const;

    std::filesystem::path file_;
    std::string keyPath_;
    std::unique_ptr<FileSystem> disk_;
};

} // namespace caniparc
