// Builds small protocol tables for the protocol tests.
#pragma once

#include "protocol/ProtocolTable.h"
#include "settings/Settings.h"

#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

namespace caniparc::test {

using Cells = std::vector<std::pair<int, std::string>>;
using Texts = std::vector<std::string>;

// The titles and one data row per entry, the named cells filled.
inline ProtocolTable MakeTable(std::initializer_list<Cells> rows) {
    ProtocolTable table;
    WriteColumnTitles(table);
    table.SetRowCount(static_cast<int>(rows.size()) + 1);
    int row = 1;
    for (const Cells& cells : rows) {
        for (const auto& [col, text] : cells)
            table.SetCell(col, row, text);
        ++row;
    }
    return table;
}

inline Cells Scored(std::string nr, std::string time, std::string total, std::string key) {
    return {{ColStartNr, nr}, {ColTime1, time}, {ColTotal1, total}, {ColSortKey, key}};
}

inline Texts ColumnTexts(const ProtocolTable& table, int col) {
    Texts texts;
    for (int row = 1; row < table.RowCount(); ++row)
        texts.push_back(table.Cell(col, row));
    return texts;
}

inline Settings Hundredths() {
    Settings settings;
    settings.TimeFormatIndex = 1;
    return settings;
}

} // namespace caniparc::test
