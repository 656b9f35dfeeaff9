// A real browser on the live results page: headless Chromium (when installed) loads the page
// from a loopback port, shows the protocol rows, takes the running time from the WebSocket,
// and shows a name holding <script> as text; and it follows a station's running lane clock,
// looked at through the browser's remote debugging socket while the clock runs.
#include "LiveServer.h"

#include "ManualClock.h"
#include "export/ClipboardText.h"
#include "live/LiveState.h"
#include "station/Dialogs.h"
#include "station/Station.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWebSocket>

#include <functional>
#include <optional>
#include <set>

#include <csignal>
#include <sys/types.h>
#include <unistd.h>

using namespace caniparc;

namespace {

void WaitUntil(const std::function<bool()>& done, int timeoutMs = 10000) {
    QElapsedTimer waited;
    waited.start();
    while (!done() && waited.elapsed() < timeoutMs)
        QTest::qWait(5);
}

// Chromium in a process group of its own, ended with all its helper processes (killing only
// the first one leaves helpers that go on writing into the profile folder after it is removed),
// with a temporary folder that goes with it.
class ChromiumProcess {
public:
    ChromiumProcess() {
        process_.setChildProcessModifier([] { ::setpgid(0, 0); });
        // Its own temporary folder too: Chromium leaves folders there that it never removes.
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("TMPDIR"), temp_.path());
        process_.setProcessEnvironment(environment);
    }
    ~ChromiumProcess() { End(); }

    void Start(const QString& chromium, const QStringList& arguments) {
        process_.start(chromium, arguments);
        group_ = static_cast<pid_t>(process_.processId());
    }
    QProcess& Process() { return process_; }

    void End() {
        if (group_ <= 0)
            return;
        ::kill(-group_, SIGKILL);
        process_.waitForFinished();
        QElapsedTimer waited; // the killed helpers are gone within moments
        waited.start();
        while (::kill(-group_, 0) == 0 && waited.elapsed() < 2000)
            QTest::qSleep(10);
        group_ = 0;
    }

private:
    QTemporaryDir temp_;
    QProcess process_;
    pid_t group_ = 0;
};

struct YesDialogs final : Dialogs {
    bool Ask(const std::string&) override { return true; }
    void Inform(const std::string&) override {}
};

// Headless Chromium showing `url`, with its remote debugging socket open on a free port.
class Browser {
public:
    Browser(const QString& chromium, const QString& url, const QStringList& more = {}) {
        process_.Start(chromium,
                       QStringList{"--headless", "--no-sandbox", "--disable-gpu", "--no-first-run",
                                   "--disable-background-networking", "--disable-component-update", "--disable-sync",
                                   "--remote-debugging-port=0", "--user-data-dir=" + profile_.path()}
                           << more << url);
    }
    ~Browser() { process_.End(); }

    // Connects to the page's debugging socket; false when the browser never offered it.
    bool Attach() {
        QString port;
        QElapsedTimer waited;
        waited.start();
        while (port.isEmpty() && waited.elapsed() < 30000) {
            QFile file(profile_.filePath(QStringLiteral("DevToolsActivePort")));
            if (file.open(QIODevice::ReadOnly))
                port = QString::fromUtf8(file.readLine()).trimmed();
            if (port.isEmpty())
                QTest::qWait(50);
        }
        QString page;
        while (page.isEmpty() && waited.elapsed() < 30000) {
            QNetworkAccessManager net;
            QNetworkReply* reply =
                net.get(QNetworkRequest(QUrl(QStringLiteral("http://127.0.0.1:%1/json/list").arg(port))));
            WaitUntil([reply] { return reply->isFinished(); });
            for (const auto& target : QJsonDocument::fromJson(reply->readAll()).array())
                if (target[QStringLiteral("type")] == QStringLiteral("page"))
                    page = target[QStringLiteral("webSocketDebuggerUrl")].toString();
            delete reply;
            if (page.isEmpty())
                QTest::qWait(50);
        }
        if (page.isEmpty())
            return false;
        QObject::connect(&debugger_, &QWebSocket::textMessageReceived, [this](const QString& message) {
            const QJsonObject answer = QJsonDocument::fromJson(message.toUtf8()).object();
            if (answer[QStringLiteral("id")].toInt() == asked_)
                value_ = answer[QStringLiteral("result")][QStringLiteral("result")][QStringLiteral("value")].toString();
        });
        debugger_.open(QUrl(page));
        WaitUntil([this] { return debugger_.state() == QAbstractSocket::ConnectedState; });
        return debugger_.state() == QAbstractSocket::ConnectedState;
    }

