// The file-backed settings store (see RegFileStore.h).
#include "settings/RegFileStore.h"

#include "settings/RegFileFormat.h"

#include <algorithm>
#include <system_error>

namespace caniparc {
namespace {

namespace fs = std::filesystem;

bool SameName(const std::string& a, const std::string& b) {
    const ValueNameLess less;
    return !less(a, b) && !less(b, a);
}

// The registry keeps values nobody writes; so does the file, behind the written ones.
std::vector<NamedValue> MergeKept(std::vector<NamedValue> written, const std::vector<NamedValue>& old) {
    const auto writtenCount = static_cast<std::ptrdiff_t>(written.size());
    for (const NamedValue& value : old) {
        const auto end = written.begin() + writtenCount;
        if (std::none_of(written.begin(), end, [&](const NamedValue& w) { return SameName(w.name, value.name); }))
            written.push_back(value);
    }
    return written;
}

} // namespace

RegFileStore::RegFileStore(fs::path file, const std::string& programTitle)
    : RegFileStore(std::move(file), programTitle, MakeLocalFileSystem()) {}

RegFileStore::RegFileStore(fs::path file, const std::string& programTitle, std::unique_ptr<FileSystem> disk)
    : file_(std::move(file)), keyPath_(SettingsKeyPath(programTitle)), disk_(std::move(disk)) {}

std::optional<std::vector<NamedValue>> RegFileStore::ReadValues() const {
    if (file_.empty())
        return std::nullopt;
    try {
        std::string bytes;
        if (!ReadWholeFile(file_, MaxFileBytes, bytes).Ok())
            return std::nullopt;
        return ParseRegFile(bytes, keyPath_);
    } catch (const std::exception&) {
        return std::nullopt; // out of memory or a stream failure: as if there were no store
    }
}

std::optional<StoredValues> RegFileStore::Load() const {
    if (!file_.empty())
        RemoveStaleTemporaries(file_); // left by a save that was cut off
    auto values = ReadValues();
    if (!values)
        return std::nullopt;
    StoredValues result;
    for (NamedValue& value : *values)
        result.insert_or_assign(std::move(value.name), std::move(value.value));
    return result;
}

bool RegFileStore::Save(const std::vector<NamedValue>& values) {
    if (file_.empty())
        return false;
    try {
        const std::vector<NamedValue> all = MergeKept(values, ReadValues().value_or(std::vector<NamedValue>{}));
        std::error_code error;
        fs::create_directories(file_.parent_path(), error);
        const std::string bytes = FormatRegFile(all, keyPath_);
        if (bytes.size() > MaxFileBytes)
            return false; // it would not load at the next start
        // A settings file kept as a link (dotfile managers do that) stays a link.
        // It holds the show's password: readable by its user only.
        return WriteFileAtomically(*disk_, file_, bytes,
                                   std::filesystem::perms::owner_read | std::filesystem::perms::owner_write)
            .Ok();
    } catch (const std::exception&) {
        return false;
    }
}

} // namespace caniparc
