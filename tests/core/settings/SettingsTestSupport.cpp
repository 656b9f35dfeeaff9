// Shared pieces of the settings tests (see SettingsTestSupport.h).
#include "SettingsTestSupport.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

namespace caniparc {

void PrintTo(const StoredValue& value, std::ostream* out) {
    *out << "kind " << static_cast<int>(value.kind) << " dword " << value.dword << " text \"" << value.text
         << "\" type " << value.otherType << " bytes";
    for (const std::uint8_t byte : value.bytes)
        *out << ' ' << static_cast<int>(byte);
}

void PrintTo(const NamedValue& value, std::ostream* out) {
    *out << value.name << " = ";
    PrintTo(value.value, out);
}

} // namespace caniparc

namespace caniparc::testing {

TempFolder::TempFolder() {
    // create_directory is false for a name that exists, so a folder is never shared with anyone.
    std::mt19937_64 random(std::random_device{}());
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::filesystem::path candidate =
            std::filesystem::temp_directory_path() / ("caniparc-settings-test-" + std::to_string(random()));
        std::error_code error;
        if (std::filesystem::create_directory(candidate, error)) {
            path_ = std::move(candidate);
            return;
        }
    }
    throw std::runtime_error("no temporary folder");
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

Settings ChangedSettings() {
    return Settings{.Left = -1920,
                    .Top = -5,
                    .Width = 1024,
                    .Height = 700,
                    .Sound = false,
                    .Port = 3,
                    .Alg = 1,
                    .FilterInd = 2,
                    .Monitor = 1,
                    .Klass = true,
                    .StartLock = 2500,
                    .Wait = 3100,
                    .LsCFG = 2,
                    .AutoEin = false,
                    .FilterIndO = 3,
                    .AutoEinS = 2550,
                    .Manuell = false,
                    .Title = "Agility-Cup \"Nord\" 2026",
                    .Kontakt = 1,
                    .LaufCount = 2,
                    .Bonus = true,
                    .Multi = 7,
                    .Adel = 2,
                    .ZeitStandart = 45,
                    .ZeitMax = 90,
                    .ZFCalc = false,
                    .Title2 = "in Halle Süd\\Ost am 08.12.2026",
                    .Title3 = "Jörg Weiß\nund Ærø",
                    .Katego = "Large – €",
                    .Dist = 212.75,
                    .Skor = 3.85,
                    .AutoRang = false,
                    .EditRes = false,
                    .AutoNext = true,
                    .QP2 = 5,
                    .QP3 = 15,
                    .QP4 = 25,
                    .QPs1 = "Ausgezeichnet",
                    .QPs2 = "Sehr \"gut\"",
                    .QPs3 = "Gut\\",
                    .QPs4 = "Ohne Qualifikation",
                    .RezervDir = "/srv/Prüfung/backup/",
                    .LiveWeb = 1,
                    .LivePort = 8181,
                    .ShowServer = "büro.local",
                    .ShowPort = 8883,
                    .ShowName = "Frühjahrsturnier",
                    .ShowRing = "Ring 2",
                    .ShowUser = "ring2",
                    .ShowPassword = "ge\"heim\\",
                    .ShowCaFile = "/etc/ssl/büro-ca.crt"};
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
