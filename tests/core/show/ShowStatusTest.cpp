// The station's status line for the show and the kind of a published change.
#include "show/ShowStatus.h"
#include "show/ShowSource.h"

#include <gtest/gtest.h>

namespace caniparc {
namespace {

TEST(ShowStatus, SaysSinceWhenAndHowMuchWaits) {
    EXPECT_EQ(ShowStatusText(true, 14, 3, 12).text, "Turnier: verbunden");
    EXPECT_FALSE(ShowStatusText(true, 14, 3, 12).alarm);
    EXPECT_EQ(ShowStatusText(false, 14, 3, 12).text, "Turnier: getrennt seit 14:03 - 12 Einträge ausstehend");
    EXPECT_TRUE(ShowStatusText(false, 14, 3, 12).alarm);
    EXPECT_EQ(ShowStatusText(false, 9, 0, 1).text, "Turnier: getrennt seit 09:00 - 1 Eintrag ausstehend");
    EXPECT_EQ(ShowStatusText(false, 9, 0, 0).text, "Turnier: getrennt seit 09:00");
}

ShowRow Starter(const std::string& number, const std::string& time1, const std::string& time2 = "") {
    ShowRow row;
    row[ColStartNr] = number;
    row[ColTime1] = time1;
    row[ColTime2] = time2;
    return row;
}

TEST(ShowStatus, ATimeWhereThereWasNoneIsAnEntryAnythingElseACorrection) {
    const std::vector<ShowRow> before = {Starter("1", ""), Starter("2", "30,00")};
    const auto kind = [&](std::vector<ShowRow> rows) {
        return KindOfChange(before, ProtocolChange{false, std::move(rows), {}, {}});
    };
    EXPECT_EQ(kind({Starter("1", "31,00")}), ShowEventKind::Entry);
    EXPECT_EQ(kind({Starter("2", "30,00", "29,00")}), ShowEventKind::Entry); // the second run
    EXPECT_EQ(kind({Starter("7", "31,00")}), ShowEventKind::Entry);          // a starter entered late
    EXPECT_EQ(kind({Starter("2", "32,00")}), ShowEventKind::Correction);
    EXPECT_EQ(kind({Starter("1", "")}), ShowEventKind::Correction);
    EXPECT_EQ(KindOfChange(before, ProtocolChange{false, {}, {"2"}, {}}), ShowEventKind::Correction);
}

TEST(ShowSettings, TravelWithTheSnapshotAndOnlySaneValuesAreTaken) {
    Settings station;
    station.Title = "Agility A3";
    station.LaufCount = 2;
    station.Bonus = true;
    station.Dist = 187.5;
    station.TimeFormatIndex = 1;
    Settings board;
    ApplyShowSettings(board, ShowSettingsOf(station));
    EXPECT_EQ(ShowSettingsOf(board), ShowSettingsOf(station));
    Settings kept;
    ApplyShowSettings(kept, {{"LaufCount", "3"},
                             {"Dist", "nan"},
                             {"Skor", "1e999"},
                             {"Bonus", "yes"},
                             {"TimeFormatIndex", "1x"},
                             {"RezervDir", "/etc/"},
                             {"ZeitMax", "-5"}});
    EXPECT_EQ(ShowSettingsOf(kept), ShowSettingsOf(Settings{}));
    EXPECT_EQ(kept.RezervDir, Settings{}.RezervDir);
}

} // namespace
} // namespace caniparc
