// The broker connection on the Qt event loop (see MqttClient.h).
#include "MqttClient.h"

#include <QFile>
#include <QHostAddress>
#include <QHostInfo>
#include <QSocketNotifier>

#include <mosquitto.h>
#include <mqtt_protocol.h>

#include <mutex>
#include <utility>

namespace caniparc {

namespace {

void InitLibrary() {
    static std::once_flag once;
    std::call_once(once, [] { mosquitto_lib_init(); });
}

QString ErrorText(int rc) {
    return QString::fromUtf8(mosquitto_strerror(rc));
}

bool IsCredentialsRefusal(int rc) {
    return rc == MQTT_RC_BAD_USERNAME_OR_PASSWORD || rc == MQTT_RC_NOT_AUTHORIZED;
}

QString RefusalText(int rc) {
    if (IsCredentialsRefusal(rc))
        return QStringLiteral("Benutzer oder Passwort abgelehnt");
    return QString::fromUtf8(mosquitto_reason_string(rc));
}

} // namespace

MqttClient::MqttClient(MqttOptions options, QObject* parent) : QObject(parent), options_(std::move(options)) {
    InitLibrary();
    service_.setInterval(500);
    connect(&service_, &QTimer::timeout, this, &MqttClient::Service);
    retry_.setSingleShot(true);
    connect(&retry_, &QTimer::timeout, this, &MqttClient::Attempt);
}

MqttClient::~MqttClient() {
    running_ = false;
    if (lookup_ >= 0)
        QHostInfo::abortHostLookup(lookup_);
    reader_.reset();
    writer_.reset();
    if (mosq_)
        mosquitto_destroy(mosq_);
}

void MqttClient::Start() {
    if (running_)
        return;
    running_ = true;
    Attempt();
}

void MqttClient::Stop() {
    running_ = false;
    retry_.stop();
    if (lookup_ >= 0) {
        QHostInfo::abortHostLookup(lookup_);
        lookup_ = -1;
    }
    if (mosq_ && connected_) {
        // The goodbye, so the broker keeps the will to itself. libmosquitto writes it at once and
        // closes the socket itself right after, so the notifiers go with it now: left on the
        // closed socket, they would watch whatever next gets its number. Should the goodbye not
        // have gone out whole, the will says the same: offline.
        mosquitto_disconnect_v5(mosq_, MQTT_RC_NORMAL_DISCONNECTION, nullptr);
        connected_ = false;
        events_.clear();
        reader_.reset();
        writer_.reset();
        emit Disconnected(QString());
    }
    Drop(QString());
}

void MqttClient::Attempt() {
    if (!running_ || mosq_ || lookup_ >= 0)
        return;
    QHostAddress address;
    if (address.setAddress(options_.host)) {
        ConnectTo(address.toString());
        return;
    }
    // A name is looked up in the background; getaddrinfo inside libmosquitto would block.
    lookup_ = QHostInfo::lookupHost(options_.host, this, [this](const QHostInfo& info) {
        lookup_ = -1;
        if (!running_)
            return;
        if (info.error() != QHostInfo::NoError || info.addresses().isEmpty()) {
            error_ = info.errorString();
            ScheduleRetry();
            return;
        }
        // With TLS the certificate is checked against the name libmosquitto connects to: the
        // name itself then, which the look-up just found, rather than its address.
        ConnectTo(options_.caFile.isEmpty() ? info.addresses().first().toString() : options_.host);
    });
}

void MqttClient::ConnectTo(const QString& address) {
    mosq_ = mosquitto_new(options_.clientId.isEmpty() ? nullptr : options_.clientId.toUtf8().constData(), true, this);
    if (!mosq_) {
        error_ = QStringLiteral("libmosquitto");
        ScheduleRetry();
        return;
    }
    mosquitto_int_option(mosq_, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V5);
    mosquitto_connect_v5_callback_set(mosq_, &MqttClient::OnConnect);
    mosquitto_disconnect_v5_callback_set(mosq_, &MqttClient::OnDisconnect);
    mosquitto_publish_v5_callback_set(mosq_, &MqttClient::OnPublish);
    mosquitto_message_v5_callback_set(mosq_, &MqttClient::OnMessage);
    if (!options_.user.isEmpty())
        mosquitto_username_pw_set(mosq_, options_.user.toUtf8().constData(), options_.password.toUtf8().constData());
    if (!options_.willTopic.empty())
        mosquitto_will_set_v5(mosq_, options_.willTopic.c_str(), static_cast<int>(options_.willPayload.size()),
                              options_.willPayload.data(), 1, options_.willRetain, nullptr);
    if (!options_.caFile.isEmpty() && mosquitto_tls_set(mosq_, QFile::encodeName(options_.caFile).constData(), nullptr,
                                                        nullptr, nullptr, nullptr) != MOSQ_ERR_SUCCESS) {
        Drop(QStringLiteral("CA-Zertifikat %1 nicht lesbar").arg(options_.caFile));
        return;
    }
    const int rc = mosquitto_connect_bind_async(mosq_, address.toUtf8().constData(), options_.port,
                                                options_.keepAliveSeconds, nullptr);
    if (rc != MOSQ_ERR_SUCCESS && rc != MOSQ_ERR_CONN_PENDING) {
        Drop(ErrorText(rc));
        return;
    }
    const int fd = mosquitto_socket(mosq_);
    reader_ = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    writer_ = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Write);
    connect(reader_.get(), &QSocketNotifier::activated, this, &MqttClient::Readable);
    connect(writer_.get(), &QSocketNotifier::activated, this, &MqttClient::Writable);
    service_.start();
    Watch();
}

