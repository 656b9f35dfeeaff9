// Time of saving and opening protocols of 500, 5 000 and 50 000 rows: the bytes alone, the
// replace-by-rename write with its flush to disk, and the read with recomputation and ranking.
// Prints the median of several runs per size.
#include "protocol/ProtocolFile.h"
#include "protocol/Ranking.h"
#include "settings/Settings.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

using namespace caniparc;

std::string Hundredths(int value) {
    return std::to_string(value / 100) + "," + (value % 100 < 10 ? "0" : "") + std::to_string(value % 100);
}

// Starters in entry order, four in five with a run; results as the station writes them.
ProtocolTable MakeProtocol(int rows) {
    ProtocolTable table;
    WriteColumnTitles(table);
    table.SetRowCount(rows + 1);
    auto& cells = table.MutableRows();
    for (int r = 1; r <= rows; ++r) {
        auto& row = cells[static_cast<std::size_t>(r)];
        row[ColStartNr] = std::to_string(r);
        row[ColDogName] = "Hund " + std::to_string(r * 7919 % 10007);
        row[ColHandler] = "Jürgen Müller-Weiß";
        row[ColClub] = "SV Süd " + std::to_string(r % 40);
        row[ColCategory] = "Medium";
        if (r % 5 == 0)
            continue;
        const int time = 2500 + (r * 104729) % 5000;
        row[ColTime1] = Hundredths(time);
        row[ColFaults1] = std::to_string(r % 3);
        row[ColRefusals1] = std::to_string(r % 2);
    }
    return table;
}

double MedianMs(int repeats, const std::function<void()>& work) {
    std::vector<double> times;
    for (int i = 0; i < repeats; ++i) {
        const auto start = std::chrono::steady_clock::now();
        work();
        times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace

int main() {
    const auto folder = std::filesystem::temp_directory_path() / ("caniparc-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    const auto path = folder / "protocol.txt";
    const auto fs = MakeLocalFileSystem();
    Settings settings;
    std::printf("%8s %12s %14s %14s %12s\n", "rows", "bytes", "format ms", "write ms", "read ms");
    for (const int rows : {500, 5000, 50000}) {
        const int repeats = rows >= 50000 ? 5 : 21;
        const ProtocolTable source = MakeProtocol(rows);
        std::size_t size = 0;
        const double format = MedianMs(repeats, [&] { size = FormatProtocolFile(source).size(); });
        const double write = MedianMs(repeats, [&] { WriteProtocolFile(*fs, source, path); });
        const double read = MedianMs(repeats, [&] {
            ProtocolTable table;
            SortState sort;
            Ranking ranking;
            if (!ReadProtocolFile(path, table, settings, sort, ranking).result.Ok())
                std::fprintf(stderr, "read failed\n");
        });
        std::printf("%8d %12zu %14.2f %14.2f %12.2f\n", rows, size, format, write, read);
    }
    std::filesystem::remove_all(folder);
}
