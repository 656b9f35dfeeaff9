// What the board's pages show of a ring (see BoardView.h).
#include "board/BoardView.h"

#include "show/ShowSource.h"

#include <algorithm>
#include <cstdio>

namespace caniparc {

namespace {

LiveLaneState LiveStateOf(ShowLaneState state) {
    switch (state) {
    case ShowLaneState::Running:
        return LiveLaneState::Running;
    case ShowLaneState::Finishing:
        return LiveLaneState::Finishing;
    case ShowLaneState::Stopped:
        return LiveLaneState::Stopped;
    case ShowLaneState::Ready:
        break;
    }
    return LiveLaneState::Ready;
}

bool Online(const BoardRing& ring, std::int64_t nowMs) {
    return ring.State() && ring.State()->online && nowMs - ring.LastMessageMs() <= RingSilentMs;
}

SpeakerStarter StarterOf(const ShowRow& row) {
    SpeakerStarter starter{row[ColStartNr], row[ColDogName], row[ColHandler], {}, {}, row[ColPlace]};
    const bool second = !row[ColTime2].empty();
    starter.time = second ? row[ColTime2] : row[ColTime1];
    starter.result = row[ColGrade].empty() ? (second ? row[ColTotal2] : row[ColTotal1]) : row[ColGrade];
    return starter;
}

} // namespace

std::string ClockText(std::int64_t ms, const BoardClock& clock) {
    constexpr std::int64_t Day = 86'400'000;
    const std::int64_t local = ((ms + clock.utcOffsetMs) % Day + Day) % Day / 1000;
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", static_cast<int>(local / 3600),
                  static_cast<int>(local / 60 % 60), static_cast<int>(local % 60));
    return text;
}

std::string AgeText(std::int64_t sinceMs, const BoardClock& clock) {
    if (sinceMs == 0)
        return "noch nichts";
    const std::int64_t seconds = std::max<std::int64_t>(0, clock.nowMs - sinceMs) / 1000;
    if (seconds < 60)
        return "vor " + std::to_string(seconds) + " s";
    if (seconds < 3600)
        return "vor " + std::to_string(seconds / 60) + " min";
    return "vor " + std::to_string(seconds / 3600) + " h " + std::to_string(seconds / 60 % 60) + " min";
}

std::string DataAgeText(std::int64_t changedMs, const BoardClock& clock) {
    if (changedMs == 0)
        return "noch keine Daten";
    return "Daten vom " + ClockText(changedMs, clock) + " (" + AgeText(changedMs, clock) + ")";
}

RingStatus MakeRingStatus(const BoardRing& ring, std::int64_t nowMs) {
    RingStatus status;
    status.online = Online(ring, nowMs);
    status.waiting = ring.Buffered();
    if (const auto& state = ring.State(); state && state->online) {
        if (state->epoch == ring.Epoch() && state->seq > ring.Seq())
            status.behind = state->seq - ring.Seq();
        else if (state->epoch > ring.Epoch())
            status.behind = state->seq; // the new epoch's snapshot is still to come
    }
    return status;
}

RingClass MakeRingClass(const BoardRing& ring) {
    RingClass made;
    ApplyShowSettings(made.settings, ring.Settings());
    std::vector<ShowRow> rows;
    rows.reserve(ring.Rows().size() + 1);
    rows.emplace_back();
    rows.insert(rows.end(), ring.Rows().begin(), ring.Rows().end());
    made.table.ReplaceRows(std::move(rows));
    WriteColumnTitles(made.table);
    return made;
}

SpeakerRing MakeSpeakerRing(const BoardRing& ring, std::int64_t nowMs) {
    SpeakerRing out;
    std::vector<std::string> onLanes;
    if (Online(ring, nowMs) && ring.Lanes()) {
        for (std::size_t i = 0; i < ring.Lanes()->lanes.size(); ++i) {
            const ShowLane& lane = ring.Lanes()->lanes[i];
            if (!lane.inUse || lane.state == ShowLaneState::Ready)
                continue;
            out.onCourse.push_back({static_cast<int>(i) + 1, lane.startNumber, lane.dog, lane.handler, lane.time,
                                    LaneStateText(LiveStateOf(lane.state)), lane.disqualified});
            onLanes.push_back(lane.startNumber);
        }
    }
    const RingClass made = MakeRingClass(ring);
    // The run due is the first one while any starter still lacks it, then the second.
    bool firstDue = false, secondDue = false;
    for (int r = 1; r < made.table.RowCount(); ++r) {
        const RowKind kind = KindOfRow(made.table, r);
        firstDue = firstDue || kind == RowKind::Registered;
        secondDue = secondDue || (kind == RowKind::OneRun && made.settings.LaufCount == 2);
    }
    const RowKind due = firstDue ? RowKind::Registered : RowKind::OneRun;
    for (int r = 1; r < made.table.RowCount() && out.next.size() < SpeakerNextCount; ++r) {
        const ShowRow& row = made.table.RowAt(r);
        if ((firstDue || secondDue) && KindOfRow(made.table, r) == due &&
            std::find(onLanes.begin(), onLanes.end(), row[ColStartNr]) == onLanes.end())
            out.next.push_back({row[ColStartNr], row[ColDogName], row[ColHandler], {}, {}, {}});
    }
    for (const std::string& number : ring.RecentEntries()) {
        if (out.last.size() >= SpeakerLastCount)
            break;
        const auto it = std::find_if(ring.Rows().begin(), ring.Rows().end(),
                                     [&number](const ShowRow& row) { return row[ColStartNr] == number; });
        if (it != ring.Rows().end())
            out.last.push_back(StarterOf(*it));
    }
    out.finished = ring.HasData() && made.table.RowCount() > 1 && !firstDue && !secondDue && out.onCourse.empty() &&
                   KindOfRow(made.table, 1) != RowKind::Empty;
    return out;
}

LiveState MakeRingLiveState(const BoardRing& ring, const BoardClock& clock) {
    const RingClass made = MakeRingClass(ring);
    const RunModel run;
    const Ranking ranking;
    LiveState state = MakeLiveState({made.settings, made.table, run, ranking, {}, {}});
    state.title = ring.Titles().title;
    state.place = ring.Titles().place;
    state.judge = ring.Titles().judge;
    state.category = ring.Titles().category;
    if (Online(ring, clock.nowMs) && ring.Lanes()) {
        for (std::size_t i = 0; i < state.lanes.size(); ++i) {
            const ShowLane& lane = ring.Lanes()->lanes[i];
            state.lanes[i] = {lane.inUse, lane.startNumber,        lane.dog,         lane.handler,
                              lane.time,  LiveStateOf(lane.state), lane.disqualified};
        }
    }
    state.version = static_cast<std::uint64_t>(ring.ChangedMs());
    state.stand = DataAgeText(ring.ChangedMs(), clock);
    return state;
}

} // namespace caniparc
