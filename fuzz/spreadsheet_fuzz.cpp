// Feeds arbitrary bytes to the spreadsheet reader (.xlsx and .ods in a zip). Besides not
// crashing or exhausting memory, an accepted sheet must keep to the protocol's shape: at most
// 19 columns, no more rows than the limit, and no row without its first cell.
#include "export/SpreadsheetImport.h"
#include "settings/Settings.h"

#include <zlib.h>

#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

using namespace caniparc;

namespace {

void Put16(std::string& out, unsigned value) {
    out += static_cast<char>(value & 0xff);
    out += static_cast<char>((value >> 8) & 0xff);
}

void Put32(std::string& out, std::uint32_t value) {
    Put16(out, value & 0xffff);
    Put16(out, value >> 16);
}

struct Part {
    std::string_view name;
    std::string_view bytes;
};

// A zip of stored (uncompressed) entries, built by hand: deflating every input cost nine tenths
// of each run, and the reader takes the same path through the container for stored entries
// except the inflating, which the raw containers still reach.
std::string StoredZip(const std::vector<Part>& parts) {
    std::string zip, directory;
    for (const Part& part : parts) {
        const auto crc = static_cast<std::uint32_t>(
            crc32(0, reinterpret_cast<const Bytef*>(part.bytes.data()), static_cast<uInt>(part.bytes.size())));
        const auto size = static_cast<std::uint32_t>(part.bytes.size());
        const auto offset = static_cast<std::uint32_t>(zip.size());
        zip += "PK\x03\x04";
        Put16(zip, 20);     // version needed
        Put16(zip, 0x0800); // names in UTF-8
        Put16(zip, 0);      // stored
        Put32(zip, 0);      // time and date
        Put32(zip, crc);
        Put32(zip, size);
        Put32(zip, size);
        Put16(zip, static_cast<unsigned>(part.name.size()));
        Put16(zip, 0); // extra field
        zip += part.name;
        zip += part.bytes;
        directory += "PK\x01\x02";
        Put16(directory, 20); // version made by
        Put16(directory, 20);
        Put16(directory, 0x0800);
        Put16(directory, 0);
        Put32(directory, 0);
        Put32(directory, crc);
        Put32(directory, size);
        Put32(directory, size);
        Put16(directory, static_cast<unsigned>(part.name.size()));
        Put16(directory, 0); // extra field
        Put16(directory, 0); // comment
        Put16(directory, 0); // disk
        Put16(directory, 0); // internal attributes
        Put32(directory, 0); // external attributes
        Put32(directory, offset);
        directory += part.name;
    }
    const auto directoryAt = static_cast<std::uint32_t>(zip.size());
    zip += directory;
    zip += "PK\x05\x06";
    Put32(zip, 0); // disks
    Put16(zip, static_cast<unsigned>(parts.size()));
    Put16(zip, static_cast<unsigned>(parts.size()));
    Put32(zip, static_cast<std::uint32_t>(directory.size()));
    Put32(zip, directoryAt);
    Put16(zip, 0); // comment
    return zip;
}

// Mutated zip containers rarely get past the checksums, so most inputs are XML that is zipped
// here: the first byte chooses the container as given, an .ods content part, or an .xlsx sheet
// with its shared strings after a NUL byte, and for .xlsx its workbook and relations after
// further NUL bytes (a standard pair when they are missing), then its styles.
std::string Container(std::string_view bytes) {
    if (bytes.empty() || bytes[0] % 3 == 0)
        return std::string(bytes);
    std::string_view rest = bytes.substr(1);
    if (bytes[0] % 3 == 1)
        return StoredZip({{"content.xml", rest}});
    std::vector<std::string_view> pieces;
    for (std::size_t nul = 0; pieces.size() < 4 && (nul = rest.find('\0')) != std::string_view::npos;) {
        pieces.push_back(rest.substr(0, nul));
        rest.remove_prefix(nul + 1);
    }
    pieces.push_back(rest);
    std::vector<Part> parts{{"xl/worksheets/sheet1.xml", pieces[0]}};
    if (pieces.size() > 1)
        parts.push_back({"xl/sharedStrings.xml", pieces[1]});
    if (pieces.size() > 3) {
        parts.push_back({"xl/workbook.xml", pieces[2]});
        parts.push_back({"xl/_rels/workbook.xml.rels", pieces[3]});
        if (pieces.size() > 4)
            parts.push_back({"xl/styles.xml", pieces[4]});
    } else {
        parts.push_back({"xl/workbook.xml", "<workbook><sheets><sheet r:id=\"rId1\"/></sheets></workbook>"});
        parts.push_back(
            {"xl/_rels/workbook.xml.rels",
             "<Relationships><Relationship Id=\"rId1\" Target=\"worksheets/sheet1.xml\"/></Relationships>"});
    }
    return StoredZip(parts);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes = Container(std::string_view(reinterpret_cast<const char*>(data), size));
    Settings settings;
    settings.TimeFormatIndex = size % 2;
    const SheetImport sheet = ReadSpreadsheetBytes(bytes, settings, "fuzz");
    if (!sheet.error.empty() && !sheet.rows.empty())
        std::abort();
    if (sheet.rows.size() > MaxImportRows)
        std::abort();
    for (const ProtocolTable::Row& row : sheet.rows) {
        if (row[ColStartNr].empty() || !row[ColSortKey].empty())
            std::abort();
    }
    return 0;
}
