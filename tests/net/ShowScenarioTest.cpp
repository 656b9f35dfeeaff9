// The running station's show link (StationShow: outbox file, publisher, settings) against a real
// mosquitto on 127.0.0.1, in the faults a show meets: the broker killed with SIGKILL mid-class
// and started empty, the ring's cable pulled while 200 runs are entered, the station killed
// mid-run and started again, two stations on one ring, a wrong password. In each, a board that
// subscribes to the show ends with exactly the station's protocol: nothing lost, nothing doubled.
#include "CutProxy.h"
#include "MosquittoBroker.h"
#include "ShowTestParts.h"
#include "StationShow.h"

#include "show/ShowBoard.h"
#include "show/SqliteOutboxStore.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include <csignal>
#include <pwd.h>
#include <sys/prctl.h>
#include <unistd.h>

using namespace caniparc;
using caniparc::testing::CutProxy;
using caniparc::testing::MosquittoBroker;

namespace {

const std::string& Show = testing::TestShow;
const std::string& Ring = testing::TestRing;
using testing::WallMs;

// The board's side; every event it hears is counted by its number, so a doubled one shows.
struct Board : testing::ListeningBoard {
    Board(quint16 port, const QString& id, const QString& user = {}, const QString& password = {})
        : ListeningBoard(testing::LoopbackBroker(port, id, user, password)) {}
};

// A station as the program runs it: its protocol, its lanes, its show link with the outbox file.
struct Station {
    Station(const std::filesystem::path& outbox, ShowConfig config) : config(std::move(config)) {
        show = std::make_unique<StationShow>([this] { return source; }, outbox, &WallMs);
        show->adjust = [](ShowPublisherOptions& o) { o.broker.retryMs = 200; };
        source.titles.title = "Jumping A3";
    }
    void Start() { show->Apply(config); }
    void Enter(int number) {
        source.rows.push_back(testing::TestEntry(number, std::to_string(10 + number % 90)));
        Poll();
    }
    void RunLane(int number) {
        source.lanes[0] = {true, std::to_string(number), "Hund", "", "12,34", ShowLaneState::Running, false};
        Poll();
    }
    void Poll() {
        if (show->Publisher())
            show->Publisher()->Poll();
    }
    bool Connected() const { return show->Publisher() && show->Publisher()->IsConnected(); }
    std::size_t Pending() const { return show->Publisher() ? show->Publisher()->Pending() : 0; }
    std::string Line() const {
        const auto line = show->Status();
        return line ? line->text : std::string("(keine)");
    }
    bool Alarm() const {
        const auto line = show->Status();
        return line && line->alarm;
    }
    ShowConfig config;
    ShowSource source;
    std::unique_ptr<StationShow> show;
};

// The office broker's users: the board and two rings.
const std::pair<QString, QString> Users[] = {
    {QStringLiteral("buero"), QStringLiteral("geheim0")},
    {QStringLiteral("ring1"), QStringLiteral("geheim1")},
    {QStringLiteral("ring2"), QStringLiteral("geheim2")},
};

ShowConfig Config(quint16 port) {
    ShowConfig c;
    c.server = "127.0.0.1";
    c.port = port;
    c.show = Show;
    c.ring = Ring;
    return c;
}

} // namespace

class ShowScenarioTest : public QObject {
    Q_OBJECT
private slots:
    void init() {
        QVERIFY(dir_.isValid());
        QTest::failOnWarning(QRegularExpression(QStringLiteral("QSocketNotifier")));
    }
    void ABrokerKilledMidClassAndStartedEmptyGetsSnapshotAndTail();
    void ARingCutOffWhile200RunsAreEnteredCatchesUp();
    void AStationKilledMidRunStartsAgainFromItsOutbox();
    void TwoStationsOnOneRing();
    void AWrongPasswordIsNamedAndTheRightOneCatchesUp();
    void TheShippedBrokerConfigurationLetsOnlyItsUsersIn();
    void TheShippedAccessListKeepsEachStationToItsRing();
    void AStationThatClosesLeavesItsGoodbyeNotItsWill();

private:
    std::filesystem::path Outbox(const char* name) const { return dir_.filePath(name).toStdString(); }
    // The shipped broker files set up as the README says, on a free port; the error, or empty.
    QString StartOfficeBroker(QProcess& mosquitto, quint16& port);
    QTemporaryDir dir_;
};

