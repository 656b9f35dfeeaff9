// The live results' web server (see LiveServer.h).
#include "LiveServer.h"

#include "live/LivePage.h"
#include "live/LiveRequest.h"

#include <QAbstractHttpServer>
#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QNetworkInterface>
#include <QTcpServer>
#include <QTcpSocket>
#include <QWebSocket>

#include <algorithm>
#include <utility>

namespace caniparc {

// Counts and limits the connections before the HTTP server sees them.
class LiveTcpServer final : public QTcpServer {
public:
    explicit LiveTcpServer(LiveServer& owner) : owner_(owner) {}

protected:
    void incomingConnection(qintptr descriptor) override {
        auto* socket = new QTcpSocket(this);
        if (!socket->setSocketDescriptor(descriptor)) {
            delete socket;
            return;
        }
        if (owner_.Connections() >= owner_.limits_.maxConnections) {
            // Full: refused at once, so a flood cannot starve the phones already connected.
            socket->abort();
            socket->deleteLater();
            return;
        }
        // Qt reads no more than this ahead of the HTTP library, so a client that sends without
        // end is held back by TCP, not buffered; a head within the limit always fits.
        socket->setReadBufferSize(static_cast<qint64>(2 * kLiveRequestLimit));
        LiveServer::Connection connection;
        connection.socket = socket;
        connection.lastActivity = owner_.Now();
        connection.head = LiveHeadLimit(connection.lastActivity, owner_.limits_.headMs);
        owner_.connections_.push_back(connection);
        LiveServer* owner = &owner_;
        // Connected before the library's own reader, so the head limit sees each byte first.
        QObject::connect(socket, &QTcpSocket::readyRead, owner, [owner, socket] { owner->Received(socket); });
        QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        addPendingConnection(socket);
    }

private:
    LiveServer& owner_;
};

class LiveHttpServer final : public QAbstractHttpServer {
public:
    explicit LiveHttpServer(LiveServer& owner) : owner_(owner) {}

protected:
    bool handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) override {
        // The library upgrades a WebSocket request itself after this; an answer written here
        // would reach the client before the handshake and break it. The path is checked when
        // the socket arrives.
        if (request.value("upgrade").compare("websocket", Qt::CaseInsensitive) == 0)
            return true;
        std::size_t headerBytes = 0;
        for (const auto& [name, value] : request.headers())
            headerBytes += static_cast<std::size_t>(name.size() + value.size()) + 4;
        const QUrl url = request.url();
        QByteArray target = url.path(QUrl::FullyEncoded).toUtf8();
        if (url.hasQuery())
            target += '?' + url.query(QUrl::FullyEncoded).toUtf8();
        const auto method = request.method();
        const char* methodText = method == QHttpServerRequest::Method::Get    ? "GET"
                                 : method == QHttpServerRequest::Method::Head ? "HEAD"
                                                                              : "OTHER";
        const LiveRequest parsed = ParseLiveRequest(
            methodText, std::string_view(target.constData(), static_cast<std::size_t>(target.size())), headerBytes);
        QByteArray type = "text/plain; charset=utf-8";
        QByteArray body;
        int code = LiveStatus(parsed.route);
        std::optional<LiveAnswer> own;
        if (owner_.router_ && !parsed.path.empty())
            own = owner_.router_(parsed.path);
        if (own) {
            type = QByteArray::fromStdString(own->contentType);
            body = QByteArray::fromStdString(own->body);
            code = own->status;
        } else {
            body = owner_.Answer(static_cast<int>(parsed.route), type);
        }
        auto responder = makeResponder(request, socket);
        const auto status = static_cast<QHttpServerResponder::StatusCode>(code);
        const QHttpServerResponder::HeaderList headers{{"Content-Type", type},
                                                       {"Cache-Control", "no-store"},
                                                       {"X-Content-Type-Options", "nosniff"},
                                                       {"Content-Security-Policy",
                                                        "default-src 'none'; script-src 'unsafe-inline'; "
                                                        "style-src 'unsafe-inline'; connect-src 'self' ws: wss:"}};
        if (method != QHttpServerRequest::Method::Head) {
            responder.write(body, headers, status);
            return true;
        }
        // HEAD: the length the GET would have, and no body.
        responder.writeStatusLine(status);
        responder.writeHeaders(headers);
        responder.writeHeader("Content-Length", QByteArray::number(body.size()));
        responder.writeBody(QByteArray());
        return true;
    }
    void missingHandler(const QHttpServerRequest&, QTcpSocket*) override {}

private:
    LiveServer& owner_;
};

LiveServer::LiveServer(Snapshot snapshot, CsvText csv, LiveServerLimits limits, QObject* parent)
    : QObject(parent), snapshot_(std::move(snapshot)), csv_(std::move(csv)), limits_(limits) {
    clock_.start();
    pushTimer_.setInterval(limits_.pushMs);
    connect(&pushTimer_, &QTimer::timeout, this, &LiveServer::Push);
    sweepTimer_.setInterval(std::clamp(std::min(limits_.idleMs, limits_.headMs) / 3, 10, 1000));
    connect(&sweepTimer_, &QTimer::timeout, this, &LiveServer::Sweep);
}

