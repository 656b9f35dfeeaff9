// The information window's lock on "OK" and on closing, its links to the maker's page, and the
// main window's clock panel.
#include "InfoWindow.h"
#include "ClockPanel.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <memory>

using namespace caniparc::ui;

class InfoWindowTest : public QObject {
    Q_OBJECT
private slots:
    void everyShowing_locksOkUntilTheDelayHasPassed() {
        InfoWindow window({});
        window.SetUnlockDelay(50);
        for (int showing = 0; showing < 2; ++showing) {
            window.show();
            QVERIFY(!window.OkButton()->isEnabled());
            QTRY_VERIFY(window.OkButton()->isEnabled());
            QTest::mouseClick(window.OkButton(), Qt::LeftButton);
            QVERIFY(!window.isVisible());
            QCOMPARE(window.result(), int(QDialog::Accepted));
        }
    }

    void whileLocked_neitherEscNorCloseEndTheWindow() {
        InfoWindow window({});
        window.SetUnlockDelay(400);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTest::keyClick(&window, Qt::Key_Escape);
        QVERIFY(window.isVisible());
        QVERIFY(!window.close());
        QVERIFY(window.isVisible());
        QTest::keyClick(window.OkButton(), Qt::Key_Space);
        QVERIFY(window.isVisible());

        QTRY_VERIFY(window.OkButton()->isEnabled());
        QTest::keyClick(&window, Qt::Key_Escape);
        QVERIFY(!window.isVisible());
        QCOMPARE(window.result(), int(QDialog::Rejected));
    }

    void logoAndMakerLine_openTheMakersPage() {
        QList<QUrl> opened;
        InfoWindow window([&opened](const QUrl& address) { opened << address; });
        window.SetUnlockDelay(0);
        window.show();
        QTest::mouseClick(window.Logo(), Qt::LeftButton);
        QTest::mouseClick(window.MakerLine(), Qt::LeftButton);
        QTest::mouseClick(window.MakerLine(), Qt::RightButton);
        QCOMPARE(opened, (QList<QUrl>{MakerPage(), MakerPage()}));
        QVERIFY(MakerPage().isValid());
    }

    void window_isCentredOnItsParent() {
        QWidget parent;
        parent.setGeometry(40, 30, 700, 500);
        parent.show();
        InfoWindow window({}, &parent);
        window.show();
        const QPoint offset = window.geometry().center() - parent.geometry().center();
        QVERIFY2(offset.manhattanLength() <= 4, qPrintable(QStringLiteral("%1,%2").arg(offset.x()).arg(offset.y())));
        QCOMPARE(window.windowTitle(), QStringLiteral("Information"));
    }

    void clock_showsShortDateAndTimeAtOnceAndFollowsTheTimer() {
        QDateTime now(QDate(2026, 12, 8), QTime(14, 5, 30));
        ClockPanel panel(
            nullptr, [&now] { return now; }, QLocale(QLocale::German, QLocale::Germany), 20);
        QCOMPARE(panel.text(), QStringLiteral("08.12.26   14:05:30"));
        now = QDateTime(QDate(2027, 1, 1), QTime(0, 0));
        QTRY_COMPARE(panel.text(), QStringLiteral("01.01.27   00:00:00"));
        QCOMPARE(ClockPanel::kRefreshMs, 1000); // the seconds change every second
    }
};

QTEST_MAIN(InfoWindowTest)
#include "InfoWindowTest.moc"
