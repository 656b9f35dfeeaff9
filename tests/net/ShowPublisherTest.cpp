// A station's publisher and a board's state against a real mosquitto on 127.0.0.1: every
// entry arrives once, a broker killed mid-class and started empty loses nothing, a board that
// starts late still gets everything, and a wrong password leaves the ring working alone.
#include "ShowPublisher.h"
#include "MosquittoBroker.h"
#include "ShowTestParts.h"

#include "show/ShowBoard.h"

#include <QDateTime>
#include <QSignalSpy>
#include <QTest>

#include <memory>

using namespace caniparc;
using caniparc::testing::MosquittoBroker;

namespace {

const std::string& Show = testing::TestShow;
const std::string& Ring = testing::TestRing;

MqttOptions Broker(const MosquittoBroker& broker) {
    return testing::LoopbackBroker(broker.Port());
}

struct TestBoard : testing::ListeningBoard {
    explicit TestBoard(const MosquittoBroker& broker)
        : ListeningBoard(testing::LoopbackBroker(broker.Port(), QStringLiteral("board"))) {}
};

struct TestStation : testing::PublishingStation {
    explicit TestStation(const MosquittoBroker& broker, MqttOptions options = {}, std::string id = "station-1")
        : PublishingStation(options.host.isEmpty() ? Broker(broker) : std::move(options), std::move(id)) {}
};

} // namespace

class ShowPublisherTest : public QObject {
    Q_OBJECT
private slots:
    void EveryEntryReachesTheBoardOnce();
    void ABrokerKilledMidClassAndStartedEmptyLosesNothing();
    void ABoardThatStartsLateGetsEverything();
    void AWrongPasswordLeavesTheRingAlone();
    void ASecondStationOnTheRingIsRefusedAndBothSaySo();
};

void ShowPublisherTest::EveryEntryReachesTheBoardOnce() {
    MosquittoBroker broker;
    QVERIFY(broker.Start());
    TestBoard board(broker);
    TestStation station(broker);
    station.publisher->Start();
    QTRY_VERIFY_WITH_TIMEOUT(station.publisher->IsConnected() && board.client.IsConnected(), 5000);
    for (int n = 1; n <= 200; ++n)
        station.Enter(n);
    station.source.rows[4][ColTime1] = "DIS"; // a correction after it was published
    station.publisher->Poll();
    QTRY_VERIFY_WITH_TIMEOUT(board.Rows() == station.source.rows, 10000);
    QTRY_COMPARE_WITH_TIMEOUT(station.publisher->Box().LastSeq(), std::uint64_t(201), 1000);
    QTRY_COMPARE_WITH_TIMEOUT(station.publisher->Pending(), std::size_t(0), 5000);
    const BoardRing& ring = board.state.Rings().at(Ring);
    QCOMPARE(ring.Titles().title, std::string("Jumping A3"));
    QCOMPARE(ring.Seq(), std::uint64_t(201));
    QCOMPARE(station.publisher->Status().text, std::string("Turnier: verbunden"));
}

