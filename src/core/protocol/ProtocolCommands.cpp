// Protocol command state, new protocol and the proposed file name (see ProtocolCommands.h).
#include "protocol/ProtocolCommands.h"

#include <algorithm>
#include <cstdio>

namespace caniparc {
namespace {

// Blanks and control characters do not count as content, as when the row is trimmed as one text.
bool HasContent(const std::string& cell) {
    return std::any_of(cell.begin(), cell.end(), [](char c) { return static_cast<unsigned char>(c) > ' '; });
}

} // namespace

bool ProtocolHoldsData(const ProtocolTable& table) {
    if (table.RowCount() < 2)
        return false;
    const auto& row = table.RowAt(1);
    return std::any_of(row.begin(), row.end(), HasContent);
}

ProtocolCommandState UpdateProtocolCommands(const ProtocolTable& table, const ProtocolCommandContext& context) {
    ProtocolCommandState state;
    const bool data = ProtocolHoldsData(table);
    state.holdsData = data;
    state.print = state.save = state.web = state.places = data;
    // A new protocol during a run would reset the start numbers under it and enter the run for
    // starter 1 of the empty protocol.
    state.clear = data && !context.runInProgress;
    state.spreadsheet = data && context.spreadsheetAvailable;
    state.document = data && context.documentAvailable;
    state.disqualify = !context.lane1Running && !context.lane2Running;
    state.lane1SpinVisible = context.lane1ListEmpty;
    state.lane1ListVisible = !context.lane1ListEmpty;
    const bool twoLanes = context.lsCfg == 2;
    state.lane2SpinVisible = twoLanes && context.lane2ListEmpty;
    state.lane2ListVisible = twoLanes && !context.lane2ListEmpty;
    return state;
}

NewProtocolReset NewProtocol(ProtocolTable& table, int lsCfg) {
    table.SetRowCount(2);
    table.ClearRow(1);
    return {1, 2, lsCfg < 2};
}

std::string TimeStampName(const std::tm& localTime) {
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d-%02d-%02d", localTime.tm_year + 1900, localTime.tm_mon + 1,
                  localTime.tm_mday, localTime.tm_hour, localTime.tm_min);
    return text;
}

std::string UnusedFileName(const std::string& stem, const std::string& extension,
                           const std::function<bool(const std::string&)>& taken) {
    std::string name = stem + extension;
    for (int n = 2; taken(name) && n < 10000; ++n)
        name = stem + "-" + std::to_string(n) + extension;
    return name;
}

} // namespace caniparc
