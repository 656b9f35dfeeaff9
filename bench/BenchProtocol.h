// What the protocol benchmarks share: a protocol of many starters as the station writes it, and
// the median time of repeated work.
#pragma once

#include "protocol/ProtocolTable.h"

#include <algorithm>
#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace caniparc::bench {

inline std::string Hundredths(int value) {
    return std::to_string(value / 100) + "," + (value % 100 < 10 ? "0" : "") + std::to_string(value % 100);
}

// Starters in entry order, four in five with a run; the club texts are `club` and a number.
inline ProtocolTable MakeProtocol(int rows, const std::string& club) {
    ProtocolTable table;
    WriteColumnTitles(table);
    table.SetRowCount(rows + 1);
    auto& cells = table.MutableRows();
    for (int r = 1; r <= rows; ++r) {
        auto& row = cells[static_cast<std::size_t>(r)];
        row[ColStartNr] = std::to_string(r);
        row[ColDogName] = "Hund " + std::to_string(r * 7919 % 10007);
        row[ColHandler] = "Jürgen Müller-Weiß";
        row[ColClub] = club + std::to_string(r % 40);
        row[ColCategory] = "Medium";
        if (r % 5 == 0)
            continue;
        row[ColTime1] = Hundredths(2500 + (r * 104729) % 5000);
        row[ColFaults1] = std::to_string(r % 3);
        row[ColRefusals1] = std::to_string(r % 2);
    }
    return table;
}

inline double MedianMs(int repeats, const std::function<void()>& work) {
    std::vector<double> times;
    for (int i = 0; i < repeats; ++i) {
        const auto start = std::chrono::steady_clock::now();
        work();
        times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace caniparc::bench
