// The live results server on a free loopback port: the answers, the WebSocket push, and the
// limits (connections, silent clients, closing at once).
#include "LiveServer.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTest>
#include <QWebSocket>

#include <memory>

using namespace caniparc;

namespace {

struct Reply {
    int status = 0;
    QByteArray body;
    QByteArray type;
};

class LiveServerTest : public QObject {
    Q_OBJECT

    LiveState state_;
    std::unique_ptr<LiveServer> server_;
    QNetworkAccessManager net_;

    void Make(LiveServerLimits limits = {}) {
        server_ = std::make_unique<LiveServer>([this] { return state_; },
                                               [] { return std::string("Nr.\tHundename\r\n7\tRex\r\n"); }, limits);
        QVERIFY(server_->Start(0, QHostAddress::LocalHost));
        QVERIFY(server_->Port() != 0);
    }
    QUrl Url(const QString& path) const {
        return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(server_->Port()).arg(path));
    }
    Reply Send(const QString& path, const QByteArray& verb = "GET") {
        QNetworkRequest request(Url(path));
        QNetworkReply* reply = net_.sendCustomRequest(request, verb);
        QSignalSpy done(reply, &QNetworkReply::finished);
        if (!reply->isFinished())
            done.wait(5000);
        Reply r{reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), reply->readAll(),
                reply->header(QNetworkRequest::ContentTypeHeader).toByteArray()};
        reply->deleteLater();
        return r;
    }

