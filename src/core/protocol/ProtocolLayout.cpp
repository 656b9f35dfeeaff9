// Cell formats and column widths of the protocol grid (see ProtocolLayout.h).
#include "protocol/ProtocolLayout.h"

#include "protocol/ProtocolTable.h"

#include <algorithm>

namespace caniparc {
namespace {

constexpr std::array<int, ColCount> PercentOneRun = {4, 12, 15, 12, 6, 6, 5, 5, 6, 6, 6, 0, 0, 0, 0, 3, 7, 5, 5, -1};
constexpr std::array<int, ColCount> PercentTwoRuns = {4, 8, 15, 6, 5, 5, 4, 4, 5, 5, 5, 4, 4, 5, 5, 2, 6, 5, 5, -1};
constexpr int Hidden = -1;

bool LeftAligned(int column, int row) {
    return row == 0 || (column >= ColDogName && column <= ColCategory) || column == ColGrade || column == ColSortKey;
}

// width x percent / 100, rounded half to even.
int PercentOf(int width, int percent) {
    const long long product = static_cast<long long>(width) * percent;
    long long quotient = product / 100;
    const long long twice = (product % 100) * 2;
    if (twice > 100 || (twice == 100 && quotient % 2 != 0))
        ++quotient;
    return static_cast<int>(quotient);
}

} // namespace

CellFormat FormatCell(int column, int row, int selectedRow, CellColors grid) {
    CellFormat format{grid.brush, grid.font, LeftAligned(column, row) ? HAlign::Left : HAlign::Right};
    if (row > 0 && row != selectedRow) {
        if (column >= ColTime1 && column <= ColTotal1)
            format.brush = BandRun1;
        else if (column >= ColTime2 && column <= ColBonus)
            format.brush = BandRun2;
        else if (column >= ColGrade && column <= ColPlace)
            format.brush = BandResult;
    }
    if (column == ColSortKey)
        format.font = format.brush; // the key orders rows; nobody should read it
    if (column == ColBonus)
        format.align = HAlign::Center;
    return format;
}

std::string RowPositionText(int row, int rowCount) {
    return std::to_string(row) + ":" + std::to_string(rowCount - 1);
}

std::array<int, 20> ColumnWidthPercent(int laufCount) {
    return laufCount > 1 ? PercentTwoRuns : PercentOneRun;
}

std::array<int, 20> ColumnWidths(int clientWidth, int laufCount, bool bonus) {
    clientWidth = std::max(clientWidth, 0);
    const auto percent = ColumnWidthPercent(laufCount);
    std::array<int, ColCount> widths{};
    for (int col = 0; col < ColCount; ++col)
        widths[col] = PercentOf(clientWidth, percent[col]) - 1;
    if (laufCount <= 1)
        std::fill(widths.begin() + ColTime2, widths.begin() + ColTotal2 + 1, Hidden);
    if (!bonus)
        widths[ColBonus] = Hidden;
    widths[ColSortKey] = Hidden;
    int others = 0;
    for (int col = 0; col < ColSortKey; ++col)
        if (col != ColHandler)
            others += widths[col];
    widths[ColHandler] = clientWidth - others - 20;
    return widths;
}

} // namespace caniparc
