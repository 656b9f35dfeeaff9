// The contact-latency cases of contact_latency, served on the Qt event loop of a station whose
// lane clock runs and whose live results server is on: once with no one watching, once while
// WebSocket clients (a second process of this program, on 127.0.0.1 only) follow the lane.
// Prints the same figures per case, the main thread's CPU, the load average and what the
// clients received.
//
// Usage: contact_latency_live [bursts=40] [clients=300] [rounds=1]
//   Rounds alternate the two, so that a busy machine disturbs both alike; the pooled figures of
//   each come last.
//        contact_latency_live --show [bursts=40] [rounds=1]
//   The same cases with the station's show link (StationShow, outbox file, an entry every 500 ms)
//   publishing to a private mosquitto on 127.0.0.1 (the tests' own): without the show, the
//   broker up, the broker killed, and the broker killed and started again every second (by a
//   second process of this program).
//   (internally: contact_latency_live --clients <port> <count>, the clients' process;
//    contact_latency_live --flap <ms>, the flapping broker's process)
#include "ContactLatency.h"

#include "FakeSerialBackend.h"
#include "LiveServer.h"
#include "MosquittoBroker.h"
#include "QtDispatcher.h"
#include "QtScheduler.h"
#include "StationShow.h"
#include "export/ClipboardText.h"
#include "station/Dialogs.h"
#include "station/Station.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QSocketNotifier>
#include <QTemporaryDir>
#include <QTimer>
#include <QWebSocket>

#include <functional>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <unistd.h>

using namespace caniparc;

namespace {

constexpr int kMaxClientSeconds = 600; // the clients' process ends by itself after this at the latest

std::string LoadAverage() {
    std::ifstream file("/proc/loadavg");
    std::string one, five, fifteen;
    file >> one >> five >> fifteen;
    return one + " " + five + " " + fifteen;
}

double ThreadCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

// A helper process runs until its parent closes its input, or at most kMaxClientSeconds.
void RunUntilParentLetsGo(QCoreApplication& app) {
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, [&app] {
        char buffer[64];
        if (read(STDIN_FILENO, buffer, sizeof buffer) <= 0)
            app.quit();
    });
    QTimer::singleShot(kMaxClientSeconds * 1000, &app, &QCoreApplication::quit);
    app.exec();
}

// The clients' process: `count` WebSockets on the lane's pushes until its standard input closes.
int RunClients(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int port = std::clamp(std::atoi(argv[2]), 1, 65535);
    const int count = std::clamp(std::atoi(argv[3]), 1, 500);
    int connected = 0, errors = 0;
    long messages = 0;
    std::vector<std::unique_ptr<QWebSocket>> sockets;
    for (int i = 0; i < count; ++i) {
        auto socket = std::make_unique<QWebSocket>();
        QObject::connect(socket.get(), &QWebSocket::connected, [&connected, count] {
            if (++connected == count) {
                std::printf("connected\n");
                std::fflush(stdout);
            }
        });
        QObject::connect(socket.get(), qOverload<QAbstractSocket::SocketError>(&QWebSocket::error),
                         [&errors](QAbstractSocket::SocketError) { ++errors; });
        QObject::connect(socket.get(), &QWebSocket::textMessageReceived, [&messages] { ++messages; });
        socket->open(QUrl(QStringLiteral("ws://127.0.0.1:%1/live").arg(port)));
        sockets.push_back(std::move(socket));
    }
    RunUntilParentLetsGo(app);
    std::printf("clients %d, connected %d, messages %ld, errors %d\n", count, connected, messages, errors);
    return 0;
}

struct QuietDialogs final : Dialogs {
    bool Ask(const std::string&) override { return true; }
    void Inform(const std::string&) override {}
};

// Serves the hand-overs on the event loop, with a busy stretch of 0..100 ms between turns of the
// loop when asked, until the barrier is done.
void ServeOnEventLoop(const TimeSource& time, bool busy, const std::function<bool()>& firing) {
    const double countsPerMs = time.CountSpeed() * 1000.0;
    QEventLoop loop;
    QTimer done;
    QObject::connect(&done, &QTimer::timeout, [&] {
        if (!firing())
            loop.quit();
    });
    done.start(5);
    std::mt19937 random(11);
    std::uniform_int_distribution<int> busyMs(0, 100);
    QTimer work;
    QObject::connect(&work, &QTimer::timeout,
                     [&] { bench::BusyFor(time, static_cast<std::int64_t>(busyMs(random) * countsPerMs)); });
    if (busy)
        work.start(1);
    loop.exec();
}

struct Pooled {
    std::vector<bench::ContactFigures> idle, busy;
};

