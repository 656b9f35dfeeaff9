// The protocol table as a Qt item model: row 0 of the table is the header, rows 1.. are the
// starters. Holds no copy of the protocol; every cell, colour and alignment comes from the core.
#pragma once

#include "common/Rgb.h"
#include "protocol/ProtocolTable.h"

#include <QAbstractTableModel>
#include <QBrush>
#include <QFont>

#include <array>
#include <functional>
#include <utility>

namespace caniparc::ui {

class ProtocolModel final : public QAbstractTableModel, private ProtocolListener {
    Q_OBJECT
public:
    // Becomes the table's listener for its whole life.
    explicit ProtocolModel(ProtocolTable& table, QObject* parent = nullptr);
    ~ProtocolModel() override;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    // Cells are editable where the predicate says so (the grid's edit rules).
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    void SetEditableColumns(std::function<bool(int col)> editable) { editable_ = std::move(editable); }
    // The font of each column's title, so that a title wider than its column can be drawn smaller.
    void SetTitleFonts(std::function<QFont(int col)> font) { titleFont_ = std::move(font); }

    // The selected protocol row (1-based as in the table) is painted without the colour bands.
    void SetSelectedRow(int row);
    int SelectedRow() const { return selectedRow_; }

    // Model index of a protocol row (1-based) and back.
    QModelIndex IndexOf(int col, int row) const { return index(row - 1, col); }
    static int RowOf(const QModelIndex& index) { return index.row() + 1; }

private:
    void CellChanged(int col, int row) override;
    void RowsChanged() override;
    void RowDataChanged(int row);
    // The view's own colours when the rules leave the grid's colour, else a shared brush: painting
    // thousands of cells must not build a brush for each.
    QVariant BrushFor(Rgb colour, Rgb gridColour) const;

    ProtocolTable& table_;
    int selectedRow_ = -1;
    std::function<bool(int col)> editable_;
    std::function<QFont(int col)> titleFont_;
    std::array<std::pair<Rgb, QBrush>, 4> brushes_;
};

} // namespace caniparc::ui
