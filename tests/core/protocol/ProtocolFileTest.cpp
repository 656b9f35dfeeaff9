// The protocol file as bytes: what a saved protocol looks like on disk and what comes back from
// saved protocols and from starter lists exported by spreadsheets.
#include "protocol/ProtocolFile.h"

#include "common/Encoding.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

namespace caniparc {
namespace {

std::string Golden(const std::string& name) {
    std::ifstream in(std::string(CANIPARC_PROTOCOL_DATA) + "/" + name, std::ios::binary);
    EXPECT_TRUE(in) << name;
    return {std::istreambuf_iterator<char>(in), {}};
}

ProtocolTable::Row MakeRow(std::initializer_list<const char*> cells) {
    ProtocolTable::Row row;
    std::size_t col = 0;
    for (const char* cell : cells)
        row[col++] = cell;
    return row;
}

ProtocolTable TwoStarters() {
    ProtocolTable table;
    WriteColumnTitles(table);
    table.MutableRows() = {
        table.RowAt(0),
        MakeRow({"12", "Bello", "Jürgen Müller", "SV Nord", "Small", "45,07", "0", "1", "0,00", "5,00", "", "", "", "",
                 "",   "",      "Vorzüglich",    "4,00",    "1",     "500001"}),
        MakeRow({"", "Nobody", "registered without a number"}),
        MakeRow({"15", "Asta", "", "VDH", "Small"}),
    };
    return table;
}

std::vector<ProtocolTable::Row> Parse(std::string_view bytes) {
    std::vector<ProtocolTable::Row> rows;
    EXPECT_EQ(ParseProtocolFile(bytes, rows), FileError::None);
    return rows;
}

TEST(ProtocolFileWriting, SavedProtocol_MatchesTheGoldenFileByteForByte) {
    // Rows without a start number and the hidden sort key are not in the file.
    EXPECT_EQ(FormatProtocolFile(TwoStarters()), Golden("two-starters-1252.txt"));
}

TEST(ProtocolFileWriting, HandlerNameOutsideWindows1252_IsKeptByWritingUtf8WithBom) {
    ProtocolTable table;
    WriteColumnTitles(table);
    table.MutableRows()[1] = MakeRow({"7", "Rex", "Jiří Dvořák", "KK Brno", "Large"});
    EXPECT_EQ(FormatProtocolFile(table), Golden("czech-handler-utf8.txt"));
}

TEST(ProtocolFileWriting, ProtocolWithoutStarters_GivesAZeroByteFile) {
    ProtocolTable table;
    WriteColumnTitles(table);
    EXPECT_EQ(FormatProtocolFile(table), "");
    table.SetRowCount(1);
    EXPECT_EQ(FormatProtocolFile(table), "");
    table.SetRowCount(3);
    table.SetCell(ColDogName, 1, "name, but no number");
    EXPECT_EQ(FormatProtocolFile(table), "");
}

TEST(ProtocolFileWriting, EmptyFirstStartNumberOrTitle_DoesNotLoseTheStartersBelow) {
    ProtocolTable table = TwoStarters();
    table.SetCell(ColStartNr, 1, "");
    const std::string bytes = FormatProtocolFile(table);
    ASSERT_FALSE(bytes.empty());
    const auto rows = Parse(bytes);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1][ColStartNr], "15");

    table.SetCell(ColStartNr, 0, "");
    EXPECT_EQ(Parse(FormatProtocolFile(table))[1][ColStartNr], "15") << "the header line is never left out";
}

TEST(ProtocolFileWriting, TabOrLineBreakTypedIntoACell_CannotShiftTheCellsOnReading) {
    ProtocolTable table = TwoStarters();
    table.SetCell(ColDogName, 1, "Bel\tlo");
    table.SetCell(ColClub, 1, "SV\r\nNord");
    const auto rows = Parse(FormatProtocolFile(table));
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[1][ColDogName], "Bel lo");
    EXPECT_EQ(rows[1][ColClub], "SV  Nord");
    EXPECT_EQ(rows[1][ColCategory], "Small");
}

TEST(ProtocolFileReading, GoldenFile_ReadsBackIntoTheSameColumnsWithBlanksForEmptyCells) {
    const auto rows = Parse(Golden("two-starters-1252.txt"));
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0][ColHandler], "Hundeführer/in");
    EXPECT_EQ(rows[1][ColHandler], "Jürgen Müller");
    EXPECT_EQ(rows[1][ColGrade], "Vorzüglich");
    EXPECT_EQ(rows[1][ColPlace], "1");
    EXPECT_EQ(rows[1][ColTime2], " ");
    EXPECT_EQ(rows[1][ColSortKey], "");
    EXPECT_EQ(rows[2][ColHandler], " ");
    EXPECT_EQ(rows[2][ColClub], "VDH");
}

TEST(ProtocolFileReading, EmptyFieldsKeepTheirPlaceWithSemicolonsButVanishBetweenTabs) {
    const auto rows = Parse("Nr.\r\n12;Bello;;Verein\r\n12\tBello\t\tVerein\r\n");
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[1][0], "12");
    EXPECT_EQ(rows[1][2], " ");
    EXPECT_EQ(rows[1][3], "Verein");
    EXPECT_EQ(rows[2][2], "Verein");
    EXPECT_EQ(rows[2][3], "");
}

