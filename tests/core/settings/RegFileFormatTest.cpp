// The registry editor's text format: what is written, what is accepted, and that damaged or
// cut files give up only what is really lost, never a wrong value.
#include "SettingsTestSupport.h"

#include "settings/RegFileFormat.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace caniparc {
namespace {

using testing::ChangedSettings;

const std::string key = SettingsKeyPath("Canitorn");
const std::string header = "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Kronolux\\Canitorn]\n";

std::optional<StoredValue> ValueIn(const std::optional<std::vector<NamedValue>>& values, const std::string& name) {
    if (!values)
        return std::nullopt;
    const auto found = std::ranges::find(*values, name, &NamedValue::name);
    return found == values->end() ? std::nullopt : std::optional(found->value);
}

TEST(RegFileFormat, DefaultsMatchTheGoldenFile) {
    const std::string expected = testing::ReadBytes(std::string(CANIPARC_SETTINGS_DATA) + "/defaults.reg");
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(FormatRegFile(StoredSettingsValues(Settings{}), SettingsKeyPath("caniparc")), expected);
}

TEST(RegFileFormat, WritesTextsTheWayTheRegistryEditorEscapesThem) {
    const std::string text = FormatRegFile({{"Title", StoredValue::String("Cup \"Nord\" C:\\Hunde ä")},
                                            {"Left", StoredValue::Dword(0xFFFFF880)},
                                            {"Dist", StoredValue::Binary({0, 0, 0, 0, 0, 0x80, 0x66, 0x40})}},
                                           key);
    EXPECT_EQ(text, header + "\"Title\"=\"Cup \\\"Nord\\\" C:\\\\Hunde ä\"\n"
                             "\"Left\"=dword:fffff880\n"
                             "\"Dist\"=hex:00,00,00,00,00,80,66,40\n\n");
}

TEST(RegFileFormat, EveryKindSurvivesWriteAndRead) {
    const std::vector<NamedValue> values = {
        {"Zero", StoredValue::Dword(0)},
        {"AllBits", StoredValue::Dword(0xFFFFFFFF)},
        {"Real", StoredValue::Binary({1, 2, 3, 4, 5, 6, 7, 0xFF})},
        {"NoBytes", StoredValue::Binary({})},
        {"Long", StoredValue::Binary(std::vector<std::uint8_t>(100, 0xAB))},
        {"Quote\"And\\Name", StoredValue::String("\"\\\\\"")},
        {"Umlauts", StoredValue::String("Vorzüglich – Ærø €")},
        {"Lines", StoredValue::String("erste\r\nzweite\tdritte")},
        {"Empty", StoredValue::String("")},
        {"Expand", StoredValue{ValueKind::ExpandString, 0, {}, "%APPDATA%\\x", 0}},
        {"Qword", StoredValue{ValueKind::Other, 0, {1, 0, 0, 0, 0, 0, 0, 0}, "", 0xb}},
        {"Multi", StoredValue{ValueKind::Other, 0, {'a', 0, 'b', 0, 0}, "", 7}},
    };
    const auto read = ParseRegFile(FormatRegFile(values, key), key);
    ASSERT_TRUE(read);
    EXPECT_EQ(*read, values);
}

TEST(RegFileFormat, TextsThatAreNoUtf8OrHoldAZero_ReadBackAsTheRegistryGivesThem) {
    using namespace std::string_literals;
    const auto read = ParseRegFile(FormatRegFile({{"Bad", StoredValue::String("Gr\xFC\xDF")},
                                                  {"Good", StoredValue::String("Grüße")},
                                                  {"Zero", StoredValue::String("ab\0cd"s)}},
                                                 key),
                                   key);
    EXPECT_EQ(ValueIn(read, "Good"), StoredValue::String("Grüße"));
    EXPECT_EQ(ValueIn(read, "Bad"), StoredValue::String("Grüß")) << "read back as Windows-1252";
    EXPECT_EQ(ValueIn(read, "Zero"), StoredValue::String("ab"));
    EXPECT_EQ(ValueIn(ParseRegFile(header + "\"V\"=\"ab\0cd\"\n"s, key), "V"), StoredValue::String("ab"));
}

TEST(RegFileFormat, AcceptsWhatTheRegistryEditorAccepts) {
    const std::string text = "REGEDIT4\r\n"
                             "; exported by hand\r\n"
                             "\r\n"
                             "[HKEY_CURRENT_USER\\Software\\Other]\r\n"
                             "\"Left\"=dword:00000001\r\n"
                             "[hkey_current_user\\software\\kronolux\\canitorn]\r\n"
                             "\"Left\"=dword:3c\r\n"
                             "\"Top\" = dword:00000002\r\n"
                             "\"Top\"=dword:00000003\r\n"
                             "\"Gone\"=dword:00000004\r\n"
                             "\"Gone\"=-\r\n"
                             "\"Dist\"=hex:00,00,00,00,\\\r\n"
                             "  00,80,66,40\r\n"
                             "\"Dir\"=hex(2):43,3a,5c,00\r\n"
                             "\"Word\"=hex(4):2a,00,00,00\r\n"
                             "\"Text\"=hex(1):41,42,00\r\n"
                             "[HKEY_CURRENT_USER\\Software\\Other]\r\n"
                             "\"Width\"=dword:00000001\r\n";
    const auto read = ParseRegFile(text, key);
    ASSERT_TRUE(read);
    EXPECT_EQ(ValueIn(read, "Left"), StoredValue::Dword(0x3c));
    EXPECT_EQ(ValueIn(read, "Top"), StoredValue::Dword(3)) << "the last assignment wins";
    EXPECT_FALSE(ValueIn(read, "Gone"));
    EXPECT_EQ(ValueIn(read, "Dist"), StoredValue::Binary({0, 0, 0, 0, 0, 0x80, 0x66, 0x40}));
    EXPECT_EQ(ValueIn(read, "Dir"), (StoredValue{ValueKind::ExpandString, 0, {}, "C:\\", 0}));
    EXPECT_EQ(ValueIn(read, "Word"), StoredValue::Dword(42));
    EXPECT_EQ(ValueIn(read, "Text"), StoredValue::String("AB"));
    EXPECT_FALSE(ValueIn(read, "Width")) << "values of other keys are not ours";
    EXPECT_EQ(read->size(), 6u);
}

TEST(RegFileFormat, BrokenValuesAreAbsentAndTheLinesAfterThemStillCount) {
    const char* broken[] = {"\"V\"=hex:00,0",
                            "\"V\"=hex:00,00,",
                            "\"V\"=hex:0g",
                            "\"V\"=hex(1):41,42",
                            "\"V\"=\"open text",
                            "\"V\"=\"text\" tail",
                            "\"V\"=dword:",
                            "\"V\"=dword:123456789",
                            "\"V\"=dword:xyz",
                            "\"V\"=word:1",
                            "\"V\"=hex(zz):00",
                            "\"V\"=hex(1",
                            "\"V\"",
                            "\"V=\"x\"",
                            "V=dword:00000001"};
    for (const char* line : broken) {
        const auto read = ParseRegFile(header + line + "\n\"After\"=dword:00000007\n", key);
        ASSERT_TRUE(read) << line;
        EXPECT_FALSE(ValueIn(read, "V")) << line;
        EXPECT_EQ(ValueIn(read, "After"), StoredValue::Dword(7)) << line;
    }
}

TEST(RegFileFormat, FileWithoutTheProgramsSectionIsNoStore) {
    EXPECT_FALSE(ParseRegFile("", key));
    EXPECT_FALSE(ParseRegFile("REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Kronolux\\Other]\n\"Left\"=dword:1\n", key));
    EXPECT_TRUE(ParseRegFile(header, key));
}

TEST(RegFileFormat, ReadsWindows1252FilesAndSkipsAByteOrderMark) {
    const auto legacy = ParseRegFile(header + "\"Katego\"=\"\x80 Gro\xDF\"\n", key);
    EXPECT_EQ(ValueIn(legacy, "Katego"), StoredValue::String("€ Groß"));
    const auto marked = ParseRegFile("\xEF\xBB\xBF" + header + "\"QPs1\"=\"Vorzüglich\"\n", key);
    EXPECT_EQ(ValueIn(marked, "QPs1"), StoredValue::String("Vorzüglich"));
}

std::string WithLineEnds(std::string_view text, const std::string& lineEnd) {
    std::string result;
    for (const char c : text)
        result += c == '\n' ? lineEnd : std::string(1, c);
    return result;
}

TEST(RegFileFormat, FileCutAnywhere_KeepsEveryCompleteValueAndInventsNone) {
    const auto values = StoredSettingsValues(ChangedSettings());
    for (const std::string lineEnd : {"\n", "\r\n"}) {
        std::string text = WithLineEnds(header, lineEnd);
        std::vector<std::size_t> ends; // the byte after each value's last line
        for (const NamedValue& value : values) {
            const std::string file = FormatRegFile({value}, key);
            text +=
                WithLineEnds(std::string_view(file).substr(header.size(), file.size() - header.size() - 1), lineEnd);
            ends.push_back(text.size());
        }
        for (std::size_t cut = 0; cut <= text.size(); ++cut) {
            const auto read = ParseRegFile(std::string_view(text).substr(0, cut), key);
            if (!read) {
                ASSERT_LT(cut, ends.front()) << "cut " << cut;
                continue;
            }
            for (const NamedValue& value : *read)
                ASSERT_NE(std::ranges::find(values, value), values.end()) << "cut " << cut << " changed " << value.name;
            Settings loaded;
            LoadSettings(testing::StoreWith(*read), loaded);
            const auto loadedValues = StoredSettingsValues(loaded);
            for (std::size_t i = 0; i < values.size() && ends[i] <= cut; ++i)
                ASSERT_EQ(loadedValues[i], values[i]) << "cut " << cut;
        }
    }
}

TEST(RegFileFormat, DamagedBytesNeverCrashTheReader) {
    const std::string original = FormatRegFile(StoredSettingsValues(ChangedSettings()), key);
    static constexpr char alphabetBytes[] = "\"\\\n\r,:=[]()-0aFhx\xC3\xA4\xFC\xEF\x00 ";
    const std::string alphabet(alphabetBytes, sizeof alphabetBytes - 1);
    std::mt19937 random(20261208);
    for (int round = 0; round < 3000; ++round) {
        std::string text = original;
        for (int change = 0; change < 1 + round % 5; ++change) {
            const std::size_t at = random() % text.size();
            if (random() % 3 == 0)
                text.erase(at, random() % 8);
            else
                text[at] = alphabet[random() % alphabet.size()];
        }
        const auto read = ParseRegFile(text, key);
        Settings loaded;
        EXPECT_LE(LoadSettings(read ? testing::StoreWith(*read) : testing::MemoryStore{}, loaded).valuesTaken, StoredValueCount);
    }
}

} // namespace
} // namespace caniparc
