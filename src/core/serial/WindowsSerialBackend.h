// The barrier port on Windows: WaitCommEvent with overlapped I/O on the modem-status events,
// woken for shutdown by an event of its own. Built only on Windows.
#pragma once

#include "serial/SerialBackend.h"

#include <atomic>
#include <cstdint>

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

namespace caniparc {

class WindowsSerialBackend final : public SerialBackend {
public:
    static constexpr DWORD kFirstBackoffMs = 10;
    static constexpr DWORD kLongestBackoffMs = 500;

    WindowsSerialBackend();
    ~WindowsSerialBackend() override;

    OpenResult Open(const std::string& device) override;
    void Close() override;
    void BeginWaiting() override;
    void EndWaiting() override;
    Wake WaitForChange(const LineSnapshot& known) override;
    void RequestStop() override;
    LineSnapshot ReadLines() override;
    BackendNotes Notes() const override { return {}; }

private:
    OpenResult Configure();
    Wake StartWait();
    Wake Failed(DWORD error);
    void CancelPendingWait();

    HANDLE port_ = INVALID_HANDLE_VALUE;
    HANDLE stopEvent_ = nullptr; // manual reset; set by RequestStop, cleared by Open
    OVERLAPPED overlapped_{};    // worker thread only, valid while a wait is pending
    DWORD eventMask_ = 0;        // written by the completed wait
    bool pending_ = false;
    DWORD backoffMs_ = 0;
};

} // namespace caniparc
