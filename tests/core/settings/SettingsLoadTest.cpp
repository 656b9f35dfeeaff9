// The reading rule of the settings: fixed order, one guarded block that ends at the first
// missing or wrongly typed value, and the special cases of texts, ports and booleans.
#include "SettingsTestSupport.h"

#include "settings/SettingsIO.h"

#include <gtest/gtest.h>

#include <cstring>

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

TEST(LoadSettings, FirstStartWithoutStore_KeepsEveryDefault) {
    MemoryStore none;
    Settings settings;
    const LoadResult result = LoadSettings(none, settings);
    EXPECT_FALSE(result.storeFound);
    ExpectTakenThenDefaults(settings, Settings{}, 0);
}

TEST(LoadSettings, CompleteStore_TakesAllValuesAndLeavesRunTimeValuesAlone) {
    MemoryStore store = StoreOf(ChangedSettings());
    Settings settings;
    settings.ProgramTitle = "Canitorn";
    settings.TimeFormatIndex = 1;
    const LoadResult result = LoadSettings(store, settings);
    EXPECT_TRUE(result.storeFound);
    EXPECT_EQ(result.valuesTaken, 42);
    ExpectTakenThenDefaults(settings, ChangedSettings(), 42);
    EXPECT_EQ(settings.ProgramTitle, "Canitorn");
    EXPECT_EQ(settings.TimeFormatIndex, 1);
}

TEST(LoadSettings, StoreLackingKontakt_KeepsKontaktAndEverythingAfterAtDefaults) {
    MemoryStore store = StoreOf(ChangedSettings());
    store.values->erase("Kontakt");
    Settings settings;
    EXPECT_EQ(LoadSettings(store, settings).valuesTaken, 18);
    ExpectTakenThenDefaults(settings, ChangedSettings(), 18);
    EXPECT_EQ(settings.Title, ChangedSettings().Title);
    EXPECT_EQ(settings.LaufCount, 1);
}

TEST(LoadSettings, EmptyStoreKey_EndsAtTheFirstValue) {
    MemoryStore store;
    store.values.emplace();
    Settings settings;
    const LoadResult result = LoadSettings(store, settings);
    EXPECT_TRUE(result.storeFound);
    EXPECT_EQ(result.valuesTaken, 0);
    ExpectTakenThenDefaults(settings, Settings{}, 0);
}

// Each of the 42 values in turn, missing or with a wrong type.
class EachStoredValue : public ::testing::TestWithParam<std::size_t> {
protected:
    std::size_t index = GetParam();
    std::string name = StoredSettingsValues(Settings{})[GetParam()].name;
    bool isText = ValueAt(Settings{}, GetParam()).kind == ValueKind::String;
};

TEST_P(EachStoredValue, WrongType_EndsReadingThere) {
    MemoryStore store = StoreOf(ChangedSettings());
    const bool isDword = ValueAt(Settings{}, index).kind == ValueKind::Dword;
    store.values->insert_or_assign(name, isDword ? StoredValue::String("1") : StoredValue::Dword(1));
    Settings settings;
    EXPECT_EQ(LoadSettings(store, settings).valuesTaken, static_cast<int>(index));
    ExpectTakenThenDefaults(settings, ChangedSettings(), index);
}

TEST_P(EachStoredValue, Missing_EndsReadingUnlessItIsAText) {
    MemoryStore store = StoreOf(ChangedSettings());
    store.values->erase(name);
    Settings settings;
    const LoadResult result = LoadSettings(store, settings);
    if (!isText) {
        EXPECT_EQ(result.valuesTaken, static_cast<int>(index));
        ExpectTakenThenDefaults(settings, ChangedSettings(), index);
        return;
    }
    EXPECT_EQ(result.valuesTaken, 42);
    const bool keepsDefault = name.starts_with("QPs");
    const StoredValue expected = keepsDefault ? ValueAt(Settings{}, index) : StoredValue::String("");
    EXPECT_EQ(ValueAt(settings, index), expected);
    const std::size_t other = index == 41 ? 40 : 41;
    EXPECT_EQ(ValueAt(settings, other), ValueAt(ChangedSettings(), other)) << "reading went on to the end";
}

INSTANTIATE_TEST_SUITE_P(LoadSettings, EachStoredValue, ::testing::Range<std::size_t>(0, 42),
                         [](const auto& info) { return StoredSettingsValues(Settings{})[info.param].name; });

