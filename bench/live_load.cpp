// Load on the live results server over loopback only (127.0.0.1): WebSocket clients plus page
// requests while a lane clock changes every 10 ms. Prints the delay from a lane's change to the
// clients (p50/p99), requests served, errors, and the server thread's CPU and the process's
// memory. Bounded: live_load [clients=300] [seconds=60] [pages per second=50].
#include "LiveServer.h"

#include <QCoreApplication>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QThread>
#include <QTimer>
#include <QWebSocket>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <string>
#include <vector>

using namespace caniparc;

namespace {

std::int64_t NowUs() {
    return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

long ResidentKb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    return 0;
}

double ThreadCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int clients = argc > 1 ? std::clamp(std::atoi(argv[1]), 1, 500) : 300;
    const int seconds = argc > 2 ? std::clamp(std::atoi(argv[2]), 1, 120) : 60;
    const int pagesPerSecond = argc > 3 ? std::clamp(std::atoi(argv[3]), 0, 200) : 50;

    // The station's side runs in a thread of its own, as the main thread would in the program.
    std::atomic<std::int64_t> changedUs{NowUs()};
    std::atomic<double> serverCpu{0};
    std::atomic<quint16> port{0};
    QThread station;
    LiveServer* server = nullptr;
    QTimer* lane = nullptr;
    QObject::connect(&station, &QThread::started, [&] {
        server = new LiveServer(
            [&] {
                LiveState s;
                s.title = "Last";
                s.columns = {"Nr.", "Hundename", "Rang"};
                for (int i = 0; i < 100; ++i)
                    s.rows.push_back({std::to_string(i), "Hund " + std::to_string(i), std::to_string(i + 1)});
                s.lanes[0].inUse = true;
                s.lanes[0].time = std::to_string(changedUs.load());
                return s;
            },
            [] { return std::string("Nr.\r\n"); });
        server->Start(0, QHostAddress::LocalHost);
        port = server->Port();
        lane = new QTimer;
        QObject::connect(lane, &QTimer::timeout, [&] { changedUs = NowUs(); });
        lane->start(10);
    });
    QObject::connect(&station, &QThread::finished, [&] {
        serverCpu = ThreadCpuSeconds();
        delete lane;
        delete server;
    });
    station.start();
    while (port == 0)
        QThread::msleep(10);
    const long memoryBefore = ResidentKb();

    std::vector<std::int64_t> delays;
    delays.reserve(static_cast<std::size_t>(clients) * static_cast<std::size_t>(seconds) * 12);
    int errors = 0;
    int connected = 0;
    std::vector<std::unique_ptr<QWebSocket>> sockets;
    for (int i = 0; i < clients; ++i) {
        auto socket = std::make_unique<QWebSocket>();
        QObject::connect(socket.get(), &QWebSocket::connected, [&connected] { ++connected; });
        QObject::connect(socket.get(), qOverload<QAbstractSocket::SocketError>(&QWebSocket::error),
                         [&errors](QAbstractSocket::SocketError) { ++errors; });
        QObject::connect(socket.get(), &QWebSocket::textMessageReceived, [&delays](const QString& m) {
            const auto at = m.indexOf(QStringLiteral("\"zeit\":\""));
            if (at < 0)
                return;
            const auto end = m.indexOf(QLatin1Char('"'), at + 8);
            const std::int64_t stamp = m.mid(at + 8, end - at - 8).toLongLong();
            delays.push_back(NowUs() - stamp);
        });
        socket->open(QUrl(QStringLiteral("ws://127.0.0.1:%1/live").arg(port.load())));
        sockets.push_back(std::move(socket));
    }
    QNetworkAccessManager net;
    int served = 0;
    QTimer pages;
    QObject::connect(&pages, &QTimer::timeout, [&] {
        QNetworkReply* reply = net.get(QNetworkRequest(QUrl(QStringLiteral("http://127.0.0.1:%1/").arg(port.load()))));
        QObject::connect(reply, &QNetworkReply::finished, [reply, &served, &errors] {
            if (reply->error() == QNetworkReply::NoError)
                ++served;
            else
                ++errors;
            reply->deleteLater();
        });
    });
    if (pagesPerSecond > 0)
        pages.start(1000 / pagesPerSecond);
    QTimer::singleShot(seconds * 1000, &app, &QCoreApplication::quit);
    app.exec();
    pages.stop();
    const long memoryAfter = ResidentKb();
    sockets.clear();
    station.quit();
    station.wait();

    std::sort(delays.begin(), delays.end());
    const auto at = [&delays](double q) {
        return delays.empty() ? 0.0
                              : delays[static_cast<std::size_t>(q * static_cast<double>(delays.size() - 1))] / 1000.0;
    };
    std::printf("clients %d (connected %d), %d s, %d pages/s requested\n", clients, connected, seconds, pagesPerSecond);
    std::printf("lane change to client: p50 %.1f ms, p99 %.1f ms, max %.1f ms (%zu messages)\n", at(0.5), at(0.99),
                at(1.0), delays.size());
    std::printf("pages served %d, errors %d\n", served, errors);
    std::printf("server thread CPU %.2f s (%.1f %% of one core), process memory %ld -> %ld kB (+%ld kB)\n",
                serverCpu.load(), 100.0 * serverCpu.load() / seconds, memoryBefore, memoryAfter,
                memoryAfter - memoryBefore);
    return errors == 0 ? 0 : 1;
}
