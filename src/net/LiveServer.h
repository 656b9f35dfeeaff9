// The live results on the ground's network: a read-only web server (Qt HttpServer) with the
// page, /protokoll.json, /protokoll.csv and a WebSocket on /live that pushes each change. It
// only reads the station through the two functions it is given; what a request says chooses
// an answer and nothing else (see live/LiveRequest.h).
#pragma once

#include "live/LiveRequest.h"
#include "live/LiveState.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QTcpSocket;
class QWebSocket;

namespace caniparc {

class LiveHttpServer;
class LiveTcpServer;

struct LiveServerLimits {
    int maxConnections = 500;
    int idleMs = 15000; // a connection that sends nothing for this long is dropped
    int headMs = 10000; // a request's line and headers must arrive within this (see LiveHeadLimit)
    int pingMs = 5000;  // WebSocket clients are pinged; the answer counts as activity
    int pushMs = 100;   // how often the state is compared and changes are pushed
};

class LiveServer final : public QObject {
    Q_OBJECT
public:
    using Snapshot = std::function<LiveState()>;
    using CsvText = std::function<std::string()>;

    LiveServer(Snapshot snapshot, CsvText csv, LiveServerLimits limits = {}, QObject* parent = nullptr);
    ~LiveServer() override;

    // Opens the port on every interface (or the given one); false with ErrorText() when the
    // port cannot be opened. Listening on another port first closes the old one.
    bool Start(quint16 port, const QHostAddress& address = QHostAddress::Any);
    // Closes the port and every connection at once.
    void Stop();
    bool Listening() const;
    quint16 Port() const { return port_; }
    QString ErrorText() const { return error_; }
    int Connections() const;
    int SocketClients() const { return static_cast<int>(clients_.size()); }

    // A program's own pages: asked first with the decoded path of every GET or HEAD the request
    // rules let through (nothing: the fixed answers). The limits and the WebSocket stay as they are.
    using Router = std::function<std::optional<LiveAnswer>(const std::string& path)>;
    void SetRouter(Router router) { router_ = std::move(router); }

    // Compares the state with what the clients have and pushes the difference now.
    void Push();

    // The clock the time limits are measured on, in milliseconds; a monotonic clock started
    // with the server unless another is given (the tests move their own). Set before Start.
    void SetClock(std::function<qint64()> now) { now_ = std::move(now); }
    // When a WebSocket client last answered or sent, on that clock (-1 without clients).
    qint64 LastClientActivity() const;

    // The addresses the station is reached at: "http://<address>:<port>/" for each non-loopback
    // IPv4 address of the machine, the loopback one last; empty while not listening.
    QStringList Addresses() const;
    // Those a phone can use: the same without the loopback one, unless it is all there is.
    QStringList PhoneAddresses() const;
    // The same choice from a given list of the machine's addresses.
    static QStringList AddressesOf(const QList<QHostAddress>& machine, quint16 port, bool forPhones);

signals:
    void StateChanged(); // started, stopped, failed

private:
    friend class LiveHttpServer;
    friend class LiveTcpServer;
    void Refresh();
    void NewSocketClient();
    void Sweep();
    void Received(QTcpSocket* socket);
    void Refuse(QTcpSocket& socket, LiveRoute route);
    QByteArray Answer(int route, QByteArray& contentType);

    Snapshot snapshot_;
    CsvText csv_;
    Router router_;
    LiveServerLimits limits_;
    std::unique_ptr<LiveHttpServer> http_;
    QPointer<LiveTcpServer> tcp_;
    struct Connection {
        QPointer<QTcpSocket> socket;
        qint64 lastActivity = 0;
        bool upgraded = false; // now carries a WebSocket client
        LiveHeadLimit head;    // the current request's line and headers so far
        bool refused = false;
    };
    std::vector<Connection> connections_;
    struct Client {
        QPointer<QWebSocket> socket;
        qint64 lastActivity = 0;
    };
    std::vector<Client> clients_;
    QTimer pushTimer_;
    QTimer sweepTimer_;
    quint16 port_ = 0;
    QString error_;
    std::string lastKey_;  // the full state without its version
    std::string lastFull_; // the full state as sent
    std::string lastLanes_;
    std::uint64_t version_ = 0;
    std::uint64_t sentVersion_ = 0; // what the WebSocket clients have
    std::string sentLanes_;
    QElapsedTimer clock_;
    std::function<qint64()> now_;
    qint64 Now() const { return now_ ? now_() : clock_.elapsed(); }
};

} // namespace caniparc
