// A real browser on the live results page: headless Chromium (when installed) loads the page
// from a loopback port, shows the protocol rows, takes the running time from the WebSocket,
// and shows a name holding <script> as text.
#include "LiveServer.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace caniparc;

namespace {

class LiveBrowserTest : public QObject {
    Q_OBJECT

private slots:
    void pageFollowsTheStationInABrowser() {
        const QString chromium = QStandardPaths::findExecutable(QStringLiteral("chromium"));
        if (chromium.isEmpty())
            QSKIP("chromium is not installed (scripts/install-deps.sh installs it)");
        int snapshots = 0;
        LiveServer server(
            [&snapshots] {
                LiveState s;
                s.title = "Pokal";
                s.columns = {"Nr.", "Hundename", "Hundeführer/in", "Rang"};
                s.rows = {{"7", "Rex", "<script>document.title='X'</script>", "1"}, {"12", "Bella", "Anna", "2"}};
                s.lanes[0].inUse = true;
                s.lanes[0].startNumber = "7";
                s.lanes[0].state = LiveLaneState::Running;
                // Each look at the station is a little later in the run.
                ++snapshots;
                s.lanes[0].time = QStringLiteral("%1,00").arg(snapshots).toStdString();
                return s;
            },
            [] { return std::string(); });
        QVERIFY(server.Start(0, QHostAddress::LocalHost));
        QTemporaryDir profile;
        QProcess browser;
        browser.start(chromium, {"--headless", "--no-sandbox", "--disable-gpu", "--no-first-run",
                                 "--disable-background-networking", "--disable-component-update", "--disable-sync",
                                 "--user-data-dir=" + profile.path(), "--virtual-time-budget=3000", "--dump-dom",
                                 QStringLiteral("http://127.0.0.1:%1/").arg(server.Port())});
        QVERIFY(browser.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(browser.state() == QProcess::NotRunning, 60000);
        const QString dom = QString::fromUtf8(browser.readAllStandardOutput());
        QVERIFY2(dom.contains(QStringLiteral("<td class=\"l\">Bella</td>")), qPrintable(dom.left(2000)));
        QVERIFY(dom.contains(QStringLiteral("&lt;script&gt;document.title='X'&lt;/script&gt;")));
        QVERIFY(dom.contains(QStringLiteral("<title>Pokal</title>")));
        // The page was made from the first look; the socket's state came later.
        QVERIFY2(!dom.contains(QStringLiteral("<div class=\"t\">1,00</div>")), qPrintable(dom.left(3000)));
        QVERIFY(dom.contains(QStringLiteral("Live verbunden")));
    }
};

} // namespace

QTEST_MAIN(LiveBrowserTest)
#include "LiveBrowserTest.moc"
