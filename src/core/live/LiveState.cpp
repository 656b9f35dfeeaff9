// The live results' snapshot and its JSON (see LiveState.h).
#include "live/LiveState.h"

#include "live/LiveText.h"
#include "timing/TimeText.h"

#include <algorithm>

namespace caniparc {
namespace {

void AppendString(std::string& out, const std::string& text) {
    out += '"';
    out += JsonEscape(text);
    out += '"';
}

void AppendField(std::string& out, const char* name, const std::string& text) {
    out += '"';
    out += name;
    out += "\":";
    AppendString(out, text);
    out += ',';
}

void AppendLanes(std::string& out, const LiveState& state) {
    out += "\"bahnen\":[";
    for (std::size_t i = 0; i < state.lanes.size(); ++i) {
        const LiveLane& lane = state.lanes[i];
        if (i > 0)
            out += ',';
        out += "{\"bahn\":" + std::to_string(i + 1) + ",\"aktiv\":" + (lane.inUse ? "true" : "false") + ',';
        AppendField(out, "startNr", lane.startNumber);
        AppendField(out, "hund", lane.dog);
        AppendField(out, "hundefuehrer", lane.handler);
        AppendField(out, "zeit", lane.time);
        AppendField(out, "zustand", LaneStateText(lane.state));
        out += "\"dis\":";
        out += lane.disqualified ? "true" : "false";
        out += '}';
    }
    out += "],";
    AppendField(out, "bestzeit", state.bestTime);
    AppendField(out, "bestStartNr", state.bestStartNumber);
    out += "\"version\":" + std::to_string(state.version);
}

bool AllEmpty(const ProtocolTable::Row& row, const std::vector<int>& columns) {
    return std::all_of(columns.begin(), columns.end(),
                       [&row](int c) { return row[static_cast<std::size_t>(c)].empty(); });
}

} // namespace

const char* LaneStateText(LiveLaneState state) {
    switch (state) {
    case LiveLaneState::Running:
        return "läuft";
    case LiveLaneState::Finishing:
        return "im Ziel";
    case LiveLaneState::Stopped:
        return "Endzeit";
    case LiveLaneState::Ready:
        break;
    }
    return "bereit";
}

std::vector<int> LiveColumns(const Settings& settings) {
    std::vector<int> columns;
    for (int c = ColStartNr; c <= ColPlace; ++c) {
        if (c >= ColTime2 && c <= ColTotal2 && settings.LaufCount != 2)
            continue;
        if (c == ColBonus && !settings.Bonus)
            continue;
        columns.push_back(c);
    }
    return columns;
}

std::string LaneDigitsText(const LaneDigits& digits, int timeFormatIndex) {
    const auto& v = digits.value;
    std::string text = std::to_string(v[0] * 100 + v[1] * 10 + v[2]) + ',' + static_cast<char>('0' + v[3] % 10);
    if (timeFormatIndex == 1)
        text += static_cast<char>('0' + v[4] % 10);
    return text;
}

LiveState MakeLiveState(const LiveSources& in) {
    LiveState state;
    state.title = in.settings.Title;
    state.place = in.settings.Title2;
    state.judge = in.settings.Title3;
    state.category = in.settings.Katego;
    for (std::size_t i = 0; i < state.lanes.size(); ++i) {
        LiveLane& lane = state.lanes[i];
        const LaneState& clock = in.run.lanes[i];
        lane.inUse = in.laneInUse[i];
        if (!lane.inUse)
            continue;
        lane.startNumber = in.laneStartNumbers[i];
        const int row = lane.startNumber.empty() ? -1 : in.protocol.FindStartRow(lane.startNumber);
        if (row > 0) {
            lane.dog = in.protocol.Cell(ColDogName, row);
            lane.handler = in.protocol.Cell(ColHandler, row);
        }
        lane.time = LaneDigitsText(clock.digits, in.settings.TimeFormatIndex);
        lane.disqualified = clock.TakenTime < 0;
        if (clock.clockRunning)
            lane.state = clock.finishing ? LiveLaneState::Finishing : LiveLaneState::Running;
        else if (clock.finishing)
            lane.state = LiveLaneState::Finishing;
        else if (clock.StopElapsed != 0 || clock.TakenTime != 0)
            lane.state = LiveLaneState::Stopped;
    }
    if (in.ranking.bestTime > 0) {
        state.bestTime = HundredthsToTimeText(in.ranking.bestTime / 10, in.settings.TimeFormatIndex);
        if (in.ranking.bestStartNr > 0)
            state.bestStartNumber = std::to_string(in.ranking.bestStartNr);
    }
    const std::vector<int> columns = LiveColumns(in.settings);
    const ProtocolTable::Row& header = in.protocol.RowAt(0);
    for (const int c : columns) {
        const std::string& title = header[static_cast<std::size_t>(c)];
        state.columns.push_back(title.empty() ? std::string(ColumnTitles[static_cast<std::size_t>(c)]) : title);
    }
    for (int r = 1; r < in.protocol.RowCount(); ++r) {
        const ProtocolTable::Row& row = in.protocol.RowAt(r);
        if (AllEmpty(row, columns))
            continue;
        std::vector<std::string> cells;
        cells.reserve(columns.size());
        for (const int c : columns)
            cells.push_back(row[static_cast<std::size_t>(c)]);
        state.rows.push_back(std::move(cells));
    }
    return state;
}

std::string LiveLanesJson(const LiveState& state) {
    std::string out = "{";
    AppendLanes(out, state);
    out += '}';
    return out;
}

std::string LiveStateJson(const LiveState& state) {
    std::string out = "{";
    AppendField(out, "titel", state.title);
    AppendField(out, "ort", state.place);
    AppendField(out, "richter", state.judge);
    AppendField(out, "kategorie", state.category);
    if (!state.stand.empty())
        AppendField(out, "stand", state.stand);
    out += "\"spalten\":[";
    for (std::size_t i = 0; i < state.columns.size(); ++i) {
        if (i > 0)
            out += ',';
        AppendString(out, state.columns[i]);
    }
    out += "],\"zeilen\":[";
    for (std::size_t r = 0; r < state.rows.size(); ++r) {
        out += r > 0 ? ",[" : "[";
        for (std::size_t c = 0; c < state.rows[r].size(); ++c) {
            if (c > 0)
                out += ',';
            AppendString(out, state.rows[r][c]);
        }
        out += ']';
    }
    out += "],";
    AppendLanes(out, state);
    out += '}';
    return out;
}

} // namespace caniparc
