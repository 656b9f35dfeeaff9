// The few file operations the protocol file and its backup need, behind an interface so that
// tests can make a disk fail halfway, and the replace-by-rename write that keeps the previous
// file whole until the new one is safely on disk.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

namespace caniparc {

enum class FileError {
    None,
    CannotOpen,   // reading: missing, a folder, no permission
    TooLarge,     // beyond what a protocol can sensibly be (read, or written to be read back)
    TooManyRows,  // more lines than a protocol can sensibly hold (likewise)
    NotText,      // reading: NUL bytes or control codes; a program or picture, not a list
    ReadFailed,   // reading: the disk failed after the file was opened
    NotAFile,     // a device, FIFO or folder (or a link to one) where a file was expected
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
    // Creates a file that did not exist, never through a link: a name already taken by anything,
    // a dangling link included, fails with file_exists. `permissions` are given to the new file
    // as they are (the umask does not apply); without them it gets the usual ones. While the
    // file is open, RemoveStaleTemporaries leaves it alone.
    virtual std::unique_ptr<WritableFile> CreateNew(const std::filesystem::path& path,
                                                    std::optional<std::filesystem::perms> permissions,
                                                    std::error_code& error) = 0;
    // Replaces `to` in one step; readers see either the old or the new file, never a mix.
    virtual std::error_code Rename(const std::filesystem::path& from, const std::filesystem::path& to) = 0;
    // Moves `from` to `to` only while `to` does not exist (file_exists otherwise), in one step.
    virtual std::error_code RenameNoReplace(const std::filesystem::path& from, const std::filesystem::path& to) = 0;
    virtual void Remove(const std::filesystem::path& path) = 0;
    // Makes a rename in the folder durable; best effort, where the platform allows it.
    virtual void SyncFolder(const std::filesystem::path& folder) = 0;
};

// The real disk.
std::unique_ptr<FileSystem> MakeLocalFileSystem();

// Held by a station for as long as it works with a file; released when destroyed.
class FileClaim {
public:
    virtual ~FileClaim() = default;
};

enum class ClaimOutcome {
    Claimed,       // this claim alone holds the file now
    HeldElsewhere, // another process (or another claim in this one) holds it
    Unavailable,   // no lock could be made here (a read-only folder): nothing to guard
};

// Claims a file for one holder through a lock on `lockPath`, a companion file that is created
// when missing and left in place (removing it could let two holders lock two different files).
// The lock goes with the process: a crashed station leaves no claim behind.
std::unique_ptr<FileClaim> ClaimFile(const std::filesystem::path& lockPath, ClaimOutcome& outcome);

// Writes the bytes to a new temporary file of a name no one else uses, beside the file that is
// replaced, flushes it and renames it over that file. A link is written through to the regular
// file it points to, and the replaced file keeps its permission bits. A target that exists and
// is no regular file (a device, a FIFO, a folder, or a link to one) is refused with NotAFile
// and left alone. On any failure the temporary file is removed and the target stays as it was.
// With `only`, the written file gets exactly these permission bits, new or replaced (a file that
// holds a password is kept private so).
FileResult WriteFileAtomically(FileSystem& fs, const std::filesystem::path& target, std::string_view bytes,
                               std::optional<std::filesystem::perms> only = std::nullopt);

// True for the names of the temporary files WriteFileAtomically uses for a target named
// `targetName`: the name, a dot, six letters or digits and ".tmp" (and the plain ".tmp" of
// earlier versions).
bool IsTemporaryNameOf(std::string_view name, std::string_view targetName);

// Removes the temporary files an interrupted write of `target` left behind; a file that a
// writer still has open is kept.
void RemoveStaleTemporaries(const std::filesystem::path& target);

// Reads a whole file; a file longer than maxBytes is refused before it is read, and so is a
// device or a FIFO (NotAFile), which is never opened.
FileResult ReadWholeFile(const std::filesystem::path& path, std::uint64_t maxBytes, std::string& bytes);

// A German sentence for the status bar or a message box, the system's own reason in brackets
// at its end; empty for success.
std::string DescribeFileResult(const FileResult& result);

// The reason alone, as short as it can be said, for the status bar: the station's own words
// for its own refusals, else the system's reason.
std::string ShortFileReason(const FileResult& result);

} // namespace caniparc
