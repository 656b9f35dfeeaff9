// Simulated rings for trying the show board by hand: each ring a real ShowPublisher whose
// station runs a class of 20 starters, one dog on course at a time with its clock running, an
// entry with a time and the places every few seconds. Runs until stopped.
// Usage: ring_sim <broker port> <show> [rings=2] [seconds per run=6] [host=127.0.0.1]
#include "ShowPublisher.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

using namespace caniparc;

namespace {

const char* const Dogs[] = {"Aron", "Bela", "Cara", "Dino", "Emma", "Fly",  "Gin",  "Hexe", "Ivy", "Jack",
                            "Kira", "Luna", "Mika", "Nala", "Odin", "Pepe", "Quax", "Rudi", "Sam", "Tara"};
const char* const Handlers[] = {"Anna Berg", "Jörg Klein", "Maria Öz", "Paul Weiß", "Lena Groß"};

struct SimRing {
    SimRing(const MqttOptions& broker, const std::string& show, int index, int runMs) : runMs(runMs) {
        ShowPublisherOptions o;
        o.broker = broker;
        o.show = show;
        o.ring = "Ring " + std::to_string(index + 1);
        publisher = std::make_unique<ShowPublisher>(
            o, store, "sim-" + std::to_string(index), [this] { return source; },
            [] { return QDateTime::currentMSecsSinceEpoch(); });
        source.titles = {index % 2 ? "Jumping A2" : "Agility A3", "Reithalle Süd", "R. Richter",
                         index % 2 ? "Medium" : "Large"};
        source.settings = {{"LaufCount", "1"}, {"ZeitStandart", "40"}, {"ZeitMax", "60"}};
        for (int n = 0; n < 20; ++n) {
            ShowRow row;
            row[ColStartNr] = std::to_string(101 + n + index * 100);
            row[ColDogName] = Dogs[(n + index * 3) % 20];
            row[ColHandler] = Handlers[(n + index) % 5];
            row[ColClub] = "HSV Musterstadt";
            row[ColCategory] = source.titles.category.substr(0, 1);
            source.rows.push_back(row);
        }
        StartNext();
        tick.setInterval(100);
        QObject::connect(&tick, &QTimer::timeout, [this] { Tick(); });
        tick.start();
        publisher->Start();
    }
    void StartNext() {
        if (next >= source.rows.size()) {
            source.lanes[0] = {};
            return;
        }
        const ShowRow& row = source.rows[next];
        source.lanes[0] = {true, row[ColStartNr], row[ColDogName], row[ColHandler], "0,00", ShowLaneState::Running,
                           false};
        elapsedMs = 0;
    }
    void Tick() {
        if (next >= source.rows.size())
            return;
        elapsedMs += 100;
        char text[16];
        std::snprintf(text, sizeof text, "%d,%02d", elapsedMs / 1000, elapsedMs % 1000 / 10);
        source.lanes[0].time = text;
        if (elapsedMs < runMs + static_cast<int>(next % 7) * 300)
            return;
        ShowRow& row = source.rows[next];
        row[ColTime1] = text;
        row[ColFaults1] = std::to_string(next % 3 == 0 ? 5 : 0);
        row[ColTotal1] = row[ColFaults1] + ",00";
        row[ColGrade] = next % 3 == 0 ? "Sehr gut" : "Vorzüglich";
        Rank();
        ++next;
        StartNext();
    }
    // Places by faults, then time, as texts; the rows stay in start order.
    void Rank() {
        std::vector<ShowRow*> timed;
        for (ShowRow& r : source.rows)
            if (!r[ColTime1].empty())
                timed.push_back(&r);
        const auto key = [](const ShowRow* r) {
            return std::pair(std::stoi(r->at(ColFaults1)),
                             std::stod(r->at(ColTime1).substr(0, r->at(ColTime1).find(','))) * 100 +
                                 std::stod(r->at(ColTime1).substr(r->at(ColTime1).find(',') + 1)));
        };
        std::stable_sort(timed.begin(), timed.end(),
                         [&](const ShowRow* a, const ShowRow* b) { return key(a) < key(b); });
        for (std::size_t i = 0; i < timed.size(); ++i)
            (*timed[i])[ColPlace] = std::to_string(i + 1);
    }
    int runMs;
    MemoryOutboxStore store;
    ShowSource source;
    std::unique_ptr<ShowPublisher> publisher;
    QTimer tick;
    std::size_t next = 0;
    int elapsedMs = 0;
};

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: ring_sim <broker port> <show> [rings=2] [seconds per run=6] [host]\n");
        return 2;
    }
    MqttOptions broker;
    broker.port = static_cast<quint16>(std::atoi(argv[1]));
    broker.host = QString::fromLocal8Bit(argc > 5 ? argv[5] : "127.0.0.1");
    const int rings = argc > 3 ? std::clamp(std::atoi(argv[3]), 1, 8) : 2;
    const int runMs = (argc > 4 ? std::max(1, std::atoi(argv[4])) : 6) * 1000;
    std::vector<std::unique_ptr<SimRing>> sims;
    for (int i = 0; i < rings; ++i)
        sims.push_back(std::make_unique<SimRing>(broker, argv[2], i, runMs));
    QTimer status;
    QObject::connect(&status, &QTimer::timeout, [&] {
        for (const auto& s : sims)
            std::printf("%s  ", s->publisher->Status().text.c_str());
        std::printf("\n");
        std::fflush(stdout);
    });
    status.start(5000);
    return QCoreApplication::exec();
}
