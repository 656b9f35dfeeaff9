// The cable the test can pull (see CutProxy.h).
#include "CutProxy.h"

namespace caniparc::testing {

CutProxy::CutProxy(quint16 brokerPort) : brokerPort_(brokerPort) {
    server_.listen(QHostAddress::LocalHost, 0);
    connect(&server_, &QTcpServer::newConnection, this, &CutProxy::Accept);
}

void CutProxy::Accept() {
    while (QTcpSocket* incoming = server_.nextPendingConnection()) {
        auto pair = std::make_unique<Pair>();
        pair->station.reset(incoming);
        incoming->setParent(nullptr);
        pair->broker = std::make_unique<QTcpSocket>();
        Pair* p = pair.get();
        pairs_.push_back(std::move(pair));
        if (cut_)
            continue; // held: never reaches the broker
        connect(p->station.get(), &QTcpSocket::readyRead, this, [this, p] { Relay(*p); });
        connect(p->broker.get(), &QTcpSocket::readyRead, this, [this, p] { Relay(*p); });
        connect(p->broker.get(), &QTcpSocket::connected, this, [this, p] { Relay(*p); });
        connect(p->broker.get(), &QTcpSocket::disconnected, p->station.get(), &QTcpSocket::disconnectFromHost);
        connect(p->station.get(), &QTcpSocket::disconnected, p->broker.get(), &QTcpSocket::disconnectFromHost);
        p->broker->connectToHost(QHostAddress::LocalHost, brokerPort_);
    }
}

void CutProxy::Relay(Pair& pair) {
    if (cut_ || pair.broker->state() != QAbstractSocket::ConnectedState)
        return;
    pair.broker->write(pair.station->readAll());
    pair.station->write(pair.broker->readAll());
}

void CutProxy::Mend() {
    for (auto& pair : pairs_) {
        pair->station->disconnect(this);
        pair->broker->disconnect(this);
        pair->station->abort();
        pair->broker->abort();
    }
    pairs_.clear();
    cut_ = false;
}

} // namespace caniparc::testing
