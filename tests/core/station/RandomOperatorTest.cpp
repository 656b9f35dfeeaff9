// A random operator against a small model of the rules an operator sees. The station (manual
// clock, no port, scripted answers to "DIS?") and the model below get the same seeded sequences
// of run commands, corrections, Ctrl+Z and restarts; after every step the protocol's times, the
// run commands on offer, the questions asked, the backup and the entered rows' recomputation are
// compared. The model shares no code with the station: it knows rows only by their dog names and
// times only as the texts it expects. A failing sequence is shrunk and printed.
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
    Count
};
constexpr const char* kOpNames[] = {"Choose", "Start",  "Advance",     "Pause",        "Stop",     "Enter",
                                    "Next",   "Abort",  "LaneDis",     "Refusal",      "DisRow",   "DeleteRow",
                                    "Recalc", "AddRow", "RemoveRow",   "TypeRefusals", "TypeTime", "TypeNumber",
                                    "Sort",   "Undo",   "DoubleClick", "Restart"};

struct Step {
    Op op;
    int pick;    // a row, a list entry, a value
    bool answer; // to "DIS?"
};

std::string Describe(const std::vector<Step>& steps) {
    std::ostringstream out;
    for (const Step& s : steps)
        out << kOpNames[static_cast<int>(s.op)] << "(" << s.pick << (s.answer ? ",Ja" : ",Nein") << ") ";
    return out.str();
}

// ---- The model ---------------------------------------------------------------------------------

struct ModelRow {
    int key = 0; // the row's identity for the model; the station's row is the one of its number
    std::string number;
    std::string time1, time2;
};

enum class Phase { Ready, Running, Stopped, Closed };

struct ModelRun {
    Phase phase = Phase::Ready;
    bool paused = false;
    std::int64_t ms = 0;
    int starter = 0; // the key of the row the run started with
    bool disqualified = false;
    bool consented = false; // "DIS?" answered Ja through the lane in this run
    int generation = 0;
};

