// The show's status line and the kind of a change (see ShowStatus.h).
#include "show/ShowStatus.h"

#include <algorithm>
#include <cstdio>
#include <unordered_map>

namespace caniparc {

ShowStatusLine ShowStatusText(bool connected, int sinceHour, int sinceMinute, std::size_t pending,
                              const std::string& reason) {
    if (connected)
        return {"Turnier: verbunden", false};
    char since[16];
    std::snprintf(since, sizeof since, "%02d:%02d", sinceHour % 24, sinceMinute % 60);
    std::string text = "Turnier: getrennt seit " + std::string(since);
    if (pending == 1)
        text += " - 1 Eintrag ausstehend";
    else if (pending > 1)
        text += " - " + std::to_string(pending) + " Einträge ausstehend";
    if (!reason.empty())
        text += " - " + reason;
    return {text, true};
}

ShowEventKind KindOfChange(const std::vector<ShowRow>& before, const ProtocolChange& change) {
    // A removed row makes a correction; the blank row of an empty protocol, which the first entry
    // takes the place of, does not.
    const bool removedAStarter =
        std::any_of(change.removed.begin(), change.removed.end(), [](const std::string& key) { return !key.empty(); });
    if (change.replaceAll || removedAStarter)
        return ShowEventKind::Correction;
    std::unordered_map<std::string, const ShowRow*> old;
    for (const ShowRow& row : before)
        old.emplace(row[ColStartNr], &row);
    const auto timed = [](const ShowRow* was, const ShowRow& now, int col) {
        return (!was || (*was)[col].empty()) && !now[col].empty();
    };
    for (const ShowRow& row : change.rows) {
        const auto it = old.find(row[ColStartNr]);
        const ShowRow* was = it == old.end() ? nullptr : it->second;
        if (timed(was, row, ColTime1) || timed(was, row, ColTime2))
            return ShowEventKind::Entry;
    }
    return ShowEventKind::Correction;
}

} // namespace caniparc
