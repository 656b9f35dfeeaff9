// The broker connection against a real mosquitto on 127.0.0.1: acknowledged publishing, the last
// will, a broker killed and started again, and a wrong password.
#include "MqttClient.h"
#include "MosquittoBroker.h"

#include <QRegularExpression>
#include <QSignalSpy>
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

QTEST_GUILESS_MAIN(MqttClientTest)
#include "MqttClientTest.moc"
