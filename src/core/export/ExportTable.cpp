// Shared pieces of the exports (see ExportTable.h).
#include "export/ExportTable.h"

#include "common/Encoding.h"
#include "common/NumberText.h"
#include "protocol/ProtocolLayout.h"
#include "protocol/ProtocolTable.h"
#include "settings/Settings.h"

#include <algorithm>

namespace caniparc {
namespace {

// Wide enough that every column with a positive percentage gets a positive width.
constexpr int kNominalGridWidth = 1000;

constexpr double kMinColumnWidth = 4;
constexpr double kMaxColumnWidth = 60;
constexpr double kColumnMargin = 2;

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

std::string XmlSafeText(std::string_view text) {
    // Most cells are plain ASCII text, which is safe as it is.
    const bool plain = std::all_of(text.begin(), text.end(), [](const char c) {
        return (c >= 0x20 && c < 0x7F) || c == '\t' || c == '\n' || c == '\r';
    });
    if (plain)
        return std::string(text);
    std::string out;
    out.reserve(text.size());
    for (const char32_t c : CodePoints(text)) {
        const bool allowed =
            c == U'\t' || c == U'\n' || c == U'\r' || (c >= 0x20 && c != 0x7F && c != 0xFFFE && c != 0xFFFF);
        if (allowed)
            AppendUtf8(out, c);
    }
    return out;
}

std::string OfficeCellText(std::string_view text) {
    return text.find_first_not_of(' ') == std::string_view::npos ? std::string() : XmlSafeText(text);
}

std::size_t CharacterCount(std::string_view utf8) {
    std::size_t count = 0;
    for (const char byte : utf8)
        count += (static_cast<unsigned char>(byte) & 0xC0) != 0x80 ? 1 : 0;
    return count;
}

std::vector<double> ColumnTextWidths(const ProtocolTable& table, const std::vector<int>& columns) {
    std::vector<double> widths;
    widths.reserve(columns.size());
    for (const int col : columns) {
        std::size_t longest = 0;
        for (int row = 0; row < table.RowCount(); ++row)
            longest = std::max(longest, CharacterCount(table.Cell(col, row)));
        widths.push_back(std::clamp(static_cast<double>(longest) + kColumnMargin, kMinColumnWidth, kMaxColumnWidth));
    }
    return widths;
}

} // namespace caniparc
