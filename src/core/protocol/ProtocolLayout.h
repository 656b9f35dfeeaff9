// How the protocol grid shows its cells: the colour bands and alignments of each cell and the
// column widths for a client width. The grid widget asks; it decides nothing itself.
#pragma once

#include "common/Rgb.h"

#include <array>
#include <string>

namespace caniparc {

struct Settings;

enum class HAlign { Left, Right, Center };

// The colours the grid would use for the cell without the protocol's rules (for the selected row
// its selection colours).
struct CellColors {
    Rgb brush;
    Rgb font;
};

struct CellFormat {
    Rgb brush;
    Rgb font;
    HAlign align = HAlign::Right; // vertical alignment is always middle
};

inline constexpr Rgb BandRun1{255, 255, 192};   // pale yellow
inline constexpr Rgb BandRun2{255, 224, 224};   // pale red
inline constexpr Rgb BandResult{224, 255, 224}; // pale green

CellFormat FormatCell(int column, int row, int selectedRow, CellColors grid);

// The status-bar text of a selected row: its number, a colon and the number of data rows ("3:12").
std::string RowPositionText(int row, int rowCount);

// Column widths in percent of the grid's client width, per number of runs (1 or 2).
std::array<int, 20> ColumnWidthPercent(int laufCount);

// Pixel widths of columns 0 to 19 for a client width; -1 hides a column. The handler's column
// takes what the others leave.
std::array<int, 20> ColumnWidths(int clientWidth, int laufCount, bool bonus);

} // namespace caniparc
