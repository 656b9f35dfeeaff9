// The zip containers of the office files (see ZipArchive.h).
#include "export/ZipArchive.h"

#if CANIPARC_OFFICE

#include <zip.h>

namespace caniparc {
namespace {

// The bytes of a finished in-memory container.
std::optional<std::string> ReadSource(zip_source_t* source) {
    if (zip_source_open(source) < 0)
        return std::nullopt;
    std::string out;
    char buffer[65536];
    zip_int64_t n = 0;
    while ((n = zip_source_read(source, buffer, sizeof buffer)) > 0)
        out.append(buffer, static_cast<std::size_t>(n));
    zip_source_close(source);
    if (n < 0)
        return std::nullopt;
    return out;
}

} // namespace

ZipReader::ZipReader(std::string bytes) : bytes_(std::move(bytes)) {
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_buffer_create(bytes_.data(), bytes_.size(), 0, &error);
    if (source) {
        archive_ = zip_open_from_source(source, ZIP_RDONLY, &error);
        if (!archive_)
            zip_source_free(source);
    }
    zip_error_fini(&error);
}

ZipReader::~ZipReader() {
    if (archive_)
        zip_discard(archive_);
}

std::vector<std::string> ZipReader::Names() const {
    std::vector<std::string> names;
    if (!archive_)
        return names;
    const zip_int64_t count = zip_get_num_entries(archive_, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        if (const char* name = zip_get_name(archive_, static_cast<zip_uint64_t>(i), 0))
            names.emplace_back(name);
    }
    return names;
}

ZipError ZipReader::Read(std::string_view name, std::string& out, std::uint64_t maxBytes) const {
    out.clear();
    if (!archive_)
        return ZipError::NotAZip;
    const std::string key(name);
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_stat(archive_, key.c_str(), 0, &stat) < 0)
        return ZipError::NoSuchPart;
    if (!(stat.valid & ZIP_STAT_SIZE))
        return ZipError::Damaged;
    if (stat.size > maxBytes)
        return ZipError::PartTooLarge;
    zip_file_t* file = zip_fopen_index(archive_, stat.index, 0);
    if (!file)
        return ZipError::Damaged;
    out.resize(static_cast<std::size_t>(stat.size));
    const zip_int64_t read = zip_fread(file, out.data(), out.size());
    // One byte more than announced would mean the directory lies about the size.
    char extra = 0;
    const zip_int64_t more = zip_fread(file, &extra, 1);
    zip_fclose(file);
    if (read != static_cast<zip_int64_t>(out.size()) || more != 0) {
        out.clear();
        return ZipError::Damaged;
    }
    return ZipError::None;
}

std::optional<std::string> ZipWriter::Finish() const {
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* target = zip_source_buffer_create(nullptr, 0, 0, &error);
    zip_error_fini(&error);
    if (!target)
        return std::nullopt;
    zip_source_keep(target);
    zip_error_init(&error);
    zip_t* archive = zip_open_from_source(target, ZIP_TRUNCATE, &error);
    zip_error_fini(&error);
    bool ok = archive != nullptr;
    for (const Part& part : parts_) {
        if (!ok)
            break;
        zip_source_t* data = zip_source_buffer(archive, part.bytes.data(), part.bytes.size(), 0);
        const zip_int64_t index = data ? zip_file_add(archive, part.name.c_str(), data, ZIP_FL_ENC_UTF_8) : -1;
        ok = index >= 0;
        if (data && !ok)
            zip_source_free(data);
        // The quickest deflate level: the parts are repetitive markup that packs well anyway, and
        // the default level took three quarters of a large protocol's document export.
        if (ok)
            ok = zip_set_file_compression(archive, static_cast<zip_uint64_t>(index), ZIP_CM_DEFLATE, 1) == 0;
    }
    if (archive && (!ok || zip_close(archive) < 0)) {
        zip_discard(archive);
        ok = false;
    }
    std::optional<std::string> bytes = ok ? ReadSource(target) : std::nullopt;
    zip_source_free(target);
    return bytes;
}

} // namespace caniparc

#endif
