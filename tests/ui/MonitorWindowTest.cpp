// The spectators' display on two simulated screens (the offscreen platform configured with a
// 1366 x 768 laptop and a 1920 x 1080 TV): it covers the chosen screen, follows the running
// lane and the best time, also while hidden, Esc works only on the operator's own screen, and a
// monitor change in the settings moves it at once.
#include "MonitorWindow.h"
#include "Digit.h"
#include "FileChooser.h"
#include "MainWindow.h"
#include "NoFiles.h"
#include "RecordingDialogs.h"
#include "SettingsDialog.h"

#include "ManualClock.h"
#include "station/Dialogs.h"
#include "station/Station.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace caniparc;

namespace {

using testing::NoFiles;

struct Fixture {
    explicit Fixture(int monitor) {
        settings.Monitor = monitor;
        settings.AutoEin = false;
        station.Startup({folder.path().toStdString() + "/", "", "", {}, 2}, ',');
        window = std::make_unique<ui::MainWindow>(station, dialogs, files);
        window->show();
        QApplication::setActiveWindow(window.get());
        if (!QTest::qWaitForWindowActive(window.get()))
            qFatal("main window not active");
    }
    ui::MonitorWindow& Monitor() { return *window->Monitor(); }
    int Row(int row) {
        int value = 0;
        for (int i = 0; i < 5; ++i)
            value = value * 10 + Monitor().Digit(row, i)->Value();
        return value;
    }

    QTemporaryDir folder;
    testing::ManualClock clock;
    testing::RecordingDialogs dialogs;
    NoFiles files;
    Station station{{clock, clock, dialogs}, "caniparc"};
    Settings& settings = station.GetSettings();
    std::unique_ptr<ui::MainWindow> window;
};

} // namespace

class MonitorWindowTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QCOMPARE(QGuiApplication::screens().size(), 2); }

    void coversTheChosenScreenBorderlessOnTopWithoutPointer() {
        Fixture f(1);
        auto& m = f.Monitor();
        QCOMPARE(m.windowTitle(), QStringLiteral("Monitor 2"));
        QCOMPARE(m.geometry(), QRect(1366, 0, 1920, 1080));
        QVERIFY(m.windowFlags() & Qt::FramelessWindowHint);
        QVERIFY(m.windowFlags() & Qt::WindowStaysOnTopHint);
        QCOMPARE(m.cursor().shape(), Qt::BlankCursor);
        // Laid out from the lane frame's geometry, scaled to 1920 pixels.
        QCOMPARE(m.Digit(0, 0)->geometry(), QRect(62, 211, 282, 336));
        QCOMPARE(m.Digit(1, 4)->geometry(), QRect(1499, 695, 282, 336));
        QCOMPARE(m.Strip(1)->geometry().top(), 597);
        QCOMPARE(m.Digit(0, 4)->ColorOn(), QColor(64, 64, 64)); // hundredths dim: no port, tenths
    }

    void followsTheRunningLaneAndTheBestTimeAlsoWhileHidden() {
        Fixture f(1);
        auto& m = f.Monitor();
        QVERIFY(!m.isVisible());
        QCOMPARE(m.Title()->text(), QStringLiteral("Canitorn"));
        QCOMPARE(m.Strip(0)->text(), QStringLiteral(" Start-Nr.:1"));
        QCOMPARE(m.Strip(1)->text(), QStringLiteral("Bestzeit:"));
        QTest::keyClick(f.window.get(), Qt::Key_F8);
        f.clock.Advance(7'050);
        QCOMPARE(f.Row(0), 700); // 007,0 in tenths: 0, 0, 7, 0 and the dim 0
        f.clock.Advance(30'000);
        QTest::keyClick(f.window.get(), Qt::Key_F4);
        QTest::keyClick(f.window.get(), Qt::Key_F7);
        QCOMPARE(m.Strip(1)->text(), QStringLiteral("Best Start-Nr. 1"));
        QCOMPARE(f.Row(1), 3700); // the best time 037,0 on row 2
        QTest::keyClick(f.window.get(), Qt::Key_N, Qt::ControlModifier);
        QCOMPARE(m.Strip(0)->text(), QStringLiteral(" Start-Nr.:2"));
    }

    void startListChoiceReachesTheStrip() {
        Fixture f(1);
        const QString path = f.folder.filePath(QStringLiteral("liste.txt"));
        QFile list(path);
        QVERIFY(list.open(QIODevice::WriteOnly));
        list.write("Nr.;Hund\r\n15;Asta\r\n16;Bello\r\n");
        list.close();
        QVERIFY(f.station.OpenProtocol(path.toStdString()).Ok());
        QCOMPARE(f.Monitor().Strip(0)->text(), QStringLiteral(" Start-Nr.:15"));
    }

    void ctrlTShowsAndHidesEscOnlyOnTheOperatorsScreen() {
        Fixture f(1);
        auto& m = f.Monitor();
        QTest::keyClick(f.window.get(), Qt::Key_T, Qt::ControlModifier);
        QVERIFY(m.isVisible());
        QTest::keyClick(&m, Qt::Key_Escape); // on the TV: Esc does nothing
        QVERIFY(m.isVisible());
        QTest::keyClick(f.window.get(), Qt::Key_T, Qt::ControlModifier);
        QVERIFY(!m.isVisible());

        Fixture own(0);
        own.Monitor().show();
        QCOMPARE(own.Monitor().geometry(), QRect(0, 0, 1366, 768));
        QTest::keyClick(&own.Monitor(), Qt::Key_Escape);
        QVERIFY(!own.Monitor().isVisible());
    }

    void choosingAnotherMonitorMovesTheDisplayAtOnce() {
        Fixture f(1);
        QTimer::singleShot(0, [] {
            auto* dialog = qobject_cast<ui::SettingsDialog*>(QApplication::activeModalWidget());
            if (!dialog)
                qFatal("settings dialog not shown");
            auto* monitors = dialog->findChild<QComboBox*>(QStringLiteral("cbMonitor"));
            if (monitors->itemText(1) != QStringLiteral("1=(1366,0)-(1920,1080)"))
                qFatal("unexpected monitor entry %s", qPrintable(monitors->itemText(1)));
            monitors->setCurrentIndex(0);
            dialog->findChild<QAbstractButton*>(QStringLiteral("OK"))->click();
        });
        QTest::keyClick(f.window.get(), Qt::Key_F2);
        QCOMPARE(f.settings.Monitor, 0);
        QCOMPARE(f.Monitor().geometry(), QRect(0, 0, 1366, 768)); // moved while hidden
    }
};

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" CANIPARC_TWO_SCREENS);
    QApplication app(argc, argv);
    MonitorWindowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "MonitorWindowTest.moc"
