// The show board's state: every ring of one show, fed with whatever the broker delivers. A
// message that cannot be read, or does not belong on its topic, is counted and ignored.
#pragma once

#include "show/BoardRing.h"
#include "show/ShowTopics.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace caniparc {

struct ShowBoardIgnored {
    // By ShowReadError (TooLarge .. BadField); [0] counts messages on a topic of no ring of the
    // show or of the wrong kind for their topic.
    std::array<std::size_t, 7> byReason{};
    std::size_t tooManyRings = 0;
    std::size_t Total() const;
};

class ShowBoard {
public:
    // More rings than a show has, so a stranger's made-up ring names cannot take the memory.
    static constexpr std::size_t MaxRings = 64;

    explicit ShowBoard(std::string show) : show_(std::move(show)) {}

    const std::string& Show() const { return show_; }
    // False when the message was ignored. `retained`: the broker kept it from before.
    bool Receive(std::string_view topic, std::string_view bytes, std::int64_t nowMs, bool retained = false);
    std::vector<ResendMessage> ResendsDue(std::int64_t nowMs);

    const std::map<std::string, BoardRing>& Rings() const { return rings_; }
    const ShowBoardIgnored& Ignored() const { return ignored_; }

    // The board's own copy: a restarted board restores each ring before it hears the broker,
    // and saves the rings whose data changed since it last asked.
    void Restore(const std::string& ring, const BoardRingCopy& copy);
    std::vector<std::string> TakeChanged();

private:
    BoardRing* RingFor(const std::string& name);

    std::string show_;
    std::map<std::string, BoardRing> rings_;
    std::set<std::string> changed_;
    ShowBoardIgnored ignored_;
};

} // namespace caniparc
