// Scoring options of the command line (see ScoringOptions.h).
#include "ScoringOptions.h"

#include "common/NumberText.h"
#include "settings/RegFileStore.h"
#include "settings/SettingRanges.h"
#include "settings/SettingsIO.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <filesystem>
#include <variant>

namespace caniparc::cli {
namespace {

struct IntRange {
    int Settings::*field;
    Range<int> range;
};
struct RealRange {
    double Settings::*field;
    Range<double> range;
};
using Target = std::variant<IntRange, RealRange, bool Settings::*, std::string Settings::*>;

struct Key {
    std::string_view name;
    Target target;
};

// What recomputing, ranking and the exports read; the ranges are those the settings dialog allows.
const auto kKeys = std::to_array<Key>({
    {"LaufCount", IntRange{&Settings::LaufCount, ranges::LaufCount}},
    {"Multi", IntRange{&Settings::Multi, ranges::Multi}},
    {"Adel", IntRange{&Settings::Adel, ranges::Adel}},
    {"ZeitStandart", IntRange{&Settings::ZeitStandart, ranges::CourseTime}},
    {"ZeitMax", IntRange{&Settings::ZeitMax, ranges::CourseTime}},
    {"ZFCalc", &Settings::ZFCalc},
    {"Dist", RealRange{&Settings::Dist, ranges::Dist}},
    {"AutoRang", &Settings::AutoRang},
    {"Bonus", &Settings::Bonus},
    {"QP2", IntRange{&Settings::QP2, ranges::QP2}},
    {"QP3", IntRange{&Settings::QP3, ranges::QP3}},
    {"QP4", IntRange{&Settings::QP4, ranges::QP4}},
    {"QPs1", &Settings::QPs1},
    {"QPs2", &Settings::QPs2},
    {"QPs3", &Settings::QPs3},
    {"QPs4", &Settings::QPs4},
    {"Title", &Settings::Title},
    {"Title2", &Settings::Title2},
    {"Title3", &Settings::Title3},
    {"Katego", &Settings::Katego},
    {"Skor", RealRange{&Settings::Skor, ranges::Skor}},
});

bool SameKey(std::string_view a, std::string_view b) {
    return std::ranges::equal(a, b, [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
    });
}

std::string Assign(Settings& settings, const IntRange& range, std::string_view value) {
    const auto number = ParseInteger(value);
    if (!number || *number < range.range.low || *number > range.range.high)
        return "an integer from " + std::to_string(range.range.low) + " to " + std::to_string(range.range.high);
    settings.*range.field = static_cast<int>(*number);
    return {};
}

std::string RangeEnd(double value) {
    return FormatFixed(value, value == std::floor(value) ? 0 : 1, '.');
}

std::string Assign(Settings& settings, const RealRange& range, std::string_view value) {
    const auto number = ParseDecimal(value, '.');
    if (!number || !range.range.Holds(*number))
        return "a number from " + RangeEnd(range.range.low) + " to " + RangeEnd(range.range.high);
    settings.*range.field = *number;
    return {};
}

std::string Assign(Settings& settings, bool Settings::*field, std::string_view value) {
    if (value == "1" || SameKey(value, "true"))
        settings.*field = true;
    else if (value == "0" || SameKey(value, "false"))
        settings.*field = false;
    else
        return "0, 1, true or false";
    return {};
}

std::string Assign(Settings& settings, std::string Settings::*field, std::string_view value) {
    settings.*field = std::string(value);
    return {};
}

bool TakeValue(const std::vector<std::string>& args, std::size_t& i, std::string& value, std::string& error) {
    if (i + 1 >= args.size()) {
        error = "option " + args[i] + " needs a value";
        return false;
    }
    value = args[++i];
    return true;
}

std::string LoadSettingsFile(Settings& settings, const std::string& path) {
    std::error_code code;
    if (!std::filesystem::is_regular_file(path, code))
        return "cannot read settings file " + path + ": no such file";
    const std::string title = std::filesystem::path(path).stem().string();
    const RegFileStore store(path, title);
    if (!LoadSettings(store, settings).storeFound)
        return "settings file " + path + " holds no readable key \\Software\\Kronolux\\" + title;
    return {};
}

} // namespace

std::string ApplySetting(Settings& settings, std::string_view assignment) {
    const std::size_t equals = assignment.find('=');
    if (equals == std::string_view::npos)
        return "--set needs Key=Value, got \"" + std::string(assignment) + "\"";
    const std::string_view name = assignment.substr(0, equals);
    const std::string_view value = assignment.substr(equals + 1);
    const auto key = std::ranges::find_if(kKeys, [&](const Key& k) { return SameKey(k.name, name); });
    if (key == kKeys.end())
        return "unknown setting \"" + std::string(name) + "\" (known: " + SettableKeys() + ")";
    const std::string expected =
        std::visit([&](const auto& target) { return Assign(settings, target, value); }, key->target);
    if (expected.empty())
        return {};
    return "bad value \"" + std::string(value) + "\" for " + std::string(key->name) + ": expected " + expected;
}

std::string SettableKeys() {
    std::string names;
    for (const Key& key : kKeys)
        names += (names.empty() ? "" : ", ") + std::string(key.name);
    return names;
}

bool ParseScoringOption(const std::vector<std::string>& args, std::size_t& i, ScoringOptions& options,
                        std::string& error) {
    const std::string& arg = args[i];
    std::string value;
    if (arg == "--hundredths") {
        options.hundredths = true;
    } else if (arg == "--settings") {
        if (TakeValue(args, i, value, error))
            options.settingsFile = value;
    } else if (arg == "--set") {
        if (TakeValue(args, i, value, error))
            options.assignments.push_back(value);
    } else if (arg == "--decimal-separator") {
        if (TakeValue(args, i, value, error)) {
            if (value == "," || value == ".")
                options.decimalSeparator = value[0];
            else
                error = "--decimal-separator takes , or . (got \"" + value + "\")";
        }
    } else {
        return false;
    }
    ++i;
    return true;
}

OptionError ApplyScoringOptions(const ScoringOptions& options, Settings& settings) {
    if (!options.settingsFile.empty()) {
        if (std::string error = LoadSettingsFile(settings, options.settingsFile); !error.empty())
            return {std::move(error), true};
    }
    for (const std::string& assignment : options.assignments) {
        if (std::string error = ApplySetting(settings, assignment); !error.empty())
            return {std::move(error), false};
    }
    settings.TimeFormatIndex = options.hundredths ? 1 : 0;
    settings.DecimalSeparator = options.decimalSeparator;
    return {};
}

} // namespace caniparc::cli
