// Loading and saving the settings model (see SettingsIO.h).
#include "settings/SettingsIO.h"

#include "common/AggregateFields.h"
#include "common/NumberText.h"

#include <array>
#include <bit>
#include <variant>

namespace caniparc {
namespace {

enum class Rule {
    Plain,
    LowByte,              // only the low byte of the stored number counts (port numbers)
    KeepDefaultWhenEmpty, // an empty stored text leaves the default (the grade names)
};

using Field = std::variant<int Settings::*, bool Settings::*, double Settings::*, std::string Settings::*>;

struct Entry {
    const char* name;
    Field field;
    Rule rule = Rule::Plain;
};

// The reading order is part of the stored format: the guarded block ends at the first bad value,
// so reordering would change which values an old store still provides.
constexpr auto table = std::to_array<Entry>({
    {"Left", &Settings::Left},
    {"Top", &Settings::Top},
    {"Width", &Settings::Width},
    {"Height", &Settings::Height},
    {"Sound", &Settings::Sound},
    {"Port", &Settings::Port, Rule::LowByte},
    {"Alg", &Settings::Alg},
    {"FilterInd", &Settings::FilterInd},
    {"Monitor", &Settings::Monitor},
    {"Klass", &Settings::Klass},
    {"StartLock", &Settings::StartLock},
    {"Wait", &Settings::Wait},
    {"LsCFG", &Settings::LsCFG},
    {"AutoEin", &Settings::AutoEin},
    {"FilterIndO", &Settings::FilterIndO},
    {"AutoEinS", &Settings::AutoEinS},
    {"Manuell", &Settings::Manuell},
    {"Title", &Settings::Title},
    {"Kontakt", &Settings::Kontakt},
    {"LaufCount", &Settings::LaufCount},
    {"Bonus", &Settings::Bonus},
    {"Multi", &Settings::Multi},
    {"Adel", &Settings::Adel},
    {"ZeitStandart", &Settings::ZeitStandart},
    {"ZeitMax", &Settings::ZeitMax},
    {"ZFCalc", &Settings::ZFCalc},
    {"Title2", &Settings::Title2},
    {"Title3", &Settings::Title3},
    {"Katego", &Settings::Katego},
    {"Dist", &Settings::Dist},
    {"Skor", &Settings::Skor},
    {"AutoRang", &Settings::AutoRang},
    {"EditRes", &Settings::EditRes},
    {"AutoNext", &Settings::AutoNext},
    {"QP2", &Settings::QP2},
    {"QP3", &Settings::QP3},
    {"QP4", &Settings::QP4},
    {"QPs1", &Settings::QPs1, Rule::KeepDefaultWhenEmpty},
    {"QPs2", &Settings::QPs2, Rule::KeepDefaultWhenEmpty},
    {"QPs3", &Settings::QPs3, Rule::KeepDefaultWhenEmpty},
    {"QPs4", &Settings::QPs4, Rule::KeepDefaultWhenEmpty},
    {"RezervDir", &Settings::RezervDir},
    {"LiveWeb", &Settings::LiveWeb},
    {"LivePort", &Settings::LivePort},
    {"ShowServer", &Settings::ShowServer},
    {"ShowPort", &Settings::ShowPort},
    {"ShowName", &Settings::ShowName},
    {"ShowRing", &Settings::ShowRing},
    {"ShowUser", &Settings::ShowUser},
    {"ShowPassword", &Settings::ShowPassword},
    {"ShowCaFile", &Settings::ShowCaFile},
});

// Every field of the model is either stored (an entry above) or one of the run-time values.
static_assert(table.size() + RunTimeValueCount == AggregateFieldCount<Settings>(),
              "a field of Settings has no entry in the stored values' table (or RunTimeValueCount is off)");

// Each Read returns false when the value ends the guarded block.
bool Read(const StoredValue* value, Rule rule, int& target) {
    if (!value || value->kind != ValueKind::Dword)
        return false;
    target = rule == Rule::LowByte ? static_cast<int>(value->dword & 0xFF) : static_cast<std::int32_t>(value->dword);
    return true;
}

bool Read(const StoredValue* value, Rule, bool& target) {
    if (!value || value->kind != ValueKind::Dword)
        return false;
    target = value->dword != 0;
    return true;
}

bool Read(const StoredValue* value, Rule, double& target) {
    if (!value || value->kind != ValueKind::Binary || value->bytes.size() != 8)
        return false;
    std::uint64_t bits = 0;
    for (int i = 7; i >= 0; --i)
        bits = (bits << 8) | value->bytes[static_cast<std::size_t>(i)];
    target = std::bit_cast<double>(bits);
    return true;
}

bool Read(const StoredValue* value, Rule rule, std::string& target) {
    if (value && value->kind != ValueKind::String && value->kind != ValueKind::ExpandString)
        return false;
    const std::string text = value ? value->text : std::string();
    if (!(text.empty() && rule == Rule::KeepDefaultWhenEmpty))
        target = text;
    return true;
}

StoredValue Stored(int value) {
    return StoredValue::Dword(static_cast<std::uint32_t>(value));
}

StoredValue Stored(bool value) {
    return StoredValue::Dword(value ? 1 : 0);
}

StoredValue Stored(const std::string& value) {
    return StoredValue::String(value);
}

StoredValue Stored(double value) {
    std::vector<std::uint8_t> bytes(8);
    const auto bits = std::bit_cast<std::uint64_t>(value);
    for (std::size_t i = 0; i < 8; ++i)
        bytes[i] = static_cast<std::uint8_t>(bits >> (8 * i));
    return StoredValue::Binary(std::move(bytes));
}

} // namespace

const int StoredValueCount = static_cast<int>(table.size());

LoadResult LoadSettings(const SettingsStore& store, Settings& settings) {
    LoadResult result;
    const auto values = store.Load();
    if (!values)
        return result;
    result.storeFound = true;
    for (const Entry& entry : table) {
        const auto found = values->find(std::string_view(entry.name));
        const StoredValue* value = found == values->end() ? nullptr : &found->second;
        const bool taken =
            std::visit([&](auto member) { return Read(value, entry.rule, settings.*member); }, entry.field);
        if (!taken)
            break;
        ++result.valuesTaken;
    }
    return result;
}

std::vector<NamedValue> StoredSettingsValues(const Settings& settings) {
    std::vector<NamedValue> values;
    values.reserve(table.size());
    for (const Entry& entry : table)
        values.push_back({entry.name, std::visit([&](auto member) { return Stored(settings.*member); }, entry.field)});
    return values;
}

bool SaveSettings(SettingsStore& store, const Settings& settings) {
    return store.Save(StoredSettingsValues(settings));
}

std::string AutoEntryHint(int autoEinS, char decimalSeparator) {
    return "Automatische Eintragung in " + FormatFixed(autoEinS / 1000.0, 1, decimalSeparator) + " Sekunden";
}

int MonitorInRange(int monitor, int monitorCount) {
    return monitor < 0 || monitor > monitorCount - 1 ? 0 : monitor;
}

} // namespace caniparc
