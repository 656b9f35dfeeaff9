// Times the recomputation of a whole class: every row recomputed, then the places, for growing
// numbers of starters. Prints milliseconds per size (the best of five repetitions each).
#include "protocol/Ranking.h"
#include "protocol/Scoring.h"
#include "settings/Settings.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <string>

namespace {

using namespace caniparc;

// A class with realistic variety: times around a minute, a few faults, some disqualified and
// some not yet run, in random order.
ProtocolTable MakeClass(int starters, std::mt19937& random) {
    ProtocolTable table;
    WriteColumnTitles(table);
    table.SetRowCount(starters + 1);
    std::uniform_int_distribution<int> hundredths(2500, 9000);
    std::uniform_int_distribution<int> faults(0, 3);
    std::uniform_int_distribution<int> kind(0, 19);
    for (int row = 1; row <= starters; ++row) {
        table.SetCell(ColStartNr, row, std::to_string(row));
        const int k = kind(random);
        if (k == 0) {
            table.SetCell(ColTime1, row, "DIS");
            for (int col : {ColFaults1, ColRefusals1, ColTimeFaults1, ColTotal1, ColGrade, ColSpeed, ColPlace})
                table.SetCell(col, row, "-");
        } else if (k > 1) {
            const int h = hundredths(random);
            table.SetCell(ColTime1, row,
                          std::to_string(h / 100) + "," + (h % 100 < 10 ? "0" : "") + std::to_string(h % 100));
            table.SetCell(ColFaults1, row, std::to_string(faults(random)));
            table.SetCell(ColRefusals1, row, std::to_string(faults(random) / 2));
        }
    }
    return table;
}

struct Figures {
    double rows = 1e300;   // RecalcRow of every row
    double places = 1e300; // RecalcPlaces
};

using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

Figures Measure(int starters) {
    Settings settings;
    settings.TimeFormatIndex = 1;
    Figures best;
    for (int repetition = 0; repetition < 5; ++repetition) {
        std::mt19937 random(static_cast<unsigned>(starters + repetition));
        ProtocolTable table = MakeClass(starters, random);
        SortState sort;
        Ranking ranking;
        auto start = Clock::now();
        RecalcRow(table, settings, 0);
        best.rows = std::min(best.rows, MsSince(start));
        start = Clock::now();
        RecalcPlaces(table, settings, sort, ranking);
        best.places = std::min(best.places, MsSince(start));
    }
    return best;
}

} // namespace

int main() {
    std::printf("%10s %12s %12s %12s %14s\n", "starters", "rows ms", "places ms", "total ms", "us per starter");
    for (const int starters : {500, 5000, 50000}) {
        const Figures f = Measure(starters);
        const double total = f.rows + f.places;
        std::printf("%10d %12.2f %12.2f %12.2f %14.3f\n", starters, f.rows, f.places, total, total * 1000.0 / starters);
    }
    return 0;
}