void ShowScenarioTest::ABrokerKilledMidClassAndStartedEmptyGetsSnapshotAndTail() {
    MosquittoBroker broker;
    QVERIFY(broker.Start());
    Board board(broker.Port(), "board");
    Station station(Outbox("kill.sqlite"), Config(broker.Port()));
    station.Start();
    QTRY_VERIFY_WITH_TIMEOUT(station.Connected() && board.client.IsConnected(), 8000);
    for (int n = 1; n <= 60; ++n)
        station.Enter(n);
    station.RunLane(61);
    QTRY_COMPARE_WITH_TIMEOUT(station.Pending(), std::size_t(0), 5000);
    broker.Kill(); // SIGKILL mid-class: persistence is off, the broker comes back empty
    QTRY_VERIFY_WITH_TIMEOUT(station.Alarm(), 5000);
    QVERIFY2(station.Line().find("Turnier: getrennt seit ") == 0, station.Line().c_str());
    for (int n = 61; n <= 90; ++n)
        station.Enter(n);
    QVERIFY2(station.Line().find(" - 30 Einträge ausstehend") != std::string::npos, station.Line().c_str());
    QElapsedTimer restarted;
    restarted.start();
    QVERIFY(broker.Start());
    QTRY_COMPARE_WITH_TIMEOUT(station.Line(), std::string("Turnier: verbunden"), 10000);
    QTRY_VERIFY_WITH_TIMEOUT(board.Rows() == station.source.rows, 10000);
    qInfo("90 entries on the board %lld ms after the broker was started empty",
          static_cast<long long>(restarted.elapsed()));
    QTRY_COMPARE_WITH_TIMEOUT(station.Pending(), std::size_t(0), 5000);
    QCOMPARE(board.Seq(), std::uint64_t(90));
    // A board that comes only now finds the whole class on the emptied broker.
    Board late(broker.Port(), "late-board");
    QTRY_VERIFY_WITH_TIMEOUT(late.Rows() == station.source.rows, 10000);
    QCOMPARE(late.Rows().size(), std::size_t(90));
}

void ShowScenarioTest::ARingCutOffWhile200RunsAreEnteredCatchesUp() {
    MosquittoBroker broker;
    QVERIFY(broker.Start());
    CutProxy cable(broker.Port());
    Board board(broker.Port(), "board");
    Station station(Outbox("cut.sqlite"), Config(cable.Port()));
    station.Start();
    QTRY_VERIFY_WITH_TIMEOUT(station.Connected() && board.client.IsConnected(), 8000);
    for (int n = 1; n <= 20; ++n)
        station.Enter(n);
    QTRY_VERIFY_WITH_TIMEOUT(board.Rows() == station.source.rows, 5000);
    cable.Cut(); // no reset, no close: only the missing answers tell
    for (int n = 21; n <= 220; ++n) {
        station.Enter(n);
        if (n % 20 == 0)
            QTest::qWait(100); // the runs come while the station finds out
    }
    QTRY_VERIFY_WITH_TIMEOUT(station.Alarm(), 10000);
    QTRY_VERIFY2_WITH_TIMEOUT(station.Line().find(" - 200 Einträge ausstehend") != std::string::npos,
                              station.Line().c_str(), 5000);
    QVERIFY(board.Rows() != station.source.rows);
    QElapsedTimer mended;
    mended.start();
    cable.Mend();
    QTRY_VERIFY_WITH_TIMEOUT(board.Rows() == station.source.rows, 20000);
    qInfo("200 entries on the board %lld ms after the cable was mended", static_cast<long long>(mended.elapsed()));
    QTRY_COMPARE_WITH_TIMEOUT(station.Pending(), std::size_t(0), 10000);
    QTRY_COMPARE_WITH_TIMEOUT(station.Line(), std::string("Turnier: verbunden"), 5000);
    QCOMPARE(board.Seq(), std::uint64_t(220));
    QCOMPARE(board.Rows().size(), std::size_t(220));
}

