// The barrier port component (see ComPort.h).
#include "serial/ComPort.h"

#include "serial/PortProbe.h"

namespace caniparc {

ComPort::ComPort(SerialBackend& backend, Dispatcher& dispatcher, const TimeSource& time)
    : backend_(backend), dispatcher_(dispatcher), time_(time) {}

ComPort::~ComPort() {
    OnClose = nullptr;
    OnStatusChange = nullptr;
    Close();
}

void ComPort::Open() {
    if (connected_)
        Close();
    const std::string device = DeviceForPort(Port);
    if (device.empty())
        throw EComHandle("Unable to open com port: no port " + std::to_string(Port));
    const OpenResult result = backend_.Open(device);
    if (!result.ok) {
        if (result.stage == OpenStage::Handle)
            throw EComHandle("Unable to open com port: " + result.message);
        throw EComState("Unable to set com state: " + result.message);
    }
    device_ = device;
    failing_ = false;
    thread_ = std::make_unique<ComThread>(
        backend_, dispatcher_, time_, [this](const LineChange& change) { Dispatch(change); },
        [this](bool failing) {
            failing_ = failing;
            if (OnStatusChange)
                OnStatusChange(Status());
        });
    thread_->Start(backend_.ReadLines());
    connected_ = true;
    if (OnOpen)
        OnOpen();
}

void ComPort::Close() {
    if (!connected_)
        return;
    thread_->Stop();
    thread_.reset();
    backend_.Close();
    connected_ = false;
    failing_ = false;
    if (OnClose)
        OnClose();
}

std::uint32_t ComPort::GetModemStatus() {
    return connected_ ? backend_.ReadLines().status : 0;
}

PortStatus ComPort::Status() const {
    PortStatus status;
    status.open = connected_;
    status.failing = failing_;
    if (connected_) {
        status.notes = backend_.Notes();
        status.device = device_;
    }
    return status;
}

void ComPort::Dispatch(const LineChange& change) {
    // The order the line handlers rely on: start before the finish of lane 2 before lane 1.
    if ((change.changed & kLineCts) && OnCTS)
        OnCTS(change);
    if ((change.changed & kLineDsr) && OnDSR)
        OnDSR(change);
    if ((change.changed & kLineRlsd) && OnRLSD)
        OnRLSD(change);
}

} // namespace caniparc
