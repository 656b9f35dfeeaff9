// File operations and the replace-by-rename write (see FileAccess.h).
#include "settings/FileAccess.h"

#include <cerrno>
#include <cstdio>
#include <fstream>

#if !defined(_WIN32)
#include <fcntl.h>
#include <unistd.h>
#endif

namespace caniparc {
namespace {

std::error_code LastSystemError() {
    return {errno == 0 ? EIO : errno, std::generic_category()};
}

#if !defined(_WIN32)

class PosixFile final : public WritableFile {
public:
    explicit PosixFile(int fd) : fd_(fd) {}
    ~PosixFile() override {
        if (fd_ >= 0)
            ::close(fd_);
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
};

class LocalFileSystem final : public FileSystem {
public:
    std::unique_ptr<WritableFile> Create(const std::filesystem::path& path, std::error_code& error) override {
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        if (fd < 0) {
            error = LastSystemError();
            return nullptr;
        }
        return std::make_unique<PosixFile>(fd);
    }
    std::error_code Rename(const std::filesystem::path& from, const std::filesystem::path& to) override {
        return ::rename(from.c_str(), to.c_str()) == 0 ? std::error_code{} : LastSystemError();
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

#else

// Without POSIX calls the standard library's flush is the best that is available.
class StreamFile final : public WritableFile {
public:
    explicit StreamFile(const std::filesystem::path& path) : out_(path, std::ios::binary | std::ios::trunc) {}
    bool IsOpen() const { return out_.is_open(); }
    std::error_code Write(std::string_view bytes) override {
        out_.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return out_ ? std::error_code{} : std::make_error_code(std::errc::io_error);
    }
    std::error_code Sync() override {
        out_.flush();
        return out_ ? std::error_code{} : std::make_error_code(std::errc::io_error);
    }
    std::error_code Close() override {
        out_.close();
        return out_ ? std::error_code{} : std::make_error_code(std::errc::io_error);
    }

private:
    std::ofstream out_;
};

class LocalFileSystem final : public FileSystem {
public:
    std::unique_ptr<WritableFile> Create(const std::filesystem::path& path, std::error_code& error) override {
        auto file = std::make_unique<StreamFile>(path);
        if (file->IsOpen())
            return file;
        error = LastSystemError();
        return nullptr;
    }
    std::error_code Rename(const std::filesystem::path& from, const std::filesystem::path& to) override {
        std::error_code error;
        std::filesystem::rename(from, to, error);
        return error;
    }
    void Remove(const std::filesystem::path& path) override {
        std::error_code ignored;
        std::filesystem::remove(path, ignored);
    }
    void SyncFolder(const std::filesystem::path&) override {}
};

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
    case FileError::ReadFailed:
        return "Die Datei konnte nicht gelesen werden: ";
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

std::unique_ptr<FileSystem> MakeLocalFileSystem() {
    return std::make_unique<LocalFileSystem>();
}

std::filesystem::path TemporaryFileFor(const std::filesystem::path& target) {
    std::filesystem::path temporary = target;
    temporary += ".tmp";
    return temporary;
}

FileResult WriteFileAtomically(FileSystem& fs, const std::filesystem::path& target, std::string_view bytes) {
    const std::filesystem::path temporary = TemporaryFileFor(target);
    std::error_code code;
    auto file = fs.Create(temporary, code);
    if (!file)
        return Failure(FileError::CannotCreate, code, target);
    FileError error = FileError::None;
    if ((code = file->Write(bytes)))
        error = FileError::WriteFailed;
    else if ((code = file->Sync()))
        error = FileError::SyncFailed;
    else if ((code = file->Close()))
        error = FileError::WriteFailed;
    else if ((code = fs.Rename(temporary, target)))
        error = FileError::RenameFailed;
    if (error != FileError::None) {
        file.reset();
        fs.Remove(temporary);
        return Failure(error, code, target);
    }
    fs.SyncFolder(target.parent_path());
    return {FileError::None, {}, target.string()};
}

FileResult ReadWholeFile(const std::filesystem::path& path, std::uint64_t maxBytes, std::string& bytes) {
    std::error_code code;
    if (std::filesystem::is_directory(path, code))
        return Failure(FileError::CannotOpen, std::make_error_code(std::errc::is_a_directory), path);
    const auto size = std::filesystem::file_size(path, code);
    if (!code && size > maxBytes)
        return Failure(FileError::TooLarge, std::make_error_code(std::errc::file_too_large), path);
    errno = 0;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.string().c_str(), "rb"), &std::fclose);
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
