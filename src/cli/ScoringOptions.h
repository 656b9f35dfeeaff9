// The command-line options that set what scoring reads: a settings file, single values, the time
// format and the decimal separator. Shared by every subcommand that recomputes or exports results.
#pragma once

#include "settings/Settings.h"

#include <string>
#include <string_view>
#include <vector>

namespace caniparc::cli {

struct ScoringOptions {
    std::string settingsFile;
    std::vector<std::string> assignments; // "Key=Value", in the order given
    bool hundredths = false;
    char decimalSeparator = ',';
};

// Consumes the scoring option at args[i] (and its value), advancing i past it. Returns false
// when args[i] is no scoring option; `error` is set when it is one but is malformed.
bool ParseScoringOption(const std::vector<std::string>& args, std::size_t& i, ScoringOptions& options,
                        std::string& error);

struct OptionError {
    std::string text;         // empty when everything applied
    bool fileProblem = false; // the settings file could not be read, rather than a bad option
};

// The settings file first, then every assignment, whatever their order on the command line.
OptionError ApplyScoringOptions(const ScoringOptions& options, Settings& settings);

// Applies one "Key=Value"; the key is one of the scoring settings (in any case), the value must
// have the key's type and lie in the settings dialog's range. Returns an error text or "".
std::string ApplySetting(Settings& settings, std::string_view assignment);

// The keys --set accepts, for the help text.
std::string SettableKeys();

inline constexpr std::string_view ScoringOptionsHelp =
    "  --settings FILE.reg        settings file in the registry editor's format; the program's key\n"
    "                             is named after the file (Canitorn.reg holds Canitorn's key)\n"
    "  --set Key=Value            one scoring setting, repeatable, applied after --settings\n"
    "  --hundredths               times and totals with two decimals (light-barrier port open)\n"
    "  --decimal-separator , | .  separator of decimal texts (default ,)\n";

} // namespace caniparc::cli
