// A random operator against a small model of the rules an operator sees. The station (manual
// clock, no port, scripted answers to "DIS?") and the model below get the same seeded sequences
// of run commands, corrections, Ctrl+Z and restarts, in course scheme B (one lane) or C (two
// lanes on one start), with one or two runs per class, the automatic entry and the automatic
// next on some seeds; after every step the protocol's times, bonus marks and (after every
// command that ranks) places, the run commands on offer, the pending automatic entry, the
// questions asked, the backup and the entered rows' recomputation are compared. The model shares
// no code with the station: it knows rows only by their start numbers, times only as the texts
// it expects, and ranks by its own totals. A failing sequence is shrunk and printed.
//
// CANIPARC_RANDOM_SECONDS sets the budget (default 20 s), CANIPARC_RANDOM_SEED the first seed.
#include "FakeSerialBackend.h"
#include "ManualClock.h"
#include "common/NumberText.h"
#include "protocol/ProtocolFile.h"
#include "protocol/ProtocolSort.h"
#include "protocol/Scoring.h"
#include "serial/Dispatcher.h"
#include "station/Dialogs.h"
#include "station/Station.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <random>
#include <sstream>

namespace caniparc {
namespace {

namespace fs = std::filesystem;

enum class Op {
    Choose,
    Start,
    Advance,
    Pause,
    Stop,
    Enter,
    Next,
    Abort,
    LaneDis,
    Refusal,
    DisRow,
    DeleteRow,
    Recalc,
    AddRow,
    RemoveRow,
    TypeRefusals,
    TypeTime,
    TypeNumber,
    Sort,
    Undo,
    DoubleClick,
    Restart,
    Fault,
    LaneTwoRefusals,
    Bonus,
    Count
};
constexpr const char* kOpNames[] = {"Choose", "Start",  "Advance",     "Pause",        "Stop",     "Enter",
                                    "Next",   "Abort",  "LaneDis",     "Refusal",      "DisRow",   "DeleteRow",
                                    "Recalc", "AddRow", "RemoveRow",   "TypeRefusals", "TypeTime", "TypeNumber",
                                    "Sort",   "Undo",   "DoubleClick", "Restart",      "Fault",    "LaneTwoRefusals",
                                    "Bonus"};
static_assert(std::size(kOpNames) == static_cast<std::size_t>(Op::Count));

struct Step {
    Op op;
    int pick;    // a row, a lane, a list entry, a value
    bool answer; // to "DIS?"
};

std::string Describe(const std::vector<Step>& steps) {
    std::ostringstream out;
    for (const Step& s : steps)
        out << kOpNames[static_cast<int>(s.op)] << "(" << s.pick << (s.answer ? ",Ja" : ",Nein") << ") ";
    return out.str();
}

// ---- The model ---------------------------------------------------------------------------------

constexpr int kLimit = 3;       // refusals that disqualify
constexpr int kStandardS = 30;  // standard time
constexpr int kFaultWeight = 5; // a fault or refusal counts five
constexpr int kAutoEntryMs = 3000;

struct ModelRow {
    int key = 0; // the row's identity for the model; the station's row is the one of its number
    std::string number;
    std::string time1, time2;
    int faults1 = 0, refusals1 = 0; // run 1's counts; a cancelled value ("-") counts nothing
    bool bonus = false;
};

enum class LanePhase { Ready, Running, Stopped, Disqualified };
enum class RunPhase { Ready, Live, Closed };

struct ModelLane {
    LanePhase phase = LanePhase::Ready;
    std::int64_t ms = 0;
    int starter = 0; // the key of the row the lane started with
    int faults = 0, refusals = 0;
};

struct ModelRun {
    RunPhase phase = RunPhase::Ready;
    bool paused = false;
    int consent = 0; // the lane (1, 2) through which a "DIS?" was answered Ja in this run
    int generation = 0;
    std::array<ModelLane, 2> lanes;
};

struct Model {
    std::vector<ModelRow> rows;
    ModelRun run;
    int runs = 1;           // runs of the class
    int lanes = 1;          // lanes timing: 2 in scheme C
    bool autoNext = false;  // "Nächster" follows at once when a run is over
    bool autoEntry = false; // the run is entered a while after the last lane's stop
    std::int64_t now = 0;   // ms since the station started
    std::optional<std::int64_t> autoEntryAt;
    struct Saved {
        std::vector<ModelRow> rows;
        ModelRun run;
    };
    std::vector<Saved> undo;

