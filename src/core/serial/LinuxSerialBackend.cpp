// The barrier port on Linux (see LinuxSerialBackend.h).
#include "serial/LinuxSerialBackend.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <csignal>
#include <ctime>
#include <mutex>

#include <fcntl.h>
#include <linux/serial.h>
#include <pthread.h>
#include <sys/ioctl.h>
#include <unistd.h>

#ifndef sigev_notify_thread_id
#define sigev_notify_thread_id _sigev_un._tid
#endif

namespace caniparc {
namespace {

bool StartsWith(const std::string& text, const char* prefix) {
    return text.rfind(prefix, 0) == 0;
}

std::string SystemText(int error) {
    const char* text = std::strerror(error);
    return text ? std::string(text) : std::to_string(error);
}

std::uint32_t StatusWord(int bits) {
    std::uint32_t status = 0;
    if (bits & TIOCM_CTS)
        status |= kLineCts;
    if (bits & TIOCM_DSR)
        status |= kLineDsr;
    if (bits & TIOCM_RNG)
        status |= kLineRing;
    if (bits & TIOCM_CAR)
        status |= kLineRlsd;
    return status;
}

bool Differs(const LineSnapshot& now, const LineSnapshot& known) {
    if ((now.status ^ known.status) & kWatchedLines)
        return true;
    return now.countsKnown && known.countsKnown && !(now.counts == known.counts);
}

OpenResult StateFailure(std::string message) {
    return {false, OpenStage::State, std::move(message)};
}

int Result(int rc) {
    return rc < 0 ? -errno : rc;
}

void IgnoreWakeSignal(int) {}

// Installed once and never removed: a tick still queued when a waiter detaches must not find
// the default action, which would end the process.
void InstallWakeHandler() {
    static std::once_flag installed;
    std::call_once(installed, [] {
        struct sigaction action {};
        action.sa_handler = IgnoreWakeSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = 0; // no SA_RESTART: the blocked call must come back with EINTR
        sigaction(SIGUSR2, &action, nullptr);
    });
}

class RealLinuxSysCalls final : public LinuxSysCalls {
public:
    ~RealLinuxSysCalls() override { DetachWaiter(); }

    int Open(const std::string& path, int flags) override { return Result(::open(path.c_str(), flags | O_CLOEXEC)); }
    int Close(int fd) override { return Result(::close(fd)); }
    int SetExclusive(int fd) override { return Result(::ioctl(fd, TIOCEXCL)); }
    int GetAttributes(int fd, termios& attributes) override { return Result(::tcgetattr(fd, &attributes)); }
    int SetAttributes(int fd, const termios& attributes) override {
        return Result(::tcsetattr(fd, TCSANOW, &attributes));
    }
    int SetModemBits(int fd, int bits) override { return Result(::ioctl(fd, TIOCMBIS, &bits)); }
    int GetModemBits(int fd, int& bits) override { return Result(::ioctl(fd, TIOCMGET, &bits)); }
    int GetCounts(int fd, LineCounts& counts) override {
        serial_icounter_struct icount{};
        const int rc = Result(::ioctl(fd, TIOCGICOUNT, &icount));
        if (rc == 0)
            counts = {static_cast<std::uint32_t>(icount.cts), static_cast<std::uint32_t>(icount.dsr),
                      static_cast<std::uint32_t>(icount.dcd)};
        return rc;
    }
    int WaitModemChange(int fd, int bits) override {
        return Result(::ioctl(fd, TIOCMIWAIT, static_cast<unsigned long>(bits)));
    }
    int SetLowLatency(int fd) override {
        serial_struct serial{};
        if (::ioctl(fd, TIOCGSERIAL, &serial) < 0)
            return -errno;
        serial.flags |= ASYNC_LOW_LATENCY;
        return Result(::ioctl(fd, TIOCSSERIAL, &serial));
    }
    int WriteTextFile(const std::string& path, const std::string& text) override;
    int Sleep(std::int64_t microseconds) override {
        timespec span{static_cast<time_t>(microseconds / 1'000'000),
                      static_cast<long>(microseconds % 1'000'000) * 1000};
        return -::clock_nanosleep(CLOCK_MONOTONIC, 0, &span, nullptr);
    }
    std::int64_t NowMicroseconds() override {
        timespec now{};
        ::clock_gettime(CLOCK_MONOTONIC, &now);
        return static_cast<std::int64_t>(now.tv_sec) * 1'000'000 + now.tv_nsec / 1000;
    }
    void AttachWaiter(int tickMs) override;
    void DetachWaiter() override;
    void WakeWaiter() override;

private:
    void StartTicks(int tickMs);

