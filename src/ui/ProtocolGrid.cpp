// The protocol grid (see ProtocolGrid.h).
#include "ProtocolGrid.h"

#include "ProtocolModel.h"
#include "protocol/ProtocolLayout.h"
#include "protocol/ProtocolSort.h"
#include "protocol/ProtocolTable.h"
#include "protocol/RunEntry.h"
#include "settings/Settings.h"

#include <QEvent>
#include <QHeaderView>
#include <QLabel>
#include <QScrollBar>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>

namespace caniparc::ui {

namespace {
constexpr int kRowHeight = 19;
constexpr int kFontPixels = 15;

// A row found again after a sort. Identical rows compare equal on every key, and the sort is
// stable, so they keep their order: the n-th copy of a row is still its n-th copy afterwards.
struct RowMark {
    ProtocolTable::Row content;
    int copiesAbove = 0;
};

RowMark MarkRow(const ProtocolTable& table, int row) {
    RowMark mark{table.RowAt(row), 0};
    for (int above = 1; above < row; ++above)
        if (table.RowAt(above) == mark.content)
            ++mark.copiesAbove;
    return mark;
}

int FindMarkedRow(const ProtocolTable& table, const RowMark& mark) {
    int copies = 0;
    for (int row = 1; row < table.RowCount(); ++row)
        if (table.RowAt(row) == mark.content && copies++ == mark.copiesAbove)
            return row;
    return -1;
}

QFont GridFont() {
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(kFontPixels);
    return font;
}
} // namespace

ProtocolGrid::ProtocolGrid(ProtocolTable& table, SortState& sort, const Settings& settings, QWidget* parent)
    : QWidget(parent), table_(table), sort_(sort), settings_(settings), model_(new ProtocolModel(table, this)),
      caption_(new QLabel(QStringLiteral("PROTOKOLL"), this)), view_(new QTableView(this)) {
    QFont captionFont = GridFont();
    captionFont.setBold(true);
    caption_->setFont(captionFont);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(caption_);
    layout->addWidget(view_, 1);
    SetUpView();
    ConnectView();
    ApplyLayout();
}

void ProtocolGrid::SetUpView() {
    view_->setModel(model_);
    view_->setFont(GridFont());
    view_->setSelectionBehavior(QAbstractItemView::SelectRows);
    view_->setSelectionMode(QAbstractItemView::SingleSelection);
    // Cells are changed through the protocol commands only, until the grid gets its own editor.
    view_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view_->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    view_->setWordWrap(false);
    view_->setCornerButtonEnabled(false);
    view_->verticalHeader()->hide();
    view_->verticalHeader()->setMinimumSectionSize(1);
    view_->verticalHeader()->setDefaultSectionSize(kRowHeight);
    view_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view_->horizontalHeader()->setMinimumSectionSize(0);
    view_->horizontalHeader()->setSectionsClickable(true);
    view_->horizontalHeader()->setHighlightSections(false);
    view_->viewport()->installEventFilter(this);
}

void ProtocolGrid::ConnectView() {
    connect(view_->selectionModel(), &QItemSelectionModel::currentRowChanged, this, [this](const QModelIndex& current) {
        if (current.isValid())
            CurrentRowChanged(ProtocolModel::RowOf(current));
        else
            model_->SetSelectedRow(-1);
    });
    connect(model_, &QAbstractItemModel::modelReset, this, &ProtocolGrid::RowsReplaced);
    connect(view_->horizontalHeader(), &QHeaderView::sectionClicked, this, &ProtocolGrid::TitleClicked);
}

void ProtocolGrid::ApplyLayout() {
    laidOutWidth_ = view_->viewport()->width();
    const auto widths = ColumnWidths(laidOutWidth_, settings_.LaufCount, settings_.Bonus);
    for (int col = 0; col < ColCount; ++col) {
        const int width = widths[static_cast<std::size_t>(col)];
        view_->setColumnHidden(col, width < 0);
        if (width >= 0)
            view_->setColumnWidth(col, width);
    }
}

bool ProtocolGrid::eventFilter(QObject* watched, QEvent* event) {
    // Only the width decides the columns; the height changes with every row the window gains.
    if (watched == view_->viewport() && event->type() == QEvent::Resize && view_->viewport()->width() != laidOutWidth_)
        ApplyLayout();
    return QWidget::eventFilter(watched, event);
}

void ProtocolGrid::SelectProtocolRow(int row) {
    if (row < 1 || row >= table_.RowCount())
        return;
    const bool already = row == SelectedRow();
    const int current = view_->currentIndex().column();
    const int col = current >= 0 && !view_->isColumnHidden(current) ? current : ColStartNr;
    view_->selectionModel()->setCurrentIndex(model_->IndexOf(col, row),
                                             QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    if (already)
        CurrentRowChanged(row);
}

int ProtocolGrid::SelectedRow() const {
    const QModelIndex current = view_->currentIndex();
    return current.isValid() ? ProtocolModel::RowOf(current) : -1;
}

void ProtocolGrid::CurrentRowChanged(int row) {
    model_->SetSelectedRow(row);
    emit RowSelected(row, QString::fromStdString(RowPositionText(row, table_.RowCount())));
}

// A reset forgets the view's selection; it stays on the same row number, as the commands that
// reorder the protocol expect.
void ProtocolGrid::RowsReplaced() {
    const int row = std::min(model_->SelectedRow(), table_.RowCount() - 1);
    if (row >= 1)
        SelectProtocolRow(row);
    else
        model_->SetSelectedRow(-1);
}

void ProtocolGrid::TitleClicked(int column) {
    const int selected = SelectedRow();
    const RowMark starter = selected >= 1 ? MarkRow(table_, selected) : RowMark{};
    if (!ClickColumnTitle(table_, sort_, column, settings_.DecimalSeparator) || selected < 1)
        return;
    SelectProtocolRow(FindMarkedRow(table_, starter));
}

int ProtocolGrid::VisibleRows() const {
    return view_->viewport()->height() / view_->verticalHeader()->defaultSectionSize();
}

void ProtocolGrid::ScrollToRow(int row) {
    if (row < 1 || row >= table_.RowCount())
        return;
    // Rows that came just now are laid out only on the next event, but the scroll range must
    // hold them already.
    view_->doItemsLayout();
    // A row here includes its grid line, which the rule adds to the row height.
    const int rowHeight = view_->verticalHeader()->defaultSectionSize();
    const int top = ScrollTopRow(row, VisibleRows(), model_->rowCount(), view_->viewport()->height(), rowHeight - 1);
    view_->verticalScrollBar()->setValue(top - 1);
}

} // namespace caniparc::ui
