// The barrier port on Windows (see WindowsSerialBackend.h).
#include "serial/WindowsSerialBackend.h"

#include "serial/PortProbe.h"

#include <algorithm>
#include <string>

namespace caniparc {
namespace {

// The system's text for an error in the neutral language, at most 255 characters; the code in
// decimal when there is none.
std::string SystemText(DWORD error) {
    char text[256] = {};
    const DWORD length =
        FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error,
                       MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), text, static_cast<DWORD>(sizeof text - 1), nullptr);
    if (length == 0)
        return std::to_string(error);
    std::string message(text, length);
    while (!message.empty() && (message.back() == '\r' || message.back() == '\n' || message.back() == ' '))
        message.pop_back();
    return message;
}

OpenResult StateFailure(DWORD error) {
    return {false, OpenStage::State, SystemText(error)};
}

std::uint32_t ReportedLines(DWORD mask) {
    std::uint32_t lines = 0;
    if (mask & EV_CTS)
        lines |= kLineCts;
    if (mask & EV_DSR)
        lines |= kLineDsr;
    if (mask & EV_RLSD)
        lines |= kLineRlsd;
    return lines;
}

} // namespace

WindowsSerialBackend::WindowsSerialBackend() {
    stopEvent_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
}

WindowsSerialBackend::~WindowsSerialBackend() {
    Close();
    if (stopEvent_)
        CloseHandle(stopEvent_);
}

OpenResult WindowsSerialBackend::Open(const std::string& device) {
    Close();
    ResetEvent(stopEvent_);
    backoffMs_ = 0;
    port_ = CreateFileA(device.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED,
                        nullptr);
    if (port_ == INVALID_HANDLE_VALUE)
        return {false, OpenStage::Handle, SystemText(GetLastError())};
    const OpenResult configured = Configure();
    if (!configured.ok) {
        CloseHandle(port_);
        port_ = INVALID_HANDLE_VALUE;
    }
    return configured;
}

OpenResult WindowsSerialBackend::Configure() {
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!GetCommState(port_, &dcb))
        return StateFailure(GetLastError());
    dcb.fBinary = TRUE;
    dcb.BaudRate = CBR_9600;
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
    // Both outputs held raised: they feed the barrier contacts. No handshake may ever drop them.
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fRtsControl = RTS_CONTROL_ENABLE;
    dcb.fOutxCtsFlow = FALSE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDsrSensitivity = FALSE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    if (!SetCommState(port_, &dcb))
        return StateFailure(GetLastError());
    COMMTIMEOUTS timeouts{MAXDWORD, 0, 0, 1000, 1500};
    if (!SetCommTimeouts(port_, &timeouts) || !SetupComm(port_, 64, 64))
        return StateFailure(GetLastError());
    if (!EscapeCommFunction(port_, SETDTR) || !EscapeCommFunction(port_, SETRTS))
        return StateFailure(GetLastError());
    if (!SetCommMask(port_, EV_CTS | EV_DSR | EV_RLSD))
        return StateFailure(GetLastError());
    return {};
}

void WindowsSerialBackend::Close() {
    if (port_ == INVALID_HANDLE_VALUE)
        return;
    PurgeComm(port_, PURGE_RXABORT | PURGE_RXCLEAR | PURGE_TXABORT | PURGE_TXCLEAR);
    CloseHandle(port_);
    port_ = INVALID_HANDLE_VALUE;
}

void WindowsSerialBackend::BeginWaiting() {
    overlapped_ = OVERLAPPED{};
    overlapped_.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    pending_ = false;
}

void WindowsSerialBackend::EndWaiting() {
    CancelPendingWait();
    if (overlapped_.hEvent)
        CloseHandle(overlapped_.hEvent);
    overlapped_.hEvent = nullptr;
}

void WindowsSerialBackend::CancelPendingWait() {
    if (!pending_)
        return;
    // The driver writes eventMask_ and overlapped_ until the cancelled wait has completed.
    CancelIo(port_);
    DWORD ignored = 0;
    GetOverlappedResult(port_, &overlapped_, &ignored, TRUE);
    pending_ = false;
}

void WindowsSerialBackend::RequestStop() {
    SetEvent(stopEvent_);
}

Wake WindowsSerialBackend::WaitForChange(const LineSnapshot&) {
    // The driver remembers events that come while no wait is pending, so nothing is lost between
    // two waits and no comparison with the last reading is needed here.
    if (backoffMs_ > 0 && WaitForSingleObject(stopEvent_, backoffMs_) == WAIT_OBJECT_0)
        return {WakeReason::Stop};
    if (WaitForSingleObject(stopEvent_, 0) == WAIT_OBJECT_0)
        return {WakeReason::Stop};
    if (!pending_) {
        const Wake started = StartWait();
        if (started.reason != WakeReason::Tick)
            return started;
    }
    const HANDLE handles[2] = {stopEvent_, overlapped_.hEvent};
    const DWORD which = WaitForMultipleObjects(2, handles, FALSE, INFINITE);
    if (which == WAIT_OBJECT_0)
        return {WakeReason::Stop}; // the pending wait is cancelled in EndWaiting
    if (which != WAIT_OBJECT_0 + 1)
        return Failed(GetLastError());
    pending_ = false;
    DWORD ignored = 0;
    if (!GetOverlappedResult(port_, &overlapped_, &ignored, FALSE))
        return Failed(GetLastError());
    backoffMs_ = 0;
    return {WakeReason::LineChange, 0, ReportedLines(eventMask_)};
}

// Tick: the wait is pending. LineChange: it completed at once. Failure: it could not start.
Wake WindowsSerialBackend::StartWait() {
    ResetEvent(overlapped_.hEvent);
    eventMask_ = 0;
    if (WaitCommEvent(port_, &eventMask_, &overlapped_)) {
        backoffMs_ = 0;
        return {WakeReason::LineChange, 0, ReportedLines(eventMask_)};
    }
    const DWORD error = GetLastError();
    if (error != ERROR_IO_PENDING)
        return Failed(error);
    pending_ = true;
    return {WakeReason::Tick};
}

Wake WindowsSerialBackend::Failed(DWORD error) {
    backoffMs_ = backoffMs_ == 0 ? kFirstBackoffMs : std::min<DWORD>(backoffMs_ * 2, kLongestBackoffMs);
    return {WakeReason::Failure, static_cast<int>(error)};
}

LineSnapshot WindowsSerialBackend::ReadLines() {
    LineSnapshot lines;
    if (port_ == INVALID_HANDLE_VALUE)
        return lines;
    DWORD errors = 0;
    ClearCommError(port_, &errors, nullptr);
    DWORD status = 0;
    if (GetCommModemStatus(port_, &status))
        lines.status = status & (MS_CTS_ON | MS_DSR_ON | MS_RING_ON | MS_RLSD_ON); // same bits as ours
    return lines;
}

std::unique_ptr<SerialBackend> MakePlatformSerialBackend() {
    return std::make_unique<WindowsSerialBackend>();
}

DevicePresent PlatformDevicePresent() {
    return [](const std::string& device) {
        const HANDLE handle = CreateFileA(device.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                          FILE_FLAG_OVERLAPPED, nullptr);
        if (handle == INVALID_HANDLE_VALUE)
            return false;
        const bool character = GetFileType(handle) == FILE_TYPE_CHAR;
        CloseHandle(handle);
        return character;
    };
}

} // namespace caniparc
