// Feeds arbitrary bytes to the spreadsheet reader (.xlsx and .ods in a zip). Besides not
// crashing or exhausting memory, an accepted sheet must keep to the protocol's shape: at most
// 19 columns, no more rows than the limit, and no row without its first cell.
#include "export/SpreadsheetImport.h"
#include "export/ZipArchive.h"
#include "settings/Settings.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

using namespace caniparc;

namespace {

// Mutated zip containers rarely get past the checksums, so most inputs are XML that is zipped
// here: the first byte chooses the container as given, an .ods content part, or an .xlsx sheet
// with its shared strings after a NUL byte.
std::string Container(std::string_view bytes) {
    if (bytes.empty() || bytes[0] % 3 == 0)
        return std::string(bytes);
    const std::string_view xml = bytes.substr(1);
    ZipWriter zip;
    if (bytes[0] % 3 == 1) {
        zip.Add("content.xml", std::string(xml));
    } else {
        const std::size_t nul = xml.find('\0');
        zip.Add("xl/workbook.xml", "<workbook/>");
        zip.Add("xl/worksheets/sheet1.xml", std::string(xml.substr(0, nul)));
        if (nul != std::string_view::npos)
            zip.Add("xl/sharedStrings.xml", std::string(xml.substr(nul + 1)));
    }
    return zip.Finish().value_or(std::string());
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
