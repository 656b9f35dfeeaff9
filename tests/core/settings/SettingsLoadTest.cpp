// The reading rule of the settings: fixed order, one guarded block that ends at the first
// missing or wrongly typed value, and the special cases of texts, ports and booleans.
#include "SettingsTestSupport.h"

#include "settings/SettingsIO.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace caniparc {
namespace {

using testing::ChangedSettings;
using testing::MemoryStore;
using testing::StoreOf;

// Entry i of the written values as a loaded model holds it.
StoredValue ValueAt(const Settings& settings, std::size_t index) {
    return StoredSettingsValues(settings)[index].value;
}

// The first `taken` values as in `expected`, everything after at its default.
void ExpectTakenThenDefaults(const Settings& loaded, const Settings& expected, std::size_t taken) {
    const auto loadedValues = StoredSettingsValues(loaded);
    const auto expectedValues = StoredSettingsValues(expected);
    const auto defaults = StoredSettingsValues(Settings{});
    for (std::size_t i = 0; i < loadedValues.size(); ++i) {
        const auto& want = i < taken ? expectedValues[i] : defaults[i];
        EXPECT_EQ(loadedValues[i], want) << loadedValues[i].name << (i < taken ? " should be read" : " should default");
    }
}

// The changed settings with one stored value replaced, loaded over the defaults.
Settings LoadedWith(const std::string& name, const StoredValue& value) {
    MemoryStore store = StoreOf(ChangedSettings());
    store.values->insert_or_assign(name, value);
    Settings settings;
    LoadSettings(store, settings);
    return settings;
}

// The tests below can only tell a value read from one left at its default when the two differ.
TEST(LoadSettings, TheChangedModelDiffersFromTheDefaultsInEveryStoredValue) {
    const auto changed = StoredSettingsValues(ChangedSettings());
    const auto defaults = StoredSettingsValues(Settings{});
    ASSERT_EQ(changed.size(), static_cast<std::size_t>(StoredValueCount));
    for (std::size_t i = 0; i < changed.size(); ++i)
        EXPECT_NE(changed[i].value, defaults[i].value) << changed[i].name << " keeps its default in ChangedSettings()";
}

TEST(LoadSettings, NoStoreOrAnEmptyKey_KeepsEveryDefault) {
    MemoryStore none;
    MemoryStore empty;
    empty.values.emplace();
    for (const MemoryStore* store : {&none, &empty}) {
        Settings settings;
        const LoadResult result = LoadSettings(*store, settings);
        EXPECT_EQ(result.storeFound, store == &empty);
        EXPECT_EQ(result.valuesTaken, 0);
        ExpectTakenThenDefaults(settings, Settings{}, 0);
    }
}

TEST(LoadSettings, CompleteStore_TakesAllValuesAndLeavesRunTimeValuesAlone) {
    Settings settings;
    settings.ProgramTitle = "Canitorn";
    settings.TimeFormatIndex = 1;
    const LoadResult result = LoadSettings(StoreOf(ChangedSettings()), settings);
    EXPECT_TRUE(result.storeFound);
    EXPECT_EQ(result.valuesTaken, StoredValueCount);
    ExpectTakenThenDefaults(settings, ChangedSettings(), StoredValueCount);
    EXPECT_EQ(settings.ProgramTitle, "Canitorn");
    EXPECT_EQ(settings.TimeFormatIndex, 1);
}

// Each of the stored values in turn, missing or with a wrong type.
class EachStoredValue : public ::testing::TestWithParam<std::size_t> {
protected:
    std::size_t index = GetParam();
    std::string name = StoredSettingsValues(Settings{})[GetParam()].name;
    bool isText = ValueAt(Settings{}, GetParam()).kind == ValueKind::String;
};

TEST_P(EachStoredValue, WrongType_EndsReadingThere_AndSoDoesAMissingValueUnlessItIsAText) {
    MemoryStore store = StoreOf(ChangedSettings());
    const bool isDword = ValueAt(Settings{}, index).kind == ValueKind::Dword;
    store.values->insert_or_assign(name, isDword ? StoredValue::String("1") : StoredValue::Dword(1));
    Settings settings;
    EXPECT_EQ(LoadSettings(store, settings).valuesTaken, static_cast<int>(index));
    ExpectTakenThenDefaults(settings, ChangedSettings(), index);

    store.values->erase(name);
    settings = Settings{};
    EXPECT_EQ(LoadSettings(store, settings).valuesTaken, isText ? StoredValueCount : static_cast<int>(index));
    if (!isText)
        return ExpectTakenThenDefaults(settings, ChangedSettings(), index);
    const bool keepsDefault = name.starts_with("QPs");
    EXPECT_EQ(ValueAt(settings, index), keepsDefault ? ValueAt(Settings{}, index) : StoredValue::String(""));
    const std::size_t other = index == 41 ? 40 : 41;
    EXPECT_EQ(ValueAt(settings, other), ValueAt(ChangedSettings(), other)) << "reading went on to the end";
}

INSTANTIATE_TEST_SUITE_P(LoadSettings, EachStoredValue, ::testing::Range<std::size_t>(0, StoredValueCount),
                         [](const auto& info) { return StoredSettingsValues(Settings{})[info.param].name; });

TEST(LoadSettings, RealsAreLittleEndianDoublesOfExactlyEightBytes) {
    const Settings read = LoadedWith("Dist", StoredValue::Binary({0, 0, 0, 0, 0, 0, 0xF8, 0x3F}));
    EXPECT_EQ(read.Dist, 1.5);
    EXPECT_EQ(read.Skor, ChangedSettings().Skor);
    for (std::size_t size : {0u, 4u, 7u, 9u, 16u}) {
        const Settings cut = LoadedWith("Dist", StoredValue::Binary(std::vector<std::uint8_t>(size, 0)));
        EXPECT_EQ(cut.Dist, 180.0) << size << " bytes";
        EXPECT_EQ(cut.Skor, 3.0) << size << " bytes";
    }
}

TEST(LoadSettings, StoreWrittenBeforeTheLiveResultsReadsInFullAndKeepsThemOff) {
    MemoryStore store = StoreOf(ChangedSettings());
    store.values->erase("LiveWeb");
    store.values->erase("LivePort");
    Settings s;
    EXPECT_EQ(LoadSettings(store, s).valuesTaken, 42);
    EXPECT_EQ(s.RezervDir, ChangedSettings().RezervDir);
    EXPECT_EQ(s.LiveWeb, 0);
    EXPECT_EQ(s.LivePort, 8080);
}

TEST(LoadSettings, EmptyGradeNamesKeepDefaultsWhileOtherEmptyTextsAreTaken) {
    Settings stored = ChangedSettings();
    stored.QPs1 = stored.QPs2 = stored.QPs3 = stored.QPs4 = "";
    stored.Title = stored.Title2 = stored.Katego = stored.RezervDir = "";
    Settings s;
    s.RezervDir = "/before/";
    EXPECT_EQ(LoadSettings(StoreOf(stored), s).valuesTaken, StoredValueCount);
    EXPECT_EQ((std::vector{s.QPs1, s.QPs2, s.QPs3, s.QPs4, s.Title, s.Title2, s.Katego, s.RezervDir}),
              (std::vector<std::string>{"Vorzüglich", "Sehr gut", "Gut", "Ohne", "", "", "", ""}));
}

TEST(LoadSettings, NumbersAreSigned32BitBooleansAnyNonZeroPortsTheLowByteAndExpandableTextsTexts) {
    EXPECT_EQ(LoadedWith("Left", StoredValue::Dword(0xFFFFFFFF)).Left, -1);
    EXPECT_EQ(LoadedWith("Top", StoredValue::Dword(0x80000000)).Top, INT32_MIN);
    EXPECT_TRUE(LoadedWith("Sound", StoredValue::Dword(2)).Sound);
    EXPECT_TRUE(LoadedWith("Klass", StoredValue::Dword(0x80000000)).Klass);
    const std::pair<std::uint32_t, int> ports[] = {{0, 0}, {255, 255}, {0x1234, 0x34}, {0xFFFFFFFF, 255}, {256, 0}};
    for (const auto& [stored, port] : ports)
        EXPECT_EQ(LoadedWith("Port", StoredValue::Dword(stored)).Port, port) << stored;
    const StoredValue expand{ValueKind::ExpandString, 0, {}, "%USERPROFILE%\\Sicherung\\", 0};
    EXPECT_EQ(LoadedWith("RezervDir", expand).RezervDir, "%USERPROFILE%\\Sicherung\\");
}

TEST(AutoEntryHint, ShowsSecondsWithOneDecimalAndTheLocaleSeparator) {
    EXPECT_EQ(AutoEntryHint(7000, ','), "Automatische Eintragung in 7,0 Sekunden");
    EXPECT_EQ(AutoEntryHint(2500, '.'), "Automatische Eintragung in 2.5 Sekunden");
    EXPECT_EQ(AutoEntryHint(600000, ','), "Automatische Eintragung in 600,0 Sekunden");
}

TEST(MonitorInRange, FallsBackToTheFirstMonitorWhenTheStoredOneIsGone) {
    EXPECT_EQ(MonitorInRange(1, 2), 1);
    EXPECT_EQ(MonitorInRange(2, 2), 0);
    EXPECT_EQ(MonitorInRange(0, 1), 0);
    EXPECT_EQ(MonitorInRange(0, 0), 0);
    EXPECT_EQ(MonitorInRange(-1, 3), 0) << "a negative index must not reach the monitor list";
}

} // namespace
} // namespace caniparc
