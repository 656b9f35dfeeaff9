// The board program's service against a real mosquitto on 127.0.0.1: a station's publisher (with
// a protocol the test edits) -> broker -> board -> HTTP page. The board shows the station's
// protocol, shows it again at once after a restart from its copy with the broker emptied, applies
// a message delivered twice once, and counts and ignores unreadable messages.
#include "BoardService.h"
#include "MosquittoBroker.h"
#include "ShowPublisher.h"
#include "ShowTestParts.h"

#include "show/ShowTopics.h"

#include <QDateTime>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace caniparc;
using caniparc::testing::MosquittoBroker;

namespace {

const std::string& Show = testing::TestShow;
const std::string& Ring = testing::TestRing;
using testing::WallMs;

MqttOptions Broker(const MosquittoBroker& broker) {
    return testing::LoopbackBroker(broker.Port());
}

struct TestStation : testing::PublishingStation {
    explicit TestStation(const MosquittoBroker& broker) : PublishingStation(Broker(broker)) {}
};

std::unique_ptr<BoardService> StartBoard(const MosquittoBroker& broker, const QString& folder) {
    BoardOptions o;
    o.broker = Broker(broker);
    o.show = Show;
    o.httpPort = 0;
    o.httpAddress = QHostAddress::LocalHost;
    o.dataFolder = folder.toStdString();
    auto board = std::make_unique<BoardService>(o, &WallMs);
    QString error;
    if (!board->Start(error))
        qWarning("%s", qPrintable(error));
    return board;
}

std::vector<ShowRow> RowsOf(const BoardService& board, const std::string& ring = Ring) {
    const auto it = board.Board().Rings().find(ring);
    return it == board.Board().Rings().end() ? std::vector<ShowRow>() : it->second.Rows();
}

struct Page {
    int status = 0;
    QByteArray body;
};

Page Get(quint16 port, const QString& path) {
    QNetworkAccessManager manager;
    QNetworkReply* reply =
        manager.get(QNetworkRequest(QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(port).arg(path))));
    QSignalSpy done(reply, &QNetworkReply::finished);
    done.wait(10000);
    Page page{reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), reply->readAll()};
    reply->deleteLater();
    return page;
}

} // namespace

class BoardServiceTest : public QObject {
    Q_OBJECT
private slots:
    void TheOfficePageShowsTheStationsProtocolAndARestartShowsItAtOnce();
    void AMessageDeliveredTwiceIsAppliedOnce();
    void UnreadableMessagesAreCountedAndIgnored();
};

void BoardServiceTest::TheOfficePageShowsTheStationsProtocolAndARestartShowsItAtOnce() {
    MosquittoBroker broker;
    QVERIFY(broker.Start());
    QTemporaryDir folder;
    auto board = StartBoard(broker, folder.path());
    TestStation station(broker);
    station.publisher->Start();
    QTRY_VERIFY_WITH_TIMEOUT(station.publisher->IsConnected() && board->IsConnected(), 8000);
    for (int n = 1; n <= 40; ++n)
        station.Enter(n);
    station.source.rows[2][ColTime1] = "DIS"; // corrected after it was published
    station.publisher->Poll();
    QTRY_VERIFY_WITH_TIMEOUT(RowsOf(*board) == station.source.rows, 10000);

    // A page opened late has the whole class.
    const Page office = Get(board->HttpPort(), QStringLiteral("/buero"));
    QCOMPARE(office.status, 200);
    QVERIFY(office.body.contains("<td class=\"on\">online</td>"));
    QVERIFY(office.body.contains("<td>Hund 40</td>"));
    QVERIFY(office.body.contains("<td>Hund 3</td><td></td><td></td><td></td><td>DIS</td>"));
    const Page json = Get(board->HttpPort(), QStringLiteral("/ring/Ring%201/protokoll.json"));
    QCOMPARE(json.status, 200);
    QVERIFY(json.body.contains("\"Hund 17\""));
    QCOMPARE(Get(board->HttpPort(), QStringLiteral("/export/Ring%201.xlsx")).body.left(2), QByteArray("PK"));
    QCOMPARE(Get(board->HttpPort(), QStringLiteral("/ring/Ring%202")).status, 404);

    // The station goes, the broker is killed and comes back empty, the board restarts: it shows
    // everything from its own copy before it hears anything.
    station.publisher->Stop();
    board.reset();
    broker.Kill();
    QVERIFY(broker.Start());
    board = StartBoard(broker, folder.path());
    QCOMPARE(RowsOf(*board), station.source.rows);
    const Page again = Get(board->HttpPort(), QStringLiteral("/buero"));
    QVERIFY(again.body.contains("<td>Hund 40</td>"));
    QVERIFY(again.body.contains("<td class=\"off\">offline</td>"));
}

