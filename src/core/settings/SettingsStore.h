// The per-user store the settings are read from at start-up and written to at shutdown: one
// key of named, typed values. The Windows registry is the store on Windows; elsewhere a file in
// the registry editor's text format stands in for it, keeping the same value types.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace caniparc {

// The registry's value types the station cares about. Anything else is kept as Other so that a
// value of a foreign type still counts as "wrong type" rather than as missing.
enum class ValueKind { Dword, Binary, String, ExpandString, Other };

struct StoredValue {
    ValueKind kind = ValueKind::Other;
    std::uint32_t dword = 0;         // Dword
    std::vector<std::uint8_t> bytes; // Binary and Other
    std::string text;                // String and ExpandString, UTF-8
    std::uint32_t otherType = 0;     // registry type number of an Other value

    static StoredValue Dword(std::uint32_t value);
    static StoredValue Binary(std::vector<std::uint8_t> value);
    static StoredValue String(std::string value);
    bool operator==(const StoredValue&) const = default;
};

// Registry value names compare without regard to case: "left" and "Left" are one value.
struct ValueNameLess {
    bool operator()(std::string_view a, std::string_view b) const;
    using is_transparent = void;
};

using StoredValues = std::map<std::string, StoredValue, ValueNameLess>;

struct NamedValue {
    std::string name;
    StoredValue value;
    bool operator==(const NamedValue&) const = default;
};

class SettingsStore {
public:
    virtual ~SettingsStore() = default;

    // All values of the key; nullopt when the key does not exist (first start). Never throws:
    // whatever cannot be read is simply absent.
    virtual std::optional<StoredValues> Load() const = 0;

    // Writes the values in the given order, creating the key when missing. Values of other
    // names already in the key stay, as they would in the registry. False when the values
    // could not all be written.
    virtual bool Save(const std::vector<NamedValue>& values) = 0;
};

// Where this user's settings of the program `programTitle` live on this platform.
struct UserEnvironment;
std::unique_ptr<SettingsStore> MakeUserSettingsStore(const std::string& programTitle, const UserEnvironment& env);

} // namespace caniparc