    ModelRow* Keyed(int key) {
        for (ModelRow& row : rows)
            if (row.key == key)
                return &row;
        return nullptr;
    }
    ModelRow* Numbered(const std::string& number) {
        for (ModelRow& row : rows)
            if (row.number == number)
                return &row;
        return nullptr;
    }
    void Remember() {
        undo.push_back({rows, run});
        if (undo.size() > 50)
            undo.erase(undo.begin());
    }
    ModelLane& Lane(int lane) { return run.lanes[static_cast<std::size_t>(lane)]; }
    // The lane's run is started and neither entered, disqualified nor aborted.
    bool Pending(int lane) const {
        const LanePhase p = run.lanes[static_cast<std::size_t>(lane)].phase;
        return run.phase == RunPhase::Live && (p == LanePhase::Running || p == LanePhase::Stopped);
    }
    bool AnyRunning() const {
        for (int lane = 0; lane < lanes; ++lane)
            if (run.lanes[static_cast<std::size_t>(lane)].phase == LanePhase::Running)
                return true;
        return false;
    }
    bool EntryWaits() const {
        if (run.phase != RunPhase::Live || AnyRunning())
            return false;
        for (int lane = 0; lane < lanes; ++lane)
            if (run.lanes[static_cast<std::size_t>(lane)].phase == LanePhase::Stopped)
                return true;
        return false;
    }
    static std::string TimeText(std::int64_t ms) {
        return std::to_string(ms / 1000) + "," + std::to_string((ms % 1000) / 100);
    }
    bool SecondRunDue(const ModelRow& row) const { return runs > 1 && !row.time1.empty(); }
    bool HasRun(const ModelRow& row) const { return !row.time1.empty() && (runs < 2 || !row.time2.empty()); }
    // The lane's run ends disqualified; the whole run closes when no other lane is left.
    void CloseDisqualified(int lane) {
        Lane(lane).phase = LanePhase::Disqualified;
        for (int other = 0; other < lanes; ++other)
            if (Pending(other))
                return;
        Close();
    }
    void Close() {
        run.phase = RunPhase::Closed;
        if (autoNext)
            NewRun();
    }
    void MarkRunOne(ModelRow& row) {
        row.time1 = "DIS";
        row.faults1 = row.refusals1 = 0;
        row.bonus = false;
    }
    void MarkLiveRun(ModelRow& row) {
        if (SecondRunDue(row))
            row.time2 = "DIS";
        else
            MarkRunOne(row);
    }
    void NewRun() {
        run = {RunPhase::Ready, false, 0, run.generation + 1, {}};
        autoEntryAt.reset();
    }