void ShowPublisherTest::ABrokerKilledMidClassAndStartedEmptyLosesNothing() {
    MosquittoBroker broker;
    QVERIFY(broker.Start());
    TestBoard board(broker);
    TestStation station(broker);
    QSignalSpy status(station.publisher.get(), &ShowPublisher::StatusChanged);
    station.publisher->Start();
    QTRY_VERIFY_WITH_TIMEOUT(station.publisher->IsConnected() && board.client.IsConnected(), 5000);
    for (int n = 1; n <= 50; ++n)
        station.Enter(n);
    station.source.lanes[0] = {true, "51", "Hund 51", "", "12,34", ShowLaneState::Running, false};
    station.publisher->Poll();
    broker.Kill();
    QTRY_VERIFY_WITH_TIMEOUT(!station.publisher->IsConnected(), 5000);
    for (int n = 51; n <= 80; ++n)
        station.Enter(n); // the ring goes on alone
    station.source.lanes[0] = {true, "81", "Hund 81", "", "30,00", ShowLaneState::Stopped, false};
    station.publisher->Poll();
    const ShowStatusLine down = station.publisher->Status();
    QVERIFY(down.alarm);
    QVERIFY2(down.text.find("Turnier: getrennt seit ") == 0, down.text.c_str());
    QVERIFY2(down.text.find(" Einträge ausstehend") != std::string::npos, down.text.c_str());
    QVERIFY(broker.Start()); // empty: persistence is off
    QTRY_VERIFY_WITH_TIMEOUT(board.Rows() == station.source.rows, 10000);
    QTRY_COMPARE_WITH_TIMEOUT(station.publisher->Pending(), std::size_t(0), 5000);
    QCOMPARE(board.state.Rings().at(Ring).Seq(), std::uint64_t(80));
    // The lanes as they are now, not as they were when the broker went: the speaker would name
    // a dog long gone.
    const auto& lanes = board.state.Rings().at(Ring).Lanes();
    QTRY_VERIFY_WITH_TIMEOUT(lanes && lanes->lanes == station.source.lanes, 5000);
}

void ShowPublisherTest::ABoardThatStartsLateGetsEverything() {
    MosquittoBroker broker;
    QVERIFY(broker.Start());
    TestStation station(broker);
    station.publisher->Start();
    QTRY_VERIFY_WITH_TIMEOUT(station.publisher->IsConnected(), 5000);
    for (int n = 1; n <= 30; ++n)
        station.Enter(n);
    QTRY_COMPARE_WITH_TIMEOUT(station.publisher->Pending(), std::size_t(0), 5000);
    TestBoard board(broker); // the retained snapshot is older than the entries: the state tells
    QTRY_VERIFY_WITH_TIMEOUT(board.Rows() == station.source.rows, 10000);
}

void ShowPublisherTest::AWrongPasswordLeavesTheRingAlone() {
    MosquittoBroker broker(std::map<QString, QString>{{QStringLiteral("ring1"), QStringLiteral("geheim")}});
    QVERIFY(broker.Start());
    MqttOptions wrong = Broker(broker);
    wrong.user = QStringLiteral("ring1");
    wrong.password = QStringLiteral("falsch");
    TestStation station(broker, wrong);
    station.publisher->Start();
    QTRY_COMPARE_WITH_TIMEOUT(station.publisher->LastError(), QStringLiteral("Benutzer oder Passwort abgelehnt"), 5000);
    station.Enter(1);
    station.Enter(2);
    QVERIFY(!station.publisher->IsConnected());
    QVERIFY2(station.publisher->Status().text.find("2 Einträge ausstehend") != std::string::npos,
             station.publisher->Status().text.c_str());
}

void ShowPublisherTest::ASecondStationOnTheRingIsRefusedAndBothSaySo() {
    MosquittoBroker broker;
    QVERIFY(broker.Start());
    TestBoard board(broker);
    TestStation first(broker);
    first.publisher->Start();
    QTRY_VERIFY_WITH_TIMEOUT(first.publisher->IsConnected(), 6000);
    first.Enter(1);
    TestStation second(broker, {}, "station-2");
    second.Enter(99);
    second.publisher->Start();
    const std::string taken = "Turnier: Ring 1 sendet schon eine andere Station";
    QTRY_COMPARE_WITH_TIMEOUT(second.publisher->Status().text, taken, 8000);
    QVERIFY(second.publisher->Status().alarm);
    QTRY_VERIFY_WITH_TIMEOUT(first.publisher->Status().text.find("eine zweite Station für Ring 1 wurde abgewiesen") !=
                                 std::string::npos,
                             5000);
    first.Enter(2);
    QTRY_VERIFY_WITH_TIMEOUT(board.Rows() == first.source.rows, 5000);
    QCOMPARE(board.state.Rings().size(), std::size_t(1));
}

QTEST_GUILESS_MAIN(ShowPublisherTest)
#include "ShowPublisherTest.moc"