private slots:
    void init() {
        state_ = LiveState{};
        state_.title = "Cup <script>alert(1)</script>";
        state_.columns = {"Nr.", "Hundename", "Rang"};
        state_.rows = {{"7", "Rex", "1"}, {"12", "<script>x()</script>", ""}};
        state_.lanes[0].inUse = true;
        state_.lanes[0].startNumber = "7";
        state_.lanes[0].time = "0,00";
    }
    void cleanup() { server_.reset(); }

    void answersThePageTheJsonAndTheCsv() {
        Make();
        const Reply page = Send("/");
        QCOMPARE(page.status, 200);
        QVERIFY(page.type.startsWith("text/html"));
        QVERIFY(page.body.contains("Cup &lt;script&gt;alert(1)&lt;/script&gt;"));
        QVERIFY(!page.body.contains("<script>alert"));

        const Reply json = Send("/protokoll.json?t=1");
        QCOMPARE(json.status, 200);
        const QJsonObject o = QJsonDocument::fromJson(json.body).object();
        QCOMPARE(o.value("titel").toString(), QStringLiteral("Cup <script>alert(1)</script>"));
        QCOMPARE(o.value("zeilen").toArray().size(), 2);
        QCOMPARE(o.value("zeilen").toArray().at(1).toArray().at(1).toString(), QStringLiteral("<script>x()</script>"));

        const Reply csv = Send("/protokoll.csv");
        QCOMPARE(csv.status, 200);
        QVERIFY(csv.type.startsWith("text/csv"));
        QCOMPARE(csv.body, QByteArray("Nr.\tHundename\r\n7\tRex\r\n"));
    }

    void refusesEverythingElse() {
        Make();
        QCOMPARE(Send("/protokoll.json", "POST").status, 405);
        QCOMPARE(Send("/", "DELETE").status, 405);
        QCOMPARE(Send("/../../etc/passwd").status, 404);
        QCOMPARE(Send("/favicon.ico").status, 404);
        QCOMPARE(Send("/" + QString(9000, 'a')).status, 414);
    }

    void webSocketGetsTheStateThenEachChange() {
        Make();
        QWebSocket ws;
        QStringList messages;
        connect(&ws, &QWebSocket::textMessageReceived, this, [&messages](const QString& m) { messages << m; });
        ws.open(QUrl(QStringLiteral("ws://127.0.0.1:%1/live").arg(server_->Port())));
        QTRY_COMPARE_WITH_TIMEOUT(messages.size(), 1, 5000);
        QVERIFY(messages[0].contains("\"zeilen\""));
        QCOMPARE(server_->SocketClients(), 1);

        state_.lanes[0].time = "1,23"; // the clock runs: only the lanes go out
        QTRY_COMPARE_WITH_TIMEOUT(messages.size(), 2, 5000);
        QVERIFY(!messages[1].contains("\"zeilen\""));
        QVERIFY(messages[1].contains("\"zeit\":\"1,23\""));

        state_.rows.push_back({"3", "Bella", ""}); // an entry: the whole state with a new version
        QTRY_COMPARE_WITH_TIMEOUT(messages.size(), 3, 5000);
        QVERIFY(messages[2].contains("Bella"));
        QTest::qWait(300);
        QCOMPARE(messages.size(), 3); // nothing new, nothing sent
    }

    void aPageRequestDoesNotSwallowALanesFinalTime() {
        Make();
        QWebSocket ws;
        QStringList messages;
        connect(&ws, &QWebSocket::textMessageReceived, this, [&messages](const QString& m) { messages << m; });
        ws.open(QUrl(QStringLiteral("ws://127.0.0.1:%1/live").arg(server_->Port())));
        QTRY_COMPARE_WITH_TIMEOUT(messages.size(), 1, 5000);
        state_.lanes[0].time = "31,20"; // the lane stops; a phone loads the page at once
        state_.lanes[0].state = LiveLaneState::Stopped;
        QCOMPARE(Send("/protokoll.json").status, 200);
        QTRY_VERIFY_WITH_TIMEOUT(messages.size() >= 2 && messages.last().contains("\"zeit\":\"31,20\""), 3000);
    }

    void aWebSocketOnAnotherPathIsClosed() {
        Make();
        QWebSocket ws;
        QSignalSpy closed(&ws, &QWebSocket::disconnected);
        ws.open(QUrl(QStringLiteral("ws://127.0.0.1:%1/anders").arg(server_->Port())));
        QVERIFY(closed.wait(5000));
        QCOMPARE(server_->SocketClients(), 0);
    }

    void stoppingClosesThePortAndTheConnectionsAtOnce() {
        Make();
        QWebSocket ws;
        QSignalSpy wsClosed(&ws, &QWebSocket::disconnected);
        ws.open(QUrl(QStringLiteral("ws://127.0.0.1:%1/live").arg(server_->Port())));
        QTRY_COMPARE_WITH_TIMEOUT(server_->SocketClients(), 1, 5000);
        const quint16 port = server_->Port();
        server_->Stop();
        QVERIFY(!server_->Listening());
        QVERIFY(wsClosed.wait(5000));
        QTcpSocket probe;
        probe.connectToHost(QHostAddress::LocalHost, port);
        QVERIFY(!probe.waitForConnected(2000));
        QCOMPARE(probe.error(), QAbstractSocket::ConnectionRefusedError);
    }

    void aPortInUseIsReported() {
        Make();
        LiveServer second([this] { return state_; }, [] { return std::string(); });
        QVERIFY(!second.Start(server_->Port(), QHostAddress::LocalHost));
        QVERIFY(second.ErrorText().contains(QStringLiteral("belegt")));
        QVERIFY(server_->Listening());
    }

    void connectionsBeyondTheLimitAreRefused() {
        LiveServerLimits limits;
        limits.maxConnections = 3;
        Make(limits);
        std::vector<std::unique_ptr<QTcpSocket>> sockets;
        for (int i = 0; i < 5; ++i) {
            sockets.push_back(std::make_unique<QTcpSocket>());
            sockets.back()->connectToHost(QHostAddress::LocalHost, server_->Port());
            QVERIFY(sockets.back()->waitForConnected(2000));
            QTRY_COMPARE_WITH_TIMEOUT(server_->Connections(), std::min(i + 1, 3), 2000);
        }
        QTRY_VERIFY_WITH_TIMEOUT(sockets[4]->state() == QAbstractSocket::UnconnectedState, 5000);
        QCOMPARE(sockets[0]->state(), QAbstractSocket::ConnectedState);
        QCOMPARE(server_->Connections(), 3);
        sockets[0]->abort();
        QTRY_COMPARE_WITH_TIMEOUT(Send("/protokoll.json").status, 200, 5000);
    }

    void silentClientsAreDroppedButAnsweringSocketsStay() {
        LiveServerLimits limits;
        limits.idleMs = 400;
        limits.pingMs = 100;
        Make(limits);
        QTcpSocket silent;
        silent.connectToHost(QHostAddress::LocalHost, server_->Port());
        QVERIFY(silent.waitForConnected(2000));
        QTcpSocket half; // sends the start of a request and then nothing
        half.connectToHost(QHostAddress::LocalHost, server_->Port());
        QVERIFY(half.waitForConnected(2000));
        half.write("GET / HTTP/1.1\r\nHost: x\r\n");
        QWebSocket ws;
        ws.open(QUrl(QStringLiteral("ws://127.0.0.1:%1/live").arg(server_->Port())));
        QTRY_COMPARE_WITH_TIMEOUT(server_->SocketClients(), 1, 5000);
        QTRY_VERIFY_WITH_TIMEOUT(silent.state() == QAbstractSocket::UnconnectedState, 5000);
        QTRY_VERIFY_WITH_TIMEOUT(half.state() == QAbstractSocket::UnconnectedState, 5000);
        QTest::qWait(1000);
        QCOMPARE(ws.state(), QAbstractSocket::ConnectedState); // pings answered count as activity
        QCOMPARE(server_->SocketClients(), 1);
    }
};

} // namespace

QTEST_MAIN(LiveServerTest)
#include "LiveServerTest.moc"
