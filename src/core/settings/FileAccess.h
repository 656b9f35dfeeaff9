// The few file operations the protocol file and its backup need, behind an interface so that
// tests can make a disk fail halfway, and the replace-by-rename write that keeps the previous
// file whole until the new one is safely on disk.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <system_error>

namespace caniparc {

enum class FileError {
    None,
    CannotOpen,   // reading: missing, a folder, no permission
    TooLarge,     // reading: beyond what a protocol can sensibly be
    TooManyRows,  // reading: more lines than a protocol can sensibly hold
    ReadFailed,   // reading: the disk failed after the file was opened
    CannotCreate, // writing: the temporary file could not be created
    WriteFailed,  // writing: the disk refused the data (full, removed, ...)
    SyncFailed,   // writing: the data could not be flushed to the disk
    RenameFailed, // writing: the new file could not replace the old one
};

// What became of one read or write, with enough detail for the user to act on it.
struct FileResult {
    FileError error = FileError::None;
    std::error_code code; // the system's reason, when there is one
    std::string path;

    bool Ok() const { return error == FileError::None; }
};

// A German sentence for the status bar or a message box; empty for success.
std::string DescribeFileResult(const FileResult& result);

class WritableFile {
public:
    virtual ~WritableFile() = default;
    virtual std::error_code Write(std::string_view bytes) = 0;
    // Waits until the data is on the disk, so that a power loss after a rename finds it there.
    virtual std::error_code Sync() = 0;
    virtual std::error_code Close() = 0;
};

class FileSystem {
public:
    virtual ~FileSystem() = default;
    // Creates the file or empties an existing one.
    virtual std::unique_ptr<WritableFile> Create(const std::filesystem::path& path, std::error_code& error) = 0;
    // Replaces `to` in one step; readers see either the old or the new file, never a mix.
    virtual std::error_code Rename(const std::filesystem::path& from, const std::filesystem::path& to) = 0;
    virtual void Remove(const std::filesystem::path& path) = 0;
    // Makes a rename in the folder durable; best effort, where the platform allows it.
    virtual void SyncFolder(const std::filesystem::path& folder) = 0;
};

// The real disk.
std::unique_ptr<FileSystem> MakeLocalFileSystem();

// Writes the bytes to a temporary file beside `target`, flushes it and renames it over `target`.
// On any failure the temporary file is removed and `target` is left as it was.
FileResult WriteFileAtomically(FileSystem& fs, const std::filesystem::path& target, std::string_view bytes);

// The temporary file WriteFileAtomically uses for `target`.
std::filesystem::path TemporaryFileFor(const std::filesystem::path& target);

// Reads a whole file; a file longer than maxBytes is refused before it is read.
FileResult ReadWholeFile(const std::filesystem::path& path, std::uint64_t maxBytes, std::string& bytes);

} // namespace caniparc
