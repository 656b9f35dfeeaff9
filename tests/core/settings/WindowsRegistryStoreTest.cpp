// The settings store against a real registry (Windows, or Wine's): what is saved reads back with
// its type, and values someone else damaged read as the wrong type instead of as a setting.
#include "SettingsTestSupport.h"

#include "settings/SettingsIO.h"
#include "settings/WindowsRegistryStore.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace caniparc {
namespace {

// A key of its own for each test under HKEY_CURRENT_USER\Software\Kronolux, removed afterwards.
class WindowsRegistry : public ::testing::Test {
protected:
    void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, KeyPath().c_str()); }

    std::wstring KeyPath() const { return L"Software\\Kronolux\\" + std::wstring(title_.begin(), title_.end()); }

    // Writes one raw value the way another program (or a damaged hive) might have left it.
    void SetRaw(const wchar_t* name, DWORD type, const void* data, DWORD size) {
        HKEY key = nullptr;
        ASSERT_EQ(
            RegCreateKeyExW(HKEY_CURRENT_USER, KeyPath().c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr),
            ERROR_SUCCESS);
        EXPECT_EQ(RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS);
        RegCloseKey(key);
    }

    const std::string title_ = "caniparc-test-" + std::to_string(std::random_device{}());
    WindowsRegistryStore store_{title_};
};

TEST_F(WindowsRegistry, MissingKey_IsAFirstStart) {
    EXPECT_FALSE(store_.Load().has_value());
}

TEST_F(WindowsRegistry, SavedValues_ReadBackWithTheirTypes_EvenThroughAnotherStore) {
    StoredValue expand = StoredValue::String("%USERPROFILE%\\Agility");
    expand.kind = ValueKind::ExpandString;
    const std::vector<NamedValue> values{{"Left", StoredValue::Dword(0xFFFFF880u)},
                                         {"Title", StoredValue::String("Prüfung in Köln – Halle 2")},
                                         {"Empty", StoredValue::String("")},
                                         {"Colors", StoredValue::Binary({0, 1, 0xFE, 0xFF})},
                                         {"RezervDir", expand}};
    ASSERT_TRUE(store_.Save(values));
    const auto loaded = WindowsRegistryStore(title_).Load();
    ASSERT_TRUE(loaded.has_value());
    EXPECT_EQ(loaded->size(), values.size());
    for (const NamedValue& value : values) {
        ASSERT_TRUE(loaded->count(value.name)) << value.name;
        EXPECT_EQ(loaded->at(value.name), value.value) << value.name;
    }
    EXPECT_TRUE(loaded->count("left")) << "registry names ignore case";
}

TEST_F(WindowsRegistry, WholeSettings_RoundTrip) {
    const Settings changed = testing::ChangedSettings();
    ASSERT_TRUE(SaveSettings(store_, changed));
    Settings loaded;
    const LoadResult result = LoadSettings(store_, loaded);
    EXPECT_TRUE(result.storeFound);
    EXPECT_EQ(result.valuesTaken, StoredValueCount);
    EXPECT_EQ(StoredSettingsValues(loaded), StoredSettingsValues(changed));
}

TEST_F(WindowsRegistry, DamagedValues_ReadAsTheWrongType) {
    const BYTE shortDword[2] = {1, 2};
    SetRaw(L"ShortDword", REG_DWORD, shortDword, sizeof shortDword);
    const DWORD number = 7;
    SetRaw(L"NumberAsMultiString", REG_MULTI_SZ, L"7\0", 3 * sizeof(wchar_t));
    SetRaw(L"Qword", REG_QWORD, &number, sizeof number);
    const BYTE oddText[5] = {'A', 0, 'B', 0, 'C'}; // half a character at the end, no terminator
    SetRaw(L"OddText", REG_SZ, oddText, sizeof oddText);
    const wchar_t early[] = L"vorne\0hinten";
    SetRaw(L"EarlyEnd", REG_SZ, early, sizeof early);

    const auto loaded = store_.Load();
    ASSERT_TRUE(loaded.has_value());
    EXPECT_EQ(loaded->at("ShortDword").kind, ValueKind::Other);
    EXPECT_EQ(loaded->at("ShortDword").otherType, static_cast<std::uint32_t>(REG_DWORD));
    EXPECT_EQ(loaded->at("NumberAsMultiString").kind, ValueKind::Other);
    EXPECT_EQ(loaded->at("Qword").kind, ValueKind::Other);
    EXPECT_EQ(loaded->at("OddText"), StoredValue::String("AB"));
    EXPECT_EQ(loaded->at("EarlyEnd"), StoredValue::String("vorne"));
}

TEST_F(WindowsRegistry, DamagedSetting_EndsTheReadingThereAndKeepsTheDefaults) {
    ASSERT_TRUE(SaveSettings(store_, testing::ChangedSettings()));
    const BYTE shortDword[2] = {1, 2};
    SetRaw(L"Top", REG_DWORD, shortDword, sizeof shortDword); // the second value read
    Settings loaded;
    const LoadResult result = LoadSettings(store_, loaded);
    EXPECT_EQ(result.valuesTaken, 1);
    EXPECT_EQ(loaded.Left, testing::ChangedSettings().Left);
    EXPECT_EQ(loaded.Top, Settings{}.Top);
    EXPECT_EQ(loaded.Width, Settings{}.Width);
}

} // namespace
} // namespace caniparc
