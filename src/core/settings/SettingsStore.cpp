// Stored values and the choice of the platform's store (see SettingsStore.h).
#include "settings/SettingsStore.h"

#include "settings/RegFileStore.h"
#include "settings/SettingsPaths.h"

#ifdef _WIN32
#include "settings/WindowsRegistryStore.h"
#endif

#include <algorithm>

namespace caniparc {

StoredValue StoredValue::Dword(std::uint32_t value) {
    StoredValue stored;
    stored.kind = ValueKind::Dword;
    stored.dword = value;
    return stored;
}

StoredValue StoredValue::Binary(std::vector<std::uint8_t> value) {
    StoredValue stored;
    stored.kind = ValueKind::Binary;
    stored.bytes = std::move(value);
    return stored;
}

StoredValue StoredValue::String(std::string value) {
    StoredValue stored;
    stored.kind = ValueKind::String;
    stored.text = std::move(value);
    return stored;
}

bool ValueNameLess::operator()(std::string_view a, std::string_view b) const {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                        [&](char x, char y) { return lower(x) < lower(y); });
}

std::unique_ptr<SettingsStore> MakeUserSettingsStore(const std::string& programTitle,
                                                     [[maybe_unused]] const UserEnvironment& env) {
#ifdef _WIN32
    return std::make_unique<WindowsRegistryStore>(programTitle);
#else
    return std::make_unique<RegFileStore>(SettingsFilePath(env, programTitle), programTitle);
#endif
}

} // namespace caniparc