TEST(LoadSettings, RealsNeedExactlyEightBytes) {
    for (std::size_t size : {0u, 4u, 7u, 9u, 16u}) {
        MemoryStore store = StoreOf(ChangedSettings());
        store.values->insert_or_assign("Dist", StoredValue::Binary(std::vector<std::uint8_t>(size, 0)));
        Settings settings;
        EXPECT_EQ(LoadSettings(store, settings).valuesTaken, 29) << size << " bytes";
        EXPECT_EQ(settings.Dist, 180.0);
        EXPECT_EQ(settings.Skor, 3.0);
    }
}

TEST(LoadSettings, RealIsLittleEndianIeeeDouble) {
    MemoryStore store = StoreOf(ChangedSettings());
    // 180.0 = 0x4066800000000000
    store.values->insert_or_assign("Dist", StoredValue::Binary({0, 0, 0, 0, 0, 0x80, 0x66, 0x40}));
    Settings settings;
    LoadSettings(store, settings);
    EXPECT_EQ(settings.Dist, 180.0);
    EXPECT_EQ(StoredSettingsValues(settings)[29].value.bytes,
              std::vector<std::uint8_t>({0, 0, 0, 0, 0, 0x80, 0x66, 0x40}));
}

TEST(LoadSettings, EmptyGradeNamesKeepDefaultsWhileOtherEmptyTextsAreTaken) {
    Settings stored = ChangedSettings();
    stored.QPs1 = stored.QPs2 = stored.QPs3 = stored.QPs4 = "";
    stored.Title = stored.Title2 = stored.Katego = stored.RezervDir = "";
    MemoryStore store = StoreOf(stored);
    Settings settings;
    EXPECT_EQ(LoadSettings(store, settings).valuesTaken, 42);
    EXPECT_EQ(settings.QPs1, "Vorzüglich");
    EXPECT_EQ(settings.QPs2, "Sehr gut");
    EXPECT_EQ(settings.QPs3, "Gut");
    EXPECT_EQ(settings.QPs4, "Ohne");
    EXPECT_EQ(settings.Title, "");
    EXPECT_EQ(settings.Title2, "");
    EXPECT_EQ(settings.Katego, "");
    EXPECT_EQ(settings.RezervDir, "");
}

TEST(LoadSettings, NumbersAreSigned32BitAndBooleansAnyNonZero) {
    MemoryStore store = StoreOf(ChangedSettings());
    store.values->insert_or_assign("Left", StoredValue::Dword(0xFFFFF880));
    store.values->insert_or_assign("Top", StoredValue::Dword(0x80000000));
    store.values->insert_or_assign("Sound", StoredValue::Dword(2));
    store.values->insert_or_assign("Klass", StoredValue::Dword(0x80000000));
    store.values->insert_or_assign("Bonus", StoredValue::Dword(0));
    Settings settings;
    LoadSettings(store, settings);
    EXPECT_EQ(settings.Left, -1920);
    EXPECT_EQ(settings.Top, INT32_MIN);
    EXPECT_TRUE(settings.Sound);
    EXPECT_TRUE(settings.Klass);
    EXPECT_FALSE(settings.Bonus);
}

TEST(LoadSettings, PortTakesOnlyTheLowByte) {
    const std::pair<std::uint32_t, int> cases[] = {{0, 0},  {3, 3}, {255, 255}, {0x1234, 0x34}, {0xFFFFFFFF, 255},
                                                   {256, 0}};
    for (const auto& [stored, port] : cases) {
        MemoryStore store = StoreOf(ChangedSettings());
        store.values->insert_or_assign("Port", StoredValue::Dword(stored));
        Settings settings;
        LoadSettings(store, settings);
        EXPECT_EQ(settings.Port, port) << stored;
    }
}

TEST(LoadSettings, ExpandableTextsReadAsTextsUnexpanded) {
    MemoryStore store = StoreOf(ChangedSettings());
    StoredValue expand = StoredValue::String("%USERPROFILE%\\Sicherung\\");
    expand.kind = ValueKind::ExpandString;
    store.values->insert_or_assign("RezervDir", expand);
    Settings settings;
    EXPECT_EQ(LoadSettings(store, settings).valuesTaken, 42);
    EXPECT_EQ(settings.RezervDir, "%USERPROFILE%\\Sicherung\\");
}

TEST(LoadSettings, ValueNamesMatchWithoutRegardToCase) {
    MemoryStore store = StoreOf(ChangedSettings());
    const StoredValue left = store.values->at("Left");
    store.values->erase("Left");
    store.values->insert_or_assign("LEFT", left);
    Settings settings;
    EXPECT_EQ(LoadSettings(store, settings).valuesTaken, 42);
    EXPECT_EQ(settings.Left, -1920);
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