void BoardServiceTest::AMessageDeliveredTwiceIsAppliedOnce() {
    MosquittoBroker broker;
    QVERIFY(broker.Start());
    QTemporaryDir folder;
    auto board = StartBoard(broker, folder.path());
    MqttClient raw(Broker(broker));
    raw.Start();
    QTRY_VERIFY_WITH_TIMEOUT(raw.IsConnected() && board->IsConnected(), 8000);
    SnapshotMessage snapshot{5, 0, WallMs(), {"Agility", "", "", ""}, {}, {}};
    raw.Publish(RingTopicName(Show, Ring, RingTopic::Snapshot), WriteShowMessage(snapshot), 1, true);
    EventMessage entry{5, 1, WallMs(), ShowEventKind::Entry, {}};
    ShowRow row;
    row[ColStartNr] = "7";
    row[ColTime1] = "33,10";
    entry.change.rows.push_back(row);
    QTRY_VERIFY_WITH_TIMEOUT(board->Board().Rings().count(Ring) == 1, 5000);
    for (int i = 0; i < 2; ++i)
        raw.Publish(RingTopicName(Show, Ring, RingTopic::Events), WriteShowMessage(entry), 1, false);
    QTRY_COMPARE_WITH_TIMEOUT(board->Board().Rings().at(Ring).Counts().duplicates, std::size_t(1), 5000);
    QCOMPARE(board->Board().Rings().at(Ring).Counts().applied, std::size_t(1));
    QCOMPARE(RowsOf(*board), std::vector<ShowRow>{row});
}

void BoardServiceTest::UnreadableMessagesAreCountedAndIgnored() {
    MosquittoBroker broker;
    QVERIFY(broker.Start());
    QTemporaryDir folder;
    auto board = StartBoard(broker, folder.path());
    MqttClient raw(Broker(broker));
    raw.Start();
    QTRY_VERIFY_WITH_TIMEOUT(raw.IsConnected() && board->IsConnected(), 8000);
    const std::string topic = RingTopicName(Show, Ring, RingTopic::Events);
    raw.Publish(topic, "{kein json", 1, false);
    raw.Publish(topic, R"({"v":2,"type":"event"})", 1, false);
    raw.Publish(topic, std::string(ShowMessageMaxBytes + 1, '['), 1, false);
    QTRY_COMPARE_WITH_TIMEOUT(board->Board().Ignored().Total(), std::size_t(3), 10000);
    QVERIFY(board->Board().Rings().empty());
    const Page office = Get(board->HttpPort(), QStringLiteral("/buero"));
    QVERIFY2(office.body.contains("Verworfene Nachrichten: 3 (zu groß: 1, kein JSON: 1, unbekannte Version: 1)"),
             office.body.constData());
    // The board still takes what is readable.
    raw.Publish(RingTopicName(Show, Ring, RingTopic::Snapshot),
                WriteShowMessage(SnapshotMessage{3, 0, WallMs(), {"Jumping", "", "", ""}, {}, {}}), 1, true);
    QTRY_VERIFY_WITH_TIMEOUT(board->Board().Rings().count(Ring) == 1, 5000);
}

QTEST_GUILESS_MAIN(BoardServiceTest)
#include "BoardServiceTest.moc"
