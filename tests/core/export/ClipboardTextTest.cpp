// The clipboard text of the protocol: all rows, empty cells add nothing, ";" is quoted.
#include "export/ClipboardText.h"

#include <gtest/gtest.h>

namespace caniparc {
namespace {

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

} // namespace
} // namespace caniparc