void MqttClient::Watch() {
    if (mosq_ && writer_)
        writer_->setEnabled(mosquitto_want_write(mosq_));
}

void MqttClient::Readable() {
    if (mosq_)
        AfterLoop(mosquitto_loop_read(mosq_, 1));
}

void MqttClient::Writable() {
    if (mosq_)
        AfterLoop(mosquitto_loop_write(mosq_, 1));
}

void MqttClient::Service() {
    if (mosq_)
        AfterLoop(mosquitto_loop_misc(mosq_));
}

// libmosquitto's callbacks only take note; the connection is dropped here, after its own call
// has returned.
void MqttClient::AfterLoop(int rc) {
    // What the callbacks saw is told now: a listener may publish, stop or reconnect.
    std::vector<std::function<void()>> events;
    events.swap(events_);
    for (const auto& event : events)
        event();
    if (!mosq_)
        return;
    if (rc != MOSQ_ERR_SUCCESS || lost_)
        Drop(rc != MOSQ_ERR_SUCCESS ? ErrorText(rc) : lostReason_);
    else
        Watch();
}

void MqttClient::Drop(const QString& reason) {
    const bool was = connected_;
    connected_ = false;
    service_.stop();
    // Message ids start again with the next connection: an old one's late news would name
    // another message.
    events_.clear();
    reader_.reset();
    writer_.reset();
    if (mosq_) {
        // A fresh connection each time: nothing libmosquitto still held is sent twice by itself;
        // the caller sends again what was not acknowledged.
        mosquitto_destroy(mosq_);
        mosq_ = nullptr;
    }
    if (!reason.isEmpty() && !refused_)
        error_ = reason; // a refusal's reason stays: what follows it is only its consequence
    refused_ = false;
    lost_ = false;
    lostReason_.clear();
    if (was)
        emit Disconnected(error_);
    ScheduleRetry();
}

void MqttClient::ScheduleRetry() {
    if (running_ && !retry_.isActive())
        retry_.start(options_.retryMs);
}

int MqttClient::Publish(const std::string& topic, const std::string& payload, int qos, bool retain) {
    if (!mosq_ || !connected_)
        return -1;
    int mid = -1;
    const int rc = mosquitto_publish_v5(mosq_, &mid, topic.c_str(), static_cast<int>(payload.size()), payload.data(),
                                        qos, retain, nullptr);
    if (rc == MOSQ_ERR_NO_CONN || rc == MOSQ_ERR_CONN_LOST || rc == MOSQ_ERR_ERRNO) {
        // Dropped on the next service tick, not inside the caller's publishing.
        lost_ = true;
        lostReason_ = ErrorText(rc);
    }
    if (rc != MOSQ_ERR_SUCCESS)
        return -1;
    Watch();
    return mid;
}

bool MqttClient::Subscribe(const std::string& filter, int qos, bool noLocal) {
    if (!mosq_ || !connected_)
        return false;
    const int options = noLocal ? MQTT_SUB_OPT_NO_LOCAL : 0;
    const bool ok = mosquitto_subscribe_v5(mosq_, nullptr, filter.c_str(), qos, options, nullptr) == MOSQ_ERR_SUCCESS;
    Watch();
    return ok;
}

void MqttClient::OnConnect(mosquitto*, void* self, int rc, int, const mosquitto_property*) {
    auto* client = static_cast<MqttClient*>(self);
    if (rc != 0) {
        client->error_ = RefusalText(rc);
        client->credentialsRefused_ = IsCredentialsRefusal(rc);
        client->refused_ = true;
        client->lost_ = true;
        return;
    }
    client->connected_ = true;
    client->error_.clear();
    client->credentialsRefused_ = false;
    client->events_.push_back([client] { emit client->Connected(); });
}

void MqttClient::OnDisconnect(mosquitto*, void* self, int rc, const mosquitto_property*) {
    auto* client = static_cast<MqttClient*>(self);
    client->lost_ = true;
    if (rc != 0)
        client->lostReason_ = ErrorText(rc);
}

void MqttClient::OnPublish(mosquitto*, void* self, int mid, int reason, const mosquitto_property*) {
    auto* client = static_cast<MqttClient*>(self);
    if (reason >= 0x80)
        client->events_.push_back([client, mid, reason] { emit client->Refused(mid, reason); });
    else
        client->events_.push_back([client, mid] { emit client->Acknowledged(mid); });
}

void MqttClient::OnMessage(mosquitto*, void* self, const mosquitto_message* message, const mosquitto_property*) {
    auto* client = static_cast<MqttClient*>(self);
    std::string topic(message->topic);
    std::string payload(static_cast<const char*>(message->payload), static_cast<std::size_t>(message->payloadlen));
    const bool retained = message->retain;
    client->events_.push_back([client, topic = std::move(topic), payload = std::move(payload), retained] {
        emit client->MessageReceived(topic, payload, retained);
    });
}

} // namespace caniparc