struct Model {
    std::vector<ModelRow> rows;
    ModelRun run;
    int refusals = 0;
    int runs = 1; // runs of the class
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
    bool Pending() const { return (run.phase == Phase::Running || run.phase == Phase::Stopped) && !run.disqualified; }
    static std::string TimeText(std::int64_t ms) {
        return std::to_string(ms / 1000) + "," + std::to_string((ms % 1000) / 100);
    }
    bool SecondRunDue(const ModelRow& row) const { return runs > 1 && !row.time1.empty(); }
    bool HasRun(const ModelRow& row) const { return !row.time1.empty() && (runs < 2 || !row.time2.empty()); }
    // The live run ends disqualified (the lane stops where it was).
    void CloseDisqualified() {
        run.phase = Phase::Closed;
        run.disqualified = true;
    }
    void MarkLiveRun(ModelRow& row) { (SecondRunDue(row) ? row.time2 : row.time1) = "DIS"; }
    void NewRun() {
        run = {Phase::Ready, false, 0, 0, false, false, run.generation + 1};
        refusals = 0;
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
    explicit Harness(std::uint32_t seed) : seed_(seed) {
        folder_ =
            fs::temp_directory_path() / ("caniparc-random-" + std::to_string(::getpid()) + "-" + std::to_string(seed));
        fs::remove_all(folder_);
        fs::create_directories(folder_);
        std::mt19937 random(seed);
        model_.runs = random() % 2 == 0 ? 1 : 2;
        std::ofstream file(folder_ / "caniparc-Sicherungsdatei.txt", std::ios::binary);
        file << "Nr.\tHundename\t\r\n";
        const int count = 2 + static_cast<int>(random() % 4);
        for (int i = 1; i <= count; ++i) {
            file << i << "\tD" << i << "\t\r\n";
            model_.rows.push_back({i, std::to_string(i), "", ""});
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
            Apply(steps[i]);
            if (std::string failure = Check(); !failure.empty())
                return "step " + std::to_string(i + 1) + " " + kOpNames[static_cast<int>(steps[i].op)] + ": " + failure;
            ++checks_;
        }
        return {};
    }
    long Checks() const { return checks_; }

private:
    void Boot() {
        station_.reset();
        station_ = std::make_unique<Station>(
            StationServices{
                .time = clock_, .scheduler = clock_, .dialogs = dialogs_, .serial = &serial_, .dispatcher = &handover_},
            "caniparc");
        Settings& settings = station_->GetSettings();
        settings.AutoEin = false;
        settings.AutoNext = false;
        settings.Port = 0;
        settings.LsCFG = 1;
        settings.LaufCount = model_.runs;
        settings.Adel = 3;
        settings.ZeitStandart = 30;
        station_->Startup({folder_.string() + "/", "", "", {}}, ',');
        settings.ZeitMax = 9999;
    }
    RunClock& Run() { return station_->Run(); }
    const ProtocolTable& Table() const { return station_->Protocol(); }
    int PickRow(int pick) const { return 1 + pick % std::max(Table().RowCount() - 1, 1); }
    // The model's row of a station row: the one with its start number.
    ModelRow* ModelOf(int row) { return model_.Numbered(Table().Cell(ColStartNr, row)); }

    void StopLane() {
        model_.run.phase = Phase::Stopped;
        model_.run.paused = false;
    }
    // A disqualification consented to in the protocol, of the row `name`.
    void DisqualifyFromProtocol(ModelRow* row, bool markRunOne) {
        const bool live = model_.Pending() && model_.run.starter == row->key;
        if (live && !markRunOne)
            model_.MarkLiveRun(*row);
        else
            row->time1 = "DIS";
        if (live && (!markRunOne || !model_.SecondRunDue(*row)))
            model_.CloseDisqualified();
    }
    void LaneDisqualified() {
        ModelRow* row = model_.Keyed(model_.run.starter);
        if (!row) {
            ++expectedTold_;
            return;
        }
        model_.Remember();
        model_.MarkLiveRun(*row);
        model_.CloseDisqualified();
        model_.run.consented = true;
    }

    void Apply(const Step& step) {
        dialogs_.answer = step.answer;
        Model& m = model_;
        switch (step.op) {
        case Op::Choose:
            if (m.run.phase == Phase::Ready || m.run.phase == Phase::Closed) {
                const auto& items = station_->Lists().Lane(0).items;
                if (!items.empty())
                    station_->ChooseFromStartList(0, step.pick % static_cast<int>(items.size()));
            }
            break;
        case Op::Start:
            if (m.run.phase == Phase::Ready && StartExpected()) {
                const ModelRow* row = m.Numbered(station_->Lists().Lane(0).Text());
                m.run.phase = Phase::Running;
                m.run.starter = row->key;
                m.run.ms = 0;
                m.run.consented = false;
                m.run.disqualified = false;
                m.run.generation++;
            }
            Run().Start();
            // A run takes time: a stop at the start's own count would leave no time to enter.
            if (m.run.phase == Phase::Running && !m.run.paused)
                m.run.ms += 100;
            clock_.Advance(100);
            break;
        case Op::Advance: {
            const std::int64_t ms = 100 * (1 + step.pick % 150);
            if (m.run.phase == Phase::Running && !m.run.paused)
                m.run.ms += ms;
            clock_.Advance(ms);
            break;
        }
        case Op::Pause:
            if (m.run.phase == Phase::Running)
                m.run.paused = !m.run.paused;
            Run().Pause();
            break;
        case Op::Stop:
            if (m.run.phase == Phase::Running)
                StopLane();
            Run().Stop(0);
            break;
        case Op::Enter:
            if (m.run.phase == Phase::Stopped && !m.run.disqualified) {
                if (ModelRow* row = m.Keyed(m.run.starter)) {
                    (m.SecondRunDue(*row) ? row->time2 : row->time1) = Model::TimeText(m.run.ms);
                    m.run.phase = Phase::Closed;
                    m.run.generation++;
                    m.undo.clear();
                    entered_ = row->key;
                } else {
                    ++expectedTold_;
                }
            }
            Run().Enter();
            break;
        case Op::Next:
        case Op::Abort: {
            const bool next = step.op == Op::Next;
            if ((next && m.run.phase == Phase::Closed) ||
                (!next && (m.run.phase == Phase::Running || m.run.phase == Phase::Stopped)))
                m.NewRun();
            Run().AbortOrNext(next ? Command::Next : Command::Abbruch);
            break;
        }
        case Op::LaneDis:
            if (m.run.phase == Phase::Stopped && !m.run.disqualified) {
                const bool asks = !m.run.consented;
                if (asks)
                    ++expectedAsked_;
                if (!asks || step.answer)
                    LaneDisqualified();
            }
            Run().DisqualifyCommand(0);
            break;
        case Op::Refusal:
            if (m.Pending()) {
                m.refusals = std::min(m.refusals + 1, 999);
                if (m.refusals >= 3) {
                    ++expectedAsked_;
                    if (step.answer) {
                        if (m.run.phase == Phase::Running)
                            StopLane();
                        LaneDisqualified();
                    }
                }
            }
            Run().CountInput(Command::Refusals1, +1);
            break;
        case Op::DisRow: {
            const int row = PickRow(step.pick);
            if (!(m.run.phase == Phase::Running && !m.run.paused)) {
                m.Remember();
                DisqualifyFromProtocol(ModelOf(row), false);
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
            station_->DeleteResults(row);
            break;
        }
        case Op::Recalc:
            m.Remember();
            station_->Recalculate(PickRow(step.pick));
            break;
        case Op::AddRow: {
            m.Remember();
            const int row = station_->AddRow();
            const std::string number = Table().Cell(ColStartNr, row);
            if (m.Numbered(number))
                failure_ = "\"Neue Zeile\" repeated the start number " + number;
            m.rows.push_back({nextKey_++, number, "", ""});
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
            }
            break;
        case Op::TypeRefusals: {
            const int row = PickRow(step.pick);
            const int value = step.pick % 5;
            m.Remember();
            if (value >= 3) {
                ++expectedAsked_;
                if (step.answer) {
                    ModelRow* r = ModelOf(row);
                    const bool liveRunOne = m.Pending() && m.run.starter == r->key && !m.SecondRunDue(*r);
                    r->time1 = "DIS";
                    if (liveRunOne) {
                        if (m.run.phase == Phase::Running)
                            StopLane();
                        m.CloseDisqualified();
                    }
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
        case Op::Sort: {
            constexpr int columns[] = {ColStartNr, ColDogName, ColTime1, ColSortKey};
            ClickColumnTitle(station_->Protocol(), station_->Sort(), columns[step.pick % 4], ',');
            break;
        }
        case Op::Undo:
            if (!m.undo.empty()) {
                Model::Saved saved = std::move(m.undo.back());
                m.undo.pop_back();
                m.rows = std::move(saved.rows);
                if (saved.run.generation == m.run.generation) {
                    // The entry comes back; the clock is not turned back.
                    const bool stoppedSince = saved.run.phase == Phase::Running && m.run.phase != Phase::Running;
                    const ModelRun now = m.run;
                    m.run = saved.run;
                    m.run.ms = now.ms;
                    m.run.paused = now.paused;
                    if (stoppedSince) {
                        m.run.phase = Phase::Stopped;
                        m.run.paused = false;
                    }
                }
            }
            station_->Undo();
            break;
        case Op::DoubleClick: {
            const int row = PickRow(step.pick);
            if (m.run.phase == Phase::Stopped && !m.run.disqualified && !m.Keyed(m.run.starter))
                m.run.starter = ModelOf(row)->key;
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

    bool StartExpected() {
        const std::string& text = station_->Lists().Lane(0).Text();
        const ModelRow* row = model_.Numbered(text);
        return !text.empty() && row && !model_.HasRun(*row);
    }

    std::string Check() {
        if (!failure_.empty())
            return failure_;
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
        }
        RunClock& run = Run();
        const bool ready = m.run.phase == Phase::Ready;
        struct Expected {
            Command command;
            bool on;
        };
        const Expected expected[] = {
            {Command::Start, ready && StartExpected()},
            {Command::Stop1, m.run.phase == Phase::Running},
            {Command::Eintragen, m.run.phase == Phase::Stopped},
            {Command::Next, m.run.phase == Phase::Closed},
            {Command::Abbruch, m.run.phase == Phase::Running || m.run.phase == Phase::Stopped},
        };
        constexpr const char* names[] = {"Start", "Stopp1", "Eintragen", "Nächster", "Abbruch"};
        for (std::size_t i = 0; i < std::size(expected); ++i)
            if (run.Enabled(expected[i].command) != expected[i].on)
                return std::string(names[i]) + (expected[i].on ? " should be enabled" : " should be disabled");
        const bool someCommand = run.Enabled(Command::Start) || run.Enabled(Command::Stop1) ||
                                 run.Enabled(Command::Eintragen) || run.Enabled(Command::Next) ||
                                 run.Enabled(Command::Abbruch) || !station_->Lists().Lane(0).items.empty();
        if (!someCommand)
            return "no command is left";
        if (dialogs_.asked != expectedAsked_)
            return "asked \"DIS?\" " + std::to_string(dialogs_.asked) + " times, model " +
                   std::to_string(expectedAsked_);
        if (dialogs_.told != expectedTold_)
            return "told " + std::to_string(dialogs_.told) + " times, model " + std::to_string(expectedTold_);
        if (station_->CanUndo() != !m.undo.empty())
            return "Ctrl+Z available: " + std::to_string(station_->CanUndo());
        // The backup reads back to the protocol in memory.
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
        // An entered row is what its recomputation gives.
        if (entered_ != 0) {
            const ModelRow* row = model_.Keyed(entered_);
            for (int r = 1; r < table.RowCount(); ++r) {
                if (table.Cell(ColStartNr, r) != row->number)
                    continue;
                ProtocolTable copy = table;
                copy.SetListener(nullptr);
                RecalcRow(copy, station_->GetSettings(), r);
                if (copy.RowAt(r) != table.RowAt(r))
                    return "the entered row of " + row->number + " changes when recomputed";
            }
            entered_ = 0;
        }
        return {};
    }

    std::uint32_t seed_;
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
    int entered_ = 0;
    std::string failure_;
    long checks_ = 0;
};

std::vector<Step> RandomSteps(std::uint32_t seed, int count) {
    std::mt19937 random(seed * 7919u + 1);
    // Run commands are drawn more often than corrections, so that runs get finished.
    constexpr int weights[] = {4, 6, 8, 2, 5, 6, 4, 1, 2, 3, 2, 1, 1, 2, 2, 2, 1, 1, 1, 3, 1, 1};
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
            FAIL() << "seed " << seed << ", " << Harness(seed).Play(shortest) << "\n  " << Describe(shortest);
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
