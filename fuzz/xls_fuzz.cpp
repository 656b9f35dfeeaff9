// Feeds arbitrary bytes to the reader of .xls records (the compound file's streams, formula
// results, numbers): it must neither crash nor read outside the bytes, and it keeps only the
// protocol's columns.
#include "export/XlsImport.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

using namespace caniparc;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto values = ReadXlsValues(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!values)
        return 0;
    for (const auto& [cell, value] : *values) {
        if (cell.second >= static_cast<unsigned>(kSheetColumns) || cell.first > MaxImportRows)
            std::abort();
        if (value.text.size() > size * 4 + 16) // a text comes from the bytes, at most doubled into UTF-8
            std::abort();
    }
    return 0;
}
