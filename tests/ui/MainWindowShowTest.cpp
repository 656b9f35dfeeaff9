// The station's show as the operator sees it, against a real mosquitto on 127.0.0.1: the status
// line (none while the show is off, "Turnier: verbunden", red while the broker is gone), the
// settings dialog switching it off, and the word at both stations when two claim one ring.
#include "FileChooser.h"
#include "MainWindow.h"
#include "MosquittoBroker.h"
#include "SettingsDialog.h"
#include "StationShow.h"

#include "ManualClock.h"
#include "settings/Settings.h"
#include "station/Dialogs.h"
#include "show/ShowConfig.h"
#include "station/Station.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace caniparc;
using caniparc::testing::MosquittoBroker;

namespace {

struct NoDialogs final : Dialogs {
    bool Ask(const std::string&) override { return true; }
    void Inform(const std::string&) override {}
};

struct NoFiles final : ui::FileChooser {
    ui::FileChoice ChooseOpen(QWidget*, const QString&, const QStringList&, int) override { return {}; }
    ui::FileChoice ChooseSave(QWidget*, const QString&, const QString&, const QStringList&, int) override { return {}; }
};

struct Ring {
    explicit Ring(quint16 port) {
        if (port) {
            settings.ShowServer = "127.0.0.1";
            settings.ShowPort = port;
            settings.ShowName = "Cup";
            settings.ShowRing = "Ring 1";
        }
        station.Startup({folder.path().toStdString() + "/", "", "", {}}, ',');
        window = std::make_unique<ui::MainWindow>(station, dialogs, files);
        window->show();
    }
    QLabel* Line() const { return window->findChild<QLabel*>(QStringLiteral("showPanel")); }
    QString Text() const { return Line() && Line()->isVisible() ? Line()->text() : QStringLiteral("(keine)"); }
    bool Red() const { return Line()->styleSheet().contains(QStringLiteral("red")); }
    QString Message() const {
        const auto* box = window->findChild<QMessageBox*>(QStringLiteral("showMessage"));
        return box && box->isVisible() ? box->text() : QString();
    }

    QTemporaryDir folder;
    caniparc::testing::ManualClock clock;
    NoDialogs dialogs;
    NoFiles files;
    Station station{{clock, clock, dialogs}, "caniparc"};
    Settings& settings = station.GetSettings();
    std::unique_ptr<ui::MainWindow> window;
};

} // namespace

class MainWindowShowTest : public QObject {
    Q_OBJECT
private slots:
    void noLineWhileTheShowIsOff() {
        Ring ring(0);
        QVERIFY(ring.Line());
        QCOMPARE(ring.Text(), QStringLiteral("(keine)"));
        QVERIFY(!ring.Line()->accessibleName().isEmpty());
    }

    void theLineFollowsTheBrokerAndTheDialogSwitchesItOff() {
        MosquittoBroker broker;
        QVERIFY(broker.Start());
        Ring ring(broker.Port());
        QTRY_COMPARE_WITH_TIMEOUT(ring.Text(), QStringLiteral("Turnier: verbunden"), 10000);
        QVERIFY(!ring.Red());
        broker.Kill();
        QTRY_VERIFY_WITH_TIMEOUT(ring.Text().startsWith(QStringLiteral("Turnier: getrennt seit ")), 5000);
        QVERIFY(ring.Red());
        QVERIFY(broker.Start());
        QTRY_COMPARE_WITH_TIMEOUT(ring.Text(), QStringLiteral("Turnier: verbunden"), 10000);
        QVERIFY(!ring.Red());
        // F2, the server emptied, OK: the show is off and its line gone.
        QTimer::singleShot(200, ring.window.get(), [&ring] {
            ui::SettingsDialog* dialog = ring.window->SettingsWindow();
            QVERIFY(dialog);
            dialog->findChild<QLineEdit*>(QStringLiteral("eShowServer"))->clear();
            dialog->accept();
        });
        ring.window->OpenSettings();
        QCOMPARE(ring.Text(), QStringLiteral("(keine)"));
        QVERIFY(ring.settings.ShowServer.empty());
    }

    // A typed correction is in the outbox as soon as the event that made it is done, not up to
    // a poll interval later (the board would show it that much later).
    void aCorrectionGoesOutAtOnceNotAtTheNextPoll() {
        Ring ring(1); // nothing listens there: the outbox keeps what it cannot send
        // A publisher that compares only when asked (its own poll a minute away).
        ring.window->Show()->adjust = [](ShowPublisherOptions& options) { options.pollMs = 60000; };
        ring.settings.ShowRing = "Ring 2";
        ring.window->Show()->Apply(ShowConfigOf(ring.settings));
        QVERIFY(ring.window->Show()->Publisher());
        ring.window->Show()->Publisher()->Poll(); // the empty protocol
        const int row = ring.station.AddRow();
        ring.station.CommitCell(1, row, "Rex");
        const std::uint64_t before = ring.window->Show()->Publisher()->Box().LastSeq();
        QCoreApplication::processEvents();
        QCOMPARE(ring.window->Show()->Publisher()->Box().LastSeq(), before + 1);
    }

    void twoStationsOnOneRingAreBothTold() {
        MosquittoBroker broker;
        QVERIFY(broker.Start());
        Ring first(broker.Port());
        QTRY_COMPARE_WITH_TIMEOUT(first.Text(), QStringLiteral("Turnier: verbunden"), 10000);
        Ring second(broker.Port());
        QTRY_COMPARE_WITH_TIMEOUT(second.Text(), QStringLiteral("Turnier: Ring 1 sendet schon eine andere Station"),
                                  10000);
        QVERIFY(second.Red());
        QTRY_VERIFY_WITH_TIMEOUT(
            second.Message().startsWith(QStringLiteral("Auf Ring 1 sendet schon eine andere Station an das Turnier.")),
            2000);
        QTRY_VERIFY_WITH_TIMEOUT(
            first.Message().startsWith(QStringLiteral("Eine zweite Station wollte ebenfalls als Ring 1")), 5000);
        QCOMPARE(first.Text(), QStringLiteral("Turnier: verbunden - eine zweite Station für Ring 1 wurde abgewiesen"));
        // The message waits for nobody: the first ring's keys still work.
        QVERIFY(!first.window->findChild<QMessageBox*>(QStringLiteral("showMessage"))->isModal());
    }
};

QTEST_MAIN(MainWindowShowTest)
#include "MainWindowShowTest.moc"
