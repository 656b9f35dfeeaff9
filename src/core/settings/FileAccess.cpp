// File operations and the replace-by-rename write (see FileAccess.h).
#include "settings/FileAccess.h"

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <random>

#if !defined(_WIN32)
#include <fcntl.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#else
#include <windows.h>

#include <algorithm>
#endif

namespace caniparc {
namespace {

std::error_code LastSystemError() {
    return {errno == 0 ? EIO : errno, std::generic_category()};
}

#if !defined(_WIN32)

// Holds a second descriptor of the file (sharing its lock) until it is destroyed, so the file
// stays locked against RemoveStaleTemporaries from creation until after the rename, even once
// the written descriptor has been closed.
class PosixFile final : public WritableFile {
public:
    PosixFile(int fd, int lockFd) : fd_(fd), lockFd_(lockFd) {}
    ~PosixFile() override {
        if (fd_ >= 0)
            ::close(fd_);
        if (lockFd_ >= 0)
            ::close(lockFd_);
    }

    std::error_code Write(std::string_view bytes) override {
        while (!bytes.empty()) {
            const ssize_t written = ::write(fd_, bytes.data(), bytes.size());
            if (written < 0 && errno == EINTR)
                continue;
            if (written <= 0)
                return LastSystemError();
            bytes.remove_prefix(static_cast<std::size_t>(written));
        }
        return {};
    }
    std::error_code Sync() override { return ::fsync(fd_) == 0 ? std::error_code{} : LastSystemError(); }
    std::error_code Close() override {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0 ? std::error_code{} : LastSystemError();
    }

private:
    int fd_;
    int lockFd_;
};

class LocalFileSystem final : public FileSystem {
public:
    std::unique_ptr<WritableFile> CreateNew(const std::filesystem::path& path,
                                            std::optional<std::filesystem::perms> permissions,
                                            std::error_code& error) override {
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd < 0) {
            error = LastSystemError();
            return nullptr;
        }
        // Only a clean-up that opened this new file in the very same moment could hold the lock
        // already; it then removes the file, and the rename fails and says so.
        ::flock(fd, LOCK_EX | LOCK_NB);
        if (permissions && ::fchmod(fd, static_cast<mode_t>(*permissions)) != 0) {
            error = LastSystemError();
            ::close(fd);
            ::unlink(path.c_str());
            return nullptr;
        }
        return std::make_unique<PosixFile>(fd, ::fcntl(fd, F_DUPFD_CLOEXEC, 0));
    }
    std::error_code Rename(const std::filesystem::path& from, const std::filesystem::path& to) override {
        return ::rename(from.c_str(), to.c_str()) == 0 ? std::error_code{} : LastSystemError();
    }
    std::error_code RenameNoReplace(const std::filesystem::path& from, const std::filesystem::path& to) override {
        if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
            return {};
        if (errno != EINVAL && errno != ENOSYS)
            return LastSystemError();
        // A file system without the flag: a hard link fails on an existing name just the same.
        if (::link(from.c_str(), to.c_str()) != 0)
            return LastSystemError();
        ::unlink(from.c_str());
        return {};
    }
    void Remove(const std::filesystem::path& path) override { ::unlink(path.c_str()); }
    void SyncFolder(const std::filesystem::path& folder) override {
        const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0)
            return;
        ::fsync(fd);
        ::close(fd);
    }
};

// Only a file nobody holds locked is left over from a write that was interrupted.
void RemoveIfAbandoned(const std::filesystem::path& path) {
    struct stat before {};
    if (::lstat(path.c_str(), &before) != 0)
        return;
    if (!S_ISREG(before.st_mode)) {
        if (S_ISLNK(before.st_mode))
            ::unlink(path.c_str()); // never one of ours to keep; removing a link follows nothing
        return;
    }
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return;
    struct stat now {};
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::fstat(fd, &now) == 0 && now.st_ino == before.st_ino &&
        now.st_dev == before.st_dev)
        ::unlink(path.c_str());
    ::close(fd);
}

class PosixClaim final : public FileClaim {
public:
    explicit PosixClaim(int fd) : fd_(fd) {}
    ~PosixClaim() override { ::close(fd_); }

private:
    int fd_;
};

