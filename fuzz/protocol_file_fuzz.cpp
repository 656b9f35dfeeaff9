// Feeds arbitrary bytes to the protocol reader with its recomputation and ranking. Besides not
// crashing, a loaded protocol must save and reload to the same file: otherwise a backup would
// change a little with every start of the station.
#include "protocol/ProtocolFile.h"
#include "protocol/Ranking.h"
#include "settings/Settings.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

using namespace caniparc;

namespace {

std::string SaveAndReload(const ProtocolTable& table) {
    ProtocolTable reloaded;
    std::vector<ProtocolTable::Row> rows;
    if (ParseProtocolFile(FormatProtocolFile(table), rows) != FileError::None)
        std::abort();
    LoadProtocolRows(reloaded, std::move(rows));
    return FormatProtocolFile(reloaded);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    Settings settings;
    settings.LaufCount = size % 2 == 0 ? 1 : 2;
    settings.TimeFormatIndex = size % 3 == 0 ? 1 : 0;

    ProtocolTable plain;
    std::vector<ProtocolTable::Row> rows;
    if (ParseProtocolFile(bytes, rows) == FileError::None) {
        LoadProtocolRows(plain, std::move(rows));
        const std::string once = SaveAndReload(plain);
        if (FormatProtocolFile(plain) != once)
            std::abort();
    }

    ProtocolTable table;
    WriteColumnTitles(table);
    SortState sort;
    Ranking ranking;
    const ProtocolLoad load = ReadProtocolBytes(bytes, table, settings, sort, ranking);
    if (load.result.Ok() && load.startLists.selectedRow >= table.RowCount())
        std::abort();
    return 0;
}
