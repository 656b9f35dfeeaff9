// The protocol as a Qt item model (see ProtocolModel.h).
#include "ProtocolModel.h"

#include "protocol/ProtocolLayout.h"

#include <QBrush>
#include <QColor>

namespace caniparc::ui {

namespace {
const CellColors kGridColours{{255, 255, 255}, {0, 0, 0}};

Qt::Alignment AlignmentOf(HAlign align) {
    switch (align) {
    case HAlign::Left:
        return Qt::AlignLeft | Qt::AlignVCenter;
    case HAlign::Center:
        return Qt::AlignHCenter | Qt::AlignVCenter;
    case HAlign::Right:
        break;
    }
    return Qt::AlignRight | Qt::AlignVCenter;
}
} // namespace

ProtocolModel::ProtocolModel(ProtocolTable& table, QObject* parent) : QAbstractTableModel(parent), table_(table) {
    table_.SetListener(this);
}

ProtocolModel::~ProtocolModel() {
    table_.SetListener(nullptr);
}

int ProtocolModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : std::max(table_.RowCount() - 1, 0);
}

int ProtocolModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColCount;
}

QVariant ProtocolModel::data(const QModelIndex& index, int role) const {
    const int row = index.row() + 1;
    const int col = index.column();
    switch (role) {
    case Qt::DisplayRole:
        return QString::fromStdString(table_.Cell(col, row));
    case Qt::BackgroundRole: {
        const CellFormat f = FormatCell(col, row, selectedRow_, kGridColours);
        return QBrush(QColor(f.brush.r, f.brush.g, f.brush.b));
    }
    case Qt::ForegroundRole: {
        const CellFormat f = FormatCell(col, row, selectedRow_, kGridColours);
        return QBrush(QColor(f.font.r, f.font.g, f.font.b));
    }
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(AlignmentOf(FormatCell(col, row, selectedRow_, kGridColours).align));
    default:
        return {};
    }
}

QVariant ProtocolModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal)
        return role == Qt::DisplayRole ? QVariant(section + 1) : QVariant();
    if (role == Qt::DisplayRole)
        return QString::fromStdString(table_.Cell(section, 0));
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(AlignmentOf(FormatCell(section, 0, selectedRow_, kGridColours).align));
    return {};
}

void ProtocolModel::SetSelectedRow(int row) {
    if (row == selectedRow_)
        return;
    selectedRow_ = row;
    if (rowCount() > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, ColCount - 1));
}

void ProtocolModel::CellChanged(int col, int row) {
    if (row == 0) {
        emit headerDataChanged(Qt::Horizontal, col, col);
        return;
    }
    const QModelIndex changed = index(row - 1, col);
    emit dataChanged(changed, changed);
}

void ProtocolModel::RowsChanged() {
    beginResetModel();
    endResetModel();
}

} // namespace caniparc::ui