void ShowScenarioTest::AStationKilledMidRunStartsAgainFromItsOutbox() {
    MosquittoBroker broker;
    QVERIFY(broker.Start());
    Board board(broker.Port(), "board");
    const auto file = Outbox("restart.sqlite");
    std::vector<ShowRow> backup;
    std::uint64_t firstEpoch = 0;
    std::string id;
    {
        Station station(file, Config(broker.Port()));
        station.Start();
        QTRY_VERIFY_WITH_TIMEOUT(station.Connected(), 8000);
        for (int n = 1; n <= 30; ++n)
            station.Enter(n);
        QTRY_COMPARE_WITH_TIMEOUT(station.Pending(), std::size_t(0), 5000);
        broker.Kill();
        QTRY_VERIFY_WITH_TIMEOUT(!station.Connected(), 5000);
        for (int n = 31; n <= 40; ++n)
            station.Enter(n); // stored in the outbox, never sent
        station.RunLane(41);
        firstEpoch = station.show->Publisher()->Box().Epoch();
        id = station.show->Publisher()->Box().StationId();
        backup = station.source.rows;
        // Killed: no goodbye, no Stop; the outbox file is all that stays.
    }
    {
        std::string error;
        auto kept = SqliteOutboxStore::Open(file, error);
        QVERIFY2(kept, error.c_str());
        QCOMPARE(kept->UnsentCount(firstEpoch), std::size_t(10));
        QCOMPARE(kept->LastSeq(firstEpoch), std::uint64_t(40));
    }
    QVERIFY(broker.Start());
    Station again(file, Config(broker.Port()));
    again.source.rows = backup; // the protocol as the backup restores it
    again.Start();
    QTRY_VERIFY_WITH_TIMEOUT(again.Connected(), 8000);
    QCOMPARE(again.show->Publisher()->Box().StationId(), id);
    QVERIFY(again.show->Publisher()->Box().Epoch() > firstEpoch);
    for (int n = 41; n <= 45; ++n)
        again.Enter(n);
    QTRY_VERIFY_WITH_TIMEOUT(board.Rows() == again.source.rows, 10000);
    QCOMPARE(board.Rows().size(), std::size_t(45));
    QTRY_COMPARE_WITH_TIMEOUT(again.Pending(), std::size_t(0), 5000);
}

void ShowScenarioTest::TwoStationsOnOneRing() {
    MosquittoBroker broker;
    QVERIFY(broker.Start());
    Board board(broker.Port(), "board");
    Station first(Outbox("first.sqlite"), Config(broker.Port()));
    QSignalSpy challenged(first.show.get(), &StationShow::SecondStationRefused);
    first.Start();
    QTRY_VERIFY_WITH_TIMEOUT(first.Connected(), 8000);
    first.Enter(1);
    Station second(Outbox("second.sqlite"), Config(broker.Port()));
    QSignalSpy refused(second.show.get(), &StationShow::RingRefused);
    second.Enter(99);
    second.Start();
    QTRY_COMPARE_WITH_TIMEOUT(refused.count(), 1, 10000);
    QCOMPARE(refused.at(0).at(0).toString(), QStringLiteral("Ring 1"));
    QCOMPARE(second.Line(), std::string("Turnier: Ring 1 sendet schon eine andere Station"));
    QVERIFY(second.Alarm());
    QTRY_COMPARE_WITH_TIMEOUT(challenged.count(), 1, 5000);
    QVERIFY2(first.Line() == "Turnier: verbunden - eine zweite Station für Ring 1 wurde abgewiesen",
             first.Line().c_str());
    for (int n = 2; n <= 10; ++n) {
        first.Enter(n);
        second.Enter(100 + n); // the refused one publishes nothing
    }
    QTRY_VERIFY_WITH_TIMEOUT(board.Rows() == first.source.rows, 8000);
    // The same settings again (dialog OK) try once more, and are refused once more.
    second.Start();
    QTRY_COMPARE_WITH_TIMEOUT(refused.count(), 2, 10000);
    QCOMPARE(board.Rows(), first.source.rows);
    // The first one leaves with a goodbye: now the second one may have the ring.
    first.show->Stop();
    second.Start();
    QTRY_VERIFY_WITH_TIMEOUT(second.Connected(), 10000);
    QTRY_VERIFY_WITH_TIMEOUT(board.Rows() == second.source.rows, 10000);
}