    // Places: the rows with a run-1 result in order of their total; equal totals go by fewer
    // faults and refusals, then the faster time, and share a place only with everything equal.
    // In a two-run class run 2 reorders equal totals, so there only the range is known.
    static bool Numeric(const std::string& time) { return !time.empty() && time != "DIS"; }
    bool Placed(const ModelRow& row) const { return Numeric(row.time1) && !(runs > 1 && row.time2 == "DIS"); }
    static std::int64_t Ms(const std::string& time) {
        const auto comma = time.find(',');
        return std::stoll(time.substr(0, comma)) * 1000 + std::stoll(time.substr(comma + 1)) * 100;
    }
    static std::array<std::int64_t, 3> Merit(const ModelRow& row) {
        const std::int64_t ms = Ms(row.time1);
        const std::int64_t overTenths = std::max<std::int64_t>(ms - kStandardS * 1000, 0) / 100;
        const std::int64_t counted = row.faults1 + row.refusals1;
        return {counted * kFaultWeight * 10 + overTenths, counted, ms};
    }
    // "" when the place cell may read `place`, else what the model expected.
    std::string PlaceFault(const ModelRow& row, const std::string& place) const {
        if (!Placed(row)) {
            const std::string expected = Numeric(row.time1) || row.time1 == "DIS" ? "DIS" : "";
            return place == expected ? "" : "\"" + expected + "\"";
        }
        const auto merit = Merit(row);
        int better = 0, equal = 0;
        for (const ModelRow& other : rows) {
            if (!Placed(other))
                continue;
            auto theirs = Merit(other);
            auto mine = merit;
            if (runs > 1)
                theirs[1] = theirs[2] = mine[1] = mine[2] = 0;
            better += theirs < mine;
            equal += theirs == mine;
        }
        const bool digits = !place.empty() && place.size() < 6 &&
                            std::all_of(place.begin(), place.end(), [](char c) { return c >= '0' && c <= '9'; });
        const int value = digits ? std::stoi(place) : 0;
        if (digits && value >= better + 1 && value <= better + (runs > 1 ? equal : 1))
            return "";
        return runs > 1 ? std::to_string(better + 1) + ".." + std::to_string(better + equal)
                        : std::to_string(better + 1);
    }
};

// ---- The harness -------------------------------------------------------------------------------

struct ScriptedDialogs final : Dialogs {
    int asked = 0;
    int told = 0;
    bool answer = true;
    bool Ask(const std::string&) override {
        ++asked;
        return answer;
    }
    void Inform(const std::string&) override { ++told; }
};

class Harness {
public:
    explicit Harness(std::uint32_t seed) {
        folder_ =
            fs::temp_directory_path() / ("caniparc-random-" + std::to_string(::getpid()) + "-" + std::to_string(seed));
        fs::remove_all(folder_);
        fs::create_directories(folder_);
        std::mt19937 random(seed);
        model_.runs = random() % 2 == 0 ? 1 : 2;
        model_.lanes = random() % 2 == 0 ? 1 : 2;
        std::ofstream file(folder_ / "caniparc-Sicherungsdatei.txt", std::ios::binary);
        file << "Nr.\tHundename\t\r\n";
        const int count = 2 + static_cast<int>(random() % 7);
        model_.autoNext = random() % 4 == 0;
        model_.autoEntry = random() % 3 == 0;
        for (int i = 1; i <= count; ++i) {
            file << i << "\tD" << i << "\t\r\n";
            model_.rows.push_back({i, std::to_string(i), "", "", 0, 0, false});
        }
        nextKey_ = count + 1;
    }
    ~Harness() {
        station_.reset();
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
    }
    // Empty when every check held.
    std::string Play(const std::vector<Step>& steps) {
        Boot();
        for (std::size_t i = 0; i < steps.size(); ++i) {
            placesDue_ = false;
            Apply(steps[i]);
            if (std::string failure = Check(); !failure.empty())
                return "step " + std::to_string(i + 1) + " " + kOpNames[static_cast<int>(steps[i].op)] + ": " + failure;
            ++checks_;
        }
        return {};
    }
    long Checks() const { return checks_; }
    std::string Kind() const {
        return std::string(model_.lanes == 2 ? "scheme C" : "scheme B") + (model_.runs == 2 ? ", two runs" : "") +
               (model_.autoNext ? ", automatic next" : "") + (model_.autoEntry ? ", automatic entry" : "");
    }

private:
    void Boot() {
        station_.reset();
        station_ = std::make_unique<Station>(
            StationServices{
                .time = clock_, .scheduler = clock_, .dialogs = dialogs_, .serial = &serial_, .dispatcher = &handover_},
            "caniparc");
        Settings& settings = station_->GetSettings();
        settings.AutoEin = model_.autoEntry;
        settings.AutoEinS = kAutoEntryMs;
        settings.AutoNext = model_.autoNext;
        settings.Port = 0;
        settings.LsCFG = model_.lanes == 2 ? 2 : 1;
        settings.LaufCount = model_.runs;
        settings.Adel = kLimit;
        settings.ZeitStandart = kStandardS;
        settings.Multi = kFaultWeight;
        settings.Bonus = true;
        station_->Startup({folder_.string() + "/", "", "", {}}, ',');
        settings.ZeitMax = 9999;
        placesDue_ = model_.lanes < 2; // the one-lane schemes rank at start-up
    }
    RunClock& Run() { return station_->Run(); }
    const ProtocolTable& Table() const { return station_->Protocol(); }
    int PickRow(int pick) const { return 1 + pick % std::max(Table().RowCount() - 1, 1); }
    int PickLane(int pick) const { return model_.lanes == 2 ? pick % 2 : 0; }
    // The model's row of a station row: the one with its start number.
    ModelRow* ModelOf(int row) { return model_.Numbered(Table().Cell(ColStartNr, row)); }

