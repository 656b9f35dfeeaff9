// The messages a station and the show board exchange through the broker, and their JSON text.
// Every message the board reads comes from the network, so the reader takes any bytes: a message
// that is too large, not JSON, nested too deep, of another version or with a field of the wrong
// kind is refused with a reason, never half read.
#pragma once

#include "protocol/ProtocolTable.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace caniparc {

inline constexpr int ShowMessageVersion = 1;
// A 50 000-row protocol with full rows stays well below this.
inline constexpr std::size_t ShowMessageMaxBytes = 16 * 1024 * 1024;
inline constexpr std::size_t ShowMessageMaxRows = 100'000;
inline constexpr std::size_t ShowMessageMaxText = 4096; // any one text: a cell, a title, a setting

using ShowRow = ProtocolTable::Row;

struct ShowTitles {
    std::string title, place, judge, category;
    bool operator==(const ShowTitles&) const = default;
};

// A ring's state, retained: online with the station's epoch and the last sequence number it
// gave (sent again every few seconds, so a board learns of a lost tail), or offline (the will).
struct StateMessage {
    bool online = false;
    std::string station; // the station's own id, chosen once per outbox
    std::uint64_t epoch = 0;
    std::uint64_t seq = 0;
    std::int64_t sentMs = 0; // the station's wall clock, milliseconds since 1970
    bool operator==(const StateMessage&) const = default;
};

// The whole class as the station holds it after event `seq` of `epoch`.
struct SnapshotMessage {
    std::uint64_t epoch = 0;
    std::uint64_t seq = 0;
    std::int64_t sentMs = 0;
    ShowTitles titles;
    // The settings a reader needs to show the protocol, by their stored names.
    std::vector<std::pair<std::string, std::string>> settings;
    std::vector<ShowRow> rows; // the data rows in the station's order, without the header
    bool operator==(const SnapshotMessage&) const = default;
};

enum class ShowEventKind { Entry, Correction };

// One change of the protocol: the rows it changed, whole, found by their start numbers; the
// start numbers of removed rows; the new order of all start numbers when it changed. Where
// start numbers do not tell the rows apart, `replaceAll` says `rows` is the whole protocol.
struct ProtocolChange {
    bool replaceAll = false;
    std::vector<ShowRow> rows;
    std::vector<std::string> removed;
    std::vector<std::string> order; // empty: the order did not change
    bool operator==(const ProtocolChange&) const = default;
    bool Empty() const { return !replaceAll && rows.empty() && removed.empty() && order.empty(); }
};

struct EventMessage {
    std::uint64_t epoch = 0;
    std::uint64_t seq = 0;
    std::int64_t sentMs = 0;
    ShowEventKind kind = ShowEventKind::Entry;
    ProtocolChange change;
    bool operator==(const EventMessage&) const = default;
};

enum class ShowLaneState { Ready, Running, Finishing, Stopped };

struct ShowLane {
    bool inUse = false;
    std::string startNumber, dog, handler;
    std::string time; // as the lane's digits show it
    ShowLaneState state = ShowLaneState::Ready;
    bool disqualified = false;
    bool operator==(const ShowLane&) const = default;
};

// The lanes while a clock runs: frequent, never stored.
struct LanesMessage {
    std::int64_t sentMs = 0;
    std::array<ShowLane, 2> lanes;
    bool operator==(const LanesMessage&) const = default;
};

// The board asks a ring for everything after `after` of `epoch`; epoch 0 asks for a snapshot.
struct ResendMessage {
    std::string ring;
    std::uint64_t epoch = 0;
    std::uint64_t after = 0;
    bool operator==(const ResendMessage&) const = default;
};

using ShowMessage = std::variant<StateMessage, SnapshotMessage, EventMessage, LanesMessage, ResendMessage>;

enum class ShowReadError { None, TooLarge, BadJson, TooDeep, UnknownVersion, UnknownType, BadField };
const char* ShowReadErrorText(ShowReadError error);

struct ShowReadResult {
    ShowReadError error = ShowReadError::None;
    ShowMessage message;
    bool Ok() const { return error == ShowReadError::None; }
};

std::string WriteShowMessage(const ShowMessage& message);
ShowReadResult ReadShowMessage(std::string_view bytes);

} // namespace caniparc
