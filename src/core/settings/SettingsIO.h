// Reading the settings model from its store at start-up and writing it back at shutdown, plus
// the pure parts of applying the loaded values that the main window needs.
#pragma once

#include "settings/Settings.h"
#include "settings/SettingsStore.h"

#include <string>
#include <string_view>
#include <vector>

namespace caniparc {

// How many values the store holds: the 42 of the original store and those appended after
// them (counted from the table in SettingsIO.cpp).
extern const int StoredValueCount;

struct LoadResult {
    bool storeFound = false; // false on the first start: every value kept its default
    int valuesTaken = 0;     // how many of the stored values, in reading order, came from the store
};

// Reads the stored values in their fixed order as one guarded block: the first value that is
// missing or has the wrong type ends the reading, and it and all after it keep their defaults.
// A missing text reads as empty instead. Run-time fields of `settings` are not touched, and
// neither is anything derived later (the backup folder default, the monitor range).
LoadResult LoadSettings(const SettingsStore& store, Settings& settings);

// Writes all values in reading order with their stored types. False when the store could
// not be written; the settings are then lost, as nothing else keeps them.
bool SaveSettings(SettingsStore& store, const Settings& settings);

// The values as they are written, in reading order.
std::vector<NamedValue> StoredSettingsValues(const Settings& settings);

// Hint of the main window's automatic-entry check box: `autoEinS` milliseconds in seconds
// with one decimal and the locale's separator.
std::string AutoEntryHint(int autoEinS, char decimalSeparator);

inline constexpr std::string_view AutoNextHint = "Automatisch Nächster nach der Eintragung";

// The stored monitor of the second window, or 0 when that monitor no longer exists (also for a
// negative number, which would otherwise index before the first monitor).
int MonitorInRange(int monitor, int monitorCount);

} // namespace caniparc
