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

#include <QElapsedTimer>
#include <QFile>

#include <memory>
#include <string>

using namespace caniparc;

namespace {

struct Reply {
    int status = 0;
    QByteArray body;
    QByteArray type;
};

long ResidentKb() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (QByteArray line = status.readLine(); !line.isEmpty(); line = status.readLine())
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return 0;
}

// Everything the server answers to `bytes`, sent in pieces of `piece` bytes (0: at once),
// until the server closes the connection or 5 s pass.
QByteArray Exchange(QTcpSocket& socket, const QByteArray& bytes, int piece = 0) {
    QByteArray answer;
    QObject::connect(&socket, &QTcpSocket::readyRead, &socket, [&] { answer += socket.readAll(); });
    for (qsizetype at = 0; at<bytes.size(); at += piece> 0 ? piece : bytes.size()) {
        if (socket.state() != QAbstractSocket::ConnectedState)
            break;
        socket.write(bytes.mid(at, piece > 0 ? piece : -1));
        socket.waitForBytesWritten(1000);
        if (piece > 0)
            QTest::qWait(1);
    }
    QElapsedTimer waited;
    waited.start();
    while (socket.state() != QAbstractSocket::UnconnectedState && waited.elapsed() < 5000)
        QTest::qWait(10);
    QObject::disconnect(&socket, &QTcpSocket::readyRead, nullptr, nullptr);
    return answer + socket.readAll();
}

class LiveServerTest : public QObject {
    Q_OBJECT

    LiveState state_;
    std::unique_ptr<LiveServer> server_;
    qint64 now_ = 0; // the server's clock
    QNetworkAccessManager net_;

    // The server's time limits run on now_, which only the test moves: what expires depends on
    // the test's steps, never on how busy the machine is.
    void Make(LiveServerLimits limits = {}) {
        server_ = std::make_unique<LiveServer>([this] { return state_; },
                                               [] { return std::string("Nr.\tHundename\r\n7\tRex\r\n"); }, limits);
        server_->SetClock([this] { return now_; });
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

    void headAnswersCarryTheLengthOfTheGetWithoutItsBody() {
        Make();
        for (const QByteArray path : {"/", "/protokoll.json", "/protokoll.csv", "/favicon.ico"}) {
            const Reply get = Send(QString::fromLatin1(path));
            // HEAD then GET on one connection: the GET's answer must start right after the
            // HEAD's empty line, or a body was sent after all.
            QTcpSocket socket;
            socket.connectToHost(QHostAddress::LocalHost, server_->Port());
            QVERIFY(socket.waitForConnected(2000));
            socket.write("HEAD " + path + " HTTP/1.1\r\nHost: x\r\n\r\nGET " + path + " HTTP/1.1\r\nHost: x\r\n\r\n");
            QByteArray answer;
            QTRY_VERIFY_WITH_TIMEOUT((answer += socket.readAll()).count("HTTP/1.1 ") == 2 && answer.endsWith(get.body),
                                     5000);
            const qsizetype headEnd = answer.indexOf("\r\n\r\n") + 4;
            const QByteArray head = answer.left(headEnd).toLower();
            QVERIFY2(head.contains("\r\ncontent-length: " + QByteArray::number(get.body.size()) + "\r\n"),
                     head.constData());
            QVERIFY2(answer.mid(headEnd).startsWith("HTTP/1.1 "), path.constData());
        }
    }

    void aWebSocketIsNotHeldToTheHeadLimit() {
        Make();
        QWebSocket ws;
        ws.open(QUrl(QStringLiteral("ws://127.0.0.1:%1/live").arg(server_->Port())));
        QTRY_COMPARE_WITH_TIMEOUT(server_->SocketClients(), 1, 5000);
        // Hours of pongs add up to more than one head may hold; frames are not a head.
        for (int i = 0; i < 40; ++i) {
            ws.sendTextMessage(QString(1000, QLatin1Char('x')));
            ws.ping();
        }
        QTest::qWait(300);
        QCOMPARE(ws.state(), QAbstractSocket::ConnectedState);
        QCOMPARE(server_->SocketClients(), 1);
    }

    void headsBeyondTheLimitAreRefusedAtTheSocket() {
        Make();
        const QByteArray line = "GET / HTTP/1.1\r\nHost: x\r\n";
        const struct {
            const char* name;
            QByteArray bytes;
            QByteArray status;
        } cases[] = {
            {"request line without end", "GET /" + QByteArray(9000, 'a'), "HTTP/1.1 414"},
            {"one long header", line + "X-A: " + QByteArray(9000, 'a'), "HTTP/1.1 431"},
            {"many short headers", line + QByteArray("X-A: b\r\n").repeated(1200), "HTTP/1.1 431"},
            {"long header in small pieces", line + "X-A: " + QByteArray(9000, 'a'), "HTTP/1.1 431"},
        };
        for (const auto& c : cases) {
            QTcpSocket socket;
            socket.connectToHost(QHostAddress::LocalHost, server_->Port());
            QVERIFY(socket.waitForConnected(2000));
            const QByteArray answer = Exchange(socket, c.bytes, QByteArray(c.name).contains("pieces") ? 700 : 0);
            QVERIFY2(answer.startsWith(c.status), c.name);
            QTRY_VERIFY2_WITH_TIMEOUT(socket.state() == QAbstractSocket::UnconnectedState, c.name, 5000);
        }
    }

    void aHeadNearTheLimitIsServedAlsoInSmallPiecesAndAgain() {
        Make();
        const QByteArray head = "GET /protokoll.csv HTTP/1.1\r\nHost: x\r\nX-A: " + QByteArray(7500, 'a') + "\r\n\r\n";
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, server_->Port());
        QVERIFY(socket.waitForConnected(2000));
        for (int piece : {0, 60, 1}) { // the same connection each time: the limit is per request
            QByteArray answer;
            QObject::connect(&socket, &QTcpSocket::readyRead, &socket, [&] { answer += socket.readAll(); });
            for (qsizetype at = 0; at<head.size(); at += piece> 0 ? piece : head.size()) {
                socket.write(head.mid(at, piece > 0 ? piece : -1));
                socket.waitForBytesWritten(1000);
                if (piece > 1 || at % 500 == 0)
                    QCoreApplication::processEvents();
            }
            QTRY_VERIFY2_WITH_TIMEOUT(answer.endsWith("7\tRex\r\n"), answer.left(200).constData(), 5000);
            QVERIFY(answer.startsWith("HTTP/1.1 200"));
            QObject::disconnect(&socket, &QTcpSocket::readyRead, nullptr, nullptr);
            QCOMPARE(socket.state(), QAbstractSocket::ConnectedState);
        }
    }

