// The protocol table as a Qt item model: row 0 of the table is the header, rows 1.. are the
// starters. Holds no copy of the protocol; every cell, colour and alignment comes from the core.
#pragma once

#include "protocol/ProtocolTable.h"

#include <QAbstractTableModel>

namespace caniparc::ui {

class ProtocolModel final : public QAbstractTableModel, private ProtocolListener {
    Q_OBJECT
public:
    explicit ProtocolModel(ProtocolTable& table, QObject* parent = nullptr);
    ~ProtocolModel() override;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // The selected protocol row (1-based as in the table) is painted without the colour bands.
    void SetSelectedRow(int row);

private:
    void CellChanged(int col, int row) override;
    void RowsChanged() override;

    ProtocolTable& table_;
    int selectedRow_ = -1;
};

} // namespace caniparc::ui
