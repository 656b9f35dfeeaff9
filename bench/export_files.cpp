// Time of the exports and the spreadsheet import for a ranked two-run protocol of 5 000 rows (and
// 1 000 for comparison): building the bytes of the page, the workbook and the document, writing
// each file in one step, and reading a workbook back with recomputation and ranking. Prints the
// median of several runs, on the clock and in processor time (the machine may be shared). With a
// folder argument the files stay there as p-<rows>.html, .xlsx and .docx, for opening them in an
// office program (docs/ROBUSTNESS.md).
#include "BenchProtocol.h"
#include "export/DocumentExport.h"
#include "export/ExportFiles.h"
#include "export/HtmlPage.h"
#include "export/SpreadsheetExport.h"
#include "export/SpreadsheetImport.h"
#include "protocol/Ranking.h"
#include "protocol/Scoring.h"
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
using bench::MedianTimes;

ProtocolTable MakeRankedProtocol(int rows, const Settings& settings) {
    ProtocolTable table = bench::MakeProtocol(rows, "SV Süd; Nord ");
    for (int r = 1; r <= rows; ++r) { // the second run, three in four starters
        auto& row = table.MutableRows()[static_cast<std::size_t>(r)];
        if (r % 4 == 0)
            continue;
        row[ColTime2] = bench::Hundredths(2600 + (r * 7919) % 4000);
        row[ColFaults2] = std::to_string(r % 2);
        row[ColRefusals2] = "0";
    }
    RecalcRow(table, settings, 0);
    SortState sort;
    Ranking ranking;
    RecalcPlaces(table, settings, sort, ranking);
    return table;
}

} // namespace

int main(int argc, char** argv) {
    const auto folder = std::filesystem::temp_directory_path() / ("caniparc-bench-" + std::to_string(::getpid()));
    const std::filesystem::path keep = argc > 1 ? std::filesystem::path(argv[1]) : std::filesystem::path();
    std::filesystem::create_directories(folder);
    const auto fs = MakeLocalFileSystem();
    Settings settings;
    settings.RezervDir = folder.string() + "/";
    settings.LaufCount = 2;
    settings.TimeFormatIndex = 1;
    std::printf("%6s %-28s %10s %10s %12s\n", "rows", "work", "median ms", "cpu ms", "size");
    for (const int rows : {1000, 5000}) {
        const ProtocolTable table = MakeRankedProtocol(rows, settings);
        const int repeats = 7;
        std::size_t size = 0;
        // The work runs before `size` is printed.
        const auto show = [&](const char* work, const std::function<void()>& run) {
            const bench::Medians ms = MedianTimes(repeats, run);
            std::printf("%6d %-28s %10.1f %10.1f %12zu\n", rows, work, ms.wallMs, ms.cpuMs, size);
        };
        show("html bytes", [&] { size = FormatHtmlPage(table, settings).size(); });
        show("html file", [&] { SaveHtmlPage(*fs, table, settings, folder / "p.html"); });
        show("xlsx bytes", [&] { size = BuildSpreadsheet(table, settings).bytes.size(); });
        show("xlsx file", [&] { SaveSpreadsheet(*fs, table, settings, folder / "p.xlsx"); });
        show("docx bytes", [&] { size = BuildDocument(table, settings).bytes.size(); });
        show("docx file", [&] { SaveDocument(*fs, table, settings, folder.string() + "/", folder / "p.docx"); });
        show("xlsx read (rows)",
             [&] { size = ReadSpreadsheetFile((folder / "p.xlsx").string(), settings).rows.size() - 1; });
        show("xlsx import + rank (rows)", [&] {
            SheetImport sheet = ReadSpreadsheetFile((folder / "p.xlsx").string(), settings);
            ProtocolTable imported;
            SortState sort;
            Ranking ranking;
            LoadImportedRows(std::move(sheet.rows), imported, settings, sort, ranking);
            size = static_cast<std::size_t>(imported.RowCount() - 1);
        });
        if (!keep.empty()) {
            std::filesystem::create_directories(keep);
            for (const char* extension : {".html", ".xlsx", ".docx"})
                std::filesystem::copy_file(folder / ("p" + std::string(extension)),
                                           keep / ("p-" + std::to_string(rows) + extension),
                                           std::filesystem::copy_options::overwrite_existing);
        }
    }
    std::filesystem::remove_all(folder);
}
