// The barrier port: opens the configured serial port, keeps a worker watching its modem-status
// inputs and delivers each change on the main thread as OnCTS, OnDSR and OnRLSD, in that order.
// No byte is ever sent or received.
#pragma once

#include "serial/ComThread.h"
#include "serial/Dispatcher.h"
#include "serial/SerialBackend.h"
#include "timing/TimeSource.h"

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

namespace caniparc {

// The device cannot be opened (missing, in use, no permission).
class EComHandle : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The device opened but refused the line settings or the raising of DTR and RTS.
class EComState : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// What the UI may show beside the port: the adapter's limits and whether it still answers.
struct PortStatus {
    bool open = false;
    bool failing = false; // waits fail (adapter removed, device error)
    BackendNotes notes;
    std::string device;
};

// Reads the modem-status word now; the imitation asks for it outside any wake-up.
class ModemStatusSource {
public:
    virtual ~ModemStatusSource() = default;
    virtual std::uint32_t GetModemStatus() = 0;
};

class ComPort final : public ModemStatusSource {
public:
    using LineHandler = std::function<void(const LineChange&)>;

    ComPort(SerialBackend& backend, Dispatcher& dispatcher, const TimeSource& time);
    // Closes the port without calling OnClose: the owner is going away.
    ~ComPort() override;
    ComPort(const ComPort&) = delete;
    ComPort& operator=(const ComPort&) = delete;

    int Port = 0; // n for COMn, 0 for none

    LineHandler OnCTS;
    LineHandler OnDSR;
    LineHandler OnRLSD;
    std::function<void()> OnOpen;
    std::function<void()> OnClose;
    // The worker lost or regained the device; runs on the main thread.
    std::function<void(const PortStatus&)> OnStatusChange;

    // Closes first when open. Throws EComHandle or EComState; the port then stays closed.
    void Open();
    void Close();
    bool Connected() const { return connected_; }

    // CTS 0x10, DSR 0x20, RING 0x40, RLSD 0x80; 0 while closed or when the device fails.
    std::uint32_t GetModemStatus() override;
    PortStatus Status() const;

private:
    void Dispatch(const LineChange& change);

    SerialBackend& backend_;
    Dispatcher& dispatcher_;
    const TimeSource& time_;
    std::unique_ptr<ComThread> thread_;
    bool connected_ = false;
    bool failing_ = false;
    std::string device_;
};

} // namespace caniparc
