// The device side of the barrier port, as the worker thread sees it: open the port and raise the
// lines that feed the contacts, block until a watched input line may have changed, read the lines,
// close. One implementation per platform, and a scripted one in the tests.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace caniparc {

// Bits of the modem-status word the line handlers work with.
inline constexpr std::uint32_t kLineCts = 0x10;
inline constexpr std::uint32_t kLineDsr = 0x20;
inline constexpr std::uint32_t kLineRing = 0x40;
inline constexpr std::uint32_t kLineRlsd = 0x80;
inline constexpr std::uint32_t kWatchedLines = kLineCts | kLineDsr | kLineRlsd;

// Running edge counts per watched line, as the driver keeps them. They wrap; only differences
// between two readings mean anything.
struct LineCounts {
    std::uint32_t cts = 0;
    std::uint32_t dsr = 0;
    std::uint32_t rlsd = 0;
    bool operator==(const LineCounts&) const = default;
};

// The lines at one moment. `countsKnown` is false where the driver keeps no counts (Windows,
// some USB adapters); changes are then told by the levels alone.
struct LineSnapshot {
    std::uint32_t status = 0;
    LineCounts counts;
    bool countsKnown = false;
};

enum class OpenStage { Handle, State };

struct OpenResult {
    bool ok = true;
    OpenStage stage = OpenStage::Handle; // which step failed
    std::string message;                 // the system's text for the failure
};

enum class WakeReason {
    LineChange, // the driver reported a change of a watched line
    Tick,       // woke without a reported change; the worker compares the lines itself
    Stop,       // RequestStop was called
    Failure     // the device failed; `error` holds the system's code
};

struct Wake {
    WakeReason reason = WakeReason::Tick;
    int error = 0;
    std::uint32_t reportedLines = 0; // watched lines the driver named as changed, where it does
};

// What the backend knows about the adapter that the operator should hear about.
struct BackendNotes {
    bool polling = false;           // the driver cannot wait for line changes; lines read every 1 ms
    bool ctsUnavailable = false;    // the adapter carries no CTS: the start barrier (7+8) is blind
    bool lowLatencyRefused = false; // a USB adapter kept its default latency (up to 16 ms late)
};

class SerialBackend {
public:
    virtual ~SerialBackend() = default;

    // Opens the device exclusively, applies raw line settings without hardware flow control and
    // raises DTR and RTS. A failure leaves the backend closed.
    virtual OpenResult Open(const std::string& device) = 0;
    virtual void Close() = 0;

    // The worker thread calls BeginWaiting before its first WaitForChange and EndWaiting after
    // its last one, on that same thread; platform waits are bound to the thread that waits.
    virtual void BeginWaiting() = 0;
    virtual void EndWaiting() = 0;
    // Blocks until a watched line differs from `known` (the worker's last reading), a failure or
    // RequestStop. A change that happened before the call returns at once. After a failure it
    // backs off before the next attempt, so a dead device never spins.
    virtual Wake WaitForChange(const LineSnapshot& known) = 0;
    // Any thread: makes the pending or the next WaitForChange return Stop, promptly.
    virtual void RequestStop() = 0;

    // Levels and counts now. Safe to call while another thread waits. A failing device reads 0.
    virtual LineSnapshot ReadLines() = 0;
    virtual BackendNotes Notes() const = 0;
};

// The backend of the platform the station was built for.
std::unique_ptr<SerialBackend> MakePlatformSerialBackend();

} // namespace caniparc