void ShowScenarioTest::AWrongPasswordIsNamedAndTheRightOneCatchesUp() {
    MosquittoBroker broker(std::map<QString, QString>{{QStringLiteral("ring1"), QStringLiteral("geheim")},
                                                      {QStringLiteral("board"), QStringLiteral("tafel")}});
    QVERIFY(broker.Start());
    Board board(broker.Port(), "board", QStringLiteral("board"), QStringLiteral("tafel"));
    ShowConfig config = Config(broker.Port());
    config.user = "ring1";
    config.password = "falsch";
    Station station(Outbox("password.sqlite"), config);
    station.Start();
    QTRY_VERIFY2_WITH_TIMEOUT(station.Line().find(" - Benutzer oder Passwort abgelehnt") != std::string::npos,
                              station.Line().c_str(), 5000);
    QVERIFY(station.Alarm());
    for (int n = 1; n <= 5; ++n)
        station.Enter(n);
    QVERIFY2(station.Line().find("5 Einträge ausstehend - Benutzer oder Passwort abgelehnt") != std::string::npos,
             station.Line().c_str());
    // The operator types the right one and presses OK.
    station.config.password = "geheim";
    station.Start();
    QTRY_COMPARE_WITH_TIMEOUT(station.Line(), std::string("Turnier: verbunden"), 10000);
    QTRY_COMPARE_WITH_TIMEOUT(station.Pending(), std::size_t(0), 5000);
    QTRY_VERIFY_WITH_TIMEOUT(board.Rows() == station.source.rows, 10000);
    // Off: no line at all.
    station.show->Apply(ShowConfig{});
    QCOMPARE(station.Line(), std::string("(keine)"));
}