    // A stop command; the last lane to stop starts the automatic entry.
    void StopLane(int lane) {
        if (model_.Lane(lane).phase != LanePhase::Running)
            return;
        model_.Lane(lane).phase = LanePhase::Stopped;
        if (model_.AnyRunning())
            return;
        model_.run.paused = false; // nothing is left to pause: the flag no longer counts
        if (model_.autoEntry)
            model_.autoEntryAt = model_.now + kAutoEntryMs;
    }
    // A disqualification takes back a pending automatic entry; when another lane's run still
    // waits for its entry, that entry is due again a whole delay later.
    bool TakeAutoEntry() {
        const bool pending = model_.autoEntryAt.has_value();
        model_.autoEntryAt.reset();
        return pending;
    }
    void GiveAutoEntryBack(bool pending) {
        if (pending && model_.EntryWaits())
            model_.autoEntryAt = model_.now + kAutoEntryMs;
    }
    // The lane's own "Disqual.", consented to: marks its starter's run, unless the row is gone.
    void LaneDisqualified(int lane, bool entryPending) {
        ModelRow* row = model_.Keyed(model_.Lane(lane).starter);
        if (!row) {
            ++expectedTold_;
            return;
        }
        model_.Remember();
        model_.MarkLiveRun(*row);
        model_.CloseDisqualified(lane);
        if (model_.run.consent == 0)
            model_.run.consent = lane + 1;
        placesDue_ = true;
        GiveAutoEntryBack(entryPending);
    }
    // The refusal limit of a lane reached: it always asks, then stops and disqualifies the lane.
    void RefusalLimit(int lane, bool answer) {
        ++expectedAsked_;
        if (!answer)
            return;
        StopLane(lane);
        LaneDisqualified(lane, TakeAutoEntry());
    }
    // The lanes whose live run belongs to this row.
    std::vector<int> LiveLanesOf(const ModelRow& row) {
        std::vector<int> lanes;
        for (int lane = 0; lane < model_.lanes; ++lane)
            if (model_.Pending(lane) && model_.Lane(lane).starter == row.key)
                lanes.push_back(lane);
        return lanes;
    }
    void EndedByProtocol(int lane) {
        StopLane(lane);
        const bool pending = TakeAutoEntry();
        model_.CloseDisqualified(lane);
        GiveAutoEntryBack(pending);
    }

