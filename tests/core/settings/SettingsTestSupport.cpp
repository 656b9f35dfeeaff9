// Shared pieces of the settings tests (see SettingsTestSupport.h).
#include "SettingsTestSupport.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace caniparc {

void PrintTo(const StoredValue& value, std::ostream* out) {
    switch (value.kind) {
    case ValueKind::Dword:
        *out << "dword " << value.dword;
        return;
    case ValueKind::String:
    case ValueKind::ExpandString:
        *out << (value.kind == ValueKind::String ? "text \"" : "expandable text \"") << value.text << '"';
        return;
    case ValueKind::Binary:
    case ValueKind::Other:
        *out << "type " << (value.kind == ValueKind::Binary ? 3 : value.otherType) << " bytes";
        for (const std::uint8_t byte : value.bytes)
            *out << ' ' << static_cast<int>(byte);
        return;
    }
}

void PrintTo(const NamedValue& value, std::ostream* out) {
    *out << value.name << " = ";
    PrintTo(value.value, out);
}

} // namespace caniparc

namespace caniparc::testing {

TempFolder::TempFolder() {
    std::string pattern = "/tmp/caniparc-settings-test-XXXXXX";
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("no temporary folder");
    path_ = pattern;
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

Settings ChangedSettings() {
    Settings s;
    s.Left = -1920; // a monitor left of the primary one
    s.Top = -5;
    s.Width = 1024;
    s.Height = 700;
    s.Sound = false;
    s.Port = 3;
    s.Alg = 1;
    s.FilterInd = 2;
    s.Monitor = 1;
    s.Klass = true;
    s.StartLock = 2500;
    s.Wait = 3100;
    s.LsCFG = 2;
    s.AutoEin = false;
    s.FilterIndO = 3;
    s.AutoEinS = 2550;
    s.Manuell = false;
    s.Title = "Agility-Cup \"Nord\" 2026";
    s.Kontakt = 1;
    s.LaufCount = 2;
    s.Bonus = true;
    s.Multi = 7;
    s.Adel = 2;
    s.ZeitStandart = 45;
    s.ZeitMax = 90;
    s.ZFCalc = false;
    s.Title2 = "in Halle Süd\\Ost am 08.12.2026";
    s.Title3 = "Jörg Weiß\nund Ærø";
    s.Katego = "Large – €";
    s.Dist = 212.75;
    s.Skor = 3.85;
    s.AutoRang = false;
    s.EditRes = false;
    s.AutoNext = true;
    s.QP2 = 5;
    s.QP3 = 15;
    s.QP4 = 25;
    s.QPs1 = "Ausgezeichnet";
    s.QPs2 = "Sehr \"gut\"";
    s.QPs3 = "Gut\\";
    s.QPs4 = "Ohne Qualifikation";
    s.RezervDir = "/srv/Prüfung/backup/";
    return s;
}

MemoryStore StoreOf(const Settings& settings) {
    MemoryStore store;
    SaveSettings(store, settings);
    return store;
}

MemoryStore StoreWith(const std::vector<NamedValue>& values) {
    MemoryStore store;
    store.Save(values);
    return store;
}

std::string ReadBytes(const std::filesystem::path& file) {
    std::ifstream stream(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>());
}

void WriteBytes(const std::filesystem::path& file, const std::string& bytes) {
    std::ofstream stream(file, std::ios::binary | std::ios::trunc);
    stream << bytes;
}

} // namespace caniparc::testing
