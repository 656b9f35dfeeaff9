// Time of saving and opening protocols of 500, 5 000 and 50 000 rows: the bytes alone, the
// replace-by-rename write with its flush to disk, and the read with recomputation and ranking.
// Prints the median of several runs per size.
#include "BenchProtocol.h"
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
using bench::MedianMs;

ProtocolTable MakeProtocol(int rows) {
    return bench::MakeProtocol(rows, "SV Süd ");
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
