// Faults of the main window found by trying it at the ring: what the operator sees must match
// the run state (pause pressed in, F9 off during a run, disabled start number), a binary file
// never becomes a protocol, and lane 1's typed contact keeps its large font.
#include "Digit.h"
#include "FileChooser.h"
#include "InfoWindow.h"
#include "LaneFrame.h"
#include "MainWindow.h"

#include "ManualClock.h"
#include "station/Dialogs.h"
#include "station/Station.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>

using namespace caniparc;

namespace {

struct ScriptedDialogs final : Dialogs {
    bool answer = true;
    QStringList asked, told;
    bool Ask(const std::string& question) override {
        asked << QString::fromStdString(question);
        return answer;
    }
    void Inform(const std::string& message) override { told << QString::fromStdString(message); }
};

struct ScriptedFiles final : ui::FileChooser {
    QString openPath;
    ui::FileChoice ChooseOpen(QWidget*, const QString&, const QStringList&, int) override { return {openPath, 1}; }
    ui::FileChoice ChooseSave(QWidget*, const QString&, const QString&, const QStringList&, int) override { return {}; }
};

struct Fixture {
    explicit Fixture(ui::WindowResources resources = {}) {
        QFile backup(folder.filePath(QStringLiteral("caniparc-Sicherungsdatei.txt")));
        if (backup.open(QIODevice::WriteOnly))
            backup.write("Nr.\tHund\r\n1\tAsta\r\n2\tBello\r\n");
        backup.close();
        station.GetSettings().AutoEin = false;
        station.Startup({folder.path().toStdString() + "/", "", "", {}}, ',');
        window = std::make_unique<ui::MainWindow>(station, dialogs, files, resources);
        window->show();
        QApplication::setActiveWindow(window.get());
        if (!QTest::qWaitForWindowActive(window.get()))
            qFatal("window not active");
    }
    void Key(Qt::Key key) { QTest::keyClick(window.get(), key); }

    QTemporaryDir folder;
    testing::ManualClock clock;
    ScriptedDialogs dialogs;
    ScriptedFiles files;
    Station station{{clock, clock, dialogs}, "caniparc"};
    std::unique_ptr<ui::MainWindow> window;
};

} // namespace

class MainWindowFaultsTest : public QObject {
    Q_OBJECT
private slots:
    void captionIsTheProductAndVersion() {
        Fixture f;
        QCOMPARE(f.window->windowTitle(), QStringLiteral("Caniparc 3.3"));
    }

    void pauseButtonIsPressedInWhilePaused() {
        Fixture f;
        f.Key(Qt::Key_F8);
        auto* pause = f.window->Button(Command::Pause);
        const QImage running = pause->grab().toImage();
        f.Key(Qt::Key_F5);
        QVERIFY(pause->isChecked());
        QVERIFY2(pause->grab().toImage() != running, "a paused run looks exactly like a running one");
        f.Key(Qt::Key_F5);
        QVERIFY(!pause->isChecked());
        QCOMPARE(pause->grab().toImage(), running);
    }

