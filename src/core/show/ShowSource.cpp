// What a station publishes (see ShowSource.h).
#include "show/ShowSource.h"

#include "show/ProtocolChange.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace caniparc {

namespace {

ShowLaneState LaneStateOf(LiveLaneState state) {
    switch (state) {
    case LiveLaneState::Ready:
        return ShowLaneState::Ready;
    case LiveLaneState::Running:
        return ShowLaneState::Running;
    case LiveLaneState::Finishing:
        return ShowLaneState::Finishing;
    case LiveLaneState::Stopped:
        return ShowLaneState::Stopped;
    }
    return ShowLaneState::Ready;
}

std::string Number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

bool ReadInt(const std::string& text, int lo, int hi, int& out) {
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value < lo || value > hi)
        return false;
    out = value;
    return true;
}

bool ReadDouble(const std::string& text, double lo, double hi, double& out) {
    double value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(value) || value < lo || value > hi)
        return false;
    out = value;
    return true;
}

} // namespace

ShowSettings ShowSettingsOf(const Settings& s) {
    return {{"Title", s.Title},
            {"Title2", s.Title2},
            {"Title3", s.Title3},
            {"Katego", s.Katego},
            {"LaufCount", std::to_string(s.LaufCount)},
            {"Bonus", s.Bonus ? "1" : "0"},
            {"ZeitStandart", std::to_string(s.ZeitStandart)},
            {"ZeitMax", std::to_string(s.ZeitMax)},
            {"Dist", Number(s.Dist)},
            {"Skor", Number(s.Skor)},
            {"TimeFormatIndex", std::to_string(s.TimeFormatIndex)}};
}

void ApplyShowSettings(Settings& s, const ShowSettings& values) {
    for (const auto& [name, value] : values) {
        int bonus = 0;
        if (name == "Title")
            s.Title = value;
        else if (name == "Title2")
            s.Title2 = value;
        else if (name == "Title3")
            s.Title3 = value;
        else if (name == "Katego")
            s.Katego = value;
        else if (name == "LaufCount")
            ReadInt(value, 1, 2, s.LaufCount);
        else if (name == "Bonus" && ReadInt(value, 0, 1, bonus))
            s.Bonus = bonus == 1;
        else if (name == "ZeitStandart")
            ReadInt(value, 0, 100000, s.ZeitStandart);
        else if (name == "ZeitMax")
            ReadInt(value, 0, 100000, s.ZeitMax);
        else if (name == "Dist")
            ReadDouble(value, 0, 100000, s.Dist);
        else if (name == "Skor")
            ReadDouble(value, 0, 1000, s.Skor);
        else if (name == "TimeFormatIndex")
            ReadInt(value, 0, 1, s.TimeFormatIndex);
    }
}

ShowSource MakeShowSource(const Settings& settings, const ProtocolTable& protocol, const LiveState& live) {
    ShowSource source;
    source.titles = {live.title, live.place, live.judge, live.category};
    source.settings = ShowSettingsOf(settings);
    source.rows = DataRows(protocol);
    for (std::size_t i = 0; i < source.lanes.size(); ++i) {
        const LiveLane& lane = live.lanes[i];
        source.lanes[i] = {lane.inUse, lane.startNumber,        lane.dog,         lane.handler,
                           lane.time,  LaneStateOf(lane.state), lane.disqualified};
    }
    return source;
}

} // namespace caniparc
