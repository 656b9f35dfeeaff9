// The station's status line for the show and the kind of a published change.
#include "show/ShowStatus.h"
#include "show/ProtocolChange.h"
#include "show/RingClaim.h"
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
    // The first entry into an empty protocol takes the place of its blank row.
    const std::vector<ShowRow> blank = {Starter("", "")};
    EXPECT_EQ(KindOfChange(blank, DiffProtocol(blank, {Starter("1", "31,00")})), ShowEventKind::Entry);
    EXPECT_EQ(KindOfChange(before, DiffProtocol(before, {Starter("1", "31,00")})), ShowEventKind::Correction);
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

StateMessage Live(const std::string& id, std::uint64_t epoch) {
    return StateMessage{true, id, epoch, 0, 0};
}

TEST(RingClaim, AStationThatHearsALiveOneWhileListeningIsRefused) {
    RingClaim claim("b", 20);
    EXPECT_EQ(claim.At(0), RingClaim::Verdict::Listening); // not connected yet
    claim.Connected(1000);
    claim.Heard(Live("a", 10), true);  // retained: perhaps a station that died with the broker
    claim.Heard(Live("b", 20), false); // its own
    claim.Heard(StateMessage{false, "a", 10, 0, 0}, false);
    EXPECT_EQ(claim.At(1000 + RingClaim::ListenMs - 1), RingClaim::Verdict::Listening);
    claim.Heard(Live("a", 99), false); // alive, whatever its epoch
    EXPECT_EQ(claim.At(1000 + RingClaim::ListenMs), RingClaim::Verdict::Refused);
    EXPECT_EQ(claim.Other(), "a");
    claim.Connected(9000); // a refusal holds until the operator changes the settings
    EXPECT_EQ(claim.At(20000), RingClaim::Verdict::Refused);
    EXPECT_EQ(RingTakenText("Ring 1"), "Turnier: Ring 1 sendet schon eine andere Station");
}

TEST(RingClaim, OfTwoPublishingStationsTheFirstStartedKeepsTheRing) {
    RingClaim first("a", 10), second("b", 20);
    first.Connected(0);
    second.Connected(0);
    EXPECT_EQ(first.At(RingClaim::ListenMs), RingClaim::Verdict::Publishing);
    EXPECT_EQ(second.At(RingClaim::ListenMs), RingClaim::Verdict::Publishing);
    first.Heard(Live("b", 20), false);
    second.Heard(Live("a", 10), false);
    EXPECT_EQ(first.At(5000), RingClaim::Verdict::Publishing);
    EXPECT_EQ(second.At(5000), RingClaim::Verdict::Refused);
    // A reconnect listens again but does not give the ring away to a later station.
    first.Connected(6000);
    EXPECT_EQ(first.At(6000), RingClaim::Verdict::Listening);
    first.Heard(Live("c", 30), false);
    EXPECT_EQ(first.At(6000 + RingClaim::ListenMs), RingClaim::Verdict::Publishing);
}

} // namespace
} // namespace caniparc
