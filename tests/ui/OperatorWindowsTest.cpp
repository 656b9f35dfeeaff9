// The station's windows on two simulated screens (a 1366 x 768 laptop and a 1920 x 1080 TV):
// command keys reach the station whichever of its windows has the focus, every question opens
// centred on the main window, on the operator's screen, and a projector unplugged mid-show takes
// the display away instead of laying it over the operator's screen.
#include "Digit.h"
#include "FileChooser.h"
#include "MainWindow.h"
#include "MonitorWindow.h"
#include "NoFiles.h"
#include "OperatorDialogs.h"

#include "ManualClock.h"
#include "station/Station.h"

#include <QAbstractButton>
#include <QApplication>
#include <QJsonArray>
#include <QJsonObject>
#include <QMessageBox>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <qpa/qplatformnativeinterface.h>

using namespace caniparc;

namespace {

using testing::NoFiles;

// The station with the real question windows, as the program builds it.
struct Fixture {
    explicit Fixture(int monitor) {
        settings.Monitor = monitor;
        settings.AutoEin = false;
        station.Startup({folder.path().toStdString() + "/", "", "", {}, 2}, ',');
        window = std::make_unique<ui::MainWindow>(station, dialogs, files);
        dialogs.SetWindow(window.get());
        window->setGeometry(100, 80, 900, 600);
        window->show();
        Activate(window.get());
    }
    static void Activate(QWidget* widget) {
        widget->activateWindow();
        QApplication::setActiveWindow(widget);
        if (!QTest::qWaitForWindowActive(widget))
            qFatal("window not active");
    }
    ui::MonitorWindow& Monitor() { return *window->Monitor(); }
    // The display is up and has the focus, as after a click on the projector.
    ui::MonitorWindow& FocusedDisplay() {
        QTest::keyClick(window.get(), Qt::Key_T, Qt::ControlModifier);
        if (!Monitor().isVisible())
            qFatal("display not shown");
        Activate(&Monitor());
        return Monitor();
    }

    QTemporaryDir folder;
    testing::ManualClock clock;
    ui::OperatorDialogs dialogs{QStringLiteral("caniparc")};
    NoFiles files;
    Station station{{clock, clock, dialogs}, "caniparc"};
    Settings& settings = station.GetSettings();
    RunClock& run = station.Run();
    std::unique_ptr<ui::MainWindow> window;
};

// Answers the next question with `answer` once it is shown, and remembers where it was.
struct QuestionWatch {
    QRect geometry;
    QString text;
    QScreen* screen = nullptr;
    void AnswerNext(const QString& answer) {
        QTimer::singleShot(0, [this, answer] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box)
                qFatal("no question shown");
            geometry = box->frameGeometry();
            text = box->text();
            screen = box->screen();
            for (QAbstractButton* button : box->buttons())
                if (button->text() == answer)
                    button->click();
        });
    }
};

// Plugs monitors in and out of the offscreen platform, as xrandr would on a desktop.
void SetScreens(bool withTv) {
    QPlatformNativeInterface* native = QGuiApplication::platformNativeInterface();
    using Get = QJsonObject (*)(QPlatformNativeInterface*);
    using Set = void (*)(const QJsonObject&, QPlatformNativeInterface*);
    auto get = reinterpret_cast<Get>(native->nativeResourceForIntegration("configuration"));
    auto set = reinterpret_cast<Set>(native->nativeResourceForIntegration("setConfiguration"));
    if (!get || !set)
        qFatal("the offscreen platform cannot change its screens");
    QJsonObject config = get(native);
    const auto screen = [](const char* name, int x, int width, int height) {
        return QJsonObject{{"name", name},         {"x", x},           {"y", 0},
                           {"width", width},       {"height", height}, {"logicalDpi", 96},
                           {"logicalBaseDpi", 96}, {"dpr", 1}};
    };
    QJsonArray screens{screen("Laptop", 0, 1366, 768)};
    if (withTv)
        screens.append(screen("TV", 1366, 1920, 1080));
    config[QStringLiteral("screens")] = screens;
    set(config, native);
}

} // namespace

class OperatorWindowsTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QCOMPARE(QGuiApplication::screens().size(), 2); }
    void cleanup() { SetScreens(true); }

    void projectorUnpluggedTakesTheDisplayAlongAndReturnsItWhenPluggedIn() {
        Fixture f(1);
        auto* tvSwitch = f.window->findChild<QToolButton*>(QStringLiteral("ImageTVAus"));
        QVERIFY(tvSwitch && tvSwitch->isVisible());
        ui::MonitorWindow& display = f.FocusedDisplay();
        QVERIFY(tvSwitch->isChecked());
        f.clock.Advance(1'000);

        SetScreens(false);
        QVERIFY(!display.isVisible()); // not full-screen over the operator's screen
        QVERIFY(!tvSwitch->isChecked());
        QVERIFY(tvSwitch->isVisible());
        QVERIFY(tvSwitch->toolTip().contains(QStringLiteral("fehlt")));
        QTest::keyClick(f.window.get(), Qt::Key_F8); // the station works on
        QVERIFY(f.run.Lane(0).clockRunning);

        SetScreens(true);
        QVERIFY(display.isVisible());
        QCOMPARE(display.geometry(), QRect(1366, 0, 1920, 1080));
        QVERIFY(tvSwitch->isChecked());
        QCOMPARE(tvSwitch->toolTip(), QStringLiteral("Strg+T"));
        QTest::keyClick(&display, Qt::Key_Escape); // on the projector again: Esc does nothing
        QVERIFY(display.isVisible());
    }

    void displayShownWhileItsMonitorIsMissing_CoversTheOperatorsScreenAndEscClosesIt() {
        Fixture f(1);
        SetScreens(false);
        QTest::keyClick(f.window.get(), Qt::Key_T, Qt::ControlModifier);
        ui::MonitorWindow& display = f.Monitor();
        QVERIFY(display.isVisible());
        QCOMPARE(display.geometry(), QRect(0, 0, 1366, 768));
        QVERIFY(QApplication::activeWindow() == &display); // Esc reaches the window on top
        QTest::keyClick(QApplication::activeWindow(), Qt::Key_Escape);
        QVERIFY(!display.isVisible());
        SetScreens(true); // shown and closed by hand meanwhile: it stays closed
        QVERIFY(!display.isVisible());
    }

    void commandKeysReachTheStationWhileTheProjectorHasTheFocus() {
        Fixture f(1);
        ui::MonitorWindow& display = f.FocusedDisplay();
        QVERIFY(QApplication::activeWindow() == &display);
        QTest::keyClick(&display, Qt::Key_F8);
        QVERIFY(f.run.Lane(0).clockRunning);
        f.clock.Advance(31'250);
        QTest::keyClick(&display, Qt::Key_F4);
        QVERIFY(!f.run.Lane(0).clockRunning);
        QTest::keyClick(&display, Qt::Key_F7);
        QCOMPARE(QString::fromStdString(f.station.Protocol().Cell(ColTime1, 1)), QStringLiteral("31,2"));
        QTest::keyClick(&display, Qt::Key_N, Qt::ControlModifier);
        QVERIFY(f.run.Enabled(Command::Start));
        QTest::keyClick(&display, Qt::Key_T, Qt::ControlModifier); // the display's own key still works
        QVERIFY(!display.isVisible());
    }

    void commandKeysReachTheStationWhileTheDisplayCoversTheOperatorsScreen() {
        Fixture f(0);
        QTest::keyClick(f.window.get(), Qt::Key_F8);
        ui::MonitorWindow& display = f.FocusedDisplay();
        QCOMPARE(display.geometry(), QRect(0, 0, 1366, 768));
        f.clock.Advance(12'000);
        QTest::keyClick(&display, Qt::Key_F4);
        QVERIFY(!f.run.Lane(0).clockRunning);
        QCOMPARE(f.run.Lane(0).digits.value[2], 2); // 012,0: stopped at the key, not later
        QTest::keyClick(&display, Qt::Key_Escape);
        QVERIFY(!display.isVisible());
    }

    void disQuestionOpensCentredOnTheMainWindowNotOnTheProjector() {
        Fixture f(1);
        QTest::keyClick(f.window.get(), Qt::Key_F8);
        f.clock.Advance(20'000);
        QTest::keyClick(f.window.get(), Qt::Key_F4);
        ui::MonitorWindow& display = f.FocusedDisplay();
        QuestionWatch question;
        question.AnswerNext(QStringLiteral("Nein"));
        QTest::keyClick(&display, Qt::Key_1, Qt::ControlModifier);
        QCOMPARE(question.text, QStringLiteral("DIS?"));
        QVERIFY2(f.window->frameGeometry().contains(question.geometry.center()),
                 qPrintable(QStringLiteral("question at %1,%2")
                                .arg(question.geometry.center().x())
                                .arg(question.geometry.center().y())));
        QCOMPARE(question.screen, QGuiApplication::screens().at(0));
        QVERIFY(f.run.Enabled(Command::Eintragen)); // "Nein": the run waits for its entry
    }

    void messagesOpenCentredOnTheMainWindowToo() {
        Fixture f(1);
        f.FocusedDisplay();
        QuestionWatch message;
        message.AnswerNext(QStringLiteral("OK"));
        f.dialogs.Inform("Nachricht");
        QCOMPARE(message.text, QStringLiteral("Nachricht"));
        QVERIFY(f.window->frameGeometry().contains(message.geometry.center()));
    }
};

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" CANIPARC_TWO_SCREENS);
    QApplication app(argc, argv);
    OperatorWindowsTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "OperatorWindowsTest.moc"
