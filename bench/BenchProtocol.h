// What the protocol benchmarks share: a protocol of many starters as the station writes it, and
// the median time of repeated work, on the clock and in processor time.
#pragma once

#include "protocol/ProtocolTable.h"

#include <algorithm>
#include <chrono>
#include <ctime>
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

struct Medians {
    double wallMs = 0;
    double cpuMs = 0; // the process's processor time, which other programs on the machine hardly change
};

inline Medians MedianTimes(int repeats, const std::function<void()>& work) {
    std::vector<double> walls, cpus;
    for (int i = 0; i < repeats; ++i) {
        const auto start = std::chrono::steady_clock::now();
        const std::clock_t cpuStart = std::clock();
        work();
        cpus.push_back(1000.0 * static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC);
        walls.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(walls.begin(), walls.end());
    std::sort(cpus.begin(), cpus.end());
    return {walls[walls.size() / 2], cpus[cpus.size() / 2]};
}

inline double MedianMs(int repeats, const std::function<void()>& work) {
    return MedianTimes(repeats, work).wallMs;
}

} // namespace caniparc::bench
