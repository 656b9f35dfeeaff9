// Shared pieces of the settings tests: an in-memory store, a temporary folder under /tmp, and a
// settings model in which every stored value differs from its default.
#pragma once

#include "settings/SettingsIO.h"
#include "settings/SettingsStore.h"

#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace caniparc {

// Readable failure messages for stored values.
void PrintTo(const StoredValue& value, std::ostream* out);
void PrintTo(const NamedValue& value, std::ostream* out);

} // namespace caniparc

namespace caniparc::testing {

class MemoryStore : public SettingsStore {
public:
    std::optional<StoredValues> values;

    std::optional<StoredValues> Load() const override { return values; }
    bool Save(const std::vector<NamedValue>& written) override {
        if (!values)
            values.emplace();
        for (const NamedValue& value : written)
            values->insert_or_assign(value.name, value.value);
        return true;
    }
};

// A fresh folder under /tmp, removed with everything in it at the end of the test.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::filesystem::path& Path() const { return path_; }

private:
    std::filesystem::path path_;
};

// Every stored value away from its default; the texts carry quotes, backslashes, umlauts and a
// line break, the numbers include negative ones.
Settings ChangedSettings();

// A store holding exactly what SaveSettings writes for `settings`.
MemoryStore StoreOf(const Settings& settings);
MemoryStore StoreWith(const std::vector<NamedValue>& values);

std::string ReadBytes(const std::filesystem::path& file);
void WriteBytes(const std::filesystem::path& file, const std::string& bytes);

} // namespace caniparc::testing
