// A build without the office libraries: every office function says so instead of pretending.
#include "export/DocumentExport.h"
#include "export/SpreadsheetExport.h"
#include "export/SpreadsheetImport.h"
#include "export/ZipArchive.h"

#include "ExportFixtures.h"

#include <gtest/gtest.h>

namespace caniparc {
namespace {

TEST(OfficeMissing, ExportsAndImportsFail_WithTheReasonAndNoBytes) {
    ProtocolTable table;
    WriteColumnTitles(table);
    const Settings settings;
    const SpreadsheetResult sheet = BuildSpreadsheet(table, settings);
    EXPECT_TRUE(sheet.bytes.empty());
    EXPECT_EQ(sheet.error, OfficeMissing);
    const DocumentResult document = BuildDocument(table, settings);
    EXPECT_TRUE(document.bytes.empty());
    EXPECT_EQ(document.error, OfficeMissing);
    EXPECT_EQ(ReadSpreadsheetBytes("PK\x03\x04", settings).error, OfficeMissing);
    EXPECT_EQ(ReadSpreadsheetFile("liste.xlsx", settings).error, OfficeMissing);
}

} // namespace
} // namespace caniparc