    void megabytesOfHeadAreCutOffWithoutGrowingTheServer() {
        Make();
        const long before = ResidentKb();
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, server_->Port());
        QVERIFY(socket.waitForConnected(2000));
        socket.write("GET / HTTP/1.1\r\nHost: x\r\nX-A: ");
        const QByteArray chunk(64 * 1024, 'a');
        const qint64 total = 48LL * 1024 * 1024;
        qint64 sent = 0;
        QElapsedTimer waited;
        waited.start();
        while (socket.state() == QAbstractSocket::ConnectedState && sent < total && waited.elapsed() < 20000) {
            if (socket.bytesToWrite() < chunk.size()) {
                socket.write(chunk);
                sent += chunk.size();
            }
            QTest::qWait(1);
        }
        QTRY_VERIFY_WITH_TIMEOUT(socket.state() == QAbstractSocket::UnconnectedState, 5000);
        QVERIFY2(sent < total, qPrintable(QString::number(sent)));
        QVERIFY2(ResidentKb() - before < 8 * 1024, qPrintable(QString::number(ResidentKb() - before)));
        QCOMPARE(Send("/protokoll.json").status, 200);
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

    // A client that dribbles its head a byte at a time stays under the idle limit; the time
    // for the whole head ends it. Waiting between requests and receiving pushes are not a head.
    // Moves the server's clock in steps, each taken once the WebSocket client has answered the
    // ping the step before brought, so the client is never idle for the server.
    void AdvanceAnswering(qint64 ms, qint64 step) {
        for (qint64 moved = 0; moved < ms; moved += step) {
            now_ += step;
            QTRY_COMPARE_WITH_TIMEOUT(server_->LastClientActivity(), now_, 20000);
        }
    }

