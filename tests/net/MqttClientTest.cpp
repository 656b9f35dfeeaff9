// The broker connection against a real mosquitto on 127.0.0.1: acknowledged publishing, the last
// will, a broker killed and started again, a wrong password, and TLS with the broker's
// certificate.
#include "MqttClient.h"
#include "MosquittoBroker.h"

#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using caniparc::MqttClient;
using caniparc::MqttOptions;
using caniparc::testing::MosquittoBroker;

namespace {

MqttOptions Options(const MosquittoBroker& broker, const QString& id) {
    MqttOptions o;
    o.host = QStringLiteral("127.0.0.1");
    o.port = broker.Port();
    o.clientId = id;
    o.keepAliveSeconds = 5;
    o.retryMs = 200;
    return o;
}

// A station whose loss the broker tells as "offline" on its state topic.
MqttOptions StationWithWill(const MosquittoBroker& broker) {
    MqttOptions o = Options(broker, "station");
    o.willTopic = "caniparc/Cup/A/state";
    o.willPayload = "offline";
    return o;
}

// Starts the client and waits until the broker has taken it.
bool Connect(MqttClient& client) {
    QSignalSpy up(&client, &MqttClient::Connected);
    client.Start();
    return up.wait(5000) || up.count() > 0;
}

struct Received {
    std::vector<std::pair<std::string, std::string>> messages;
    explicit Received(MqttClient& client) {
        QObject::connect(&client, &MqttClient::MessageReceived,
                         [this](const std::string& t, const std::string& p) { messages.emplace_back(t, p); });
    }
};

// A self-signed certificate for 127.0.0.1 and its key, made by openssl in `folder`.
bool MakeCertificate(const QString& folder, const QString& name) {
    return QProcess::execute(QStringLiteral("openssl"),
                             {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"),
                              QStringLiteral("ec"), QStringLiteral("-pkeyopt"),
                              QStringLiteral("ec_paramgen_curve:prime256v1"), QStringLiteral("-nodes"),
                              QStringLiteral("-keyout"), folder + "/" + name + ".key", QStringLiteral("-out"),
                              folder + "/" + name + ".crt", QStringLiteral("-subj"), QStringLiteral("/CN=127.0.0.1"),
                              QStringLiteral("-addext"), QStringLiteral("subjectAltName=IP:127.0.0.1"),
                              QStringLiteral("-days"), QStringLiteral("2")}) == 0;
}

} // namespace

class MqttClientTest : public QObject {
    Q_OBJECT
private slots:
    // A notifier left on a socket libmosquitto closed would watch whatever gets its number next.
    void init() { QTest::failOnWarning(QRegularExpression(QStringLiteral("QSocketNotifier"))); }
    void PublishedMessagesAreAcknowledgedAndDelivered();
    void TheWillTellsThatAClientWasLost();
    void AGoodbyeKeepsTheWillUnsent();
    void AKilledBrokerIsNoticedAndReconnectedTo();
    void AWrongPasswordIsRefused();
    void TlsConnectsOnlyWithTheBrokersCertificate();
};

void MqttClientTest::PublishedMessagesAreAcknowledgedAndDelivered() {
    MosquittoBroker broker;
    QVERIFY(broker.Start());
    MqttClient board(Options(broker, "board")), station(Options(broker, "station"));
    QSignalSpy boardUp(&board, &MqttClient::Connected), stationUp(&station, &MqttClient::Connected);
    board.Start();
    station.Start();
    QVERIFY(boardUp.wait(5000) || boardUp.count() == 1);
    QTRY_COMPARE_WITH_TIMEOUT(stationUp.count(), 1, 5000);
    Received got(board);
    QVERIFY(board.Subscribe("caniparc/Cup/+/+", 1));
    QTest::qWait(200); // the subscription is taken before anything is published
    QSignalSpy acks(&station, &MqttClient::Acknowledged);
    std::vector<int> ids;
    for (int i = 0; i < 50; ++i)
        ids.push_back(station.Publish("caniparc/Cup/A/events", std::to_string(i), 1, false));
    QTRY_COMPARE_WITH_TIMEOUT(acks.count(), 50, 5000);
    QCOMPARE(acks.last().at(0).toInt(), ids.back());
    QTRY_COMPARE_WITH_TIMEOUT(got.messages.size(), std::size_t(50), 5000);
    for (int i = 0; i < 50; ++i)
        QCOMPARE(got.messages[static_cast<std::size_t>(i)].second, std::to_string(i));
    board.Stop();
    QVERIFY(!board.IsConnected());
    QCOMPARE(board.Publish("x", "", 1, false), -1);
}

void MqttClientTest::TheWillTellsThatAClientWasLost() {
    MosquittoBroker broker;
    QVERIFY(broker.Start());
    MqttClient board(Options(broker, "board"));
    Received got(board);
    QVERIFY(Connect(board));
    QVERIFY(board.Subscribe("caniparc/Cup/A/state", 1));
    {
        MqttClient station(StationWithWill(broker));
        QVERIFY(Connect(station));
        // Destroyed without a goodbye, as when the station's process dies.
    }
    QTRY_COMPARE_WITH_TIMEOUT(got.messages.size(), std::size_t(1), 5000);
    QCOMPARE(got.messages[0].second, std::string("offline"));
}