    void Apply(const Step& step) {
        dialogs_.answer = step.answer;
        Model& m = model_;
        switch (step.op) {
        case Op::Choose: {
            // Mostly a starter still to run, as an operator would; now and then any.
            const int lane = PickLane(step.pick / 7);
            const auto& items = station_->Lists().Lane(lane).items;
            std::vector<int> due;
            for (std::size_t i = 0; i < items.size(); ++i)
                if (const ModelRow* row = m.Numbered(items[i]);
                    row && !m.HasRun(*row) && (m.lanes < 2 || items[i] != station_->Lists().Lane(1 - lane).Text()))
                    due.push_back(static_cast<int>(i));
            if (!due.empty() && step.pick % 4 != 0)
                station_->ChooseFromStartList(lane, due[static_cast<std::size_t>(step.pick) % due.size()]);
            else if (!items.empty())
                station_->ChooseFromStartList(lane, step.pick % static_cast<int>(items.size()));
            break;
        }
        case Op::Start:
            if (m.run.phase == RunPhase::Ready && StartExpected()) {
                m.run.phase = RunPhase::Live;
                m.run.consent = 0;
                m.run.generation++;
                for (int lane = 0; lane < m.lanes; ++lane)
                    m.Lane(lane) = {LanePhase::Running, 0, m.Numbered(station_->Lists().Lane(lane).Text())->key, 0, 0};
            }
            Run().Start();
            // A run takes time: a stop at the start's own count would leave no time to enter.
            Advance(100);
            break;
        case Op::Advance:
            Advance(100 * (1 + step.pick % 150));
            break;
        case Op::Pause:
            if (m.AnyRunning())
                m.run.paused = !m.run.paused;
            Run().Pause();
            break;
        case Op::Stop: {
            const int lane = PickLane(step.pick);
            StopLane(lane);
            Run().Stop(lane);
            break;
        }
        case Op::Enter:
            if (m.EntryWaits())
                Enter();
            Run().Enter();
            break;
        case Op::Next:
        case Op::Abort: {
            const bool next = step.op == Op::Next;
            if ((next && m.run.phase == RunPhase::Closed) || (!next && m.run.phase == RunPhase::Live))
                m.NewRun();
            Run().AbortOrNext(next ? Command::Next : Command::Abbruch);
            break;
        }
        case Op::LaneDis: {
            const int lane = PickLane(step.pick);
            if (m.run.phase == RunPhase::Live && m.Lane(lane).phase == LanePhase::Stopped) {
                const bool pending = TakeAutoEntry(); // even a "Nein" cancels it
                const bool asks = m.run.consent == 0;
                if (asks)
                    ++expectedAsked_;
                if (!asks || step.answer)
                    LaneDisqualified(lane, pending);
            }
            Run().DisqualifyCommand(lane);
            break;
        }
        case Op::Refusal:
        case Op::Fault:
            if (m.Pending(0)) {
                int& count = step.op == Op::Refusal ? m.Lane(0).refusals : m.Lane(0).faults;
                count = std::min(count + 1, 999);
                if (step.op == Op::Refusal && count >= kLimit)
                    RefusalLimit(0, step.answer);
            }
            Run().CountInput(step.op == Op::Refusal ? Command::Refusals1 : Command::Faults1, +1);
            break;
        case Op::LaneTwoRefusals:
            // The field takes typing only while it is enabled.
            if (m.lanes == 2 && m.Pending(1)) {
                const int value = step.pick % 5;
                m.Lane(1).refusals = value;
                if (value >= kLimit)
                    RefusalLimit(1, step.answer);
                Run().SetLaneField(1, Command::Refusals2, std::to_string(value));
            }
            break;
        case Op::DisRow: {
            const int row = PickRow(step.pick);
            bool clockRuns = false;
            for (int lane = 0; lane < m.lanes; ++lane)
                clockRuns = clockRuns || (m.Lane(lane).phase == LanePhase::Running && !m.run.paused);
            if (!clockRuns) {
                m.Remember();
                ModelRow& r = *ModelOf(row);
                const std::vector<int> lanes = LiveLanesOf(r);
                if (!lanes.empty())
                    m.MarkLiveRun(r);
                else
                    m.MarkRunOne(r);
                for (int lane : lanes)
                    EndedByProtocol(lane);
                placesDue_ = true;
            }
            station_->DisqualifyRow(row);
            break;
        }
        case Op::DeleteRow: {
            const int row = PickRow(step.pick);
            m.Remember();
            ModelRow* r = ModelOf(row);
            r->time1.clear();
            r->time2.clear();
            r->faults1 = r->refusals1 = 0;
            r->bonus = false;
            station_->DeleteResults(row);
            placesDue_ = true;
            break;
        }
        case Op::Recalc:
            m.Remember();
            station_->Recalculate(PickRow(step.pick));
            placesDue_ = true;
            break;
        case Op::AddRow: {
            m.Remember();
            const int row = station_->AddRow();
            const std::string number = Table().Cell(ColStartNr, row);
            if (m.Numbered(number))
                failure_ = "\"Neue Zeile\" repeated the start number " + number;
            m.rows.push_back({nextKey_++, number, "", "", 0, 0, false});
            break;
        }
        case Op::RemoveRow:
            if (Table().RowCount() > 2) {
                const int row = PickRow(step.pick);
                m.Remember();
                const int key = ModelOf(row)->key;
                m.rows.erase(
                    std::find_if(m.rows.begin(), m.rows.end(), [&](const ModelRow& r) { return r.key == key; }));
                station_->RemoveRow(row);
                placesDue_ = true;
            }
            break;
        case Op::TypeRefusals: {
            const int row = PickRow(step.pick);
            const int value = step.pick % 5;
            m.Remember();
            ModelRow& r = *ModelOf(row);
            if (value < kLimit) {
                r.refusals1 = value;
            } else {
                ++expectedAsked_;
                if (step.answer) {
                    // The count is run 1's: it ends a live run only when that is run 1.
                    const std::vector<int> lanes = m.SecondRunDue(r) ? std::vector<int>{} : LiveLanesOf(r);
                    m.MarkRunOne(r);
                    for (int lane : lanes)
                        EndedByProtocol(lane);
                    placesDue_ = true;
                } else {
                    r.refusals1 = kLimit - 1;
                }
            }
            station_->CommitCell(ColRefusals1, row, std::to_string(value));
            break;
        }
        case Op::TypeTime: {
            const int row = PickRow(step.pick);
            const std::int64_t ms = 20'000 + 100 * (step.pick % 300);
            m.Remember();
            ModelOf(row)->time1 = Model::TimeText(ms);
            station_->CommitCell(ColTime1, row, Model::TimeText(ms));
            break;
        }
        case Op::TypeNumber: {
            const int row = PickRow(step.pick);
            const std::string number = std::to_string(1000 + nextNumber_++);
            m.Remember();
            ModelOf(row)->number = number;
            station_->CommitCell(ColStartNr, row, number);
            break;
        }
        case Op::Bonus: {
            const int row = PickRow(step.pick);
            m.Remember();
            ModelRow& r = *ModelOf(row);
            if (step.answer) { // Ctrl+B
                r.bonus = !r.bonus;
                station_->ToggleBonus(row);
            } else { // the context menu's two entries
                r.bonus = step.pick % 2 == 0;
                station_->SetBonus(row, r.bonus);
            }
            break;
        }
        case Op::Sort: {
            constexpr int columns[] = {ColStartNr, ColDogName, ColTime1, ColSortKey};
            ClickColumnTitle(station_->Protocol(), station_->Sort(), columns[step.pick % 4], ',');
            break;
        }
        case Op::Undo:
            if (!m.undo.empty()) {
                Undo();
                placesDue_ = true;
            }
            station_->Undo();
            break;
        case Op::DoubleClick: {
            const int row = PickRow(step.pick);
            for (int lane = 0; lane < m.lanes; ++lane) {
                ModelLane& l = m.Lane(lane);
                if (m.run.phase == RunPhase::Live && l.phase == LanePhase::Stopped && !m.Keyed(l.starter)) {
                    l.starter = ModelOf(row)->key;
                    break;
                }
            }
            station_->TakeStartersFromRow(row);
            break;
        }
        case Op::Restart:
            station_->Shutdown();
            m.NewRun();
            m.undo.clear();
            Boot();
            break;
        case Op::Count:
            break;
        }
    }

