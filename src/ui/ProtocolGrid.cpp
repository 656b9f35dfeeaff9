// The protocol grid (see ProtocolGrid.h).
#include "ProtocolGrid.h"

#include "ProtocolModel.h"
#include "StationFonts.h"
#include "protocol/ProtocolEdit.h"
#include "protocol/ProtocolLayout.h"
#include "protocol/ProtocolSort.h"
#include "protocol/ProtocolTable.h"
#include "protocol/RunEntry.h"
#include "settings/Settings.h"

#include <QEvent>
#include <QFontMetrics>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProxyStyle>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QVBoxLayout>
#include <QValidator>

#include <algorithm>

namespace caniparc::ui {

namespace {
constexpr int kRowHeight = 19;
constexpr int kFontPixels = 15;
// A text wider than its column is drawn smaller, down to this size, before it is cut: a grade
// shown as "Sehr…" or a speed as "5…" tells the operator nothing.
constexpr int kSmallestFontPixels = 8;

QFont FittingFont(const QFont& font, const QString& text, int room) {
    QFont fitted = font;
    for (int pixels = font.pixelSize(); pixels > kSmallestFontPixels; --pixels) {
        fitted.setPixelSize(pixels);
        if (QFontMetrics(fitted).horizontalAdvance(text) <= room)
            return fitted;
    }
    fitted.setPixelSize(kSmallestFontPixels);
    return fitted;
}

// The pixels the style keeps free on each side of a cell's text.
int CellTextMargin(const QWidget* view) {
    return view->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) + 1;
}

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

// A cell's key filter, for typed and pasted text alike.
class CellValidator final : public QValidator {
public:
    CellValidator(int col, char separator, QObject* parent) : QValidator(parent), col_(col), separator_(separator) {}
    State validate(QString& input, int&) const override {
        return CellTextAccepted(col_, input.toStdString(), separator_) ? Acceptable : Invalid;
    }

private:
    int col_;
    char separator_;
};

// Hands the typed text to the window instead of writing the table: the station checks,
// formats and recomputes it.
class CellDelegate final : public QStyledItemDelegate {
public:
    CellDelegate(char separator, std::function<void(int, int, const QString&)> edited, QObject* parent)
        : QStyledItemDelegate(parent), separator_(separator), edited_(std::move(edited)) {}
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex& index) const override {
        auto* editor = new QLineEdit(parent);
        editor->setValidator(new CellValidator(index.column(), separator_, editor));
        return editor;
    }
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        if (!option->widget)
            return;
        const int room = option->rect.width() - 2 * CellTextMargin(option->widget);
        if (option->fontMetrics.horizontalAdvance(option->text) > room) {
            option->font = FittingFont(option->font, option->text, room);
            option->fontMetrics = QFontMetrics(option->font);
        }
    }
    void setModelData(QWidget* editor, QAbstractItemModel*, const QModelIndex& index) const override {
        const QString text = static_cast<QLineEdit*>(editor)->text();
        if (text != index.data(Qt::DisplayRole).toString())
            edited_(index.column(), ProtocolModel::RowOf(index), text);
    }

private:
    char separator_;
    std::function<void(int, int, const QString&)> edited_;
};

// The style pads each side of a cell's text by its focus margin plus one (3 pixels with Fusion);
// the grid's narrow columns need those pixels for text, so only the one next to the grid line
// stays.
class NarrowCellStyle final : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;
    int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override {
        return metric == PM_FocusFrameHMargin ? 0 : QProxyStyle::pixelMetric(metric, option, widget);
    }
};

