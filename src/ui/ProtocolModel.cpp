// The protocol as a Qt item model (see ProtocolModel.h).
#include "ProtocolModel.h"

#include "protocol/ProtocolLayout.h"

#include <QColor>

namespace caniparc::ui {

namespace {
// The grid's own colours, which the format rules keep outside the bands.
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

QBrush BrushOf(Rgb colour) {
    return QBrush(QColor(colour.r, colour.g, colour.b));
}
} // namespace

ProtocolModel::ProtocolModel(ProtocolTable& table, QObject* parent)
    : QAbstractTableModel(parent), table_(table), brushes_{{{BandRun1, BrushOf(BandRun1)},
                                                            {BandRun2, BrushOf(BandRun2)},
                                                            {BandResult, BrushOf(BandResult)},
                                                            {kGridColours.brush, BrushOf(kGridColours.brush)}}} {
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
    const int row = RowOf(index);
    const int col = index.column();
    switch (role) {
    case Qt::DisplayRole:
        return QString::fromStdString(table_.Cell(col, row));
    case Qt::BackgroundRole:
        return BrushFor(FormatCell(col, row, selectedRow_, kGridColours).brush, kGridColours.brush);
    case Qt::ForegroundRole:
        return BrushFor(FormatCell(col, row, selectedRow_, kGridColours).font, kGridColours.font);
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
    if (role == Qt::FontRole && titleFont_)
        return titleFont_(section);
    return {};
}

Qt::ItemFlags ProtocolModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    const Qt::ItemFlags flags = Qt::ItemIsSelectable | Qt::ItemIsEnabled;
    return editable_ && editable_(index.column()) ? flags | Qt::ItemIsEditable : flags;
}

void ProtocolModel::SetSelectedRow(int row) {
    if (row == selectedRow_)
        return;
    const int previous = selectedRow_;
    selectedRow_ = row;
    RowDataChanged(previous);
    RowDataChanged(row);
}

void ProtocolModel::RowDataChanged(int row) {
    if (row >= 1 && row < table_.RowCount())
        emit dataChanged(IndexOf(0, row), IndexOf(ColCount - 1, row), {Qt::BackgroundRole, Qt::ForegroundRole});
}

QVariant ProtocolModel::BrushFor(Rgb colour, Rgb gridColour) const {
    if (colour == gridColour)
        return {};
    for (const auto& [known, brush] : brushes_)
        if (known == colour)
            return brush;
    return BrushOf(colour);
}

void ProtocolModel::CellChanged(int col, int row) {
    if (row == 0) {
        emit headerDataChanged(Qt::Horizontal, col, col);
        return;
    }
    const QModelIndex changed = IndexOf(col, row);
    emit dataChanged(changed, changed, {Qt::DisplayRole});
}

void ProtocolModel::RowsChanged() {
    beginResetModel();
    endResetModel();
}

} // namespace caniparc::ui
