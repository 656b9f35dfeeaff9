// The settings dialog's rules without a window: suggestions, band tops, port and monitor
// entries, the copy in and out with its ranges, the clamping of a damaged store at start-up,
// and the order in which "OK" reaches the running station and the store.
#include "station/SettingsForm.h"
#include "RecordingDialogs.h"

#include "FakeSerialBackend.h"
#include "ManualClock.h"
#include "settings/SettingsIO.h"
#include "settings/SettingsStore.h"
#include "station/Dialogs.h"
#include "station/Station.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <limits>

namespace caniparc {
namespace {

struct SuggestionCase {
    double dist, skor;
    int standard, maximum;
};

class SuggestTimesTest : public ::testing::TestWithParam<SuggestionCase> {};

TEST_P(SuggestTimesTest, RoundsHalvesToEvenAndDropsTheMaximumsFraction) {
    const auto& c = GetParam();
    const SuggestedTimes times = SuggestTimes(c.dist, c.skor);
    EXPECT_EQ(times.standard, c.standard);
    EXPECT_EQ(times.maximum, c.maximum);
}

INSTANTIATE_TEST_SUITE_P(Rows, SuggestTimesTest,
                         ::testing::Values(SuggestionCase{180, 3.0, 60, 90}, SuggestionCase{100, 3.0, 33, 49},
                                           SuggestionCase{125, 2.5, 50, 75}, SuggestionCase{105, 3.0, 35, 52},
                                           SuggestionCase{105, 2.0, 52, 78}, // 52.5: the even second
                                           SuggestionCase{107, 2.0, 54, 81}, // 53.5: the even second
                                           SuggestionCase{0, 3.0, 0, 0}, SuggestionCase{1000, 0.5, 2000, 3000},
                                           SuggestionCase{180, 0.0, 0, 0}));

TEST(SettingsFormTest, BandTopIsOneBelowTheNextBandWithNinetyNine) {
    EXPECT_EQ(BandUpperText(6), "5.99");
    EXPECT_EQ(BandUpperText(20), "19.99");
    EXPECT_EQ(BandUpperText(1), "0.99");
}

TEST(SettingsFormTest, PortEntriesShowTheirDeviceAndParseBackToTheStoredNumber) {
    const std::vector<std::pair<PortEntry, std::string>> rows = {
        {{0, "Kein", {}}, "Kein"},
        {{5, "COM5", "/dev/ttyUSB0"}, "COM5 (/dev/ttyUSB0)"},
        {{12, "COM12", "/dev/ttyUSB7"}, "COM12 (/dev/ttyUSB7)"},
        {{3, "COM3", "\\\\.\\COM3"}, "COM3"}, // Windows names need no repeating
    };
    for (const auto& [entry, text] : rows) {
        EXPECT_EQ(PortEntryText(entry), text);
        EXPECT_EQ(PortNumberFromEntry(PortEntryText(entry)), entry.number) << text;
    }
}

TEST(SettingsFormTest, MonitorListNeedsTwoMonitors) {
    Settings s;
    s.Monitor = 1;
    const SettingsForm one = FormFromSettings(s, {{0, 0, 1366, 768}});
    EXPECT_FALSE(one.monitorListEnabled);
    EXPECT_EQ(one.monitors, std::vector<std::string>{"nicht angeschlossen"});
    EXPECT_EQ(one.monitorIndex, 0);

    const SettingsForm two = FormFromSettings(s, {{0, 0, 1366, 768}, {1366, -8, 1920, 1080}});
    EXPECT_TRUE(two.monitorListEnabled);
    EXPECT_EQ(two.monitors, (std::vector<std::string>{"0=(0,0)-(1366,768)", "1=(1366,-8)-(1920,1080)"}));
    EXPECT_EQ(two.monitorIndex, 1);
}

TEST(SettingsFormTest, AStoredPortThatIsNotPresentOpensAsKein) {
    Settings s;
    s.PortMask = (3u << 16) | 0b101; // COM1 and COM3
    s.Port = 12;
    SettingsForm form = FormFromSettings(s, {});
    EXPECT_EQ(form.portIndex, 0);
    EXPECT_FALSE(form.BarrierOptionsEnabled());
    s.Port = 3;
    form = FormFromSettings(s, {});
    ASSERT_EQ(form.ports.size(), 3u);
    EXPECT_EQ(form.portIndex, 2);
    EXPECT_EQ(ChosenPort(form), 3);
    EXPECT_TRUE(form.BarrierOptionsEnabled());
}

TEST(SettingsFormTest, TimesRoundTripThroughSecondsToTheMillisecond) {
    Settings s;
    s.Wait = 2500;
    SettingsForm form = FormFromSettings(s, {});
    EXPECT_DOUBLE_EQ(form.waitSeconds, 2.5);
    form.waitSeconds = 2.55;
    form.autoEinSeconds = 2.5;
    form.startLockSeconds = 0.2; // below the control's range
    CopyFormToSettings(form, s);
    EXPECT_EQ(s.Wait, 2550);
    EXPECT_EQ(s.AutoEinS, 2500);
    EXPECT_EQ(s.StartLock, 1000);
    EXPECT_EQ(AutoEntryHint(s.AutoEinS, ','), "Automatische Eintragung in 2,5 Sekunden");
}

TEST(SettingsFormTest, CopyBackKeepsEveryValueAndTheRadioPairs) {
    Settings s;
    SettingsForm form = FormFromSettings(s, {});
    form.Title = "Pokal";
    form.rezervDir = "/media/stick/";
    form.qp2 = 7;
    form.qps2 = "Gut+";
    form.laufCount = 2;
    form.kontakt = 1;
    form.lsCfg = 2;
    form.zeitStandart = 45;
    form.zeitMax = 1500; // beyond the three digits the control takes
    form.bonus = true;
    form.dist = std::numeric_limits<double>::quiet_NaN();
    CopyFormToSettings(form, s);
    EXPECT_EQ(s.Title, "Pokal");
    EXPECT_EQ(s.RezervDir, "/media/stick/");
    EXPECT_EQ(s.QP2, 7);
    EXPECT_EQ(s.QPs2, "Gut+");
    EXPECT_EQ(s.LaufCount, 2);
    EXPECT_EQ(s.Kontakt, 1);
    EXPECT_EQ(s.LsCFG, 2);
    EXPECT_EQ(s.ZeitStandart, 45);
    EXPECT_EQ(s.ZeitMax, 999);
    EXPECT_TRUE(s.Bonus);
    EXPECT_DOUBLE_EQ(s.Dist, 180.0);
}

TEST(SettingsFormTest, DamagedStoreValuesAreBroughtIntoTheDialogsRanges) {
    Settings s;
    s.LsCFG = 7;
    s.StartLock = 0;
    s.Wait = -5;
    s.AutoEinS = 10'000'000;
    s.Adel = 12;
    s.Multi = 0;
    s.LaufCount = 3;
    s.Kontakt = -1;
    s.Alg = 4;
    s.ZeitStandart = 5;
    s.ZeitMax = 5000;
    s.Skor = std::numeric_limits<double>::quiet_NaN();
    s.Dist = -1;
    s.QP4 = 0;
    s.LiveWeb = 7;
    s.LivePort = 80; // a privileged port the station could not open
    const auto changed = ClampToDialogRanges(s);
    EXPECT_EQ(changed.size(), 16u);
    EXPECT_EQ(s.LiveWeb, 1);
    EXPECT_EQ(s.LivePort, 1024);
    EXPECT_EQ(s.LsCFG, 2);
    EXPECT_EQ(s.StartLock, 1000);
    EXPECT_EQ(s.Wait, 1000);
    EXPECT_EQ(s.AutoEinS, 600000);
    EXPECT_EQ(s.Adel, 9);
    EXPECT_EQ(s.Multi, 1);
    EXPECT_EQ(s.LaufCount, 2);
    EXPECT_EQ(s.Kontakt, 0);
    EXPECT_EQ(s.Alg, 1);
    EXPECT_EQ(s.ZeitStandart, 10);
    EXPECT_EQ(s.ZeitMax, 999);
    EXPECT_DOUBLE_EQ(s.Skor, 3.0);
    EXPECT_DOUBLE_EQ(s.Dist, 0.0);
    EXPECT_EQ(s.QP4, 3);

    Settings defaults;
    EXPECT_TRUE(ClampToDialogRanges(defaults).empty());
}

// --- Applying "OK" to the running station --------------------------------------------------

class CountingStore final : public SettingsStore {
public:
    std::optional<StoredValues> values;
    int saves = 0;
    std::optional<StoredValues> Load() const override { return values; }
    bool Save(const std::vector<NamedValue>& written) override {
        ++saves;
        values.emplace();
        for (const NamedValue& value : written)
            values->insert_or_assign(value.name, value.value);
        return true;
    }
};

// Notes each step with what the settings held at that moment.
struct RecordingEffects final : SettingsEffects {
    explicit RecordingEffects(const Station& s) : station(s) {}
    const Station& station;
    std::vector<std::string> steps;
    void Note(const std::string& step) { steps.push_back(step); }
    void CourseTimesChanged() override { Note("times"); }
    void AutoEntryHintChanged() override { Note("hint"); }
    void BonusEntriesChanged() override { Note("bonus"); }
    void CourseSchemeApplied() override { Note("scheme"); }
    void MonitorChanged() override { Note("monitor"); }
    void LanesReset() override { Note("lanes"); }
    void ColumnsChanged() override { Note("columns"); }
};

class ApplySettingsTest : public ::testing::Test {
protected:
    ApplySettingsTest() {
        folder =
            std::filesystem::temp_directory_path() / ("caniparc-form-" + std::to_string(::getpid()) + "-" +
                                                      ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(folder);
    }
    ~ApplySettingsTest() override {
        std::error_code held; // on Windows the station still holds its backup lock here
        std::filesystem::remove_all(folder, held);
    }

    void Start(int monitors = 1) { station.Startup({folder.string() + "/", "", "", {}, monitors}, ','); }

    std::filesystem::path folder;
    testing::ManualClock clock;
    testing::RecordingDialogs dialogs;
    testing::FakeSerialBackend serial;
    CountingStore store;
    Station station{{.time = clock,
                     .scheduler = clock,
                     .dialogs = dialogs,
                     .settingsStore = &store,
                     .serial = &serial,
                     .devicePresent = [](const std::string& device) { return device == "/dev/ttyUSB0"; }},
                    "caniparc"};
};

TEST_F(ApplySettingsTest, OkAppliesInTheDialogsOrderAndWritesTheStoreAtOnce) {
    Start();
    SettingsForm form = FormFromSettings(station.GetSettings(), {});
    form.zeitStandart = 40;
    form.lsCfg = 2;
    form.waitSeconds = 2.5;
    RecordingEffects effects(station);
    ASSERT_TRUE(station.ApplySettingsForm(form, effects));
    EXPECT_EQ(effects.steps,
              (std::vector<std::string>{"times", "hint", "bonus", "scheme", "monitor", "lanes", "columns"}));
    EXPECT_EQ(store.saves, 1);
    Settings reloaded;
    LoadSettings(store, reloaded);
    EXPECT_EQ(reloaded.ZeitStandart, 40);
    EXPECT_EQ(reloaded.LsCFG, 2);
    EXPECT_EQ(reloaded.Wait, 2500);
}

TEST_F(ApplySettingsTest, NewTimesTakeEffectOnTheNextRun) {
    Start();
    SettingsForm form = FormFromSettings(station.GetSettings(), {});
    form.zeitStandart = 10;
    form.zeitMax = 20;
    RecordingEffects effects(station);
    station.ApplySettingsForm(form, effects);
    auto& run = station.Run();
    run.Start();
    clock.Advance(12'000);
    EXPECT_EQ(run.Lane(0).timeFaultText, "2,0"); // tenths without a port, as the entry writes them
    clock.Advance(9'000);
    EXPECT_FALSE(run.Enabled(Command::Stop1)); // stopped at the maximum time of 20 s
}

// The fixture names COM5's device as Linux does (/dev/ttyUSB0).
#ifndef _WIN32
TEST_F(ApplySettingsTest, PortIsClosedAndReopenedFiftyMillisecondsLater) {
    station.GetSettings().Port = 0;
    Start();
    SettingsForm form = FormFromSettings(station.GetSettings(), {});
    ASSERT_EQ(form.ports.size(), 2u); // "Kein" and COM5
    form.portIndex = 1;
    form.alg = 1;
    RecordingEffects effects(station);
    station.ApplySettingsForm(form, effects);
    EXPECT_EQ(station.GetSettings().Port, 5);
    EXPECT_EQ(station.GetSettings().Alg, 1);
    EXPECT_FALSE(station.Port().Connected());
    clock.Advance(50);
    EXPECT_TRUE(station.Port().Connected());
    // Hundredths from now on: the ready lane's last digit is lit, not dim as in tenths.
    EXPECT_EQ(station.Run().Lane(0).digits.lit[4], kYellow);

    form = FormFromSettings(station.GetSettings(), {});
    form.portIndex = 0; // "Kein": the algorithm keeps its value
    form.alg = 0;
    station.ApplySettingsForm(form, effects);
    EXPECT_EQ(station.GetSettings().Port, 0);
    EXPECT_EQ(station.GetSettings().Alg, 1);
    EXPECT_FALSE(station.Port().Connected());
}
#endif

TEST_F(ApplySettingsTest, NothingIsAppliedWhileARunIsTimed) {
    Start();
    station.Run().Start();
    SettingsForm form = FormFromSettings(station.GetSettings(), {});
    form.lsCfg = 0;
    RecordingEffects effects(station);
    EXPECT_FALSE(station.ApplySettingsForm(form, effects));
    EXPECT_TRUE(effects.steps.empty());
    EXPECT_EQ(station.GetSettings().LsCFG, 1);
    EXPECT_EQ(store.saves, 0);
}

TEST_F(ApplySettingsTest, StartupClampsTheStoreAndResetsAMissingMonitor) {
    Settings damaged;
    damaged.LsCFG = 7;
    damaged.Monitor = 2;
    SaveSettings(store, damaged);
    Start(2);
    EXPECT_EQ(station.GetSettings().LsCFG, 2);
    EXPECT_EQ(station.GetSettings().Monitor, 0);
}

TEST_F(ApplySettingsTest, AnExistingMonitorIsKept) {
    Settings stored;
    stored.Monitor = 1;
    SaveSettings(store, stored);
    Start(2);
    EXPECT_EQ(station.GetSettings().Monitor, 1);
}

} // namespace
} // namespace caniparc
