// The registry editor's text format ("REGEDIT4") for one key of settings values, read from and
// written to byte buffers. Readers and writers work on bytes so tests feed strings and compare
// bytes; RegFileStore adds the file handling.
#pragma once

#include "settings/SettingsStore.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace caniparc {

// "HKEY_CURRENT_USER\Software\Kronolux\" + programTitle: the section the values live in.
std::string SettingsKeyPath(const std::string& programTitle);

// The values of the section `keyPath` (compared without regard to case), each name once, the
// last assignment winning as on an import. nullopt when the file has no such section. A line
// that cannot be parsed is skipped and a value whose data is broken is absent; nothing throws.
std::optional<std::vector<NamedValue>> ParseRegFile(std::string_view bytes, std::string_view keyPath);

// The whole file: header, section line, one line per value in the given order (long binary
// data wrapped the way the registry editor wraps it).
std::string FormatRegFile(const std::vector<NamedValue>& values, std::string_view keyPath);

} // namespace caniparc
