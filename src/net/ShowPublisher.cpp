// A station's ring on the show's broker (see ShowPublisher.h).
#include "ShowPublisher.h"

#include "show/ProtocolChange.h"
#include "show/ShowTopics.h"

#include <QDateTime>

namespace caniparc {

namespace {

MqttOptions WithWill(MqttOptions broker, const std::string& topic, const Outbox& outbox) {
    broker.willTopic = topic;
    broker.willPayload = WriteShowMessage(StateMessage{false, outbox.StationId(), outbox.Epoch(), 0, 0});
    broker.willRetain = true;
    if (broker.clientId.isEmpty())
        broker.clientId = QString::fromStdString(outbox.StationId());
    return broker;
}

} // namespace

ShowPublisher::ShowPublisher(ShowPublisherOptions options, OutboxStore& store, std::string stationId, Source source,
                             WallClock wallClock, QObject* parent)
    : QObject(parent), options_(std::move(options)), outbox_(store, wallClock(), std::move(stationId)),
      source_(std::move(source)), wallClock_(std::move(wallClock)), ackWatch_(options_.ackTimeoutMs),
      claim_(outbox_.StationId(), outbox_.Epoch()) {
    client_ = std::make_unique<MqttClient>(WithWill(options_.broker, Topic(RingTopic::State), outbox_));
    connect(client_.get(), &MqttClient::Connected, this, &ShowPublisher::Connected);
    connect(client_.get(), &MqttClient::Disconnected, this, &ShowPublisher::Disconnected);
    connect(client_.get(), &MqttClient::Acknowledged, this, &ShowPublisher::Acknowledged);
    connect(client_.get(), &MqttClient::Refused, this, &ShowPublisher::PublishRefused);
    connect(client_.get(), &MqttClient::MessageReceived, this, &ShowPublisher::Received);
    poll_.setInterval(options_.pollMs);
    connect(&poll_, &QTimer::timeout, this, &ShowPublisher::Poll);
    heartbeat_.setInterval(options_.heartbeatMs);
    connect(&heartbeat_, &QTimer::timeout, this, &ShowPublisher::Heartbeat);
}

ShowPublisher::~ShowPublisher() = default;

std::string ShowPublisher::Topic(RingTopic topic) const {
    return RingTopicName(options_.show, options_.ring, topic);
}

void ShowPublisher::Start() {
    // A new epoch begins with the protocol as it is: the snapshot carries it.
    const ShowSource now = source_();
    published_ = now.rows;
    titles_ = now.titles;
    settings_ = now.settings;
    downSinceMs_ = wallClock_();
    poll_.start();
    heartbeat_.start();
    client_->Start();
    emit StatusChanged();
}

void ShowPublisher::Stop() {
    poll_.stop();
    heartbeat_.stop();
    if (client_->IsConnected()) {
        // Goodbye: the state says offline, as the will would. At QoS 0, so that no answer is on
        // its way when the connection closes right after it (see Connected); it goes out before
        // the goodbye on the same connection.
        client_->Publish(Topic(RingTopic::State),
                         WriteShowMessage(StateMessage{false, outbox_.StationId(), outbox_.Epoch(), 0, wallClock_()}),
                         0, true);
    }
    client_->Stop();
}

bool ShowPublisher::IsConnected() const {
    return client_->IsConnected() && publishing_;
}

QString ShowPublisher::LastError() const {
    return client_->LastError();
}

ShowStatusLine ShowPublisher::Status() {
    if (refused_)
        return {RingTakenText(options_.ring), true};
    const QDateTime since = QDateTime::fromMSecsSinceEpoch(downSinceMs_);
    const std::string reason = client_->CredentialsRefused() ? "Benutzer oder Passwort abgelehnt" : "";
    ShowStatusLine line =
        ShowStatusText(IsConnected(), since.time().hour(), since.time().minute(), outbox_.Pending(), reason);
    if (sendRefused_ && IsConnected())
        line = {line.text + " - der Broker nimmt die Einträge nicht an", true};
    if (challenged_)
        line.text += " - eine zweite Station für " + options_.ring + " wurde abgewiesen";
    return line;
}

void ShowPublisher::Poll() {
    if (client_->IsConnected() && ackWatch_.Lost(wallClock_())) {
        // A broker that takes but does not answer is as good as gone: connect again, send again.
        client_->Stop();
        client_->Start();
    }
    if (client_->IsConnected() && !publishing_ && !refused_) {
        const RingClaim::Verdict verdict = claim_.At(wallClock_());
        if (verdict == RingClaim::Verdict::Refused)
            Refuse();
        else if (verdict == RingClaim::Verdict::Publishing)
            BeginPublishing();
    }
    const ShowSource now = source_();
    const ProtocolChange change = DiffProtocol(published_, now.rows);
    if (!change.Empty()) {
        const ShowEventKind kind = KindOfChange(published_, change);
        const auto event = outbox_.Add(kind, change, wallClock_());
        published_ = now.rows;
        if (event && IsConnected())
            SendRecord(OutboxRecord{event->seq, WriteShowMessage(*event), false});
        emit StatusChanged();
    }
    if (now.titles != titles_ || now.settings != settings_) {
        titles_ = now.titles;
        settings_ = now.settings;
        SendSnapshot();
    }
    // Only lanes that went out count as published, so the lanes after a reconnect go out too.
    if (IsConnected() && (!lanes_ || *lanes_ != now.lanes)) {
        lanes_ = now.lanes;
        client_->Publish(Topic(RingTopic::Lanes), WriteShowMessage(LanesMessage{wallClock_(), now.lanes}), 0, false);
    }
}

void ShowPublisher::SendRecord(const OutboxRecord& record) {
    const int mid = client_->Publish(Topic(RingTopic::Events), record.body, 1, false);
    if (mid < 0)
        return;
    outbox_.Sending(record.seq);
    inFlight_[mid] = record.seq;
    ackWatch_.Sent(mid, wallClock_());
}

void ShowPublisher::SendSnapshot() {
    if (!IsConnected())
        return;
    const SnapshotMessage snapshot{outbox_.Epoch(), outbox_.LastSeq(), wallClock_(), titles_, settings_, published_};
    client_->Publish(Topic(RingTopic::Snapshot), WriteShowMessage(snapshot), 1, true);
}

void ShowPublisher::SendState() {
    const StateMessage state{true, outbox_.StationId(), outbox_.Epoch(), outbox_.LastSeq(), wallClock_()};
    const int mid = client_->Publish(Topic(RingTopic::State), WriteShowMessage(state), 1, true);
    if (mid >= 0) {
        inFlight_[mid] = 0;
        ackWatch_.Sent(mid, wallClock_());
    }
}

// First it listens whether another station has the ring (see RingClaim); Poll decides.
void ShowPublisher::Connected() {
    inFlight_.clear();
    sendRefused_ = false;
    ackWatch_.Reset();
    publishing_ = false;
    client_->Subscribe(ResendTopicName(options_.show), 1);
    // Its own states do not come back: nothing the broker sends is left unread when it says
    // goodbye (unread bytes turn the close into a reset, and the broker then sends the will).
    client_->Subscribe(Topic(RingTopic::State), 1, true);
    client_->Subscribe(ClaimTopicName(options_.show, options_.ring), 1);
    claim_.Connected(wallClock_());
}

void ShowPublisher::BeginPublishing() {
    publishing_ = true;
    lanes_.reset(); // whatever the board heard last may be from before the loss
    SendState();
    SendSnapshot();
    for (const OutboxRecord& record : outbox_.Next(100000))
        SendRecord(record);
    emit StatusChanged();
}

void ShowPublisher::Refuse() {
    refused_ = true;
    // The station that has the ring hears of it too.
    client_->Publish(ClaimTopicName(options_.show, options_.ring),
                     WriteShowMessage(StateMessage{true, outbox_.StationId(), outbox_.Epoch(), 0, wallClock_()}), 1,
                     false);
    client_->Stop();
    poll_.stop();
    heartbeat_.stop();
    emit StatusChanged();
    emit RingRefused();
}

void ShowPublisher::Disconnected() {
    publishing_ = false;
    inFlight_.clear();
    ackWatch_.Reset();
    outbox_.Disconnected();
    downSinceMs_ = wallClock_();
    emit StatusChanged();
}

void ShowPublisher::Acknowledged(int messageId) {
    const auto it = inFlight_.find(messageId);
    if (it == inFlight_.end())
        return;
    ackWatch_.Acknowledged(messageId, wallClock_());
    if (it->second != 0) {
        outbox_.Acknowledged(it->second);
        emit StatusChanged();
    }
    inFlight_.erase(it);
}

// The broker answered, so it is there; what it refused stays unsent and the line says so.
void ShowPublisher::PublishRefused(int messageId, int) {
    const auto it = inFlight_.find(messageId);
    if (it == inFlight_.end())
        return;
    ackWatch_.Acknowledged(messageId, wallClock_());
    inFlight_.erase(it);
    if (!sendRefused_) {
        sendRefused_ = true;
        emit StatusChanged();
    }
}

void ShowPublisher::Heartbeat() {
    if (IsConnected())
        SendState();
}

void ShowPublisher::Received(const std::string& topic, const std::string& payload, bool retained) {
    const ShowReadResult read = ReadShowMessage(payload);
    if (const auto* state = std::get_if<StateMessage>(&read.message); read.Ok() && state) {
        if (topic == Topic(RingTopic::State)) {
            claim_.Heard(*state, retained);
            if (publishing_ && claim_.At(wallClock_()) == RingClaim::Verdict::Refused)
                Refuse(); // two started together and the other one was first
        } else if (topic == ClaimTopicName(options_.show, options_.ring) && state->station != outbox_.StationId() &&
                   !challenged_) {
            challenged_ = true;
            emit StatusChanged();
            emit SecondStationRefused();
        }
        return;
    }
    if (topic != ResendTopicName(options_.show))
        return;
    const auto* request = std::get_if<ResendMessage>(&read.message);
    if (!read.Ok() || !request || request->ring != options_.ring)
        return;
    const auto records = outbox_.Resend(request->epoch, request->after, 1000);
    if (!records) {
        SendSnapshot();
        return;
    }
    for (const OutboxRecord& record : *records)
        client_->Publish(Topic(RingTopic::Events), record.body, 1, false);
}

} // namespace caniparc