    void newProtocolIsOffWhileARunIsInProgress() {
        Fixture f;
        QVERIFY(f.window->ClearAction()->isEnabled());
        f.Key(Qt::Key_F8);
        QVERIFY(!f.window->ClearAction()->isEnabled());
        f.Key(Qt::Key_F9);
        QVERIFY(f.dialogs.asked.isEmpty());
        f.clock.Advance(30'000);
        f.Key(Qt::Key_F4); // stopped, waiting for its entry: still in progress
        QVERIFY(!f.window->ClearAction()->isEnabled());
        f.Key(Qt::Key_F7);
        QVERIFY(f.window->ClearAction()->isEnabled());
        QCOMPARE(f.station.Protocol().Cell(ColTime1, 1), std::string("30,0"));
    }

    void binaryFileIsRefusedWithAGermanMessage() {
        Fixture f;
        const QString path = f.folder.filePath(QStringLiteral("logo.jpg"));
        QFile binary(path);
        QVERIFY(binary.open(QIODevice::WriteOnly));
        binary.write(QByteArray("\xFF\xD8\xFF\xE0\x00\x10JFIF\x00", 11) + QByteArray(500, '\x07'));
        binary.close();
        f.files.openPath = path;
        const int rows = f.station.Protocol().RowCount();
        f.window->OpenAction()->trigger();
        QCOMPARE(f.station.Protocol().RowCount(), rows);
        QCOMPARE(f.station.Protocol().Cell(ColDogName, 2), std::string("Bello"));
        QCOMPARE(f.dialogs.told.size(), 1);
        QVERIFY2(f.dialogs.told.first().startsWith(QStringLiteral("Die Datei ist keine Textdatei")),
                 qPrintable(f.dialogs.told.first()));
    }

    void startNumberTakesFourDigitsAndLooksDisabledDuringARun() {
        Fixture f;
        QSpinBox* spin = f.window->Lane(0)->StartNumberEdit();
        QCOMPARE(spin->findChild<QLineEdit*>()->maxLength(), 4);
        const QImage enabled = spin->grab().toImage();
        f.Key(Qt::Key_F8);
        QVERIFY(!spin->isEnabled());
        QVERIFY(spin->grab().toImage() != enabled);
    }

    void toolBarRightEndStaysVisibleAtTheSmallestWidth() {
        ui::WindowResources resources;
        resources.logo = QImage(800, 557, QImage::Format_RGB32);
        resources.logo.fill(Qt::darkGreen);
        Fixture f(resources);
        f.window->resize(800, 600);
        QTest::qWait(20);
        for (const char* name : {"e2ZeitStandart", "e2ZeitMax", "PanelDate", "ImageTitle"}) {
            auto* w = f.window->findChild<QWidget*>(QLatin1String(name));
            QVERIFY2(w && w->isVisible(), name);
            QVERIFY2(!qobject_cast<QToolBar*>(w->parentWidget()->parentWidget()), name);
            const QRect inWindow(w->mapTo(f.window.get(), QPoint(0, 0)), w->size());
            QVERIFY2(f.window->rect().contains(inWindow), name);
        }
        QVERIFY(f.window->findChild<QWidget*>(QStringLiteral("ImageTitle"))->height() <= 40);
    }

    void laneDigitsGrowAndStayCentredInAMaximizedWindow() {
        Fixture f;
        const int natural = f.window->Lane(0)->Digit(2)->height();
        f.window->resize(1366, 740);
        QTest::qWait(20);
        auto* frame = f.window->Lane(0);
        QVERIFY2(frame->Digit(2)->height() > natural + 30, qPrintable(QString::number(frame->Digit(2)->height())));
        QVERIFY(f.window->ProtocolView()->height() > 150); // the protocol keeps room for rows
        // No wide black bar on one side of the digits.
        const int left = frame->Digit(0)->x();
        const int right = frame->width() - (frame->Digit(4)->x() + frame->Digit(4)->width());
        QVERIFY2(std::abs(left - right) < frame->width() / 8, qPrintable(QStringLiteral("%1 %2").arg(left).arg(right)));
    }

    void makersNameAndAddressOpenTheMakersPage() {
        QList<QUrl> opened;
        ui::WindowResources resources;
        resources.openUrl = [&opened](const QUrl& url) { opened << url; };
        Fixture f(resources);
        for (const char* name : {"LabDE", "LabDEPage"}) {
            auto* label = f.window->findChild<QLabel*>(QLatin1String(name));
            QVERIFY2(label && !label->accessibleName().isEmpty(), name);
            emit label->linkActivated(label->toolTip());
        }
        QCOMPARE(opened, (QList<QUrl>{ui::MakerPage(), ui::MakerPage()}));
    }

    void toolBarPicturesAreDrawnAndGreyWhenDisabled() {
        Fixture f;
        auto* bar = f.window->findChild<QToolBar*>();
        QVERIFY(bar);
        int pictures = 0;
        for (QAction* action : bar->actions()) {
            if (action->isSeparator() || action->icon().isNull())
                continue;
            const QImage normal = action->icon().pixmap(24, 24).toImage();
            const QImage grey = action->icon().pixmap(24, 24, QIcon::Disabled).toImage();
            QVERIFY2(!normal.isNull() && normal != grey, qPrintable(action->toolTip()));
            ++pictures;
        }
        QCOMPARE(pictures, 11); // with the settings
    }

    void laneOneContactListKeepsItsFontWhenEditable() {
        ui::LaneFrame frame;
        frame.SetContacts({"12,34"}, 0, ContactListStyle::DropDown, true, "12,34");
        QLineEdit* edit = frame.Contacts()->lineEdit();
        QVERIFY(edit);
        QCOMPARE(edit->font().pixelSize(), 21);
        QVERIFY(edit->font().bold());
    }
};

QTEST_MAIN(MainWindowFaultsTest)
#include "MainWindowFaultsTest.moc"
