// The contact log: where its lines go, what they say, that nothing is written inside the
// hand-over, and that an unwritable folder loses nothing.
#include "ManualClock.h"
#include "settings/Settings.h"
#include "timing/BarrierRouting.h"
#include "timing/ContactLog.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

namespace caniparc {
namespace {

using testing::ManualClock;
namespace fs = std::filesystem;

constexpr std::int64_t kDay = 86'400'000;
// 2026-12-08 in local milliseconds since 1970.
constexpr std::int64_t kDecember8 = 20'795 * kDay;

class SetWallClock final : public WallClock {
public:
    std::int64_t now = kDecember8 + 14 * 3'600'000;
    std::int64_t LocalMilliseconds() const override { return now; }
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
        std::ostringstream text;
        text << file.rdbuf();
        return text.str();
    }
    ContactRecord Contact(std::int64_t stamp) {
        ContactRecord record;
        record.stamp = stamp;
        record.line = "CTS (7+8)";
        record.level = true;
        record.edges = 1;
        record.count = 17;
        record.countKnown = true;
        record.outcome = "Start";
        return record;
    }
};

TEST_F(SerialContactLogTest, Contact_GoesToTheDayFileInTheBackupFolder_AtTheContactsOwnTime) {
    const std::int64_t stamp = clock.GetCount();
    clock.Skew(250'000); // handled 250 ms after the contact
    log.Record(Contact(stamp));
    ASSERT_TRUE(log.Flush());
    EXPECT_EQ(Read("2026-12-08"), "Zeit\tLeitung\tPegel\tFlanken\tZaehler\tZeitstempel\tQuelle\tErgebnis\r\n"
                                  "2026-12-08 13:59:59.750\tCTS (7+8)\tan\t1\t17\t" +
                                      std::to_string(stamp) + "\tLS\tStart\r\n");
}

TEST_F(SerialContactLogTest, NothingIsWrittenWhileHandling_OnlyWhenTheFlushTimerFires) {
    log.Record(Contact(clock.GetCount()));
    EXPECT_FALSE(fs::exists(folder / "caniparc-Kontakte-2026-12-08.txt"));
    clock.Advance(ContactLog::kFlushDelayMs);
    EXPECT_NE(Read("2026-12-08").find("\tStart\r\n"), std::string::npos);
    EXPECT_EQ(log.Buffered(), 0u);
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

// The routing writes what it made of every line change, refused ones included.
class NoRun final : public RunCommands {
public:
    bool StartEnabled() const override { return true; }
    void StartCommand(std::int64_t) override {}
    void LaneFinishContact(int, std::int64_t) override {}
    bool BarrierFree(Barrier) const override { return false; }
    void ToggleBarrier(Barrier) override {}
};

class NoModem final : public ModemStatusSource {
public:
    std::uint32_t GetModemStatus() override { return 0; }
};

TEST_F(SerialContactLogTest, LockedBarrierAndImitation_AreLoggedWithTheirOutcome) {
    NoRun run;
    NoModem modem;
    BarrierRouting routing(settings, run, clock, modem, &log);
    LineChange change;
    change.sequence = 1;
    change.stamp = clock.GetCount();
    change.status = kLineCts;
    change.changed = kLineCts;
    change.edges.cts = 1;
    routing.ComPortStart(change);
    routing.bImitClick(1);
    ASSERT_TRUE(log.Flush());
    const std::string text = Read("2026-12-08");
    EXPECT_NE(text.find("\tLS\tignoriert: gesperrt\r\n"), std::string::npos);
    EXPECT_NE(text.find("\tImitation\tignoriert: gesperrt\r\n"), std::string::npos);
}

} // namespace
} // namespace caniparc
