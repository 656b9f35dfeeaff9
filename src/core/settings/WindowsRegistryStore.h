// The settings store on Windows: the key "Software\Kronolux\<program title>" under
// HKEY_CURRENT_USER, one registry value per setting.
#pragma once

#include "settings/SettingsStore.h"

#include <string>

namespace caniparc {

class WindowsRegistryStore : public SettingsStore {
public:
    explicit WindowsRegistryStore(const std::string& programTitle);

    // nullopt when the key does not exist or cannot be opened for reading.
    std::optional<StoredValues> Load() const override;

    // Creates the key when missing; false when it cannot be created or a value is refused.
    bool Save(const std::vector<NamedValue>& values) override;

private:
    std::wstring keyPath_;
};

} // namespace caniparc
