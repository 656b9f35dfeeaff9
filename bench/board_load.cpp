// The show board under a show's load, on loopback only: a private mosquitto on 127.0.0.1, 8
// simulated rings (each a real ShowPublisher with a protocol this program edits) and a board
// (BoardService) in this process. Prints figures, asserts nothing:
//  1. entry -> board delay p50/p99 for 8 rings x 200 entries, entries spread evenly over 10 s,
//     picked up by the publishers' own 100 ms poll, and again with an immediate poll;
//  2. 2 000 entries made while the broker is down, caught up after it returns empty;
//  3. a new board with an empty copy, started when the broker returns empty, complete;
//  4. the memory of the real caniparc-board program holding all of it.
// Usage: board_load [entries per ring=200] [queued per ring=250]
#include "BoardService.h"
#include "MosquittoBroker.h"
#include "ShowPublisher.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

using namespace caniparc;
using caniparc::testing::MosquittoBroker;

namespace {

constexpr int Rings = 8;
const std::string Show = "Bench";

std::int64_t WallMs() {
    return QDateTime::currentMSecsSinceEpoch();
}

std::int64_t NowUs() {
    return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

std::string RingName(int ring) {
    return "Ring " + std::to_string(ring + 1);
}

MqttOptions BrokerOptions(const MosquittoBroker& broker) {
    MqttOptions o;
    o.host = QStringLiteral("127.0.0.1");
    o.port = broker.Port();
    return o;
}

struct Station {
    Station(const MosquittoBroker& broker, int ring) : ring(ring) {
        ShowPublisherOptions o;
        o.broker = BrokerOptions(broker);
        o.show = Show;
        o.ring = RingName(ring);
        publisher = std::make_unique<ShowPublisher>(
            o, store, "bench-" + std::to_string(ring), [this] { return source; }, &WallMs);
        source.titles.title = "Jumping " + std::to_string(ring + 1);
    }
    void Enter(bool pollNow) {
        const int n = static_cast<int>(source.rows.size()) + 1;
        ShowRow row;
        row[ColStartNr] = std::to_string(n);
        row[ColDogName] = "Hund " + std::to_string(ring + 1) + "-" + std::to_string(n);
        row[ColTime1] = std::to_string(30 + n % 20) + ",00";
        source.rows.push_back(row);
        enteredUs.push_back(NowUs());
        if (pollNow)
            publisher->Poll();
    }
    int ring;
    MemoryOutboxStore store;
    ShowSource source;
    std::unique_ptr<ShowPublisher> publisher;
    std::vector<std::int64_t> enteredUs;
};

template <typename Pred> bool WaitUntil(Pred done, int timeoutMs) {
    QElapsedTimer waited;
    waited.start();
    while (!done()) {
        if (waited.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

std::size_t RowsOn(const BoardService& board, int ring) {
    const auto it = board.Board().Rings().find(RingName(ring));
    return it == board.Board().Rings().end() ? 0 : it->second.Rows().size();
}

bool Complete(const BoardService& board, const std::vector<std::unique_ptr<Station>>& stations) {
    for (const auto& s : stations) {
        const auto it = board.Board().Rings().find(RingName(s->ring));
        if (it == board.Board().Rings().end() || it->second.Rows() != s->source.rows)
            return false;
    }
    return true;
}

std::unique_ptr<BoardService> StartBoard(const MosquittoBroker& broker, const QString& folder) {
    BoardOptions o;
    o.broker = BrokerOptions(broker);
    o.show = Show;
    o.httpPort = 0;
    o.httpAddress = QHostAddress::LocalHost;
    o.dataFolder = folder.toStdString();
    auto board = std::make_unique<BoardService>(o, &WallMs);
    QString error;
    if (!board->Start(error))
        std::fprintf(stderr, "board: %s\n", qPrintable(error));
    return board;
}

double Percentile(std::vector<double> values, double p) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, static_cast<std::size_t>(p * static_cast<double>(values.size())))];
}

// Entries spread over 10 s across the rings; the delay of each until the board holds its row.
void DelayRound(BoardService& board, std::vector<std::unique_ptr<Station>>& stations, int perRing, bool pollNow) {
    std::vector<std::size_t> seen(Rings);
    for (int r = 0; r < Rings; ++r)
        seen[r] = RowsOn(board, r);
    std::vector<double> delaysMs;
    const auto conn = QObject::connect(&board, &BoardService::Changed, [&] {
        const std::int64_t now = NowUs();
        for (int r = 0; r < Rings; ++r)
            for (std::size_t have = RowsOn(board, r); seen[r] < have; ++seen[r])
                delaysMs.push_back(static_cast<double>(now - stations[r]->enteredUs[seen[r]]) / 1000.0);
    });
    const int total = perRing * Rings;
    const int intervalUs = 10'000'000 / total;
    const std::int64_t start = NowUs();
    for (int i = 0; i < total; ++i) {
        WaitUntil([&] { return NowUs() - start >= static_cast<std::int64_t>(i) * intervalUs; }, 60000);
        stations[static_cast<std::size_t>(i % Rings)]->Enter(pollNow);
    }
    const bool done = WaitUntil([&] { return Complete(board, stations); }, 30000);
    QObject::disconnect(conn);
    std::printf("  %s: %zu entries, p50 %.1f ms, p99 %.1f ms, max %.1f ms, board complete: %s\n",
                pollNow ? "immediate poll" : "publisher's 100 ms poll", delaysMs.size(), Percentile(delaysMs, 0.5),
                Percentile(delaysMs, 0.99), Percentile(delaysMs, 1.0), done ? "yes" : "NO");
}

long ResidentKbOf(qint64 pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    return 0;
}

QByteArray Get(quint16 port, const QString& path) {
    QNetworkAccessManager manager;
    QNetworkReply* reply =
        manager.get(QNetworkRequest(QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(port).arg(path))));
    WaitUntil([reply] { return reply->isFinished(); }, 10000);
    const QByteArray body = reply->readAll();
    reply->deleteLater();
    return body;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int perRing = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;
    const int queuedPerRing = argc > 2 ? std::max(1, std::atoi(argv[2])) : 250;
    MosquittoBroker broker;
    if (!broker.Start()) {
        std::fprintf(stderr, "mosquitto did not start\n");
        return 1;
    }
    QTemporaryDir folder, freshFolder, programFolder;
    auto board = StartBoard(broker, folder.path());
    std::vector<std::unique_ptr<Station>> stations;
    for (int r = 0; r < Rings; ++r) {
        stations.push_back(std::make_unique<Station>(broker, r));
        stations.back()->publisher->Start();
    }
    WaitUntil(
        [&] {
            return board->IsConnected() && std::all_of(stations.begin(), stations.end(), [](const auto& s) {
                       return s->publisher->IsConnected() && s->publisher->Status().text == "Turnier: verbunden";
                   });
        },
        20000);
    WaitUntil([&] { return board->Board().Rings().size() == Rings; }, 10000);

    std::printf("1. entry -> board delay, %d rings x %d entries over 10 s\n", Rings, perRing);
    DelayRound(*board, stations, perRing / 2, false);
    DelayRound(*board, stations, perRing - perRing / 2, true);

    std::printf("2. %d entries made while the broker is down, then it returns empty\n", Rings * queuedPerRing);
    broker.Kill();
    WaitUntil([&] { return !board->IsConnected(); }, 10000);
    for (int i = 0; i < queuedPerRing; ++i)
        for (auto& s : stations)
            s->Enter(true);
    std::size_t pending = 0;
    for (auto& s : stations)
        pending += s->publisher->Pending();
    broker.Start();
    const std::int64_t back = NowUs();
    // 3. A board with an empty copy starts at the same moment.
    auto fresh = StartBoard(broker, freshFolder.path());
    const bool caught = WaitUntil([&] { return Complete(*board, stations); }, 60000);
    const double caughtS = static_cast<double>(NowUs() - back) / 1e6;
    std::printf("  %zu pending at the stations; board complete after %.2f s (%s)\n", pending, caughtS,
                caught ? "yes" : "NOT complete within 60 s");
    std::printf("3. a new board with an empty copy, started as the broker returns empty\n");
    const bool freshDone = WaitUntil([&] { return Complete(*fresh, stations); }, 60000);
    std::printf("  complete after %.2f s (%s)\n", static_cast<double>(NowUs() - back) / 1e6,
                freshDone ? "yes" : "NOT complete within 60 s");
    fresh.reset();

    std::printf("4. memory of the caniparc-board program holding %d rings x %zu rows\n", Rings,
                stations[0]->source.rows.size());
    QProcess program;
    const quint16 httpPort = static_cast<quint16>(20000 + QDateTime::currentMSecsSinceEpoch() % 20000);
    program.start(QCoreApplication::applicationDirPath() + QStringLiteral("/caniparc-board"),
                  {QStringLiteral("--show"), QString::fromStdString(Show), QStringLiteral("--port"),
                   QString::number(broker.Port()), QStringLiteral("--http-port"), QString::number(httpPort),
                   QStringLiteral("--http-address"), QStringLiteral("127.0.0.1"), QStringLiteral("--data"),
                   programFolder.path()});
    if (!program.waitForStarted(5000)) {
        std::printf("  caniparc-board did not start beside this program\n");
        return 1;
    }
    const std::string last = "Hund " + std::to_string(Rings) + "-" + std::to_string(stations[0]->source.rows.size());
    const std::int64_t started = NowUs();
    const bool shown = WaitUntil([&] { return Get(httpPort, QStringLiteral("/buero")).contains(last.c_str()); }, 60000);
    std::printf("  office page complete after %.2f s (%s); resident memory %ld KiB; office page %lld bytes\n",
                static_cast<double>(NowUs() - started) / 1e6, shown ? "yes" : "NO", ResidentKbOf(program.processId()),
                static_cast<long long>(Get(httpPort, QStringLiteral("/buero")).size()));
    program.terminate();
    program.waitForFinished(5000);
    return 0;
}
