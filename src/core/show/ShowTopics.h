// The broker's topics of a show: caniparc/<show>/<ring>/{state,snapshot,events,lanes} from each
// station, caniparc-board/<show>/resend from the board, caniparc-claim/<show>/<ring> from a
// station refused for a ring that is taken.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace caniparc {

enum class RingTopic { State, Snapshot, Events, Lanes };

inline constexpr std::size_t ShowNameMaxBytes = 64;

// A show or ring name: 1 to 64 bytes of UTF-8 without control characters and without the
// topic characters / + #, not only blanks, and neither "." nor "..".
bool ValidShowName(std::string_view name);

std::string RingTopicName(std::string_view show, std::string_view ring, RingTopic topic);
// Every ring's topics of the show, for the board's subscription.
std::string AllRingsFilter(std::string_view show);
std::string ResendTopicName(std::string_view show);
// Where a station refused for a ring that is taken says so, for the station that has it.
std::string ClaimTopicName(std::string_view show, std::string_view ring);

struct ParsedRingTopic {
    std::string ring;
    RingTopic topic = RingTopic::State;
};
// The ring and topic of a topic name of `show`, or nothing for any other.
std::optional<ParsedRingTopic> ParseRingTopic(std::string_view show, std::string_view topic);

} // namespace caniparc