LiveServer::~LiveServer() {
    Stop();
}

bool LiveServer::Listening() const {
    return tcp_ && tcp_->isListening();
}

int LiveServer::Connections() const {
    return static_cast<int>(std::count_if(connections_.begin(), connections_.end(),
                                          [](const Connection& c) { return !c.socket.isNull(); }));
}

bool LiveServer::Start(quint16 port, const QHostAddress& address) {
    Stop();
    http_ = std::make_unique<LiveHttpServer>(*this);
    auto* tcp = new LiveTcpServer(*this);
    if (!tcp->listen(address, port)) {
        error_ = tcp->errorString();
        if (tcp->serverError() == QAbstractSocket::AddressInUseError)
            error_ = QStringLiteral("Port %1 ist belegt").arg(port);
        delete tcp;
        http_.reset();
        emit StateChanged();
        return false;
    }
    tcp_ = tcp;
    http_->bind(tcp); // the HTTP server takes ownership of the listening socket
    connect(http_.get(), &QAbstractHttpServer::newWebSocketConnection, this, &LiveServer::NewSocketClient);
    port_ = tcp->serverPort();
    error_.clear();
    pushTimer_.start();
    sweepTimer_.start();
    emit StateChanged();
    return true;
}

void LiveServer::Stop() {
    const bool was = http_ != nullptr;
    pushTimer_.stop();
    sweepTimer_.stop();
    for (auto& c : clients_)
        if (c.socket) {
            c.socket->abort();
            c.socket->deleteLater();
        }
    clients_.clear();
    if (tcp_)
        tcp_->close();
    for (auto& c : connections_)
        if (c.socket) {
            c.socket->abort();
            c.socket->deleteLater();
        }
    connections_.clear();
    http_.reset();
    port_ = 0;
    if (was)
        emit StateChanged();
}

void LiveServer::NewSocketClient() {
    while (http_ && http_->hasPendingWebSocketConnections()) {
        std::unique_ptr<QWebSocket> socket = http_->nextPendingWebSocketConnection();
        if (!socket)
            continue;
        if (socket->requestUrl().path() != QLatin1String("/live")) {
            socket->close(QWebSocketProtocol::CloseCodePolicyViolated);
            socket.release()->deleteLater();
            continue;
        }
        QWebSocket* raw = socket.release();
        raw->setParent(this);
        // Its TCP connection now answers to the WebSocket's pings, not to the idle rule.
        for (auto& c : connections_)
            if (c.socket && c.socket->peerPort() == raw->peerPort() && c.socket->peerAddress() == raw->peerAddress())
                c.upgraded = true;
        clients_.push_back({raw, Now()});
        connect(raw, &QWebSocket::pong, this, [this, raw] {
            for (auto& c : clients_)
                if (c.socket == raw)
                    c.lastActivity = Now();
        });
        connect(raw, &QWebSocket::textMessageReceived, this, [this, raw] {
            for (auto& c : clients_)
                if (c.socket == raw)
                    c.lastActivity = Now();
        });
        connect(raw, &QWebSocket::disconnected, raw, &QObject::deleteLater);
        Refresh();
        raw->sendTextMessage(QString::fromStdString(lastFull_));
        if (clients_.size() == 1) { // the first client: what it has is now what was sent
            sentVersion_ = version_;
            sentLanes_ = lastLanes_;
        }
    }
}

qint64 LiveServer::LastClientActivity() const {
    qint64 last = -1;
    for (const auto& c : clients_)
        if (c.socket)
            last = std::max(last, c.lastActivity);
    return last;
}

void LiveServer::Sweep() {
    const qint64 now = Now();
    // Upgraded connections belong to their WebSocket now; their activity is counted there.
    for (auto& c : connections_) {
        if (!c.socket || c.upgraded)
            continue;
        // A client that sends a byte now and then is never idle; the time for its head ends it.
        if (!c.refused && c.head.Check(now) == LiveRoute::RequestTimeout) {
            c.refused = true;
            Refuse(*c.socket, LiveRoute::RequestTimeout);
            continue;
        }
        if (now - c.lastActivity > limits_.idleMs && c.socket->bytesToWrite() == 0) {
            c.socket->abort();
            c.socket->deleteLater();
        }
    }
    std::erase_if(connections_, [](const Connection& c) { return c.socket.isNull(); });
    for (auto& c : clients_) {
        if (!c.socket)
            continue;
        if (now - c.lastActivity > limits_.idleMs) {
            c.socket->abort();
            c.socket->deleteLater();
            c.socket = nullptr;
        } else if (now - c.lastActivity > limits_.pingMs) {
            c.socket->ping();
        }
    }
    std::erase_if(clients_, [](const Client& c) { return c.socket.isNull(); });
}

