// The station's show settings and the watch over the broker's acknowledgements, in simulated time.
#include "show/ShowConfig.h"
#include "show/AckWatch.h"
#include "show/ShowStatus.h"

#include "settings/Settings.h"

#include <gtest/gtest.h>

namespace caniparc {
namespace {

TEST(ShowConfig, OnlyAServerWithUsableNamesPublishes) {
    Settings s;
    EXPECT_EQ(ShowSetupOf(ShowConfigOf(s)), ShowSetup::Off);
    s.ShowServer = "  ";
    EXPECT_EQ(ShowSetupOf(ShowConfigOf(s)), ShowSetup::Off);
    s.ShowServer = "buero.local";
    s.ShowName = "Cup";
    EXPECT_EQ(ShowSetupOf(ShowConfigOf(s)), ShowSetup::Invalid);
    EXPECT_EQ(ShowConfigProblemText(ShowConfigOf(s)), "Turnier: Name des Rings fehlt oder ist ungültig");
    s.ShowRing = "Ring 1/2"; // a slash would put the ring into another topic
    EXPECT_EQ(ShowSetupOf(ShowConfigOf(s)), ShowSetup::Invalid);
    s.ShowRing = "Ring 1";
    EXPECT_EQ(ShowSetupOf(ShowConfigOf(s)), ShowSetup::On);
    s.ShowName = "#";
    EXPECT_EQ(ShowConfigProblemText(ShowConfigOf(s)), "Turnier: Name des Turniers fehlt oder ist ungültig");
}

TEST(ShowConfig, TheOutboxFileBelongsToOneBackupFolderAndStaysPut) {
    const auto a = OutboxFilePath("/home/r/.local/share/Kronolux", "caniparc", "/home/r/ring1/");
    EXPECT_EQ(a, OutboxFilePath("/home/r/.local/share/Kronolux", "caniparc", "/home/r/ring1/"));
    EXPECT_NE(a, OutboxFilePath("/home/r/.local/share/Kronolux", "caniparc", "/home/r/ring2/"));
    EXPECT_EQ(a.parent_path(), std::filesystem::path("/home/r/.local/share/Kronolux"));
    EXPECT_EQ(a.filename().string().rfind("caniparc-Turnier-", 0), 0u);
    EXPECT_EQ(a.extension(), ".sqlite");
}

// The station sends its state every 2 s and waits at most 2 s for an answer: a broker that stops
// answering at any moment is noticed within 5 s, with a second left for the window to show it.
TEST(AckWatch, ABrokerThatStopsAnsweringIsNoticedWithinFiveSeconds) {
    for (std::int64_t cut = 0; cut < 2000; cut += 50) {
        AckWatch watch(ShowAckLimitMs);
        int id = 0;
        std::int64_t noticed = -1;
        for (std::int64_t now = 0; now < 20000 && noticed < 0; now += 100) {
            if (now % ShowHeartbeatMs == 0) { // the heartbeat
                watch.Sent(++id, now);
                if (now < 10000 + cut)
                    watch.Acknowledged(id, now + 5);
            }
            if (watch.Lost(now))
                noticed = now;
        }
        ASSERT_GE(noticed, 10000 + cut) << cut;
        EXPECT_LE(noticed - (10000 + cut), ShowHeartbeatMs + ShowAckLimitMs + 100) << cut; // 100: one poll
    }
}

TEST(AckWatch, ALongQueueWorkedOffSteadilyIsNotALoss) {
    AckWatch watch(2500);
    for (int id = 1; id <= 2000; ++id)
        watch.Sent(id, 0);
    for (int id = 1; id <= 2000; ++id) {
        const std::int64_t now = id * 4; // an answer every 4 ms: 8 s for the whole queue
        EXPECT_TRUE(watch.Acknowledged(id, now));
        ASSERT_FALSE(watch.Lost(now + 3)) << id;
    }
    EXPECT_FALSE(watch.Acknowledged(7, 9000)); // answered already
    watch.Sent(1, 9000);
    EXPECT_TRUE(watch.Lost(11501));
    watch.Reset();
    EXPECT_FALSE(watch.Lost(20000));
    EXPECT_EQ(watch.Waiting(), 0u);
}

TEST(ShowStatus, AReasonFollowsTheDisconnectedLine) {
    EXPECT_EQ(ShowStatusText(false, 8, 5, 2, "Benutzer oder Passwort abgelehnt").text,
              "Turnier: getrennt seit 08:05 - 2 Einträge ausstehend - Benutzer oder Passwort abgelehnt");
    EXPECT_EQ(ShowStatusText(true, 8, 5, 0, "Benutzer oder Passwort abgelehnt").text, "Turnier: verbunden");
}

} // namespace
} // namespace caniparc
