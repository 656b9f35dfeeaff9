// The clipboard text: every row and column 0 to 18, and cells that paste back whole.
#include "export/ClipboardText.h"

#include "ExportFixtures.h"

#include <gtest/gtest.h>

namespace caniparc {
namespace {

const std::string kTitleLine =
    "Nr.\tHundename\tHundeführer/in\tVerband/Verein\tKat.\tZeit\tPF\tVw\tZF\tGF\tZeit2\tPF\tVw\tZF\tGF\tB\t"
    "Ges/Note\tm/sec\tRang\r\n";

TEST(ClipboardText, OneStarterWithNumberAndName_GivesTitlesThenNineteenCells) {
    ProtocolTable table;
    WriteColumnTitles(table);
    table.SetCell(ColStartNr, 1, "7");
    table.SetCell(ColDogName, 1, "Rex");
    table.SetCell(ColSortKey, 1, "123");
    EXPECT_EQ(ClipboardText(table), kTitleLine + "7\tRex" + std::string(17, '\t') + "\r\n");
}

TEST(ClipboardText, RowsWithoutStartNumber_AreCopiedToo) {
    ProtocolTable table;
    WriteColumnTitles(table);
    table.AppendRow();
    table.SetCell(ColDogName, 2, "Asta");
    EXPECT_EQ(ClipboardText(table),
              kTitleLine + std::string(18, '\t') + "\r\n" + "\tAsta" + std::string(17, '\t') + "\r\n");
}

TEST(ClipboardText, CellWithSemicolon_IsQuotedWithItsQuotesDoubled) {
    ProtocolTable table;
    WriteColumnTitles(table);
    table.SetCell(ColClub, 1, "SV \"Nord\"; Süd");
    table.SetCell(ColHandler, 1, "\"Lu\"");
    const std::string text = ClipboardText(table);
    EXPECT_EQ(text.substr(kTitleLine.size()), "\t\t\"Lu\"\t\"SV \"\"Nord\"\"; Süd\"" + std::string(15, '\t') + "\r\n");
}

TEST(ClipboardText, KeepsEveryRowAndColumnAndQuotesSemicolons) {
    ProtocolTable table;
    WriteColumnTitles(table);
    table.SetCell(ColStartNr, 1, "7");
    table.SetCell(ColDogName, 1, "Rex");
    table.AppendRow(); // a row added by hand, still empty
    table.SetCell(ColClub, 2, "SV Nord; Gruppe 2");
    const std::string text = ClipboardText(table);
    const std::string titles =
        "Nr.\tHundename\tHundeführer/in\tVerband/Verein\tKat.\tZeit\tPF\tVw\tZF\tGF\tZeit2\tPF\tVw\tZF\tGF\tB\tGes/"
        "Note\tm/sec\tRang\r\n";
    const std::string starter = "7\tRex" + std::string(17, '\t') + "\r\n";
    const std::string club = "\t\t\t\"SV Nord; Gruppe 2\"" + std::string(15, '\t') + "\r\n";
    EXPECT_EQ(text, titles + starter + club);
}

// A line break or TAB already in a cell (typed, or from an older protocol file or a sheet) must
// not split the row: the clipboard and the live /protokoll.csv get a blank instead, as the
// protocol file writes it; bytes that are not UTF-8 become U+FFFD.
TEST(ClipboardText, LineBreaksTabsAndControlCodesInACell_BecomeBlanks) {
    ProtocolTable table;
    WriteColumnTitles(table);
    table.SetCell(ColStartNr, 1, "7");
    table.SetCell(ColDogName, 1, "Rex\tvom\r\nHof");
    table.SetCell(ColHandler, 1, "Ewa\x01\xC2\x85Nowak\xFF");
    table.SetCell(ColClub, 1, "SV Nord;\nSüd");
    const std::string text = ClipboardText(table);
    EXPECT_EQ(text.substr(kTitleLine.size()),
              "7\tRex vom  Hof\tEwa  Nowak\xEF\xBF\xBD\t\"SV Nord; Süd\"" + std::string(15, '\t') + "\r\n");
}

} // namespace
} // namespace caniparc