    void Advance(std::int64_t ms) {
        Model& m = model_;
        if (!m.run.paused)
            for (ModelLane& lane : m.run.lanes)
                if (lane.phase == LanePhase::Running)
                    lane.ms += ms;
        m.now += ms;
        // The automatic entry waits only while every lane has stopped, so no lane's time moves.
        if (m.autoEntryAt && *m.autoEntryAt <= m.now) {
            m.autoEntryAt.reset();
            if (m.EntryWaits())
                Enter();
        }
        clock_.Advance(ms);
    }

    // F7 while the run waits: every lane not disqualified goes into its starter's row, or, when
    // one of those rows is gone or both lanes hold one row, nothing is entered and the operator
    // is told.
    void Enter() {
        Model& m = model_;
        std::vector<std::pair<int, ModelRow*>> entries;
        for (int lane = 0; lane < m.lanes; ++lane) {
            if (m.Lane(lane).phase != LanePhase::Stopped)
                continue;
            ModelRow* row = m.Keyed(m.Lane(lane).starter);
            if (!row || (!entries.empty() && entries.front().second == row)) {
                ++expectedTold_;
                return;
            }
            entries.emplace_back(lane, row);
        }
        for (auto [lane, row] : entries) {
            const ModelLane& l = m.Lane(lane);
            if (m.SecondRunDue(*row)) {
                row->time2 = Model::TimeText(l.ms);
            } else {
                row->time1 = Model::TimeText(l.ms);
                row->faults1 = l.faults;
                row->refusals1 = l.refusals;
            }
            entered_.push_back(row->key);
        }
        m.run.generation++;
        m.undo.clear();
        m.autoEntryAt.reset();
        m.Close();
        placesDue_ = true;
    }

    // Ctrl+Z: the protocol as it was and, while it is the same run, the run's entry with it. The
    // clock is not turned back: a lane stopped since stays stopped with its time.
    void Undo() {
        Model& m = model_;
        Model::Saved saved = std::move(m.undo.back());
        m.undo.pop_back();
        m.rows = std::move(saved.rows);
        if (saved.run.generation != m.run.generation)
            return;
        const ModelRun now = m.run;
        m.run = saved.run;
        m.run.paused = now.paused;
        for (std::size_t lane = 0; lane < 2; ++lane) {
            ModelLane& l = m.run.lanes[lane];
            l.ms = now.lanes[lane].ms;
            l.faults = now.lanes[lane].faults;
            l.refusals = now.lanes[lane].refusals;
            if (l.phase == LanePhase::Running && now.lanes[lane].phase != LanePhase::Running)
                l.phase = LanePhase::Stopped;
        }
        if (!m.AnyRunning())
            m.run.paused = false;
    }

    bool StartExpected() {
        std::array<std::string, 2> numbers;
        for (int lane = 0; lane < model_.lanes; ++lane) {
            numbers[static_cast<std::size_t>(lane)] = station_->Lists().Lane(lane).Text();
            const ModelRow* row = model_.Numbered(numbers[static_cast<std::size_t>(lane)]);
            if (!row || model_.HasRun(*row))
                return false;
        }
        return model_.lanes < 2 || numbers[0] != numbers[1];
    }

    std::string Check() {
        if (!failure_.empty())
            return failure_;
        if (std::string failure = CheckRows(); !failure.empty())
            return failure;
        if (std::string failure = CheckCommands(); !failure.empty())
            return failure;
        if (dialogs_.asked != expectedAsked_)
            return "asked \"DIS?\" " + std::to_string(dialogs_.asked) + " times, model " +
                   std::to_string(expectedAsked_);
        if (dialogs_.told != expectedTold_)
            return "told " + std::to_string(dialogs_.told) + " times, model " + std::to_string(expectedTold_);
        if (Run().TimerPending("Eintragen") != model_.autoEntryAt.has_value())
            return std::string("the automatic entry is ") + (model_.autoEntryAt ? "not " : "") + "pending";
        if (station_->CanUndo() != !model_.undo.empty())
            return "Ctrl+Z available: " + std::to_string(station_->CanUndo());
        if (std::string failure = CheckBackup(); !failure.empty())
            return failure;
        return CheckEnteredRows();
    }