void MqttClientTest::AGoodbyeKeepsTheWillUnsent() {
    MosquittoBroker broker;
    QVERIFY(broker.Start());
    MqttClient board(Options(broker, "board"));
    Received got(board);
    QVERIFY(Connect(board));
    QVERIFY(board.Subscribe("caniparc/Cup/A/+", 1));
    MqttClient station(StationWithWill(broker));
    QSignalSpy down(&station, &MqttClient::Disconnected);
    QVERIFY(Connect(station));
    // A message just before the goodbye, with the broker's answer still unread.
    QVERIFY(station.Publish("caniparc/Cup/A/events", "last", 1, false) >= 0);
    station.Stop();
    QCOMPARE(down.count(), 1);
    QVERIFY(!station.IsConnected());
    QTRY_COMPARE_WITH_TIMEOUT(got.messages.size(), std::size_t(1), 5000);
    QTest::qWait(1500);
    QCOMPARE(got.messages.size(), std::size_t(1));
    QCOMPARE(got.messages[0].second, std::string("last"));
}

void MqttClientTest::AKilledBrokerIsNoticedAndReconnectedTo() {
    MosquittoBroker broker;
    QVERIFY(broker.Start());
    MqttClient station(Options(broker, "station"));
    QSignalSpy up(&station, &MqttClient::Connected), down(&station, &MqttClient::Disconnected);
    station.Start();
    QTRY_COMPARE_WITH_TIMEOUT(up.count(), 1, 5000);
    broker.Kill();
    QTRY_COMPARE_WITH_TIMEOUT(down.count(), 1, 5000);
    QVERIFY(!station.IsConnected());
    QCOMPARE(station.Publish("x", "y", 1, false), -1);
    QTest::qWait(500); // a few attempts against a closed port
    QVERIFY(broker.Start());
    QTRY_COMPARE_WITH_TIMEOUT(up.count(), 2, 5000);
    QVERIFY(station.IsConnected());
}

void MqttClientTest::AWrongPasswordIsRefused() {
    MosquittoBroker broker(std::map<QString, QString>{{QStringLiteral("ring1"), QStringLiteral("geheim")}});
    QVERIFY(broker.Start());
    MqttOptions wrong = Options(broker, "station");
    wrong.user = QStringLiteral("ring1");
    wrong.password = QStringLiteral("falsch");
    MqttClient station(wrong);
    QSignalSpy up(&station, &MqttClient::Connected);
    station.Start();
    QTRY_VERIFY_WITH_TIMEOUT(!station.LastError().isEmpty(), 5000);
    QCOMPARE(station.LastError(), QStringLiteral("Benutzer oder Passwort abgelehnt"));
    QCOMPARE(up.count(), 0);
    MqttOptions right = wrong;
    right.password = QStringLiteral("geheim");
    MqttClient good(right);
    QSignalSpy goodUp(&good, &MqttClient::Connected);
    good.Start();
    QTRY_COMPARE_WITH_TIMEOUT(goodUp.count(), 1, 5000);
}

// A broker that speaks only TLS: a client with the broker's certificate as its authority gets
// through and delivers; one with another certificate, without any, or with a file that is not
// there does not, and says why.
void MqttClientTest::TlsConnectsOnlyWithTheBrokersCertificate() {
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    QVERIFY(MakeCertificate(folder.path(), QStringLiteral("broker")));
    QVERIFY(MakeCertificate(folder.path(), QStringLiteral("other")));
    MosquittoBroker broker;
    broker.UseTls(folder.filePath(QStringLiteral("broker.crt")), folder.filePath(QStringLiteral("broker.key")));
    QVERIFY(broker.Start());

    MqttOptions trusting = Options(broker, "board");
    trusting.caFile = folder.filePath(QStringLiteral("broker.crt"));
    MqttClient board(trusting);
    QVERIFY(Connect(board));
    Received got(board);
    QVERIFY(board.Subscribe("caniparc/Cup/+/+", 1));
    QTest::qWait(200);
    trusting.clientId = QStringLiteral("station");
    MqttClient station(trusting);
    QVERIFY(Connect(station));
    QSignalSpy acks(&station, &MqttClient::Acknowledged);
    station.Publish("caniparc/Cup/A/events", "1", 1, false);
    QTRY_COMPARE_WITH_TIMEOUT(acks.count(), 1, 5000);
    QTRY_COMPARE_WITH_TIMEOUT(got.messages.size(), std::size_t(1), 5000);

    MqttOptions other = Options(broker, "other");
    other.caFile = folder.filePath(QStringLiteral("other.crt"));
    MqttOptions plain = Options(broker, "plain");
    MqttOptions missing = Options(broker, "missing");
    missing.caFile = folder.filePath(QStringLiteral("nicht-da.crt"));
    std::vector<std::unique_ptr<MqttClient>> refused;
    for (const MqttOptions& o : {other, plain, missing}) {
        refused.push_back(std::make_unique<MqttClient>(o));
        refused.back()->Start();
    }
    QTest::qWait(1500); // several tries at 200 ms
    for (const auto& client : refused) {
        QVERIFY(!client->IsConnected());
        QVERIFY(!client->LastError().isEmpty());
    }
    QVERIFY2(refused[2]->LastError().contains(QStringLiteral("nicht-da.crt")), qPrintable(refused[2]->LastError()));
}

QTEST_GUILESS_MAIN(MqttClientTest)
#include "MqttClientTest.moc"