void RunCases(Station& station, const TimeSource& time, ui::QtDispatcher& dispatcher, int bursts, Pooled& pooled) {
    RunClock& run = station.Run();
    const double cpuBefore = ThreadCpuSeconds();
    QElapsedTimer wall;
    wall.start();
    for (const bench::ContactCase& c : bench::ContactCases()) {
        // A fresh run for every case, so the lane is still timing (the maximum time stops it).
        if (run.RunInProgress())
            run.AbortOrNext(Command::Abbruch);
        run.Start();
        auto figures =
            bench::RunContactCase(c, bursts, time, dispatcher, [&](bool busy, const std::function<bool()>& firing) {
                ServeOnEventLoop(time, busy, firing);
            });
        (c.busy ? pooled.busy : pooled.idle).push_back(std::move(figures));
        if (!run.LaneInUse(0) || !run.RunInProgress())
            std::printf("  (the lane was not timing)\n");
    }
    const double seconds = static_cast<double>(wall.elapsed()) / 1000.0;
    std::printf("main thread CPU %.2f s in %.1f s (%.1f %% of one core), load average %s\n",
                ThreadCpuSeconds() - cpuBefore, seconds, 100.0 * (ThreadCpuSeconds() - cpuBefore) / seconds,
                LoadAverage().c_str());
}

