// The protocol grid of the main window: the caption "PROTOKOLL" over a table view of the
// protocol. It shows the core's table as it stands, asks the core for every colour, alignment,
// column width, sort and scroll position, and tells the window which row the operator selected.
#pragma once

#include <QString>
#include <QWidget>

class QLabel;
class QTableView;

namespace caniparc {
class ProtocolTable;
struct Settings;
struct SortState;
} // namespace caniparc

namespace caniparc::ui {

class ProtocolModel;

class ProtocolGrid final : public QWidget {
    Q_OBJECT
public:
    // Becomes the table's listener. `sort` and `settings` are read when they matter (title clicks,
    // layout), so later changes to them count; all three must outlive the grid.
    ProtocolGrid(ProtocolTable& table, SortState& sort, const Settings& settings, QWidget* parent = nullptr);

    // Hides and sizes the columns for the current client width, LaufCount and Bonus. Runs by
    // itself whenever the client width changes or the rows are replaced; call it after changing
    // those settings.
    void ApplyLayout();

    // Selects every column of a data row (1-based) and makes it visible; announces it through
    // RowSelected even when it was selected already. Rows outside the data rows are ignored.
    void SelectProtocolRow(int row);
    // The selected data row (1-based), or -1 when none is.
    int SelectedRow() const;

    // Scrolls so that the row sits in the middle of the grid: top row = row minus half the visible
    // rows, but the first row when that is above the table or when every row fits.
    void ScrollToRow(int row);

    // The view inside, for the window's own bindings (double click, context menu, focus).
    QTableView* View() const { return view_; }

    // BrowseMode selects whole rows and takes no typing; EditMode selects single cells and
    // lets the operator type into the editable ones.
    bool InEditMode() const { return editMode_; }
    void SetEditMode(bool on);
    // Selects one cell in EditMode, ready for typing.
    void EditCell(int col, int row);

signals:
    // The operator finished typing into a cell (Enter, or by leaving it); the table is not yet
    // changed: the window hands the text to the station.
    void CellEdited(int col, int row, const QString& text);
    // A data row was selected by mouse, keyboard or SelectProtocolRow, or the rows around the
    // selection changed; `positionText` is the status text "row:count".
    void RowSelected(int row, const QString& positionText);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void SetUpView();
    void CurrentCellChanged(const QModelIndex& current);
    void ConnectView();
    void CurrentRowChanged(int row);
    void RowsReplaced();
    void TitleClicked(int column);
    int VisibleRows() const;

    ProtocolTable& table_;
    SortState& sort_;
    const Settings& settings_;
    ProtocolModel* model_;
    QLabel* caption_;
    QTableView* view_;
    int laidOutWidth_ = -1;
    bool editMode_ = false;
    bool selecting_ = false; // a row selected by a command, not by the operator
};

} // namespace caniparc::ui
