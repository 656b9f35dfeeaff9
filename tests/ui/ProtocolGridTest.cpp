// The protocol grid's bindings: colour bands, columns by runs, bonus and width, sorting by title
// clicks, announced selections, cell changes reaching the view, and scrolling rows into view.
#include "ProtocolGrid.h"

#include "protocol/ProtocolLayout.h"
#include "protocol/ProtocolSort.h"
#include "protocol/ProtocolTable.h"
#include "settings/Settings.h"

#include <QHeaderView>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTableView>
#include <QTest>

#include <memory>

using namespace caniparc;

namespace {

struct Fixture {
    explicit Fixture(int rows = 3) {
        WriteColumnTitles(table);
        table.SetRowCount(1);
        for (int i = 1; i <= rows; ++i)
            AddStarter(std::to_string(i), std::to_string(i * 10) + ",00");
        grid = std::make_unique<ui::ProtocolGrid>(table, sort, settings);
        grid->resize(1000, 300);
        grid->show();
        QVERIFY(QTest::qWaitForWindowExposed(grid.get()));
    }
    void AddStarter(const std::string& startNr, const std::string& total) {
        const int row = table.AppendRow();
        table.SetCell(ColStartNr, row, startNr);
        table.SetCell(ColTime1, row, "30,00");
        table.SetCell(ColTotal1, row, total);
        table.SetCell(ColGrade, row, "Gut");
    }
    QTableView* View() const { return grid->View(); }
    QRect CellRect(int col, int row) const { return View()->visualRect(View()->model()->index(row - 1, col)); }
    // The cell's background, away from its right-aligned text and its grid line.
    QColor Background(int col, int row) const {
        const QImage image = View()->viewport()->grab().toImage();
        const QRect cell = CellRect(col, row);
        return image.pixelColor(cell.left() + 2, cell.top() + 2);
    }
    void SetClientWidth(int width) {
        grid->resize(width + grid->width() - View()->viewport()->width(), grid->height());
        QTRY_COMPARE(View()->viewport()->width(), width);
    }
    void ClickTitle(int col) {
        QHeaderView* header = View()->horizontalHeader();
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(col) + 4, header->height() / 2));
    }
    QStringList StartNumbers() const {
        QStringList numbers;
        for (int row = 1; row < table.RowCount(); ++row)
            numbers << QString::fromStdString(table.Cell(ColStartNr, row));
        return numbers;
    }
    QList<int> VisibleColumns() const {
        QList<int> visible;
        for (int col = 0; col < ColCount; ++col)
            if (!View()->isColumnHidden(col))
                visible << col;
        return visible;
    }

    ProtocolTable table;
    SortState sort;
    Settings settings;
    std::unique_ptr<ui::ProtocolGrid> grid;
};

QList<int> Range(int first, int last) {
    QList<int> columns;
    for (int col = first; col <= last; ++col)
        columns << col;
    return columns;
}

const QColor kYellow(255, 255, 192);
const QColor kRed(255, 224, 224);
const QColor kGreen(224, 255, 224);

} // namespace

class ProtocolGridTest : public QObject {
    Q_OBJECT
private slots:
    void bandsLeaveTheSelectedRowAndComeBackWhenItIsLeft() {
        Fixture f;
        f.settings.LaufCount = 2;
        f.grid->ApplyLayout();
        f.grid->SelectProtocolRow(2);
        for (const int row : {1, 3}) {
            QCOMPARE(f.Background(ColTime1, row), kYellow);
            QCOMPARE(f.Background(ColFaults2, row), kRed);
            QCOMPARE(f.Background(ColPlace, row), kGreen);
            QCOMPARE(f.Background(ColStartNr, row), QColor(Qt::white));
        }
        for (const int col : {ColTime1, ColFaults2, ColPlace})
            QVERIFY(f.Background(col, 2) != kYellow && f.Background(col, 2) != kRed && f.Background(col, 2) != kGreen);

        QTest::mouseClick(f.View()->viewport(), Qt::LeftButton, {}, f.CellRect(ColDogName, 3).center());
        QCOMPARE(f.grid->SelectedRow(), 3);
        QCOMPARE(f.Background(ColTime1, 2), kYellow);
        QVERIFY(f.Background(ColTime1, 3) != kYellow);

        f.View()->selectionModel()->clear();
        QCOMPARE(f.Background(ColTime1, 3), kYellow);
    }

