// A station's ring on the show's broker. Every 100 ms it compares what the station shows with
// what it last published: a changed protocol goes through the outbox (numbered, stored, sent,
// marked sent on the broker's acknowledgement), changed titles send the snapshot again, moving
// lanes go out as they are. Nothing here waits for the network; the station only reads the
// status line.
#pragma once

#include "MqttClient.h"

#include "show/AckWatch.h"
#include "show/Outbox.h"
#include "show/RingClaim.h"
#include "show/ShowSource.h"
#include "show/ShowStatus.h"
#include "show/ShowTopics.h"

#include <QObject>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

namespace caniparc {

struct ShowPublisherOptions {
    MqttOptions broker;
    std::string show, ring;
    int pollMs = 100;                  // how often the station is compared with what was published
    int heartbeatMs = ShowHeartbeatMs; // the retained state again, with the last number given
    // No acknowledgement for this long while messages wait counts as a lost connection: with the
    // heartbeat, a broker that stops answering shows in the status line within 5 s.
    int ackTimeoutMs = ShowAckLimitMs;
};

class ShowPublisher final : public QObject {
    Q_OBJECT
public:
    using Source = std::function<ShowSource()>;
    using WallClock = std::function<std::int64_t()>; // milliseconds since 1970

    // `store` must outlive the publisher; `stationId` is used when the store is new.
    ShowPublisher(ShowPublisherOptions options, OutboxStore& store, std::string stationId, Source source,
                  WallClock wallClock, QObject* parent = nullptr);
    ~ShowPublisher() override;

    void Start();
    void Stop();
    bool IsConnected() const;
    ShowStatusLine Status();
    QString LastError() const;
    const Outbox& Box() const { return outbox_; }
    std::size_t Pending() { return outbox_.Pending(); } // numbered, not yet acknowledged

    // Compares and publishes now (the timer does it every pollMs).
    void Poll();

signals:
    void StatusChanged();
    // Another station has this ring: this one stopped publishing.
    void RingRefused();
    // A second station tried to take this ring and was refused.
    void SecondStationRefused();

private:
    void Connected();
    void Disconnected();
    void Acknowledged(int messageId);
    void PublishRefused(int messageId, int reasonCode);
    void Received(const std::string& topic, const std::string& payload, bool retained);
    void BeginPublishing();
    void Refuse();
    void SendRecord(const OutboxRecord& record);
    void SendSnapshot();
    void SendState();
    void Heartbeat();
    std::string Topic(RingTopic topic) const;

    ShowPublisherOptions options_;
    Outbox outbox_;
    Source source_;
    WallClock wallClock_;
    std::unique_ptr<MqttClient> client_;
    std::vector<ShowRow> published_; // the rows as of the outbox's last number
    ShowTitles titles_;
    ShowSettings settings_;
    std::optional<std::array<ShowLane, 2>> lanes_;
    std::map<int, std::uint64_t> inFlight_; // message id -> outbox number (0: not an outbox record)
    AckWatch ackWatch_;
    std::int64_t downSinceMs_ = 0;
    RingClaim claim_;
    bool publishing_ = false;  // this connection has sent the state, snapshot and tail
    bool refused_ = false;     // another station has this ring
    bool challenged_ = false;  // a second station was refused for this ring
    bool sendRefused_ = false; // the broker refused a message of this connection (its access rules)
    QTimer poll_, heartbeat_;
};

} // namespace caniparc