void LiveServer::Received(QTcpSocket* socket) {
    for (auto& c : connections_) {
        if (c.socket != socket)
            continue;
        c.lastActivity = Now();
        if (c.upgraded || !socket->isReadable())
            return;
        if (c.refused) {
            // Answered and closing: the rest of a late head must not reach the library, which
            // would answer it after the refusal.
            socket->readAll();
            return;
        }
        // The library reads everything on each signal, so what is waiting now is what came since.
        const QByteArray bytes = socket->peek(socket->bytesAvailable());
        const LiveRoute verdict =
            c.head.Feed(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())), c.lastActivity);
        if (verdict != LiveRoute::Page) {
            c.refused = true;
            Refuse(*socket, verdict);
        }
        return;
    }
}

void LiveServer::Refuse(QTcpSocket& socket, LiveRoute route) {
    QByteArray type;
    const QByteArray body = Answer(static_cast<int>(route), type);
    const int status = LiveStatus(route);
    const char* reason = route == LiveRoute::UriTooLong       ? " URI Too Long"
                         : route == LiveRoute::RequestTimeout ? " Request Timeout"
                                                              : " Request Header Fields Too Large";
    QByteArray answer = "HTTP/1.1 " + QByteArray::number(status) + reason;
    answer += "\r\nContent-Type: text/plain; charset=utf-8\r\nContent-Length: " + QByteArray::number(body.size()) +
              "\r\nConnection: close\r\n\r\n" + body;
    socket.write(answer);
    socket.disconnectFromHost();
    // A client that reads nothing keeps the answer unsent; it is not waited for long.
    QPointer<QTcpSocket> guard(&socket);
    QTimer::singleShot(1000, this, [guard] {
        if (guard)
            guard->abort();
    });
}

void LiveServer::Refresh() {
    LiveState state = snapshot_();
    // The key leaves out the lanes: a running clock alone is sent as lanes only.
    auto lanes = std::exchange(state.lanes, {});
    state.version = 0;
    std::string key = LiveStateJson(state);
    state.lanes = std::move(lanes);
    if (key != lastKey_ || lastFull_.empty()) {
        lastKey_ = std::move(key);
        ++version_;
        state.version = version_;
        lastFull_ = LiveStateJson(state);
    }
    state.version = version_;
    lastLanes_ = LiveLanesJson(state);
}

void LiveServer::Push() {
    if (clients_.empty())
        return;
    Refresh();
    // Compared with what the clients were sent, not with the last look: a page request in
    // between also looks, and must not swallow a lane's final time.
    const std::string* message = nullptr;
    if (version_ != sentVersion_)
        message = &lastFull_;
    else if (lastLanes_ != sentLanes_)
        message = &lastLanes_;
    sentVersion_ = version_;
    sentLanes_ = lastLanes_;
    if (!message)
        return;
    const QString text = QString::fromStdString(*message);
    for (auto& c : clients_)
        if (c.socket)
            c.socket->sendTextMessage(text);
}

QByteArray LiveServer::Answer(int route, QByteArray& contentType) {
    switch (static_cast<LiveRoute>(route)) {
    case LiveRoute::Page: {
        contentType = "text/html; charset=utf-8";
        LiveState state = snapshot_();
        Refresh();
        state.version = version_;
        return QByteArray::fromStdString(LivePageHtml(state));
    }
    case LiveRoute::Json:
        contentType = "application/json; charset=utf-8";
        Refresh();
        return QByteArray::fromStdString(lastFull_);
    case LiveRoute::Csv:
        contentType = "text/csv; charset=utf-8";
        return QByteArray::fromStdString(csv_());
    case LiveRoute::Socket:
        return "WebSocket erwartet\n";
    case LiveRoute::NotFound:
        return "Nicht gefunden\n";
    case LiveRoute::NotAllowed:
        return "Nur GET\n";
    case LiveRoute::UriTooLong:
        return "Adresse zu lang\n";
    case LiveRoute::HeadersTooLarge:
        return "Kopfzeilen zu lang\n";
    case LiveRoute::RequestTimeout:
        return "Anfrage zu langsam\n";
    case LiveRoute::BadRequest:
        break;
    }
    return "Fehlerhafte Anfrage\n";
}

QStringList LiveServer::Addresses() const {
    return Listening() ? AddressesOf(QNetworkInterface::allAddresses(), port_, false) : QStringList();
}

QStringList LiveServer::PhoneAddresses() const {
    return Listening() ? AddressesOf(QNetworkInterface::allAddresses(), port_, true) : QStringList();
}

QStringList LiveServer::AddressesOf(const QList<QHostAddress>& machine, quint16 port, bool forPhones) {
    QStringList list;
    for (const QHostAddress& a : machine)
        if (a.protocol() == QAbstractSocket::IPv4Protocol && !a.isLoopback())
            list << QStringLiteral("http://%1:%2/").arg(a.toString()).arg(port);
    if (!forPhones || list.isEmpty())
        list << QStringLiteral("http://127.0.0.1:%1/").arg(port);
    return list;
}

} // namespace caniparc
