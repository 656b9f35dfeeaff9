// A cable between a station and the broker that the test can pull: a TCP relay on 127.0.0.1.
// Cut holds every byte in both directions and answers nothing, as a pulled cable or a dead switch
// would (no reset, no close: the station must notice by itself); connections made while cut are
// taken and held too. Mend lets the ends go (as their TCP would, by time) and relays new
// connections again.
#pragma once

#include <QTcpServer>
#include <QTcpSocket>

#include <memory>
#include <vector>

namespace caniparc::testing {

class CutProxy : public QObject {
public:
    explicit CutProxy(quint16 brokerPort);
    quint16 Port() const { return server_.serverPort(); }
    void Cut() { cut_ = true; }
    void Mend();

private:
    struct Pair {
        std::unique_ptr<QTcpSocket> station, broker;
    };
    void Accept();
    void Relay(Pair& pair);

    quint16 brokerPort_;
    QTcpServer server_;
    std::vector<std::unique_ptr<Pair>> pairs_;
    bool cut_ = false;
};

} // namespace caniparc::testing
