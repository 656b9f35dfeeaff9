// The parts the show's network tests share: the loopback broker's options, a station that
// publishes a protocol the test edits through the real publisher, and a board that follows the
// show's rings from the broker and asks for what it misses.
#pragma once

#include "MqttClient.h"
#include "ShowPublisher.h"

#include "show/ShowBoard.h"
#include "show/ShowTopics.h"

#include <QDateTime>
#include <QObject>
#include <QTimer>

#include <memory>
#include <string>

namespace caniparc::testing {

inline const std::string TestShow = "Cup";
inline const std::string TestRing = "Ring 1";

inline std::int64_t WallMs() {
    return QDateTime::currentMSecsSinceEpoch();
}

inline MqttOptions LoopbackBroker(quint16 port, const QString& clientId = {}, const QString& user = {},
                                  const QString& password = {}) {
    MqttOptions o;
    o.host = QStringLiteral("127.0.0.1");
    o.port = port;
    o.clientId = clientId;
    o.user = user;
    o.password = password;
    o.retryMs = 200;
    return o;
}

// Entry n: "Hund n" with a run-1 time.
inline ShowRow TestEntry(int number, const std::string& hundredths = "00") {
    ShowRow row;
    row[ColStartNr] = std::to_string(number);
    row[ColDogName] = "Hund " + std::to_string(number);
    row[ColTime1] = std::to_string(30 + number % 20) + "," + hundredths;
    return row;
}

// The station's side: a protocol the test edits, published by the real publisher.
struct PublishingStation {
    explicit PublishingStation(MqttOptions broker, std::string id = "station-1") {
        ShowPublisherOptions o;
        o.broker = std::move(broker);
        o.show = TestShow;
        o.ring = TestRing;
        publisher = std::make_unique<ShowPublisher>(
            o, store, id, [this] { return source; }, &WallMs);
        source.titles.title = "Jumping A3";
    }
    void Enter(int number) {
        source.rows.push_back(TestEntry(number));
        publisher->Poll();
    }
    MemoryOutboxStore store;
    ShowSource source;
    std::unique_ptr<ShowPublisher> publisher;
};

// The board's side, as the board program holds it: the show's rings from the broker, asking
// for what is missing.
class ListeningBoard : public QObject {
public:
    explicit ListeningBoard(MqttOptions broker) : state(TestShow), client(std::move(broker)) {
        connect(&client, &MqttClient::Connected, this, [this] { client.Subscribe(AllRingsFilter(TestShow), 1); });
        connect(&client, &MqttClient::MessageReceived, this,
                [this](const std::string& topic, const std::string& body) { state.Receive(topic, body, WallMs()); });
        connect(&asking, &QTimer::timeout, this, [this] {
            for (const ResendMessage& request : state.ResendsDue(WallMs()))
                client.Publish(ResendTopicName(TestShow), WriteShowMessage(request), 1, false);
        });
        asking.start(100);
        client.Start();
    }
    std::vector<ShowRow> Rows() const {
        const auto it = state.Rings().find(TestRing);
        return it == state.Rings().end() ? std::vector<ShowRow>() : it->second.Rows();
    }
    std::uint64_t Seq() const {
        const auto it = state.Rings().find(TestRing);
        return it == state.Rings().end() ? 0 : it->second.Seq();
    }
    ShowBoard state;
    MqttClient client;
    QTimer asking;
};

} // namespace caniparc::testing
