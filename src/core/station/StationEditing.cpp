// The protocol commands the operator gives by hand: the context menu, Ctrl+B, typed cells and
// Ctrl+Z (see Station.h). Each rewrites the backup at once, as an entered run does.
#include "station/Station.h"

#include "common/NumberText.h"
#include "protocol/ProtocolEdit.h"
#include "protocol/Scoring.h"
#include "station/Dialogs.h"

namespace caniparc {

namespace {

constexpr std::size_t kUndoSteps = 50;

bool ValidRow(const ProtocolTable& table, int row) {
    return row >= 1 && row < table.RowCount();
}

bool IsNumberCell(int col) {
    return col == ColTime1 || col == ColTimeFaults1 || col == ColTotal1 || col == ColTime2 || col == ColTimeFaults2 ||
           col == ColTotal2;
}

} // namespace

void Station::BeginManualChange() {
    undo_.push_back({table_.TakeSnapshot(), run_.SaveEntryState(), starters_});
    if (undo_.size() > kUndoSteps)
        undo_.erase(undo_.begin());
}

void Station::EndManualChange(bool listsFollow) {
    ShowBestTime();
    WriteBackup();
    FollowStartLists(listsFollow);
    UpdateStartState();
    RefreshProtocolCommands();
}

void Station::FollowStartLists(bool listsFollow) {
    if (!lists_.Lane(0).items.empty())
        RebuildStartLists(lists_, table_);
    else if (listsFollow)
        FillStartLists(lists_, table_); // the lists appear: on the first starter without a time
    // While a lane's run is live its list shows that run's starter (none when its row is gone),
    // not a neighbour the rebuilt list fell to.
    for (int lane = 0; lane < 2; ++lane) {
        if (!StarterLive(lane) || !lists_.Shown(lane, settings_.LsCFG))
            continue;
        const int row = StarterRow(lane);
        if (row > 0)
            lists_.Lane(lane).Choose(table_.Cell(ColStartNr, row));
        else if (StarterGone(lane))
            lists_.Lane(lane).index = -1;
    }
}

bool Station::MayDisqualifyRow() const {
    return !run_.Lane(0).clockRunning && !run_.Lane(1).clockRunning;
}

void Station::DisqualifyRow(int row) {
    if (!MayDisqualifyRow() || !ValidRow(table_, row))
        return;
    BeginManualChange();
    // A live run of this starter ends disqualified and is not entered over the mark; a run of
    // another starter still is. The mark goes into the run that is live.
    const std::vector<int> lanes = LiveLanesOfRow(row);
    if (!lanes.empty() && SecondRunDue(row))
        DisqualifySecondRunCells(table_, row);
    else
        DisqualifyRowCells(table_, row);
    for (int lane : lanes)
        run_.DisqualifyFromProtocol(lane);
    std::vector<int> moved;
    int shown = row;
    if (RecalcPlaces(table_, settings_, sort_, ranking_, &moved))
        shown = moved[static_cast<std::size_t>(row)];
    SelectRow(shown);
    EndManualChange();
}

void Station::SetBonus(int row, bool on) {
    if (!ValidRow(table_, row))
        return;
    BeginManualChange();
    caniparc::SetBonus(table_, row, on);
    EndManualChange();
}

void Station::ToggleBonus(int row) {
    if (!ValidRow(table_, row))
        return;
    BeginManualChange();
    caniparc::ToggleBonus(table_, row);
    EndManualChange();
}

void Station::DeleteResults(int row) {
    if (!ValidRow(table_, row))
        return;
    BeginManualChange();
    caniparc::DeleteResults(table_, row);
    RecalcPlaces(table_, settings_, sort_, ranking_);
    EndManualChange();
}

void Station::Recalculate(int row) {
    BeginManualChange();
    if (ValidRow(table_, row))
        RecalcRow(table_, settings_, row);
    RecalcPlaces(table_, settings_, sort_, ranking_);
    SelectRow(FirstRowWithoutTime(table_));
    EndManualChange();
}

int Station::AddRow() {
    BeginManualChange();
    const int row = AddStarterRow(table_);
    SelectRow(row);
    EndManualChange(true);
    return row;
}

void Station::RemoveRow(int row) {
    if (!ValidRow(table_, row))
        return;
    BeginManualChange();
    const int next = RemoveStarterRow(table_, row);
    RecalcPlaces(table_, settings_, sort_, ranking_);
    SelectRow(next);
    // Propose the starters after the last placed row.
    const int after = ranking_.lastPlacedRow + 1;
    if (const auto first = ParseInteger(table_.Cell(ColStartNr, after)); first && *first >= 1 && *first <= 9999) {
        run_.SetStartNumber(0, static_cast<int>(*first));
        if (const auto second = ParseInteger(table_.Cell(ColStartNr, after + 1));
            second && *second >= 1 && *second <= 9999)
            run_.SetStartNumber(1, static_cast<int>(*second));
    }
    EndManualChange(true);
}

int Station::CommitCell(int col, int row, const std::string& text) {
    if (!ValidRow(table_, row) || col < 0 || col >= ColCount)
        return row;
    BeginManualChange();
    table_.SetCell(col, row, text);
    if (IsNumberCell(col)) {
        const int decimals = settings_.TimeFormatIndex == 0 ? 1 : 2;
        if (const auto value = ParseThousandths(text, settings_.DecimalSeparator))
            table_.SetCell(col, row, FormatThousandths(*value, decimals, settings_.DecimalSeparator));
    }
    int shown = row;
    bool ranked = false;
    if ((col == ColRefusals1 || col == ColRefusals2) && settings_.Adel > 0) {
        const auto refusals = ParseInteger(text);
        if (refusals && *refusals >= settings_.Adel) {
            const std::vector<int> lanes = LiveLanesOfRow(row);
            if (services_.dialogs.Ask("DIS?")) {
                // The typed count disqualifies the run of its own column. When that is the live run
                // of a lane, the lane stops and its run is not entered over the mark.
                const bool secondRun = col == ColRefusals2;
                const bool liveRunHere = SecondRunDue(row) == secondRun;
                if (secondRun)
                    DisqualifySecondRunCells(table_, row);
                else
                    DisqualifyRowCells(table_, row);
                if (liveRunHere)
                    for (int lane : lanes)
                        run_.DisqualifyFromProtocol(lane);
                ranked = true;
            } else {
                table_.SetCell(col, row, std::to_string(settings_.Adel - 1));
            }
        }
    }
    RecalcRow(table_, settings_, row);
    if (ranked) {
        std::vector<int> moved;
        if (RecalcPlaces(table_, settings_, sort_, ranking_, &moved))
            shown = moved[static_cast<std::size_t>(row)];
    }
    EndManualChange(col == ColStartNr);
    return shown;
}

bool Station::Undo() {
    if (undo_.empty())
        return false;
    UndoStep step = std::move(undo_.back());
    undo_.pop_back();
    table_.RestoreSnapshot(std::move(step.table));
    // The same run still waits: its entry comes back with the protocol.
    if (step.run.runNumber == run_.RunNumber()) {
        starters_ = step.starters;
        run_.RestoreEntryState(step.run);
    }
    RecalcPlaces(table_, settings_, sort_, ranking_);
    ShowBestTime();
    WriteBackup();
    FollowStartLists(false);
    UpdateStartState();
    RefreshProtocolCommands();
    return true;
}

} // namespace caniparc