bool WaitFor(const std::function<bool()>& condition, int timeoutMs) {
    QElapsedTimer waited;
    waited.start();
    while (!condition()) {
        if (waited.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

// Runs `measure` while `clients` WebSocket clients of a second process follow the server.
bool RunWatched(LiveServer& server, int clients, const std::function<void()>& measure) {
    QProcess watchers;
    watchers.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    watchers.start(QCoreApplication::applicationFilePath(),
                   {QStringLiteral("--clients"), QString::number(server.Port()), QString::number(clients)});
    if (!watchers.waitForStarted() || !WaitFor([&] { return server.SocketClients() >= clients; }, 60000)) {
        std::fprintf(stderr, "only %d of %d clients connected\n", server.SocketClients(), clients);
        watchers.kill();
        watchers.waitForFinished();
        return false;
    }
    std::printf("\nlive server with %d WebSocket clients (second process), lane clock running; load average %s\n",
                server.SocketClients(), LoadAverage().c_str());
    measure();
    std::printf("clients still connected at the end: %d\n", server.SocketClients());
    watchers.closeWriteChannel();
    WaitFor([&] { return watchers.state() == QProcess::NotRunning; }, 10000);
    if (watchers.state() != QProcess::NotRunning) {
        watchers.kill();
        watchers.waitForFinished();
    }
    std::printf("%s", watchers.readAllStandardOutput().constData());
    // The server drops the closed sockets on its next look.
    WaitFor([&] { return server.SocketClients() == 0; }, 20000);
    return true;
}

} // namespace

// The flapping broker's process: a private mosquitto, killed and started again every `ms`,
// until its standard input closes. Its first line says the port.
int RunFlappingBroker(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int ms = std::clamp(std::atoi(argv[2]), 100, 60000);
    testing::MosquittoBroker broker;
    if (!broker.Start())
        return 1;
    std::printf("%u\n", broker.Port());
    std::fflush(stdout);
    bool up = true;
    QTimer flap;
    QObject::connect(&flap, &QTimer::timeout, [&] {
        if (up)
            broker.Kill();
        else
            broker.Start();
        up = !up;
    });
    flap.start(ms);
    RunUntilParentLetsGo(app);
    return 0;
}

// A station as the program builds it, with its own port closed (no device is present).
struct BenchStation {
    BenchStation() : station(Services(), "caniparc-bench") {
        station.Startup({folder.path().toStdString() + "/", "", "", {}}, ',');
    }
    StationServices Services() {
        StationServices services{*time, scheduler, dialogs};
        services.serial = &port;
        services.dispatcher = &dispatcher;
        services.devicePresent = [](const std::string&) { return false; };
        return services;
    }
    std::unique_ptr<TimeSource> time = MakeSystemTimeSource();
    ui::QtScheduler scheduler;
    ui::QtDispatcher dispatcher;
    QuietDialogs dialogs;
    testing::FakeSerialBackend port;
    QTemporaryDir folder;
    Station station;
};

ShowConfig BenchShow(quint16 port) {
    ShowConfig config;
    config.server = "127.0.0.1";
    config.port = port;
    config.show = "Bench";
    config.ring = "Ring 1";
    return config;
}

int RunShow(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int bursts = argc > 2 ? std::max(5, std::atoi(argv[2])) : 40;
    const int rounds = argc > 3 ? std::clamp(std::atoi(argv[3]), 1, 10) : 1;
    BenchStation bench;
    // The station's ring as it publishes it, with an entry every 500 ms on top, so the outbox
    // (SQLite, synchronous FULL, on the main thread) writes as it does while a class runs.
    std::vector<ShowRow> entries;
    QTimer entering;
    QObject::connect(&entering, &QTimer::timeout, [&entries] {
        ShowRow row;
        row[ColStartNr] = std::to_string(entries.size() + 1);
        row[ColDogName] = "Hund " + row[ColStartNr];
        row[ColTime1] = "31,25";
        entries.push_back(row);
    });
    Station& station = bench.station;
    StationShow show(
        [&] {
            ShowSource source = MakeShowSource(station.GetSettings(), station.Protocol(), station.LiveSnapshot());
            source.rows.insert(source.rows.end(), entries.begin(), entries.end());
            return source;
        },
        bench.folder.filePath(QStringLiteral("outbox.sqlite")).toStdString(),
        [] { return QDateTime::currentMSecsSinceEpoch(); });
    testing::MosquittoBroker broker;
    const auto connected = [&show] { return show.Publisher() && show.Publisher()->IsConnected(); };
    std::printf("%d bursts per case; error = recorded stamp - moment the line changed\n", bursts);
    Pooled without, up, down, flapping; // idle and busy of each
    for (int round = 0; round < rounds; ++round) {
        show.Stop();
        std::printf("\nwithout the show; load average %s\n", LoadAverage().c_str());
        RunCases(station, *bench.time, bench.dispatcher, bursts, without);

        if (!broker.Start()) {
            std::fprintf(stderr, "mosquitto did not start\n");
            return 1;
        }
        show.Apply(BenchShow(broker.Port()));
        entering.start(500);
        if (!WaitFor(connected, 20000))
            std::printf("(the show did not connect)\n");
        std::printf("\nshow, broker up; load average %s\n", LoadAverage().c_str());
        RunCases(station, *bench.time, bench.dispatcher, bursts, up);

        broker.Kill();
        WaitFor([&] { return !connected(); }, 10000);
        std::printf("\nshow, broker killed; load average %s\n", LoadAverage().c_str());
        RunCases(station, *bench.time, bench.dispatcher, bursts, down);
        std::printf("entries waiting in the outbox: %zu\n", show.Publisher() ? show.Publisher()->Pending() : 0);

        QProcess flapper;
        flapper.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        flapper.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--flap"), QStringLiteral("1000")});
        if (!flapper.waitForStarted() || !flapper.waitForReadyRead(20000)) {
            std::fprintf(stderr, "the flapping broker did not start\n");
            return 1;
        }
        const auto flapPort = static_cast<quint16>(flapper.readLine().trimmed().toUInt());
        show.Apply(BenchShow(flapPort));
        std::printf("\nshow, broker killed and started every second; load average %s\n", LoadAverage().c_str());
        RunCases(station, *bench.time, bench.dispatcher, bursts, flapping);
        entering.stop();
        flapper.closeWriteChannel();
        if (!flapper.waitForFinished(10000)) {
            flapper.kill();
            flapper.waitForFinished();
        }
    }
    std::printf("\npooled over %d round(s)\n", rounds);
    bench::PrintPooled("idle, without the show", without.idle);
    bench::PrintPooled("idle, broker up", up.idle);
    bench::PrintPooled("idle, broker down", down.idle);
    bench::PrintPooled("idle, broker flapping", flapping.idle);
    bench::PrintPooled("busy, without the show", without.busy);
    bench::PrintPooled("busy, broker up", up.busy);
    bench::PrintPooled("busy, broker down", down.busy);
    bench::PrintPooled("busy, broker flapping", flapping.busy);
    show.Stop();
    station.Run().AbortOrNext(Command::Abbruch);
    return 0;
}

int main(int argc, char** argv) {
    if (argc >= 4 && std::string(argv[1]) == "--clients")
        return RunClients(argc, argv);
    if (argc >= 3 && std::string(argv[1]) == "--flap")
        return RunFlappingBroker(argc, argv);
    if (argc >= 2 && std::string(argv[1]) == "--show")
        return RunShow(argc, argv);
    QCoreApplication app(argc, argv);
    const int bursts = argc > 1 ? std::max(5, std::atoi(argv[1])) : 40;
    const int clients = argc > 2 ? std::clamp(std::atoi(argv[2]), 1, 500) : 300;
    const int rounds = argc > 3 ? std::clamp(std::atoi(argv[3]), 1, 10) : 1;

    BenchStation bench;
    Station& station = bench.station;
    const TimeSource* time = bench.time.get();
    ui::QtDispatcher& dispatcher = bench.dispatcher;

    LiveServer server([&station] { return station.LiveSnapshot(); },
                      [&station] { return ClipboardText(station.Protocol()); });
    if (!server.Start(0, QHostAddress::LocalHost)) {
        std::fprintf(stderr, "live server: %s\n", qPrintable(server.ErrorText()));
        return 1;
    }

    std::printf("%d bursts per case; error = recorded stamp - moment the line changed\n", bursts);
    Pooled alone, watched;
    for (int round = 0; round < rounds; ++round) {
        std::printf("\nlive server on 127.0.0.1:%u, lane clock running, no clients; load average %s\n", server.Port(),
                    LoadAverage().c_str());
        RunCases(station, *time, dispatcher, bursts, alone);
        if (!RunWatched(server, clients, [&] { RunCases(station, *time, dispatcher, bursts, watched); }))
            return 1;
    }
    std::printf("\npooled over %d round(s)\n", rounds);
    bench::PrintPooled("idle main thread, no clients", alone.idle);
    bench::PrintPooled("idle main thread, with clients", watched.idle);
    bench::PrintPooled("busy main thread, no clients", alone.busy);
    bench::PrintPooled("busy main thread, with clients", watched.busy);
    server.Stop();
    station.Run().AbortOrNext(Command::Abbruch);
    return 0;
}