TEST(ProtocolFileReading, TrailingSeparatorsLeadingTabsAndSemicolonsInsideTabLines) {
    const auto rows = Parse("a;b;\n\t\tx\t\t\ny;z\tw\t\n;;\n");
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0][1], "b");
    EXPECT_EQ(rows[0][2], "") << "a trailing separator adds no field";
    EXPECT_EQ(rows[1][0], " ") << "a leading TAB run leaves one empty field";
    EXPECT_EQ(rows[1][1], "x");
    EXPECT_EQ(rows[1][2], "");
    EXPECT_EQ(rows[2][0], "y;z") << "a line with a TAB is split at TABs only";
    EXPECT_EQ(rows[2][1], "w");
    EXPECT_EQ(rows[3][0], " ");
    EXPECT_EQ(rows[3][1], " ");
    EXPECT_EQ(rows[3][2], "");
}

TEST(ProtocolFileReading, AnyLineEndCountsAndTheLastLineNeedsNone) {
    const auto rows = Parse("1\r\n2\n3\r4\r\n\r\n6");
    ASSERT_EQ(rows.size(), 6u);
    EXPECT_EQ(rows[3][0], "4");
    EXPECT_EQ(rows[4][0], "") << "an empty line is an empty row";
    EXPECT_EQ(rows[5][0], "6");
}

TEST(ProtocolFileReading, FieldsBeyondTheTwentiethAreDropped_EvenOneHundredThousand) {
    std::string line;
    for (int i = 0; i < 100'000; ++i)
        line += std::to_string(i) + "\t";
    const auto rows = Parse(line + "\r\n");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][ColSortKey], "19");
}

TEST(ProtocolFileReading, GarbageAndNulBytes_AreNotText) {
    std::string garbage;
    for (int i = 0; i < 4096; ++i)
        garbage += static_cast<char>((i * 7919) % 256);
    for (const std::string& bytes : {garbage, std::string("12\0;Bel\0lo\n", 11), std::string("1;\xC2\x81\n")}) {
        std::vector<ProtocolTable::Row> rows;
        EXPECT_EQ(ParseProtocolFile(bytes, rows), FileError::NotText);
        EXPECT_TRUE(rows.empty());
    }
}

TEST(ProtocolFileWriting, ControlCodesInCellsBecomeBlanksSoTheFileReadsBack) {
    ProtocolTable table;
    WriteColumnTitles(table);
    table.SetCell(ColStartNr, 1, "1");
    table.SetCell(ColDogName, 1, "As\x01ta\xC2\x85!\x7F");
    std::vector<ProtocolTable::Row> rows;
    ASSERT_EQ(ParseProtocolFile(FormatProtocolFile(table), rows), FileError::None);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1][ColDogName], "As ta ! ");
}

// Found by fuzzing: a title of nothing but a control code the reader lets through (the DOS end
// code) was kept, saved as a blank and read back as the column's own title, so the backup
// changed with every start.
TEST(ProtocolFileReading, TitleOfOnlyControlCodes_IsBlankSoSavingAndReadingAgainChangesNothing) {
    std::vector<ProtocolTable::Row> rows;
    ASSERT_EQ(ParseProtocolFile("Nr.\t\x1A\r\n1\tRex\r\n", rows), FileError::None);
    ProtocolTable table;
    LoadProtocolRows(table, std::move(rows));
    EXPECT_EQ(table.Cell(ColDogName, 0), "Hundename");
    const std::string saved = FormatProtocolFile(table);
    ProtocolTable again;
    LoadProtocolRows(again, Parse(saved));
    EXPECT_EQ(FormatProtocolFile(again), saved);
}

TEST(ProtocolFileReading, BrokenUtf8AfterAByteOrderMark_GivesValidText) {
    std::vector<ProtocolTable::Row> rows;
    ASSERT_EQ(ParseProtocolFile(std::string("\xEF\xBB\xBF\xC3\x28;\xF4\x90\x80\x80\n", 11), rows), FileError::None);
    for (const auto& row : rows)
        for (const auto& cell : row)
            EXPECT_TRUE(IsValidUtf8(cell));
}

TEST(ProtocolFileLoading, StarterListWithoutHeaderLine_ShowsTheFirstStarterAsTitles) {
    ProtocolTable table;
    WriteColumnTitles(table);
    LoadProtocolRows(table, Parse(Golden("starter-list-semicolon.txt")));
    ASSERT_EQ(table.RowCount(), 2);
    EXPECT_EQ(table.Cell(ColHandler, 0), "Anna Weiß");
    EXPECT_EQ(table.Cell(ColTime1, 0), "Zeit") << "a title the file leaves empty comes back";
    EXPECT_EQ(table.Cell(ColHandler, 1), " ");
    EXPECT_EQ(table.Cell(ColSortKey, 0), "");
}

TEST(ProtocolFileLoading, ZeroByteFile_KeepsTheHeaderAndRefillsBlankTitles) {
    ProtocolTable table = TwoStarters();
    table.SetCell(ColDogName, 0, "Hund");
    table.SetCell(ColClub, 0, "  ");
    LoadProtocolRows(table, Parse(""));
    ASSERT_EQ(table.RowCount(), 2);
    EXPECT_EQ(table.Cell(ColDogName, 0), "Hund");
    EXPECT_EQ(table.Cell(ColClub, 0), "Verband/Verein");
    EXPECT_EQ(table.Cell(ColStartNr, 1), "");
}

TEST(ProtocolFileLoading, SavedAndReloadedProtocol_HasTheSameRowsExceptThoseWithoutNumber) {
    ProtocolTable table;
    LoadProtocolRows(table, Parse(FormatProtocolFile(TwoStarters())));
    ASSERT_EQ(table.RowCount(), 3);
    EXPECT_EQ(table.Cell(ColStartNr, 2), "15");
    EXPECT_EQ(FormatProtocolFile(table), Golden("two-starters-1252.txt"));
}

} // namespace
} // namespace caniparc