// The configuration the package ships, as the README has a club install it: in conf.d beside a
// main file like Debian's (persistence on, its folder given there), with a password file for
// two rings and the board, and the access list with a block for each of them.
QString ShowScenarioTest::StartOfficeBroker(QProcess& mosquitto, quint16& port) {
    QFile shipped(QStringLiteral(CANIPARC_BROKER_CONF));
    QFile acl(QStringLiteral(CANIPARC_BROKER_ACL));
    if (!shipped.open(QIODevice::ReadOnly) || !acl.open(QIODevice::ReadOnly))
        return QStringLiteral("the shipped files cannot be read");
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0))
        return QStringLiteral("no free port");
    port = probe.serverPort();
    probe.close();
    const QString folder = dir_.filePath(QStringLiteral("office"));
    QDir().mkpath(folder + QStringLiteral("/conf.d"));
    const QString passwords = folder + QStringLiteral("/caniparc.passwd");
    for (const auto& [user, password] : Users) {
        QStringList args = {QStringLiteral("-b"), passwords, user, password};
        if (!QFile::exists(passwords))
            args.prepend(QStringLiteral("-c"));
        if (QProcess::execute(QStringLiteral("mosquitto_passwd"), args) != 0)
            return QStringLiteral("mosquitto_passwd failed");
    }
    QString text = QString::fromUtf8(shipped.readAll());
    for (const char* line :
         {"\nlistener 1883\n", "\nallow_anonymous false\n", "\nacl_file /etc/mosquitto/caniparc.acl\n"})
        if (!text.contains(QLatin1String(line)))
            return QStringLiteral("the shipped file lacks %1").arg(QLatin1String(line).trimmed());
    text.replace(QStringLiteral("\nlistener 1883\n"), QStringLiteral("\nlistener %1 127.0.0.1\n").arg(port));
    text.replace(QStringLiteral("/etc/mosquitto/caniparc.passwd"), passwords);
    text.replace(QStringLiteral("/etc/mosquitto/caniparc.acl"), folder + QStringLiteral("/caniparc.acl"));
    const auto write = [](const QString& path, const QByteArray& bytes) {
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
    };
    const QString main = folder + QStringLiteral("/mosquitto.conf");
    if (!write(folder + QStringLiteral("/conf.d/caniparc.conf"), text.toUtf8()) ||
        !write(folder + QStringLiteral("/caniparc.acl"), acl.readAll()) ||
        !write(main, QStringLiteral("persistence true\npersistence_location %1/\nuser %2\ninclude_dir %1/conf.d\n")
                         .arg(folder, QString::fromLocal8Bit(getpwuid(geteuid())->pw_name))
                         .toUtf8()))
        return QStringLiteral("cannot write the broker's files");
    mosquitto.setProcessChannelMode(QProcess::MergedChannels);
    mosquitto.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGKILL); });
    mosquitto.start(QStringLiteral("/usr/sbin/mosquitto"), {QStringLiteral("-c"), main});
    return mosquitto.waitForStarted(5000) ? QString() : QStringLiteral("mosquitto did not start");
}

void ShowScenarioTest::TheShippedBrokerConfigurationLetsOnlyItsUsersIn() {
    QProcess mosquitto;
    quint16 port = 0;
    const QString error = StartOfficeBroker(mosquitto, port);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    Station ring(Outbox("office.sqlite"), Config(port));
    ring.config.user = "ring1";
    ring.config.password = "geheim1";
    Station stranger(Outbox("stranger.sqlite"), Config(port));
    stranger.config.ring = "Ring 2";
    ring.Start();
    stranger.Start();
    QTRY_VERIFY2_WITH_TIMEOUT(ring.Line() == "Turnier: verbunden", qPrintable(mosquitto.readAll()), 10000);
    QTRY_VERIFY2_WITH_TIMEOUT(stranger.Line().find("Benutzer oder Passwort abgelehnt") != std::string::npos,
                              stranger.Line().c_str(), 5000);
    ring.show->Stop();
    mosquitto.terminate();
    QVERIFY(mosquitto.waitForFinished(5000));
    QVERIFY(QFile::exists(dir_.filePath(QStringLiteral("office/mosquitto.db")))); // where the main file said
}

