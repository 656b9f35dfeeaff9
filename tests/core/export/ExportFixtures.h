// Protocols the export tests share.
#pragma once

#include "protocol/ProtocolTable.h"
#include "settings/Settings.h"

#include <fstream>
#include <initializer_list>
#include <iterator>
#include <string>

namespace caniparc::testing {

inline ProtocolTable::Row MakeRow(std::initializer_list<const char*> cells) {
    ProtocolTable::Row row;
    std::size_t col = 0;
    for (const char* cell : cells)
        row[col++] = cell;
    return row;
}

// A ranked class of three: a winner, a starter with an escaped name and a disqualified one.
inline ProtocolTable RankedClass() {
    ProtocolTable table;
    WriteColumnTitles(table);
    table.MutableRows() = {
        table.RowAt(0),
        MakeRow(
            {"12", "Bello", "Jürgen Müller", "SV Nord; Süd", "Small", "45,07", "0", "1", "0,00", "5,00", "", "", "", "",
             "",   "",      "Vorzüglich",    "4,00",         "1",     "500001"}),
        MakeRow({"7",
                 "<b>Rex</b> & Co",
                 "Łucja \"Lu\" Nowak",
                 "VDH",
                 "Small",
                 "51,3",
                 "1",
                 "0",
                 "0,00",
                 "5,00",
                 "",
                 "",
                 "",
                 "",
                 "",
                 "",
                 "Sehr gut",
                 "3,51",
                 "2",
                 "500002"}),
        MakeRow({"15", "Asta", "Ewa", "VDH", "Small", "DIS", "-", "-", "-",   "-",
                 "",   "",     "",    "",    "",      "",    "-", "-", "DIS", "0"}),
    };
    return table;
}

inline Settings ExportSettings() {
    Settings settings;
    settings.ProgramTitle = "Canitorn";
    settings.RezervDir = "/tmp/backup/";
    return settings;
}

inline std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

} // namespace caniparc::testing