    void columnsFollowRunsBonusAndClientWidth() {
        Fixture f;
        QCOMPARE(f.VisibleColumns(), Range(0, 9) + Range(16, 18));
        f.settings.LaufCount = 2;
        f.settings.Bonus = true;
        f.grid->ApplyLayout();
        QCOMPARE(f.VisibleColumns(), Range(0, 18));
        QCOMPARE(f.View()->rowHeight(0), 19);

        for (const int width : {1000, 640}) { // a window resize lays the columns out again by itself
            f.SetClientWidth(width);
            const auto expected = ColumnWidths(width, 2, true);
            for (int col = 0; col < ColSortKey; ++col)
                QCOMPARE(f.View()->columnWidth(col), expected[static_cast<std::size_t>(col)]);
        }

        f.AddStarter("4", "0,00"); // replacing the rows must not lose the layout
        QCOMPARE(f.VisibleColumns(), Range(0, 18));
        QCOMPARE(f.View()->columnWidth(ColDogName), ColumnWidths(640, 2, true)[ColDogName]);
        QVERIFY(f.View()->horizontalScrollBar()->maximum() == 0);
    }

    // The grid of an 800-pixel main window (its default) is about 780 pixels wide inside. The
    // widest grade, a five-character speed and the titles above them must show whole there, in
    // one run and in two, not cut to "Sehr…" or "5…".
    void gradesSpeedsAndTitlesShowWholeAtTheDefaultWidth() {
        for (int runs : {1, 2}) {
            Fixture f;
            f.settings.LaufCount = runs;
            f.table.SetCell(ColGrade, 1, "Vorzüglich");
            f.table.SetCell(ColSpeed, 1, "52,94");
            f.SetClientWidth(780);
            f.grid->ApplyLayout();
            QTableView* view = f.View();
            for (int col : {ColGrade, ColSpeed}) {
                const QModelIndex index = view->model()->index(0, col);
                QStyleOptionViewItem option;
                option.initFrom(view);
                option.font = view->font(); // initFrom takes the metrics only; the view paints in its font
                option.rect = view->visualRect(index);
                option.widget = view; // as the view paints it
                const int needed = view->itemDelegate()->sizeHint(option, index).width();
                QVERIFY2(needed <= view->columnWidth(col), qPrintable(QStringLiteral("%1 runs, %2: %3 > %4")
                                                                          .arg(runs)
                                                                          .arg(index.data().toString())
                                                                          .arg(needed)
                                                                          .arg(view->columnWidth(col))));
            }
            QHeaderView* titles = view->horizontalHeader();
            const int margin = titles->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, titles);
            for (int col : {ColGrade, ColSpeed}) {
                const QString title = view->model()->headerData(col, Qt::Horizontal).toString();
                const QFont font = view->model()->headerData(col, Qt::Horizontal, Qt::FontRole).value<QFont>();
                const int needed = QFontMetrics(font).horizontalAdvance(title) + 2 * margin;
                QVERIFY2(
                    needed <= titles->sectionSize(col),
                    qPrintable(QStringLiteral("%1: %2 > %3").arg(title).arg(needed).arg(titles->sectionSize(col))));
            }
        }
    }

    void titleClicksSortOnlyOnceSortingIsOnAndKeepTheSelectedStarter() {
        Fixture f;
        f.table.SetCell(ColTotal1, 1, "15,00"); // totals: 15, 20, 5
        f.table.SetCell(ColTotal1, 3, "5,00");
        f.grid->SelectProtocolRow(2);
        f.ClickTitle(ColTotal1);
        QCOMPARE(f.StartNumbers(), QStringList({"1", "2", "3"}));

        f.sort.canSort = true;
        f.ClickTitle(ColTotal1);
        QCOMPARE(f.StartNumbers(), QStringList({"3", "1", "2"}));
        QCOMPARE(f.sort.sortColumn, int(ColTotal1));
        QVERIFY(!f.sort.descending);
        QCOMPARE(f.grid->SelectedRow(), 3);

        f.ClickTitle(ColTotal1);
        QCOMPARE(f.StartNumbers(), QStringList({"2", "1", "3"}));
        QVERIFY(f.sort.descending);
        QCOMPARE(f.grid->SelectedRow(), 1);
        QVERIFY(f.Background(ColTime1, 1) != kYellow);
    }

    void identicalStartersKeepTheSelectionOnTheSameCopy() {
        Fixture f(0);
        for (const char* total : {"9,00", "5,00", "5,00", "5,00"})
            f.AddStarter("7", total);
        f.sort.canSort = true;
        f.grid->SelectProtocolRow(3); // the second of the three identical rows
        f.ClickTitle(ColTotal1);
        QCOMPARE(f.grid->SelectedRow(), 2);
    }

    void selectionsAreAnnouncedWithTheirPosition() {
        Fixture f;
        QSignalSpy spy(f.grid.get(), &ui::ProtocolGrid::RowSelected);
        const auto last = [&spy] { return spy.last().at(1).toString(); };

        QTest::mouseClick(f.View()->viewport(), Qt::LeftButton, {}, f.CellRect(ColClub, 2).center());
        QCOMPARE(last(), QStringLiteral("2:3"));
        QCOMPARE(spy.last().at(0).toInt(), 2);
        QTest::keyClick(f.View(), Qt::Key_Down);
        QCOMPARE(last(), QStringLiteral("3:3"));
        f.grid->SelectProtocolRow(1);
        QCOMPARE(last(), QStringLiteral("1:3"));
        const int before = spy.count();
        f.grid->SelectProtocolRow(1); // selecting again still writes the status text
        QCOMPARE(spy.count(), before + 1);

        f.grid->SelectProtocolRow(0);
        f.grid->SelectProtocolRow(4);
        QCOMPARE(spy.count(), before + 1);
        QCOMPARE(f.grid->SelectedRow(), 1);
        QCOMPARE(f.View()->selectionModel()->selectedIndexes().size(), ColCount);

        f.grid->SelectProtocolRow(3);
        f.table.RemoveRow(1); // the selection stays on row 3 while there is one, with the new count
        QCOMPARE(last(), QStringLiteral("2:2"));
        QCOMPARE(f.grid->SelectedRow(), 2);
    }

    void cellChangesReachTheViewWithoutAReset() {
        Fixture f;
        f.grid->SelectProtocolRow(2);
        QSignalSpy changed(f.View()->model(), &QAbstractItemModel::dataChanged);
        QSignalSpy reset(f.View()->model(), &QAbstractItemModel::modelReset);
        f.table.SetCell(ColPlace, 3, "1");
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.first().at(0).toModelIndex(), changed.first().at(1).toModelIndex());
        QCOMPARE(f.View()->model()->index(2, ColPlace).data().toString(), QStringLiteral("1"));
        QCOMPARE(reset.count(), 0);
        QCOMPARE(f.grid->SelectedRow(), 2);

        f.table.SetCell(ColPlace, 0, "Platz");
        QCOMPARE(f.View()->model()->headerData(ColPlace, Qt::Horizontal).toString(), QStringLiteral("Platz"));
    }

    void scrollingCentresTheRowUnlessEveryRowFits() {
        Fixture f;
        f.View()->selectionModel()->clear(); // nothing that lays the rows out on its own
        f.grid->ScrollToRow(3);
        QCOMPARE(f.View()->rowAt(0), 0);

        for (int i = 4; i <= 200; ++i) // scrolled at once after the rows came, before any event
            f.AddStarter(std::to_string(i), "0,00");
        f.grid->ScrollToRow(150);
        const int visible = f.View()->viewport()->height() / 19;
        QVERIFY(visible > 2);
        QCOMPARE(f.View()->rowAt(0) + 1, 150 - visible / 2);
        f.grid->ScrollToRow(visible / 2);
        QCOMPARE(f.View()->rowAt(0), 0);
    }
};

QTEST_MAIN(ProtocolGridTest)
#include "ProtocolGridTest.moc"
