// The show's topics (see ShowTopics.h).
#include "show/ShowTopics.h"

#include "common/Encoding.h"

#include <array>
#include <utility>

namespace caniparc {

namespace {

constexpr std::array<std::pair<RingTopic, std::string_view>, 4> Leaves = {{{RingTopic::State, "state"},
                                                                           {RingTopic::Snapshot, "snapshot"},
                                                                           {RingTopic::Events, "events"},
                                                                           {RingTopic::Lanes, "lanes"}}};

std::string_view LeafOf(RingTopic topic) {
    for (const auto& [t, leaf] : Leaves)
        if (t == topic)
            return leaf;
    return "state";
}

std::string Prefix(std::string_view show) {
    return "caniparc/" + std::string(show) + "/";
}

} // namespace

bool ValidShowName(std::string_view name) {
    // A ring's page is /ring/<name>: a browser takes "." and ".." there as steps in the path.
    if (name.empty() || name.size() > ShowNameMaxBytes || SanitizeUtf8(name) != name || name == "." || name == "..")
        return false;
    bool blank = true;
    for (const char c : name) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F || c == '/' || c == '+' || c == '#')
            return false;
        if (c != ' ')
            blank = false;
    }
    return !blank;
}

std::string RingTopicName(std::string_view show, std::string_view ring, RingTopic topic) {
    return Prefix(show) + std::string(ring) + "/" + std::string(LeafOf(topic));
}

std::string AllRingsFilter(std::string_view show) {
    return Prefix(show) + "+/+";
}

std::string ResendTopicName(std::string_view show) {
    return "caniparc-board/" + std::string(show) + "/resend";
}

std::string ClaimTopicName(std::string_view show, std::string_view ring) {
    return "caniparc-claim/" + std::string(show) + "/" + std::string(ring);
}

std::optional<ParsedRingTopic> ParseRingTopic(std::string_view show, std::string_view topic) {
    const std::string prefix = Prefix(show);
    if (topic.substr(0, prefix.size()) != prefix)
        return std::nullopt;
    topic.remove_prefix(prefix.size());
    const auto slash = topic.find('/');
    if (slash == std::string_view::npos)
        return std::nullopt;
    const std::string_view ring = topic.substr(0, slash);
    const std::string_view leaf = topic.substr(slash + 1);
    if (!ValidShowName(ring))
        return std::nullopt;
    for (const auto& [t, name] : Leaves)
        if (leaf == name)
            return ParsedRingTopic{std::string(ring), t};
    return std::nullopt;
}

} // namespace caniparc