    // Every starter's times, bonus and (after a command that ranks) place are the model's.
    std::string CheckRows() {
        const Model& m = model_;
        const ProtocolTable& table = Table();
        if (table.RowCount() - 1 != static_cast<int>(m.rows.size()))
            return "rows: " + std::to_string(table.RowCount() - 1) + ", model " + std::to_string(m.rows.size());
        for (const ModelRow& row : m.rows) {
            int r = -1;
            for (int i = 1; i < table.RowCount(); ++i)
                if (table.Cell(ColStartNr, i) == row.number) {
                    if (r > 0)
                        return "start number " + row.number + " twice";
                    r = i;
                }
            if (r < 0)
                return "start number " + row.number + " is missing";
            // A restored backup holds a blank for an empty cell.
            const std::string time1(TrimBlanks(table.Cell(ColTime1, r)));
            const std::string time2(m.runs > 1 ? TrimBlanks(table.Cell(ColTime2, r)) : row.time2);
            if (time1 != row.time1 || time2 != row.time2)
                return "starter " + row.number + ": [" + time1 + "|" + time2 + "], model [" + row.time1 + "|" +
                       row.time2 + "]";
            if ((TrimBlanks(table.Cell(ColBonus, r)) == "+") != row.bonus)
                return "starter " + row.number + ": bonus \"" + table.Cell(ColBonus, r) + "\", model " +
                       (row.bonus ? "+" : "none");
            const std::string place(TrimBlanks(table.Cell(ColPlace, r)));
            if (placesDue_)
                if (std::string expected = m.PlaceFault(row, place); !expected.empty())
                    return "starter " + row.number + ": place \"" + place + "\", model " + expected;
        }
        return {};
    }

    std::string CheckCommands() {
        const Model& m = model_;
        RunClock& run = Run();
        const bool live = m.run.phase == RunPhase::Live;
        const auto lane = [&](int i) { return m.run.lanes[static_cast<std::size_t>(i)].phase; };
        struct Expected {
            Command command;
            bool on;
            const char* name;
        };
        const Expected expected[] = {
            {Command::Start, m.run.phase == RunPhase::Ready && StartExpected(), "Start"},
            {Command::Stop1, lane(0) == LanePhase::Running, "Stopp1"},
            {Command::Stop2, m.lanes == 2 && lane(1) == LanePhase::Running, "Stopp2"},
            {Command::Pause, m.AnyRunning(), "Pause"},
            {Command::Eintragen, m.EntryWaits(), "Eintragen"},
            {Command::Next, m.run.phase == RunPhase::Closed, "Nächster"},
            {Command::Abbruch, live, "Abbruch"},
            {Command::Dis1, live && lane(0) == LanePhase::Stopped, "Disqual. 1"},
            {Command::Dis2, live && m.lanes == 2 && lane(1) == LanePhase::Stopped, "Disqual. 2"},
            {Command::Refusals1, m.Pending(0), "Verweigerungen 1"},
            {Command::Refusals2, m.Pending(1), "Verweigerungen 2"}, // lane 2's fields are hidden in scheme B
        };
        for (const Expected& e : expected)
            if (run.Enabled(e.command) != e.on && (e.command != Command::Refusals2 || m.lanes == 2))
                return std::string(e.name) + (e.on ? " should be enabled" : " should be disabled");
        const bool someCommand = run.Enabled(Command::Start) || run.Enabled(Command::Stop1) ||
                                 run.Enabled(Command::Eintragen) || run.Enabled(Command::Next) ||
                                 run.Enabled(Command::Abbruch) || !station_->Lists().Lane(0).items.empty();
        if (!someCommand)
            return "no command is left";
        return {};
    }

    // The backup reads back to the protocol in memory.
    std::string CheckBackup() {
        const ProtocolTable& table = Table();
        std::ifstream in(folder_ / "caniparc-Sicherungsdatei.txt", std::ios::binary);
        std::stringstream bytes;
        bytes << in.rdbuf();
        std::vector<ProtocolTable::Row> rows;
        if (ParseProtocolFile(bytes.str(), rows, 100000) != FileError::None)
            return "backup unreadable";
        if (rows.size() != static_cast<std::size_t>(table.RowCount()))
            return "backup has " + std::to_string(rows.size()) + " rows";
        // Sorting by a column title moves rows without writing: rows are matched by start number.
        for (int r = 1; r < table.RowCount(); ++r) {
            const auto same = std::find_if(rows.begin() + 1, rows.end(), [&](const ProtocolTable::Row& row) {
                return TrimBlanks(row[ColStartNr]) == TrimBlanks(table.Cell(ColStartNr, r));
            });
            if (same == rows.end())
                return "backup lacks start number " + table.Cell(ColStartNr, r);
            for (int c = 0; c <= ColBonus; ++c) // derived columns are computed again on reading
                if (TrimBlanks((*same)[static_cast<std::size_t>(c)]) != TrimBlanks(table.Cell(c, r)))
                    return "backup differs for " + table.Cell(ColStartNr, r) + " in column " + std::to_string(c);
        }
        return {};
    }