// Arial's metrics: the column widths are made for them, a wider font would cut "Ges/Note".
QFont GridFont() {
    return SansFont(kFontPixels);
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
    auto* style = new NarrowCellStyle;
    style->setParent(view_);
    view_->setStyle(style);
    // The titles in the grid's font too, each made smaller where its column is too narrow.
    QHeaderView* titles = view_->horizontalHeader();
    titles->setFont(GridFont());
    model_->SetTitleFonts([titles](int col) {
        const int margin = titles->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, titles);
        const QString text = titles->model()->headerData(col, Qt::Horizontal, Qt::DisplayRole).toString();
        return FittingFont(titles->font(), text, titles->sectionSize(col) - 2 * margin);
    });
    view_->setSelectionBehavior(QAbstractItemView::SelectRows);
    view_->setSelectionMode(QAbstractItemView::SingleSelection);
    // Browse mode at first: typing into cells starts with selecting an editable one.
    view_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    model_->SetEditableColumns([this](int col) { return CellEditable(col, settings_.EditRes); });
    auto* delegate = new CellDelegate(
        settings_.DecimalSeparator,
        [this](int col, int row, const QString& text) {
            // The table changes after the editor has closed, not while the view still uses it.
            QMetaObject::invokeMethod(
                this, [this, col, row, text] { emit CellEdited(col, row, text); }, Qt::QueuedConnection);
        },
        this);
    view_->setItemDelegate(delegate);
    connect(delegate, &QAbstractItemDelegate::closeEditor, this,
            [this](QWidget*, QAbstractItemDelegate::EndEditHint hint) {
                if (hint != QAbstractItemDelegate::RevertModelCache)
                    return;
                // Esc: back to whole rows.
                const int row = SelectedRow();
                SetEditMode(false);
                SelectProtocolRow(row);
            });
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
    view_->installEventFilter(this);
}

void ProtocolGrid::ConnectView() {
    connect(view_->selectionModel(), &QItemSelectionModel::currentRowChanged, this, [this](const QModelIndex& current) {
        if (current.isValid())
            CurrentRowChanged(ProtocolModel::RowOf(current));
        else
            model_->SetSelectedRow(-1);
    });
    connect(view_->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) { CurrentCellChanged(current); });
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
    if (watched == view_ && event->type() == QEvent::KeyPress && editMode_ &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        const int row = SelectedRow();
        SetEditMode(false);
        SelectProtocolRow(row);
        return true;
    }
    // Only the width decides the columns; the height changes with every row the window gains.
    if (watched == view_->viewport() && event->type() == QEvent::Resize && view_->viewport()->width() != laidOutWidth_)
        ApplyLayout();
    return QWidget::eventFilter(watched, event);
}

void ProtocolGrid::SetEditMode(bool on) {
    editMode_ = on;
    view_->setSelectionBehavior(on ? QAbstractItemView::SelectItems : QAbstractItemView::SelectRows);
    view_->setEditTriggers(on ? QAbstractItemView::AnyKeyPressed | QAbstractItemView::EditKeyPressed
                              : QAbstractItemView::NoEditTriggers);
}

void ProtocolGrid::EditCell(int col, int row) {
    if (row < 1 || row >= table_.RowCount() || col < 0 || col >= ColCount)
        return;
    if (!CellEditable(col, settings_.EditRes)) {
        SelectProtocolRow(row);
        return;
    }
    SetEditMode(true);
    const bool already = row == SelectedRow();
    selecting_ = true;
    view_->selectionModel()->setCurrentIndex(model_->IndexOf(col, row), QItemSelectionModel::ClearAndSelect);
    selecting_ = false;
    view_->scrollTo(model_->IndexOf(col, row));
    if (already)
        CurrentRowChanged(row);
}

void ProtocolGrid::CurrentCellChanged(const QModelIndex& current) {
    if (selecting_ || !current.isValid())
        return;
    // The operator moved to a cell: editable cells take typing, any other selects its row.
    if (CellEditable(current.column(), settings_.EditRes)) {
        SetEditMode(true);
        return;
    }
    SetEditMode(false);
    view_->selectionModel()->select(current, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void ProtocolGrid::SelectProtocolRow(int row) {
    if (row < 1 || row >= table_.RowCount())
        return;
    SetEditMode(false); // a command selects the starter's whole row
    const bool already = row == SelectedRow();
    const int current = view_->currentIndex().column();
    const int col = current >= 0 && !view_->isColumnHidden(current) ? current : ColStartNr;
    selecting_ = true;
    view_->selectionModel()->setCurrentIndex(model_->IndexOf(col, row),
                                             QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    selecting_ = false;
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
