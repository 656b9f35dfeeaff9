// The protocol file: one line per protocol row, every cell followed by a TAB, CR LF line ends.
// The same text serves for "save as", the automatic backup and its restore, and for opening a
// starter list, which may also come with semicolons from a spreadsheet.
#pragma once

#include "protocol/ProtocolTable.h"
#include "settings/FileAccess.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace caniparc {

struct Settings;
struct SortState;
struct Ranking;

// Far beyond any class (a few hundred starters, a few hundred bytes each), yet small enough that
// a wrong file cannot exhaust the memory of the ring-side computer.
inline constexpr std::uint64_t MaxProtocolFileBytes = 32u * 1024u * 1024u;
inline constexpr std::size_t MaxProtocolFileLines = 100'000;

// One limit for both directions: the station never writes a file it would refuse to read back
// (a backup it could not read would be moved aside at the next start).
struct ProtocolFileLimits {
    std::uint64_t bytes = MaxProtocolFileBytes;
    std::size_t lines = MaxProtocolFileLines;
};

// TooLarge or TooManyRows when the file's bytes are beyond the limits, counted as a reader
// counts them; None otherwise.
FileError CheckProtocolFileLimits(std::string_view bytes, const ProtocolFileLimits& limits = {});

// --- Bytes -----------------------------------------------------------------------------------

// The file's bytes: header row first, rows with an empty start number left out, columns 0 to 18,
// an empty cell as one blank. No starter at all gives no bytes, not even the header line.
std::string FormatProtocolFile(const ProtocolTable& table);

// The file's lines as table rows (line 1 the header row). TAB runs count as one TAB; a line
// without TAB is split at semicolons; an empty field becomes one blank; fields beyond the 20th
// are dropped. Fails with TooManyRows beyond `maxLines` and leaves `rows` unchanged then.
FileError ParseProtocolFile(std::string_view bytes, std::vector<ProtocolTable::Row>& rows,
                            std::size_t maxLines = MaxProtocolFileLines);

// Replaces the table's content by the parsed lines (at least the header row and one data row;
// no lines keep the current header) and puts the standard title into every blank header cell.
void LoadProtocolRows(ProtocolTable& table, std::vector<ProtocolTable::Row> rows);

// --- Files -----------------------------------------------------------------------------------

// Replaces the file in one step; the old file stays whole when anything fails. A protocol beyond
// the limits is not written at all.
FileResult WriteProtocolFile(FileSystem& fs, const ProtocolTable& table, const std::filesystem::path& path,
                             const ProtocolFileLimits& limits = {});

// What the lane frames show after a load: lane 1's start list (lane 2's is a copy) and the
// entries and row to select.
struct StartListSelection {
    std::vector<std::string> startNumbers; // the non-blank start numbers in row order
    int lane1Index = 0;                    // the first starter without a run-1 time
    int lane2Index = -1;                   // the list's second entry, -1 when there is none
    int selectedRow = 1;                   // the protocol row to select
};

struct ProtocolLoad {
    FileResult result;
    StartListSelection startLists; // meaningful only when the result is Ok
};

// Reads the file into the table, recomputes every row and the places and works out the lane
// selections. A file that cannot be opened or is no sensible protocol leaves the table, the
// sort state and the ranking exactly as they were; the result says why.
ProtocolLoad ReadProtocolFile(const std::filesystem::path& path, ProtocolTable& table, const Settings& settings,
                              SortState& sort, Ranking& ranking, const ProtocolFileLimits& limits = {});

// The same for bytes already read; the result's path is empty.
ProtocolLoad ReadProtocolBytes(std::string_view bytes, ProtocolTable& table, const Settings& settings, SortState& sort,
                               Ranking& ranking, std::size_t maxLines = MaxProtocolFileLines);

// The lane selections for the table as it stands.
StartListSelection SelectStartersAfterLoad(const ProtocolTable& table);

} // namespace caniparc
