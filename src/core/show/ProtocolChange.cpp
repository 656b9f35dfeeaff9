// Protocol changes by start number (see ProtocolChange.h).
#include "show/ProtocolChange.h"

#include <string>
#include <unordered_map>
#include <unordered_set>

namespace caniparc {

namespace {

const std::string& KeyOf(const ShowRow& row) {
    return row[ColStartNr];
}

bool KeysUnique(const std::vector<ShowRow>& rows) {
    std::unordered_set<std::string> seen;
    for (const ShowRow& row : rows)
        if (!seen.insert(KeyOf(row)).second)
            return false;
    return true;
}

std::vector<std::string> KeysOf(const std::vector<ShowRow>& rows) {
    std::vector<std::string> keys;
    keys.reserve(rows.size());
    for (const ShowRow& row : rows)
        keys.push_back(KeyOf(row));
    return keys;
}

// Puts the rows in the order of `order`; rows it does not name keep their order after them.
void Reorder(std::vector<ShowRow>& rows, const std::vector<std::string>& order) {
    std::vector<ShowRow> sorted;
    sorted.reserve(rows.size());
    std::vector<bool> taken(rows.size(), false);
    std::unordered_map<std::string, std::size_t> at;
    for (std::size_t i = rows.size(); i-- > 0;)
        at[KeyOf(rows[i])] = i; // the first row of a key wins
    for (const std::string& key : order) {
        const auto it = at.find(key);
        if (it == at.end() || taken[it->second])
            continue;
        taken[it->second] = true;
        sorted.push_back(std::move(rows[it->second]));
    }
    for (std::size_t i = 0; i < rows.size(); ++i)
        if (!taken[i])
            sorted.push_back(std::move(rows[i]));
    rows = std::move(sorted);
}

} // namespace

std::vector<ShowRow> DataRows(const ProtocolTable& table) {
    const auto& rows = table.Rows();
    return rows.size() > 1 ? std::vector<ShowRow>(rows.begin() + 1, rows.end()) : std::vector<ShowRow>();
}

ProtocolChange DiffProtocol(const std::vector<ShowRow>& before, const std::vector<ShowRow>& after) {
    ProtocolChange change;
    if (!KeysUnique(before) || !KeysUnique(after)) {
        change.replaceAll = true;
        change.rows = after;
        return change;
    }
    std::unordered_map<std::string, const ShowRow*> old;
    for (const ShowRow& row : before)
        old.emplace(KeyOf(row), &row);
    std::unordered_set<std::string> kept;
    for (const ShowRow& row : after) {
        kept.insert(KeyOf(row));
        const auto it = old.find(KeyOf(row));
        if (it == old.end() || *it->second != row)
            change.rows.push_back(row);
    }
    std::vector<ShowRow> applied = before;
    for (const ShowRow& row : before)
        if (!kept.count(KeyOf(row)))
            change.removed.push_back(KeyOf(row));
    ApplyChange(applied, change);
    if (KeysOf(applied) != KeysOf(after))
        change.order = KeysOf(after);
    return change;
}

void ApplyChange(std::vector<ShowRow>& rows, const ProtocolChange& change) {
    if (change.replaceAll) {
        rows = change.rows;
        return;
    }
    // One index for the whole change: a ranking that moves every place changes every row.
    std::unordered_map<std::string, std::size_t> at;
    for (std::size_t i = rows.size(); i-- > 0;)
        at[KeyOf(rows[i])] = i;
    for (const ShowRow& row : change.rows) {
        const auto [it, added] = at.emplace(KeyOf(row), rows.size());
        if (added)
            rows.push_back(row);
        else
            rows[it->second] = row;
    }
    if (!change.removed.empty()) {
        std::vector<bool> gone(rows.size(), false);
        for (const std::string& key : change.removed)
            if (const auto it = at.find(key); it != at.end())
                gone[it->second] = true;
        std::size_t out = 0;
        for (std::size_t i = 0; i < rows.size(); ++i)
            if (!gone[i] && out++ != i)
                rows[out - 1] = std::move(rows[i]);
        rows.resize(out);
    }
    if (!change.order.empty())
        Reorder(rows, change.order);
}

} // namespace caniparc