    void slowHeadsAreAnswered408ButWaitingClientsStay() {
        LiveServerLimits limits;
        limits.headMs = 300;
        limits.idleMs = 1500;
        limits.pingMs = 50;
        Make(limits);
        const QByteArray head = "GET /protokoll.csv HTTP/1.1\r\nHost: x\r\n\r\n";

        QWebSocket ws;
        int pushes = 0;
        connect(&ws, &QWebSocket::textMessageReceived, this, [&pushes] { ++pushes; });
        ws.open(QUrl(QStringLiteral("ws://127.0.0.1:%1/live").arg(server_->Port())));
        QTRY_COMPARE_WITH_TIMEOUT(server_->SocketClients(), 1, 20000);

        QTcpSocket kept; // one request at once, then waits longer than a head may take
        QByteArray keptAnswer;
        connect(&kept, &QTcpSocket::readyRead, this, [&] { keptAnswer += kept.readAll(); });
        kept.connectToHost(QHostAddress::LocalHost, server_->Port());
        QVERIFY(kept.waitForConnected(20000));
        kept.write(head);
        QTRY_VERIFY_WITH_TIMEOUT(keptAnswer.endsWith("7\tRex\r\n"), 20000);
        QVERIFY(keptAnswer.startsWith("HTTP/1.1 200"));

        QTcpSocket silent; // opens and never sends: its first head's time runs from the start
        silent.connectToHost(QHostAddress::LocalHost, server_->Port());
        QVERIFY(silent.waitForConnected(20000));
        QTcpSocket slow; // sends a byte each 100 ms: never idle, but its head takes too long
        slow.connectToHost(QHostAddress::LocalHost, server_->Port());
        QVERIFY(slow.waitForConnected(20000));
        QTRY_COMPARE_WITH_TIMEOUT(server_->Connections(), 4, 20000); // ws, kept, silent, slow
        QByteArray slowAnswer;
        connect(&slow, &QTcpSocket::readyRead, this, [&] { slowAnswer += slow.readAll(); });
        for (int at = 0; at < 5; ++at) { // 500 ms: past the head limit, far from the idle one
            slow.write(head.mid(at, 1));
            slow.flush();
            AdvanceAnswering(100, 100);
        }
        QTRY_VERIFY_WITH_TIMEOUT(slow.state() == QAbstractSocket::UnconnectedState, 20000);
        QVERIFY2(slowAnswer.startsWith("HTTP/1.1 408"), slowAnswer.constData());
        QVERIFY(!slowAnswer.contains("Rex"));
        QTRY_VERIFY_WITH_TIMEOUT(silent.state() == QAbstractSocket::UnconnectedState, 20000);

        for (int tick = 0; tick < 8; ++tick) { // the clock runs while the others wait
            state_.lanes[0].time = std::to_string(tick) + ",00";
            AdvanceAnswering(100, 100);
        }
        // Both waited 1,3 s, well past the head limit, and are served and pushed to still.
        QCOMPARE(kept.state(), QAbstractSocket::ConnectedState);
        keptAnswer.clear();
        kept.write(head);
        QTRY_VERIFY_WITH_TIMEOUT(keptAnswer.endsWith("7\tRex\r\n"), 20000);
        QVERIFY(keptAnswer.startsWith("HTTP/1.1 200"));
        QCOMPARE(ws.state(), QAbstractSocket::ConnectedState);
        QCOMPARE(server_->SocketClients(), 1);
        QTRY_VERIFY_WITH_TIMEOUT(pushes > 2, 20000);
        QCOMPARE(Send("/protokoll.json").status, 200); // a head sent at once is served
    }

    void silentClientsAreDroppedButAnsweringSocketsStay() {
        LiveServerLimits limits;
        limits.idleMs = 400;
        limits.pingMs = 100;
        Make(limits);
        QTcpSocket silent;
        silent.connectToHost(QHostAddress::LocalHost, server_->Port());
        QVERIFY(silent.waitForConnected(20000));
        QTcpSocket half; // sends the start of a request and then nothing
        half.connectToHost(QHostAddress::LocalHost, server_->Port());
        QVERIFY(half.waitForConnected(20000));
        half.write("GET / HTTP/1.1\r\nHost: x\r\n");
        QWebSocket ws;
        ws.open(QUrl(QStringLiteral("ws://127.0.0.1:%1/live").arg(server_->Port())));
        QTRY_COMPARE_WITH_TIMEOUT(server_->SocketClients(), 1, 20000);
        AdvanceAnswering(1000, 150); // the silent ones are idle for 1 s, the answering one never
        QTRY_VERIFY_WITH_TIMEOUT(silent.state() == QAbstractSocket::UnconnectedState, 20000);
        QTRY_VERIFY_WITH_TIMEOUT(half.state() == QAbstractSocket::UnconnectedState, 20000);
        QCOMPARE(ws.state(), QAbstractSocket::ConnectedState); // pings answered count as activity
        QCOMPARE(server_->SocketClients(), 1);
    }
};

} // namespace

QTEST_GUILESS_MAIN(LiveServerTest)
#include "LiveServerTest.moc"
