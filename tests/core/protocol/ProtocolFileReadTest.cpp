// Opening a protocol file from disk: the protocol is replaced only by a file that could be read,
// and a loaded protocol comes back ranked with the lanes on the next starter.
#include "protocol/ProtocolFile.h"

#include "protocol/Ranking.h"
#include "settings/Settings.h"

#include <gtest/gtest.h>

#include <fstream>
#include <unistd.h>

namespace caniparc {
namespace {

class ProtocolFileRead : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        folder_ = std::filesystem::temp_directory_path() /
                  ("caniparc-read-" + std::to_string(::getpid()) + "-" + info->name());
        std::filesystem::create_directories(folder_);
        WriteColumnTitles(table_);
        table_.SetCell(ColStartNr, 1, "99");
        table_.SetCell(ColDogName, 1, "current");
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }

    std::filesystem::path Put(const std::string& name, const std::string& bytes) {
        std::ofstream(folder_ / name, std::ios::binary) << bytes;
        return folder_ / name;
    }
    ProtocolLoad Read(const std::filesystem::path& path) {
        return ReadProtocolFile(path, table_, settings_, sort_, ranking_);
    }
    void ExpectCurrentProtocolKept() {
        ASSERT_EQ(table_.RowCount(), 2);
        EXPECT_EQ(table_.Cell(ColDogName, 1), "current");
        EXPECT_EQ(table_.Cell(ColDogName, 0), "Hundename");
        EXPECT_FALSE(sort_.canSort);
    }

    std::filesystem::path folder_;
    Settings settings_;
    ProtocolTable table_;
    SortState sort_;
    Ranking ranking_;
};

TEST_F(ProtocolFileRead, MissingFileOrFolder_LeavesTheProtocolAndSaysWhy) {
    const ProtocolLoad missing = Read(folder_ / "nowhere.txt");
    EXPECT_EQ(missing.result.error, FileError::CannotOpen);
    EXPECT_EQ(missing.result.code, std::errc::no_such_file_or_directory);
    EXPECT_NE(DescribeFileResult(missing.result).find("nowhere.txt"), std::string::npos);
    ExpectCurrentProtocolKept();

    EXPECT_EQ(Read(folder_).result.error, FileError::CannotOpen);
    ExpectCurrentProtocolKept();
}

TEST_F(ProtocolFileRead, HugeFile_IsRefusedBeforeItIsRead) {
    const auto path = Put("huge.txt", "1;A\n");
    std::filesystem::resize_file(path, 100u * 1024u * 1024u); // sparse: costs no disk space
    EXPECT_EQ(Read(path).result.error, FileError::TooLarge);
    ExpectCurrentProtocolKept();
}

TEST_F(ProtocolFileRead, TooManyLines_LeavesTheProtocol) {
    const auto path = Put("lines.txt", std::string(MaxProtocolFileLines + 1, '\n'));
    EXPECT_EQ(Read(path).result.error, FileError::TooManyRows);
    ExpectCurrentProtocolKept();
}

// Whatever the station writes it must be able to read back: a backup it could not read at the
// next start would be moved aside. So the writer refuses exactly what the reader would refuse;
// small limits stand in for the real ones, which pass through the same code.
TEST_F(ProtocolFileRead, SizeLimit_WhatIsWrittenReadsBack_OneByteMoreIsNotWritten) {
    const ProtocolFileLimits limits{4096, 50};
    ProtocolTable big;
    WriteColumnTitles(big);
    big.SetCell(ColStartNr, 1, "1");
    big.SetCell(ColDogName, 1, "x");
    const std::size_t base = FormatProtocolFile(big).size();
    big.SetCell(ColDogName, 1, std::string(limits.bytes - base + 1, 'x'));
    ASSERT_EQ(FormatProtocolFile(big).size(), limits.bytes);
    const auto disk = MakeLocalFileSystem();
    const auto path = folder_ / "big.txt";
    ASSERT_TRUE(WriteProtocolFile(*disk, big, path, limits).Ok());
    ASSERT_TRUE(ReadProtocolFile(path, table_, settings_, sort_, ranking_, limits).result.Ok())
        << "a file of exactly the limit is read";
    EXPECT_EQ(table_.Cell(ColDogName, 1), big.Cell(ColDogName, 1));

    big.SetCell(ColDogName, 1, big.Cell(ColDogName, 1) + "\xc3\xa4"); // one byte more in Windows-1252
    const FileResult refused = WriteProtocolFile(*disk, big, path, limits);
    EXPECT_EQ(refused.error, FileError::TooLarge);
    EXPECT_NE(DescribeFileResult(refused).find("big.txt"), std::string::npos);
    EXPECT_EQ(std::filesystem::file_size(path), limits.bytes) << "the previous file stays";
}