std::unique_ptr<FileClaim> ClaimLocked(const std::filesystem::path& lockPath, ClaimOutcome& outcome) {
    const int fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0644);
    if (fd < 0) {
        outcome = ClaimOutcome::Unavailable;
        return nullptr;
    }
    // flock belongs to the open file, so a second claim in this process conflicts as well.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        outcome = errno == EWOULDBLOCK ? ClaimOutcome::HeldElsewhere : ClaimOutcome::Unavailable;
        ::close(fd);
        return nullptr;
    }
    outcome = ClaimOutcome::Claimed;
    return std::make_unique<PosixClaim>(fd);
}

#else

std::error_code LastWindowsError() {
    const DWORD code = ::GetLastError();
    return {code == 0 ? static_cast<int>(ERROR_GEN_FAILURE) : static_cast<int>(code), std::system_category()};
}

// Opened without sharing, so nobody else can open or delete the file while it is written: that
// is the lock that keeps RemoveStaleTemporaries away until the handle is closed after the rename.
class WindowsFile final : public WritableFile {
public:
    explicit WindowsFile(HANDLE handle) : handle_(handle) {}
    ~WindowsFile() override {
        if (handle_ != INVALID_HANDLE_VALUE)
            ::CloseHandle(handle_);
    }

    std::error_code Write(std::string_view bytes) override {
        while (!bytes.empty()) {
            const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 30));
            DWORD written = 0;
            if (!::WriteFile(handle_, bytes.data(), chunk, &written, nullptr))
                return LastWindowsError();
            if (written == 0)
                return std::make_error_code(std::errc::io_error);
            bytes.remove_prefix(written);
        }
        return {};
    }
    std::error_code Sync() override { return ::FlushFileBuffers(handle_) ? std::error_code{} : LastWindowsError(); }
    std::error_code Close() override {
        const HANDLE handle = handle_;
        handle_ = INVALID_HANDLE_VALUE;
        return ::CloseHandle(handle) ? std::error_code{} : LastWindowsError();
    }

private:
    HANDLE handle_;
};

class LocalFileSystem final : public FileSystem {
public:
    // The permission bits of a POSIX file have no counterpart here; a new file inherits the
    // folder's access list like every other file the user creates.
    std::unique_ptr<WritableFile> CreateNew(const std::filesystem::path& path, std::optional<std::filesystem::perms>,
                                            std::error_code& error) override {
        // CREATE_NEW fails on any existing name, and a reparse point (a link) is never followed
        // to create a file somewhere else.
        const HANDLE handle = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                            FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
        if (handle == INVALID_HANDLE_VALUE) {
            const DWORD code = ::GetLastError();
            error = code == ERROR_FILE_EXISTS || code == ERROR_ALREADY_EXISTS
                        ? std::make_error_code(std::errc::file_exists)
                        : std::error_code(static_cast<int>(code), std::system_category());
            return nullptr;
        }
        return std::make_unique<WindowsFile>(handle);
    }
    std::error_code Rename(const std::filesystem::path& from, const std::filesystem::path& to) override {
        return ::MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)
                   ? std::error_code{}
                   : LastWindowsError();
    }
    std::error_code RenameNoReplace(const std::filesystem::path& from, const std::filesystem::path& to) override {
        if (::MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH))
            return {};
        const DWORD code = ::GetLastError();
        if (code == ERROR_ALREADY_EXISTS || code == ERROR_FILE_EXISTS)
            return std::make_error_code(std::errc::file_exists);
        return {static_cast<int>(code), std::system_category()};
    }
    void Remove(const std::filesystem::path& path) override { ::DeleteFileW(path.c_str()); }
    // MOVEFILE_WRITE_THROUGH already waits until the rename is on the disk.
    void SyncFolder(const std::filesystem::path&) override {}
};

// A file a writer still holds open cannot be deleted (it was opened without sharing), so the
// delete itself tells an abandoned file from one being written.
void RemoveIfAbandoned(const std::filesystem::path& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return;
    ::DeleteFileW(path.c_str());
}

class WindowsClaim final : public FileClaim {
public:
    explicit WindowsClaim(HANDLE handle) : handle_(handle) {}
    ~WindowsClaim() override { ::CloseHandle(handle_); }

private:
    HANDLE handle_;
};

