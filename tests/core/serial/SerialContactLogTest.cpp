// The contact log: where its lines go, what they say, that nothing is written inside the
// hand-over, and that an unwritable folder loses nothing.
#include "ManualClock.h"
#include "serial/BarrierRouting.h"
#include "settings/Settings.h"
#include "timing/ContactLog.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>

namespace caniparc {
namespace {

using testing::ManualClock;
namespace fs = std::filesystem;

// 2026-12-08 14:00 in local milliseconds since 1970.
class SetWallClock final : public WallClock {
public:
    std::int64_t LocalMilliseconds() const override { return 20'795 * 86'400'000LL + 14 * 3'600'000; }
};

class SerialContactLogTest : public ::testing::Test {
protected:
    fs::path folder = fs::temp_directory_path() / ("caniparc-contacts-" + std::to_string(::getpid()));
    ManualClock clock;
    SetWallClock wall;
    Settings settings;
    ContactLog log{settings, clock, wall, clock};

    SerialContactLogTest() {
        fs::remove_all(folder);
        fs::create_directories(folder);
        settings.RezervDir = folder.string() + "/";
        settings.ProgramTitle = "caniparc";
    }
    ~SerialContactLogTest() override { fs::remove_all(folder); }

    std::string Read(const std::string& date) {
        std::ifstream file(folder / ("caniparc-Kontakte-" + date + ".txt"), std::ios::binary);
        return {std::istreambuf_iterator<char>(file), {}};
    }
    static ContactRecord Contact(std::int64_t stamp) {
        return {stamp, "CTS (7+8)", true, 1, 17, true, false, "Start"}; // a start contact, count known
    }
};

TEST_F(SerialContactLogTest, Contact_WaitsForTheFlushTimer_ThenGoesToTheDayFileAtTheContactsOwnTime) {
    const std::int64_t stamp = clock.GetCount();
    clock.Skew(250'000); // handled 250 ms after the contact
    log.Record(Contact(stamp));
    EXPECT_FALSE(fs::exists(folder / "caniparc-Kontakte-2026-12-08.txt")); // nothing written inside the hand-over
    clock.Advance(ContactLog::kFlushDelayMs);
    EXPECT_EQ(log.Buffered(), 0u);
    EXPECT_EQ(Read("2026-12-08"), "Zeit\tLeitung\tPegel\tFlanken\tZaehler\tZeitstempel\tQuelle\tErgebnis\r\n"
                                  "2026-12-08 13:59:59.750\tCTS (7+8)\tan\t1\t17\t" +
                                      std::to_string(stamp) + "\tLS\tStart\r\n");
}

TEST_F(SerialContactLogTest, UnwritableFolder_KeepsTheLinesForTheNextFlush) {
    settings.RezervDir = (folder / "missing").string() + "/";
    log.Record(Contact(clock.GetCount()));
    EXPECT_FALSE(log.Flush());
    EXPECT_EQ(log.Buffered(), 1u);
    fs::create_directories(folder / "missing");
    EXPECT_TRUE(log.Flush());
    EXPECT_TRUE(fs::exists(folder / "missing" / "caniparc-Kontakte-2026-12-08.txt"));
}

// The routing logs what it made of every line change, refused ones too; here every barrier is locked.
class LockedStation final : public RunCommands, public ModemStatusSource {
public:
    bool StartEnabled() const override { return true; }
    void StartCommand(std::int64_t) override {}
    void LaneFinishContact(int, std::int64_t) override {}
    bool BarrierFree(Barrier) const override { return false; }
    void ToggleBarrier(Barrier) override {}
    std::uint32_t GetModemStatus() override { return 0; }
};

TEST_F(SerialContactLogTest, LockedBarrierAndImitation_AreLoggedWithTheirOutcome) {
    LockedStation station;
    BarrierRouting routing(settings, station, clock, station, &log);
    routing.ComPortStart({1, clock.GetCount(), kLineCts, kLineCts, {1, 0, 0}, {}, false}); // CTS rose
    routing.bImitClick(1);
    ASSERT_TRUE(log.Flush());
    const std::string text = Read("2026-12-08");
    EXPECT_NE(text.find("\tLS\tignoriert: gesperrt\r\n"), std::string::npos);
    EXPECT_NE(text.find("\tImitation\tignoriert: gesperrt\r\n"), std::string::npos);
}

} // namespace
} // namespace caniparc
