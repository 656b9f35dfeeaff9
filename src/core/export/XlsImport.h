// The old binary workbooks (.xls). The cell reader library gives the cells' texts and numbers but
// nothing for a formula and only whole seconds for a time; the values the workbook stores for
// those are read here from its records: the cached result of every formula and the number
// behind every number cell.
#pragma once

#include "export/SheetBuilder.h"
#include "export/SpreadsheetImport.h"

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace caniparc {

struct XlsValue {
    enum class Kind { Number, Text, Missing } kind = Kind::Missing; // Missing: a formula without its result
    double number = 0;
    std::string text; // UTF-8
    bool formula = false;
};

// Row and column (from 0) to the stored value, for the first worksheet's columns 0 to 18;
// nullopt when the file's container or records cannot be followed.
std::optional<std::map<std::pair<unsigned, unsigned>, XlsValue>> ReadXlsValues(std::string_view bytes);

SheetImport ReadXls(const std::string& path, std::string_view bytes, const Settings& settings,
                    const SheetMessages& say);

} // namespace caniparc