// Opened without sharing: nobody else can open the lock file until this handle is closed.
std::unique_ptr<FileClaim> ClaimLocked(const std::filesystem::path& lockPath, ClaimOutcome& outcome) {
    const HANDLE handle = ::CreateFileW(lockPath.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                                        FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD code = ::GetLastError();
        outcome = code == ERROR_SHARING_VIOLATION || code == ERROR_LOCK_VIOLATION ? ClaimOutcome::HeldElsewhere
                                                                                  : ClaimOutcome::Unavailable;
        return nullptr;
    }
    outcome = ClaimOutcome::Claimed;
    return std::make_unique<WindowsClaim>(handle);
}

#endif

FileResult Failure(FileError error, std::error_code code, const std::filesystem::path& path) {
    return {error, code, path.string()};
}

std::string_view Sentence(FileError error) {
    switch (error) {
    case FileError::None:
        return {};
    case FileError::CannotOpen:
        return "Die Datei kann nicht geöffnet werden: ";
    case FileError::TooLarge:
        return "Die Datei ist zu groß für ein Protokoll: ";
    case FileError::TooManyRows:
        return "Die Datei hat zu viele Zeilen für ein Protokoll: ";
    case FileError::NotText:
        return "Die Datei ist keine Textdatei (Starterliste oder Protokoll): ";
    case FileError::ReadFailed:
        return "Die Datei konnte nicht gelesen werden: ";
    case FileError::NotAFile:
        return "Das ist keine gewöhnliche Datei, sondern ein Gerät, eine FIFO oder ein Ordner: ";
    case FileError::CannotCreate:
        return "Die Datei kann nicht angelegt werden: ";
    case FileError::WriteFailed:
    case FileError::SyncFailed:
        return "Die Datei konnte nicht geschrieben werden: ";
    case FileError::RenameFailed:
        return "Die Datei konnte nicht ersetzt werden: ";
    }
    return {};
}

// Where the bytes really go, and the permission bits they must keep.
struct WriteTarget {
    std::filesystem::path path;
    std::optional<std::filesystem::perms> permissions; // none for a new file
    bool special = false;                              // exists, and is no regular file
};

WriteTarget ResolveWriteTarget(const std::filesystem::path& target) {
    namespace fs = std::filesystem;
    std::error_code error;
    WriteTarget where{target, std::nullopt, false};
    if (fs::is_symlink(fs::symlink_status(target, error))) {
        // A link stays a link (dotfile managers keep files so): the file it points to is replaced.
        const fs::path resolved = fs::weakly_canonical(target, error);
        if (!error)
            where.path = resolved;
    }
    const fs::file_status status = fs::status(where.path, error);
    if (error || !fs::exists(status))
        return where;
    where.special = !fs::is_regular_file(status);
    where.permissions = status.permissions() & fs::perms::mask;
    return where;
}

constexpr std::string_view kNameLetters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
constexpr std::size_t kRandomLetters = 6;

std::filesystem::path TemporaryNameFor(const std::filesystem::path& target, std::mt19937& random) {
    std::uniform_int_distribution<std::size_t> pick(0, kNameLetters.size() - 1);
    std::string name = target.filename().string() + '.';
    for (std::size_t i = 0; i < kRandomLetters; ++i)
        name += kNameLetters[pick(random)];
    return target.parent_path() / (name + ".tmp");
}

// Names are guessed at random, so a name someone else holds (a second writer, or a link planted
// there) only costs another try.
std::unique_ptr<WritableFile> CreateTemporary(FileSystem& fs, const WriteTarget& where,
                                              std::filesystem::path& temporary, std::error_code& code) {
    std::random_device seed;
    std::mt19937 random(seed());
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary = TemporaryNameFor(where.path, random);
        code.clear();
        if (auto file = fs.CreateNew(temporary, where.permissions, code))
            return file;
        if (code != std::errc::file_exists)
            return nullptr;
    }
    return nullptr;
}

} // namespace

std::string DescribeFileResult(const FileResult& result) {
    if (result.Ok())
        return {};
    std::string text(Sentence(result.error));
    text += result.path;
    if (result.code)
        text += " (" + result.code.message() + ")";
    return text;
}

