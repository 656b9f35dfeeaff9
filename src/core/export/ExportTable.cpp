// Shared pieces of the exports (see ExportTable.h).
#include "export/ExportTable.h"

#include "common/NumberText.h"
#include "protocol/ProtocolLayout.h"
#include "protocol/ProtocolTable.h"
#include "settings/Settings.h"

namespace caniparc {
namespace {

// Wide enough that every column with a positive percentage gets a positive width.
constexpr int kNominalGridWidth = 1000;

} // namespace

std::vector<int> ShownColumns(const Settings& settings) {
    const auto widths = ColumnWidths(kNominalGridWidth, settings.LaufCount, settings.Bonus);
    std::vector<int> columns;
    for (int col = 0; col < ColSortKey; ++col) {
        if (widths[col] >= 0)
            columns.push_back(col);
    }
    return columns;
}

std::string DistText(const Settings& settings) {
    return FormatFixed(settings.Dist, 2, settings.DecimalSeparator);
}

std::string SkorText(const Settings& settings) {
    return FormatFixed(settings.Skor, 2, settings.DecimalSeparator);
}

std::size_t CharacterCount(std::string_view utf8) {
    std::size_t count = 0;
    for (const char byte : utf8)
        count += (static_cast<unsigned char>(byte) & 0xC0) != 0x80 ? 1 : 0;
    return count;
}

} // namespace caniparc