    std::mutex mutex_; // keeps a wake from reaching a thread that has already detached
    bool attached_ = false;
    pthread_t waiter_{};
    bool ticking_ = false;
    timer_t timer_{};
};

int RealLinuxSysCalls::WriteTextFile(const std::string& path, const std::string& text) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return -errno;
    const ssize_t written = ::write(fd, text.data(), text.size());
    const int rc = written == static_cast<ssize_t>(text.size()) ? 0 : (written < 0 ? -errno : -EIO);
    ::close(fd);
    return rc;
}

void RealLinuxSysCalls::AttachWaiter(int tickMs) {
    InstallWakeHandler();
    sigset_t wake;
    sigemptyset(&wake);
    sigaddset(&wake, SIGUSR2);
    pthread_sigmask(SIG_UNBLOCK, &wake, nullptr);
    std::lock_guard lock(mutex_);
    attached_ = true;
    waiter_ = pthread_self();
    if (tickMs > 0)
        StartTicks(tickMs);
}

void RealLinuxSysCalls::StartTicks(int tickMs) {
    sigevent event{};
    event.sigev_notify = SIGEV_THREAD_ID;
    event.sigev_signo = SIGUSR2;
    event.sigev_notify_thread_id = static_cast<pid_t>(::gettid());
    if (::timer_create(CLOCK_MONOTONIC, &event, &timer_) != 0)
        return; // without ticks a stop can wait for the next line change: still correct, slower
    const timespec period{0, static_cast<long>(tickMs) * 1'000'000};
    const itimerspec ticks{period, period};
    ticking_ = ::timer_settime(timer_, 0, &ticks, nullptr) == 0;
    if (!ticking_)
        ::timer_delete(timer_);
}

void RealLinuxSysCalls::DetachWaiter() {
    std::lock_guard lock(mutex_);
    if (ticking_)
        ::timer_delete(timer_);
    ticking_ = false;
    attached_ = false;
}

void RealLinuxSysCalls::WakeWaiter() {
    std::lock_guard lock(mutex_);
    if (attached_)
        ::pthread_kill(waiter_, SIGUSR2);
}

} // namespace

std::unique_ptr<LinuxSysCalls> MakeLinuxSysCalls() {
    return std::make_unique<RealLinuxSysCalls>();
}

LinuxSerialBackend::LinuxSerialBackend(LinuxSysCalls& sys) : sys_(sys) {}

LinuxSerialBackend::LinuxSerialBackend(std::unique_ptr<LinuxSysCalls> sys) : owned_(std::move(sys)), sys_(*owned_) {}

LinuxSerialBackend::~LinuxSerialBackend() {
    Close();
}