// With the shipped access list a station logged in as another ring's user, and the board's user,
// cannot put a thing into a ring: the broker refuses it, the station says so, and the board ends
// with exactly the ring's own protocol.
void ShowScenarioTest::TheShippedAccessListKeepsEachStationToItsRing() {
    QProcess mosquitto;
    quint16 port = 0;
    const QString error = StartOfficeBroker(mosquitto, port);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    Board board(port, QStringLiteral("board"), QStringLiteral("buero"), QStringLiteral("geheim0"));
    Station ring(Outbox("ring1.sqlite"), Config(port));
    ring.config.user = "ring1";
    ring.config.password = "geheim1";
    ring.Start();
    QTRY_VERIFY2_WITH_TIMEOUT(ring.Line() == "Turnier: verbunden", qPrintable(mosquitto.readAll()), 10000);
    ring.Enter(1);
    ring.Enter(2);
    QTRY_COMPARE_WITH_TIMEOUT(board.Rows(), ring.source.rows, 10000);

    Station intruder(Outbox("intruder.sqlite"), Config(port)); // ring 2's user, set to ring 1
    intruder.config.user = "ring2";
    intruder.config.password = "geheim2";
    intruder.source.rows = {testing::TestEntry(901)};
    intruder.Start();
    QTRY_VERIFY2_WITH_TIMEOUT(intruder.Line().find("der Broker nimmt die Einträge nicht an") != std::string::npos,
                              intruder.Line().c_str(), 10000);
    intruder.Enter(902);

    MqttClient forger(
        testing::LoopbackBroker(port, QStringLiteral("forger"), QStringLiteral("buero"), QStringLiteral("geheim0")));
    QSignalSpy refused(&forger, &MqttClient::Refused);
    forger.Start();
    QTRY_VERIFY_WITH_TIMEOUT(forger.IsConnected(), 5000);
    // A newer epoch's snapshot would replace the ring at the board, were it let through.
    const SnapshotMessage forged{999, 0, WallMs(), {}, {}, {testing::TestEntry(903)}};
    QVERIFY(forger.Publish(RingTopicName(Show, Ring, RingTopic::Snapshot), WriteShowMessage(forged), 1, true) >= 0);
    QTRY_COMPARE_WITH_TIMEOUT(refused.count(), 1, 5000);

    ring.Enter(3);
    QTRY_COMPARE_WITH_TIMEOUT(board.Rows(), ring.source.rows, 10000);
    QTest::qWait(500); // anything let through would have come before the ring's last entry
    QCOMPARE(board.Rows(), ring.source.rows);
    QCOMPARE(board.state.Rings().size(), std::size_t(1));
    QCOMPARE(board.state.Rings().at(Ring).Epoch(), ring.show->Publisher()->Box().Epoch());
    ring.show->Stop();
    intruder.show->Stop();
    mosquitto.terminate();
    QVERIFY(mosquitto.waitForFinished(5000));
}

// Closing says goodbye: the ring's state is the station's own "offline" with its time, and the
// broker keeps the last will (sent only for a station that vanished) to itself.
void ShowScenarioTest::AStationThatClosesLeavesItsGoodbyeNotItsWill() {
    MosquittoBroker broker;
    QVERIFY(broker.Start());
    MqttClient watcher(testing::LoopbackBroker(broker.Port(), "watcher"));
    std::vector<StateMessage> states;
    connect(&watcher, &MqttClient::Connected, &watcher,
            [&watcher] { watcher.Subscribe(RingTopicName(Show, Ring, RingTopic::State), 1); });
    connect(&watcher, &MqttClient::MessageReceived, &watcher, [&states](const std::string&, const std::string& body) {
        const ShowReadResult read = ReadShowMessage(body);
        if (const auto* state = std::get_if<StateMessage>(&read.message); read.Ok() && state)
            states.push_back(*state);
    });
    watcher.Start();
    QTRY_VERIFY_WITH_TIMEOUT(watcher.IsConnected(), 5000);
    for (int round = 0; round < 3; ++round) {
        Station station(Outbox("goodbye.sqlite"), Config(broker.Port()));
        station.Start();
        QTRY_VERIFY_WITH_TIMEOUT(station.Connected(), 8000);
        station.Enter(round + 1);
        QTest::qWait(2100 + 300 * round); // past a heartbeat, at another point of the next one each time
        states.clear();
        station.show->Stop(); // as the window does when it closes
        QTRY_VERIFY_WITH_TIMEOUT(!states.empty(), 5000);
        QTest::qWait(1500);
        QCOMPARE(states.size(), std::size_t(1));
        QVERIFY(!states[0].online);
        QVERIFY2(states[0].sentMs != 0, "the will, not the goodbye");
    }
}

QTEST_GUILESS_MAIN(ShowScenarioTest)
#include "ShowScenarioTest.moc"
