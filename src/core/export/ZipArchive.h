// Zip containers in memory, as office files are: reading named parts with a size limit, and
// writing a new container part by part. Wraps libzip.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct zip;

namespace caniparc {

// No part of a protocol's office file comes near this; a zip bomb stops here.
// What the office functions say in a build without the office libraries (the Windows cross
// build of the core, for which the distribution ships none).
inline constexpr std::string_view OfficeMissing =
    "Tabellen und Dokumente (xlsx, ods, xls, docx) kann diese Ausgabe des Programms nicht lesen oder schreiben.";

inline constexpr std::uint64_t MaxZipPartBytes = 64u * 1024u * 1024u;

enum class ZipError { None, NotAZip, NoSuchPart, PartTooLarge, Damaged };

class ZipReader {
public:
    // Takes a copy of the bytes; Ok() is false when they are no zip container.
    explicit ZipReader(std::string bytes);
    ~ZipReader();
    ZipReader(const ZipReader&) = delete;
    ZipReader& operator=(const ZipReader&) = delete;

    bool Ok() const { return archive_ != nullptr; }
    std::vector<std::string> Names() const;
    // The unpacked part; a part larger than maxBytes unpacked is refused before it is read.
    ZipError Read(std::string_view name, std::string& out, std::uint64_t maxBytes = MaxZipPartBytes) const;

private:
    std::string bytes_;
    ::zip* archive_ = nullptr;
};

// Collects parts and hands back the container's bytes.
class ZipWriter {
public:
    void Add(std::string name, std::string bytes) { parts_.push_back({std::move(name), std::move(bytes)}); }
    // nullopt when libzip fails.
    std::optional<std::string> Finish() const;

private:
    struct Part {
        std::string name;
        std::string bytes;
    };
    std::vector<Part> parts_;
};

} // namespace caniparc