OpenResult LinuxSerialBackend::Open(const std::string& device) {
    Close();
    stop_ = false;
    polling_ = false;
    backoff_ = 0;
    const int fd = sys_.Open(device, O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return {false, OpenStage::Handle, SystemText(-fd)};
    if (const int rc = sys_.SetExclusive(fd); rc < 0) {
        sys_.Close(fd);
        return {false, OpenStage::Handle, SystemText(-rc)};
    }
    const OpenResult configured = Configure(fd);
    if (!configured.ok) {
        sys_.Close(fd);
        return configured;
    }
    // A modem-class adapter reports DCD and DSR but has no CTS to report.
    ctsUnavailable_ = StartsWith(device, "/dev/ttyACM");
    RequestLowLatency(fd, device);
    fd_ = fd;
    return {};
}

OpenResult LinuxSerialBackend::Configure(int fd) {
    termios attributes{};
    if (const int rc = sys_.GetAttributes(fd, attributes); rc < 0)
        return StateFailure(SystemText(-rc));
    cfmakeraw(&attributes);
    // CLOCAL: the carrier line is a barrier here, not a modem hanging up. No CRTSCTS: RTS must
    // stay raised whatever the driver's buffers do, it powers the start barrier.
    attributes.c_cflag |= CLOCAL | CREAD;
    attributes.c_cflag &= ~CRTSCTS;
    cfsetispeed(&attributes, B9600);
    cfsetospeed(&attributes, B9600);
    if (const int rc = sys_.SetAttributes(fd, attributes); rc < 0)
        return StateFailure(SystemText(-rc));
    if (const int rc = sys_.SetModemBits(fd, TIOCM_DTR | TIOCM_RTS); rc < 0)
        return StateFailure(SystemText(-rc));
    int bits = 0;
    if (const int rc = sys_.GetModemBits(fd, bits); rc < 0)
        return StateFailure(SystemText(-rc));
    if ((bits & (TIOCM_DTR | TIOCM_RTS)) != (TIOCM_DTR | TIOCM_RTS))
        return StateFailure("DTR and RTS stay low");
    return {};
}

void LinuxSerialBackend::RequestLowLatency(int fd, const std::string& device) {
    lowLatencyRefused_ = false;
    if (!StartsWith(device, "/dev/ttyUSB") && !StartsWith(device, "/dev/ttyACM"))
        return; // on-board ports report line changes by interrupt at once
    if (sys_.SetLowLatency(fd) == 0)
        return;
    const std::string name = device.substr(device.rfind('/') + 1);
    const int rc = sys_.WriteTextFile("/sys/class/tty/" + name + "/device/latency_timer", "1");
    // No such file: the adapter has no latency timer to shorten.
    lowLatencyRefused_ = rc < 0 && rc != -ENOENT;
}

void LinuxSerialBackend::Close() {
    const int fd = fd_.exchange(-1);
    if (fd >= 0)
        sys_.Close(fd);
}

void LinuxSerialBackend::BeginWaiting() {
    sys_.AttachWaiter(kTickMs);
}

void LinuxSerialBackend::EndWaiting() {
    sys_.DetachWaiter();
}

void LinuxSerialBackend::RequestStop() {
    stop_ = true;
    sys_.WakeWaiter();
}

Wake LinuxSerialBackend::WaitForChange(const LineSnapshot& known) {
    if (backoff_ > 0)
        SleepUnlessStopped(backoff_);
    if (stop_)
        return {WakeReason::Stop};
    if (polling_)
        return Poll(known);
    for (;;) {
        LineSnapshot now;
        int error = 0;
        if (!ReadRaw(now, error))
            return Failed(error);
        if (Differs(now, known))
            break; // changed while the worker was handing over, or in the gap before the last wait
        const int rc = sys_.WaitModemChange(fd_, TIOCM_CTS | TIOCM_DSR | TIOCM_CD);
        if (stop_)
            return {WakeReason::Stop};
        if (rc == 0)
            break;
        if (rc == -EINTR)
            continue; // a tick: look again for an edge the wait missed
        if (rc == -ENOTTY || rc == -EINVAL) {
            polling_ = true;
            return Poll(known);
        }
        return Failed(-rc);
    }
    backoff_ = 0;
    return {WakeReason::LineChange};
}

Wake LinuxSerialBackend::Poll(const LineSnapshot& known) {
    for (;;) {
        LineSnapshot now;
        int error = 0;
        if (!ReadRaw(now, error))
            return Failed(error);
        if (Differs(now, known)) {
            backoff_ = 0;
            return {WakeReason::LineChange};
        }
        sys_.Sleep(kPollMicroseconds);
        if (stop_)
            return {WakeReason::Stop};
    }
}

Wake LinuxSerialBackend::Failed(int error) {
    backoff_ = backoff_ == 0 ? kFirstBackoffMicroseconds : std::min(backoff_ * 2, kLongestBackoffMicroseconds);
    return {WakeReason::Failure, error};
}

void LinuxSerialBackend::SleepUnlessStopped(std::int64_t microseconds) {
    const std::int64_t deadline = sys_.NowMicroseconds() + microseconds;
    while (!stop_) {
        const std::int64_t left = deadline - sys_.NowMicroseconds();
        if (left <= 0)
            return;
        sys_.Sleep(left);
    }
}

bool LinuxSerialBackend::ReadRaw(LineSnapshot& lines, int& error) {
    const int fd = fd_;
    // Counts before levels: an edge between the two reads then shows as a level ahead of its
    // count, which the worker gives at once and does not count again, never as a count ahead
    // of its level, which would read as a pulse.
    lines.countsKnown = sys_.GetCounts(fd, lines.counts) == 0;
    int bits = 0;
    int rc = -EINTR;
    for (int attempt = 0; attempt < 3 && rc == -EINTR; ++attempt)
        rc = sys_.GetModemBits(fd, bits);
    if (rc < 0) {
        error = -rc;
        return false;
    }
    lines.status = StatusWord(bits);
    return true;
}

LineSnapshot LinuxSerialBackend::ReadLines() {
    LineSnapshot lines;
    int error = 0;
    if (fd_ < 0 || !ReadRaw(lines, error))
        return {};
    return lines;
}

BackendNotes LinuxSerialBackend::Notes() const {
    BackendNotes notes;
    notes.polling = polling_;
    notes.ctsUnavailable = ctsUnavailable_;
    notes.lowLatencyRefused = lowLatencyRefused_;
    return notes;
}

std::unique_ptr<SerialBackend> MakePlatformSerialBackend() {
    return std::make_unique<LinuxSerialBackend>(MakeLinuxSysCalls());
}

} // namespace caniparc
