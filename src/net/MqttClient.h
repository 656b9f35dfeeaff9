// A connection to an MQTT broker (libmosquitto, MQTT 5) driven by the Qt event loop: socket
// notifiers for the broker's bytes, a timer for keep-alive and reconnecting. Nothing here blocks:
// a host name is looked up in the background, the TCP connect runs on its own, and a broker that
// is gone only shows as a lost connection, tried again every few seconds.
#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QSocketNotifier;
struct mosquitto;
struct mosquitto_message;
typedef struct mqtt5__property mosquitto_property;

namespace caniparc {

struct MqttOptions {
    QString host;
    quint16 port = 1883;
    QString user, password;
    QString clientId;         // empty: the broker chooses
    int keepAliveSeconds = 5; // at least 5 (libmosquitto); a silent broker is noticed after 1.5 of these
    int retryMs = 2000;       // wait before connecting again after a loss
    // The last will, sent by the broker when this connection is lost without a goodbye.
    std::string willTopic, willPayload;
    bool willRetain = true;
    // TLS: the certificate (PEM) of the authority that signed the broker's, or the broker's own
    // when it signed it itself; the broker's certificate must name the host as given above.
    // Empty: plain TCP.
    QString caFile;
};

class MqttClient final : public QObject {
    Q_OBJECT
public:
    explicit MqttClient(MqttOptions options, QObject* parent = nullptr);
    ~MqttClient() override;
    MqttClient(const MqttClient&) = delete;
    MqttClient& operator=(const MqttClient&) = delete;

    // Connects, and connects again after every loss until Stop.
    void Start();
    // Says goodbye to the broker (so it keeps the will to itself) and stays away.
    void Stop();
    bool IsConnected() const { return connected_; }
    QString LastError() const { return error_; }
    // The broker refused the last attempt for its user name or password; false again once a
    // connection is made.
    bool CredentialsRefused() const { return credentialsRefused_; }

    // The message id, or -1 when it could not be handed to the connection (not connected).
    int Publish(const std::string& topic, const std::string& payload, int qos, bool retain);
    // `noLocal`: this connection's own messages on the filter are not sent back to it.
    bool Subscribe(const std::string& filter, int qos, bool noLocal = false);

signals:
    void Connected();
    void Disconnected(const QString& reason);
    // The broker took a QoS 1 message (PUBACK without an error), or refused it.
    void Acknowledged(int messageId);
    void Refused(int messageId, int reasonCode);
    // `retained`: kept by the broker from before, delivered on subscribing.
    void MessageReceived(const std::string& topic, const std::string& payload, bool retained);

private:
    void Attempt();
    void ConnectTo(const QString& address);
    void Drop(const QString& reason);
    void Service();
    void Readable();
    void Writable();
    void Watch();
    void AfterLoop(int rc);
    void ScheduleRetry();

    static void OnConnect(mosquitto*, void* self, int rc, int flags, const mosquitto_property*);
    static void OnDisconnect(mosquitto*, void* self, int rc, const mosquitto_property*);
    static void OnPublish(mosquitto*, void* self, int mid, int reason, const mosquitto_property*);
    static void OnMessage(mosquitto*, void* self, const mosquitto_message* message, const mosquitto_property*);

    MqttOptions options_;
    mosquitto* mosq_ = nullptr;
    std::unique_ptr<QSocketNotifier> reader_, writer_;
    QTimer service_; // keep-alive and the writes libmosquitto queued
    QTimer retry_;
    int lookup_ = -1; // QHostInfo lookup in flight
    bool running_ = false;
    bool connected_ = false;
    bool refused_ = false; // the broker answered the connect with a refusal
    bool lost_ = false;    // a callback saw the connection end
    QString lostReason_;
    std::vector<std::function<void()>> events_; // seen inside libmosquitto, told after its call
    QString error_;
    bool credentialsRefused_ = false;
};

} // namespace caniparc