    // The value of a JavaScript expression in the page, as text.
    QString Evaluate(const QString& expression) {
        return Call(QStringLiteral("Runtime.evaluate"), {{"expression", expression}, {"returnByValue", true}});
    }
    // Any command of the debugging protocol; waits for its answer.
    QString Call(const QString& method, const QJsonObject& params) {
        value_.reset();
        const QJsonObject call{{"id", ++asked_}, {"method", method}, {"params", params}};
        debugger_.sendTextMessage(QString::fromUtf8(QJsonDocument(call).toJson(QJsonDocument::Compact)));
        WaitUntil([this] { return value_.has_value(); });
        return value_.value_or(QString());
    }

private:
    QTemporaryDir profile_;
    ChromiumProcess process_;
    QWebSocket debugger_;
    int asked_ = 0;
    std::optional<QString> value_;
};

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
        // Chromium dumps the page when its virtual time is up, whether or not the socket's first
        // state has come; on a busy machine it may not have yet, so the browser gets three looks.
        QString dom;
        QString firstLook;
        for (int look = 0; look < 3; ++look) {
            QTemporaryDir profile;
            ChromiumProcess chromiumProcess;
            QProcess& browser = chromiumProcess.Process();
            // The page is made from the next look at the station; the socket's states come later.
            firstLook = QStringLiteral("<div class=\"t\">%1,00</div>").arg(snapshots + 1);
            chromiumProcess.Start(chromium,
                                  {"--headless", "--no-sandbox", "--disable-gpu", "--no-first-run",
                                   "--disable-background-networking", "--disable-component-update", "--disable-sync",
                                   "--user-data-dir=" + profile.path(), "--virtual-time-budget=3000", "--dump-dom",
                                   QStringLiteral("http://127.0.0.1:%1/").arg(server.Port())});
            QVERIFY(browser.waitForStarted());
            QTRY_VERIFY_WITH_TIMEOUT(browser.state() == QProcess::NotRunning, 60000);
            dom = QString::fromUtf8(browser.readAllStandardOutput());
            chromiumProcess.End();
            if (dom.contains(QStringLiteral("Live verbunden")) && !dom.contains(firstLook))
                break;
        }
        QVERIFY2(dom.contains(QStringLiteral("<td class=\"l\">Bella</td>")), qPrintable(dom.left(2000)));
        QVERIFY(dom.contains(QStringLiteral("&lt;script&gt;document.title='X'&lt;/script&gt;")));
        QVERIFY(dom.contains(QStringLiteral("<title>Pokal</title>")));
        QVERIFY2(!dom.contains(firstLook), qPrintable(dom.right(3000)));
        QVERIFY(dom.contains(QStringLiteral("Live verbunden")));
    }
    void runningLaneTimeInABrowser() {
        const QString chromium = QStandardPaths::findExecutable(QStringLiteral("chromium"));
        if (chromium.isEmpty())
            QSKIP("chromium is not installed (scripts/install-deps.sh installs it)");
        QTemporaryDir folder;
        testing::ManualClock clock;
        YesDialogs dialogs;
        Station station({clock, clock, dialogs}, "caniparc");
        station.GetSettings().AutoEin = false;
        station.Startup({folder.path().toStdString() + "/", "", "", {}}, ',');
        const auto snapshot = [&station] { return station.LiveSnapshot(); };
        LiveServer server(snapshot, [&station] { return ClipboardText(station.Protocol()); });
        QVERIFY(server.Start(0, QHostAddress::LocalHost));
        Browser browser(chromium, QStringLiteral("http://127.0.0.1:%1/").arg(server.Port()));
        QVERIFY(browser.Attach());
        const QString laneOne = QStringLiteral("document.querySelector('#b1 .t').textContent+'|'+"
                                               "document.querySelector('#b1 .st').textContent+'|'+"
                                               "document.getElementById('b1').hidden");
        const QString running = QString::fromStdString(LaneStateText(LiveLaneState::Running));

        // The lane's clock runs in simulated time, 40 ms a step, as fast as the page may follow.
        station.Run().Start();
        QTimer ticks;
        QObject::connect(&ticks, &QTimer::timeout, [&clock] { clock.Advance(40); });
        ticks.start(20);
        std::set<QString> runningTimes;
        QElapsedTimer waited;
        waited.start();
        while (runningTimes.size() < 3 && waited.elapsed() < 30000) {
            const QStringList seen = browser.Evaluate(laneOne).split(QLatin1Char('|'));
            if (seen.size() == 3 && seen[1] == running && seen[2] == QStringLiteral("false"))
                runningTimes.insert(seen[0]);
            QTest::qWait(30);
        }
        QVERIFY2(runningTimes.size() >= 2, qPrintable(QStringList(runningTimes.begin(), runningTimes.end()).join(' ')));

        ticks.stop();
        station.Run().Stop(0);
        const LiveLane stopped = snapshot().lanes[0];
        QVERIFY(stopped.state != LiveLaneState::Running);
        const QString expected = QString::fromStdString(stopped.time) + QLatin1Char('|') +
                                 QString::fromStdString(LaneStateText(stopped.state)) + QStringLiteral("|false");
        QTRY_COMPARE_WITH_TIMEOUT(browser.Evaluate(laneOne), expected, 10000);
    }
    // A phone's 360 pixels: the table scrolls sideways, and its cells wrap between words only;
    // "Medium" once showed as "M|di|m", one or two letters a line.
    void wordsStayWholeOnAPhone() {
        const QString chromium = QStandardPaths::findExecutable(QStringLiteral("chromium"));
        if (chromium.isEmpty())
            QSKIP("chromium is not installed (scripts/install-deps.sh installs it)");
        QTemporaryDir folder;
        QFile backup(folder.filePath(QStringLiteral("caniparc-Sicherungsdatei.txt")));
        QVERIFY(backup.open(QIODevice::WriteOnly));
        backup.write("Nr.\tHundename\t\r\n"
                     "23\tCora\tEva Gro\xDF\tSV Nord\tMedium\t30,10\t0\t0\t0,0\t0,0\t \t \t \t \t \t \t"
                     "Vorz\xFCglich\t5,98\t1\t\r\n"
                     "22\tBello\tJ\xFCrgen M\xFCller\tHundesportverein Brakelund\tMedium\t62,50\t1\t0\t2,5\t7,5\t"
                     " \t \t \t \t \t \tSehr gut\t2,88\t2\t\r\n");
        backup.close();
        testing::ManualClock clock;
        YesDialogs dialogs;
        Station station({clock, clock, dialogs}, "caniparc");
        station.Startup({folder.path().toStdString() + "/", "", "", {}}, ',');
        QCOMPARE(station.Protocol().RowCount(), 3);
        LiveServer server([&station] { return station.LiveSnapshot(); },
                          [&station] { return ClipboardText(station.Protocol()); });
        QVERIFY(server.Start(0, QHostAddress::LocalHost));
        Browser browser(chromium, QStringLiteral("http://127.0.0.1:%1/").arg(server.Port()));
        QVERIFY(browser.Attach());
        browser.Call(QStringLiteral("Emulation.setDeviceMetricsOverride"),
                     {{"width", 360}, {"height", 800}, {"deviceScaleFactor", 2}, {"mobile", true}});
        browser.Evaluate(QStringLiteral("location.reload()"));
        QTRY_COMPARE_WITH_TIMEOUT(browser.Evaluate(QStringLiteral("String(document.querySelectorAll('#prot tbody "
                                                                  "tr').length)")),
                                  QStringLiteral("2"), 10000);
        QCOMPARE(browser.Evaluate(QStringLiteral("String(window.innerWidth)")), QStringLiteral("360"));
        // One-word cells laid out on more than one line.
        const QString broken = browser.Evaluate(
            QStringLiteral("Array.from(document.querySelectorAll('#prot td,#prot th')).filter(function(c){"
                           "var t=c.textContent.trim();if(!t||/\\s/.test(t))return false;"
                           "var r=document.createRange();r.selectNodeContents(c);return r.getClientRects().length>1;})"
                           ".map(function(c){return c.textContent;}).join('|')"));
        QVERIFY2(broken.isEmpty(), qPrintable(broken));
        QVERIFY(browser.Evaluate(QStringLiteral("document.body.textContent")).contains(QStringLiteral("Vorzüglich")));
    }
};

} // namespace

QTEST_MAIN(LiveBrowserTest)
#include "LiveBrowserTest.moc"
