// The barrier port on Linux: modem-status waits with TIOCMIWAIT, edge counts with TIOCGICOUNT,
// and a 1 ms status poll for drivers that cannot wait. The system calls sit behind LinuxSysCalls
// so that tests can script every result.
#pragma once

#include "serial/SerialBackend.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include <termios.h>

namespace caniparc {

// Every call returns 0 (Open: a descriptor) on success and minus the error number on failure.
class LinuxSysCalls {
public:
    virtual ~LinuxSysCalls() = default;
    virtual int Open(const std::string& path, int flags) = 0;
    virtual int Close(int fd) = 0;
    virtual int SetExclusive(int fd) = 0; // TIOCEXCL
    virtual int GetAttributes(int fd, termios& attributes) = 0;
    virtual int SetAttributes(int fd, const termios& attributes) = 0;
    virtual int SetModemBits(int fd, int bits) = 0;        // TIOCMBIS
    virtual int GetModemBits(int fd, int& bits) = 0;       // TIOCMGET
    virtual int GetCounts(int fd, LineCounts& counts) = 0; // TIOCGICOUNT
    virtual int WaitModemChange(int fd, int bits) = 0;     // TIOCMIWAIT
    virtual int SetLowLatency(int fd) = 0;                 // ASYNC_LOW_LATENCY by TIOCSSERIAL
    virtual int WriteTextFile(const std::string& path, const std::string& text) = 0;
    // Interruptible: returns -EINTR when the waiter is woken or ticked.
    virtual int Sleep(std::int64_t microseconds) = 0;
    virtual std::int64_t NowMicroseconds() = 0;

    // The calling thread becomes the waiter: WakeWaiter interrupts its blocking call, and with
    // tickMs > 0 so does a periodic tick, which closes the gap between checking for a stop (or
    // reading the counts) and entering the wait.
    virtual void AttachWaiter(int tickMs) = 0;
    virtual void DetachWaiter() = 0;
    virtual void WakeWaiter() = 0; // any thread
};

// The real calls. Waking uses SIGUSR2, sent only to the waiting thread, with a handler installed
// without SA_RESTART so that a blocked ioctl returns EINTR instead of being restarted: closing the
// descriptor does not wake a thread in TIOCMIWAIT.
std::unique_ptr<LinuxSysCalls> MakeLinuxSysCalls();

class LinuxSerialBackend final : public SerialBackend {
public:
    static constexpr int kTickMs = 10;
    static constexpr std::int64_t kPollMicroseconds = 1000;
    static constexpr std::int64_t kFirstBackoffMicroseconds = 10'000;
    static constexpr std::int64_t kLongestBackoffMicroseconds = 500'000;

    explicit LinuxSerialBackend(LinuxSysCalls& sys);
    explicit LinuxSerialBackend(std::unique_ptr<LinuxSysCalls> sys);
    ~LinuxSerialBackend() override;

    OpenResult Open(const std::string& device) override;
    void Close() override;
    void BeginWaiting() override;
    void EndWaiting() override;
    Wake WaitForChange(const LineSnapshot& known) override;
    void RequestStop() override;
    LineSnapshot ReadLines() override;
    BackendNotes Notes() const override;

private:
    OpenResult Configure(int fd);
    void RequestLowLatency(int fd, const std::string& device);
    bool ReadRaw(LineSnapshot& lines, int& error);
    Wake Failed(int error);
    Wake Poll(const LineSnapshot& known);
    void SleepUnlessStopped(std::int64_t microseconds);

    std::unique_ptr<LinuxSysCalls> owned_;
    LinuxSysCalls& sys_;
    std::atomic<int> fd_{-1};
    std::atomic<bool> stop_{false};
    std::atomic<bool> polling_{false};
    bool ctsUnavailable_ = false;
    bool lowLatencyRefused_ = false;
    std::int64_t backoff_ = 0; // worker thread only
};

} // namespace caniparc