TEST_F(ProtocolFileRead, LineLimit_WhatIsWrittenReadsBack_OneRowMoreIsNotWritten) {
    const ProtocolFileLimits limits{1 << 20, 50};
    ProtocolTable big;
    WriteColumnTitles(big);
    big.SetRowCount(static_cast<int>(limits.lines)); // the header and the rows: one line each
    for (int row = 1; row < big.RowCount(); ++row)
        big.SetCell(ColStartNr, row, std::to_string(row));
    const auto disk = MakeLocalFileSystem();
    const auto path = folder_ / "long.txt";
    ASSERT_TRUE(WriteProtocolFile(*disk, big, path, limits).Ok());
    ASSERT_TRUE(ReadProtocolFile(path, table_, settings_, sort_, ranking_, limits).result.Ok())
        << "a file of exactly the line limit is read";
    EXPECT_EQ(table_.RowCount(), static_cast<int>(limits.lines));

    big.SetRowCount(big.RowCount() + 1);
    big.SetCell(ColStartNr, big.RowCount() - 1, "999");
    EXPECT_EQ(WriteProtocolFile(*disk, big, path, limits).error, FileError::TooManyRows);
    big.SetCell(ColStartNr, big.RowCount() - 1, "");
    EXPECT_TRUE(WriteProtocolFile(*disk, big, path, limits).Ok()) << "a row without start number is no line";
}

TEST_F(ProtocolFileRead, NonTextFiles_AreRefusedAndLeaveTheProtocol) {
    const std::string elf = std::string("\x7f"
                                        "ELF\x02\x01\x01",
                                        7) +
                            std::string(64, '\0') + "\x81\x8d junk";
    const std::vector<std::pair<const char*, std::string>> files = {
        {"program.txt", elf},
        // Not "nul.txt": on Windows that name is the null device, which reads as empty.
        {"zero-byte.txt", std::string("1;Asta\n2;Be\0llo\n", 16)},
        {"controls.txt", "1;Asta\x01\x02\x03\x04\n"},
        {"undefined-1252.txt", "1;Asta\x81\x8d\x8f\x90\n"},
    };
    for (const auto& [name, bytes] : files) {
        EXPECT_EQ(Read(Put(name, bytes)).result.error, FileError::NotText) << name;
        ExpectCurrentProtocolKept();
    }
    EXPECT_EQ(DescribeFileResult({FileError::NotText, {}, "x.bin"}).rfind("Die Datei ist keine Textdatei", 0), 0u);
}

TEST_F(ProtocolFileRead, TextWithTabsFormFeedAndAnEndMarker_IsStillText) {
    const auto path = Put("list.txt", "Nr.\tHund\r\n5\tAsta\f\r\n6\tB\xe4r\r\n\x1a");
    EXPECT_TRUE(Read(path).result.Ok());
}

TEST_F(ProtocolFileRead, StarterListWithTimes_IsRecomputedRankedAndTheNextStarterSelected) {
    const auto path = Put("list.txt", "Nr.;Hund\n"
                                      "5;Asta\n"
                                      "6;Bello;;;;32,50;1\n"
                                      "7;Cora;;;;30,10;0\n");
    const ProtocolLoad load = Read(path);
    ASSERT_TRUE(load.result.Ok()) << DescribeFileResult(load.result);
    EXPECT_EQ(table_.Cell(ColStartNr, 1), "7") << "fastest clean run first";
    EXPECT_EQ(table_.Cell(ColPlace, 1), "1");
    EXPECT_EQ(table_.Cell(ColStartNr, 2), "6");
    EXPECT_EQ(table_.Cell(ColTotal1, 2), "5,0") << "one fault recomputed with Multi 5";
    EXPECT_EQ(table_.Cell(ColStartNr, 3), "5");
    EXPECT_EQ(table_.Cell(ColPlace, 3), "");
    EXPECT_EQ(load.startLists.startNumbers, (std::vector<std::string>{"7", "6", "5"}));
    EXPECT_EQ(load.startLists.lane1Index, 2);
    EXPECT_EQ(load.startLists.selectedRow, 3);
    EXPECT_EQ(load.startLists.lane2Index, 1);
}

TEST(StartersAfterLoad, BlankStartNumbersAreNotListedAndAllRunStartersSelectTheFirst) {
    ProtocolTable table;
    table.SetRowCount(4);
    table.SetCell(ColStartNr, 1, "1");
    table.SetCell(ColTime1, 1, "30,0");
    table.SetCell(ColStartNr, 2, " ");
    table.SetCell(ColStartNr, 3, "3");
    table.SetCell(ColTime1, 3, "31,0");
    const StartListSelection selection = SelectStartersAfterLoad(table);
    EXPECT_EQ(selection.startNumbers, (std::vector<std::string>{"1", "3"}));
    EXPECT_EQ(selection.lane1Index, 1) << "row 2 has no time; only as many rows as entries are looked at";
    EXPECT_EQ(selection.lane2Index, 1);

    table.SetRowCount(2);
    const StartListSelection single = SelectStartersAfterLoad(table);
    EXPECT_EQ(single.lane1Index, 0);
    EXPECT_EQ(single.selectedRow, 1);
    EXPECT_EQ(single.lane2Index, -1) << "a one-entry list has no second entry";
}

} // namespace
} // namespace caniparc