    // An entered row is what its recomputation gives.
    std::string CheckEnteredRows() {
        const ProtocolTable& table = Table();
        for (int key : entered_) {
            const ModelRow* row = model_.Keyed(key);
            for (int r = 1; row && r < table.RowCount(); ++r) {
                if (table.Cell(ColStartNr, r) != row->number)
                    continue;
                ProtocolTable copy = table;
                copy.SetListener(nullptr);
                RecalcRow(copy, station_->GetSettings(), r);
                if (copy.RowAt(r) != table.RowAt(r))
                    return "the entered row of " + row->number + " changes when recomputed";
            }
        }
        entered_.clear();
        return {};
    }

    fs::path folder_;
    testing::ManualClock clock_;
    ScriptedDialogs dialogs_;
    HandoverQueue handover_;
    testing::FakeSerialBackend serial_;
    std::unique_ptr<Station> station_;
    Model model_;
    int nextKey_ = 1;
    int nextNumber_ = 0;
    int expectedAsked_ = 0;
    int expectedTold_ = 0;
    std::vector<int> entered_;
    bool placesDue_ = false;
    std::string failure_;
    long checks_ = 0;
};

std::vector<Step> RandomSteps(std::uint32_t seed, int count) {
    std::mt19937 random(seed * 7919u + 1);
    // Run commands are drawn more often than corrections, so that runs get finished.
    constexpr int weights[] = {7, 6, 5, 2, 8, 7, 5, 1, 2, 2, 2, 1, 1, 2, 2, 2, 1, 1, 1, 3, 1, 1, 1, 1, 1};
    static_assert(std::size(weights) == static_cast<std::size_t>(Op::Count));
    std::discrete_distribution<int> pickOp(std::begin(weights), std::end(weights));
    std::vector<Step> steps;
    for (int i = 0; i < count; ++i)
        steps.push_back({static_cast<Op>(pickOp(random)), static_cast<int>(random() % 1000), random() % 3 != 0});
    return steps;
}

// Drops steps while the failure stays, so that the message shows a short sequence.
std::vector<Step> Shrink(std::uint32_t seed, std::vector<Step> steps) {
    for (std::size_t chunk = steps.size() / 2; chunk >= 1; chunk /= 2) {
        for (std::size_t at = 0; at + chunk <= steps.size();) {
            std::vector<Step> shorter = steps;
            shorter.erase(shorter.begin() + static_cast<std::ptrdiff_t>(at),
                          shorter.begin() + static_cast<std::ptrdiff_t>(at + chunk));
            if (!Harness(seed).Play(shorter).empty())
                steps = std::move(shorter);
            else
                at += chunk;
        }
    }
    return steps;
}

double BudgetSeconds() {
    if (const char* text = std::getenv("CANIPARC_RANDOM_SECONDS"))
        return std::max(std::atof(text), 0.1);
    return 20.0;
}

TEST(RandomOperator, StationFollowsTheModelThroughRandomCorrections) {
    const auto begin = std::chrono::steady_clock::now();
    const double budget = BudgetSeconds();
    std::uint32_t seed = 1;
    if (const char* text = std::getenv("CANIPARC_RANDOM_SEED"))
        seed = static_cast<std::uint32_t>(std::strtoul(text, nullptr, 10));
    long sequences = 0;
    long steps = 0;
    long checks = 0;
    while (std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count() < budget) {
        const std::vector<Step> sequence = RandomSteps(seed, 120);
        Harness harness(seed);
        const std::string failure = harness.Play(sequence);
        if (!failure.empty()) {
            const std::vector<Step> shortest = Shrink(seed, sequence);
            FAIL() << "seed " << seed << " (" << harness.Kind() << "), " << Harness(seed).Play(shortest) << "\n  "
                   << Describe(shortest);
        }
        ++sequences;
        steps += static_cast<long>(sequence.size());
        checks += harness.Checks();
        ++seed;
    }
    std::cout << "random operator: " << sequences << " sequences, " << steps << " steps, " << checks
              << " checked states\n";
}

} // namespace
} // namespace caniparc