std::string ShortFileReason(const FileResult& result) {
    switch (result.error) {
    case FileError::None:
        return {};
    case FileError::TooLarge:
        return "zu groß";
    case FileError::TooManyRows:
        return "zu viele Zeilen";
    case FileError::NotAFile:
        return "keine gewöhnliche Datei";
    default:
        return result.code ? result.code.message() : "Fehler beim Schreiben oder Lesen";
    }
}

std::unique_ptr<FileSystem> MakeLocalFileSystem() {
    return std::make_unique<LocalFileSystem>();
}

std::unique_ptr<FileClaim> ClaimFile(const std::filesystem::path& lockPath, ClaimOutcome& outcome) {
    return ClaimLocked(lockPath, outcome);
}

bool IsTemporaryNameOf(std::string_view name, std::string_view targetName) {
    if (name.size() < targetName.size() || name.substr(0, targetName.size()) != targetName)
        return false;
    const std::string_view rest = name.substr(targetName.size());
    if (rest == ".tmp")
        return true;
    if (rest.size() != 1 + kRandomLetters + 4 || rest.front() != '.' || !rest.ends_with(".tmp"))
        return false;
    const std::string_view letters = rest.substr(1, kRandomLetters);
    return letters.find_first_not_of(kNameLetters) == std::string_view::npos;
}

void RemoveStaleTemporaries(const std::filesystem::path& target) {
    namespace fs = std::filesystem;
    const fs::path folder = target.parent_path().empty() ? fs::path(".") : target.parent_path();
    const std::string targetName = target.filename().string();
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        if (IsTemporaryNameOf(it->path().filename().string(), targetName))
            RemoveIfAbandoned(it->path());
    }
}

FileResult WriteFileAtomically(FileSystem& fs, const std::filesystem::path& target, std::string_view bytes,
                               std::optional<std::filesystem::perms> only) {
    WriteTarget where = ResolveWriteTarget(target);
    if (only)
        where.permissions = only;
    if (where.special)
        return Failure(FileError::NotAFile, {}, target);
    std::filesystem::path temporary;
    std::error_code code;
    auto file = CreateTemporary(fs, where, temporary, code);
    if (!file)
        return Failure(FileError::CannotCreate, code, target);
    FileError error = FileError::None;
    if ((code = file->Write(bytes)))
        error = FileError::WriteFailed;
    else if ((code = file->Sync()))
        error = FileError::SyncFailed;
    else if ((code = file->Close()))
        error = FileError::WriteFailed;
    else if ((code = fs.Rename(temporary, where.path)))
        error = FileError::RenameFailed;
    file.reset();
    if (error != FileError::None) {
        fs.Remove(temporary);
        return Failure(error, code, target);
    }
    fs.SyncFolder(where.path.parent_path());
    return {FileError::None, {}, target.string()};
}

FileResult ReadWholeFile(const std::filesystem::path& path, std::uint64_t maxBytes, std::string& bytes) {
    std::error_code code;
    const std::filesystem::file_status status = std::filesystem::status(path, code);
    if (std::filesystem::is_directory(status))
        return Failure(FileError::CannotOpen, std::make_error_code(std::errc::is_a_directory), path);
    // Opening a FIFO waits for a writer, and opening a serial device can move its lines.
    if (!code && std::filesystem::exists(status) && !std::filesystem::is_regular_file(status))
        return Failure(FileError::NotAFile, {}, path);
    const auto size = std::filesystem::file_size(path, code);
    if (!code && size > maxBytes)
        return Failure(FileError::TooLarge, std::make_error_code(std::errc::file_too_large), path);
    errno = 0;
#ifdef _WIN32
    // The wide name: a narrow one would be taken in the ANSI code page and miss "Ergebnis-Müller.txt".
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(::_wfopen(path.c_str(), L"rb"), &std::fclose);
#else
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
#endif
    if (!file)
        return Failure(FileError::CannotOpen, LastSystemError(), path);
    std::string content;
    content.reserve(code ? 0 : static_cast<std::size_t>(size));
    char buffer[65536];
    std::size_t count = 0;
    while ((count = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) {
        if (content.size() + count > maxBytes)
            return Failure(FileError::TooLarge, std::make_error_code(std::errc::file_too_large), path);
        content.append(buffer, count);
    }
    if (std::ferror(file.get()))
        return Failure(FileError::ReadFailed, LastSystemError(), path);
    bytes = std::move(content);
    return {FileError::None, {}, path.string()};
}

} // namespace caniparc
