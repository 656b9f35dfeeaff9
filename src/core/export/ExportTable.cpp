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

std::size_t DecodeOne(std::string_view text, std::size_t pos, char32_t& c) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(pos);
    std::size_t length = 0;
    char32_t minimum = 0;
    if (lead < 0x80) {
        c = lead;
        return 1;
    }
    if (lead >= 0xC2 && lead <= 0xDF)
        length = 2, minimum = 0x80, c = lead & 0x1F;
    else if (lead >= 0xE0 && lead <= 0xEF)
        length = 3, minimum = 0x800, c = lead & 0x0F;
    else if (lead >= 0xF0 && lead <= 0xF4)
        length = 4, minimum = 0x10000, c = lead & 0x07;
    else
        return 0;
    if (pos + length > text.size())
        return 0;
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(pos + i) & 0xC0) != 0x80)
            return 0;
        c = (c << 6) | (byte(pos + i) & 0x3F);
    }
    const bool surrogate = c >= 0xD800 && c <= 0xDFFF;
    return (c < minimum || c > 0x10FFFF || surrogate) ? 0 : length;
}

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

std::u32string CodePoints(std::string_view utf8) {
    std::u32string out;
    out.reserve(utf8.size());
    for (std::size_t pos = 0; pos < utf8.size();) {
        char32_t c = 0;
        const std::size_t length = DecodeOne(utf8, pos, c);
        out += length == 0 ? U'\uFFFD' : c;
        pos += length == 0 ? 1 : length;
    }
    return out;
}

std::size_t CharacterCount(std::string_view utf8) {
    std::size_t count = 0;
    for (const char byte : utf8)
        count += (static_cast<unsigned char>(byte) & 0xC0) != 0x80 ? 1 : 0;
    return count;
}

} // namespace caniparc
