// The settings dialog's bindings: controls show the form and read back into it, the reactions
// of the port list, the suggestion, the band tops and the folder, accessible names everywhere,
// and F2 on the main window opening it and applying "OK" at once.
#include "SettingsDialog.h"
#include "FileChooser.h"
#include "LaneFrame.h"
#include "MainWindow.h"
#include "NoFiles.h"

#include "ManualClock.h"
#include "station/Dialogs.h"
#include "station/Station.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

using namespace caniparc;

namespace {

template <typename T> T* Child(QWidget* parent, const char* name) {
    auto* child = parent->findChild<T*>(QLatin1String(name));
    if (!child)
        qFatal("no child %s", name);
    return child;
}

SettingsForm PortForm() {
    Settings s;
    s.PortMask = (5u << 16) | (1u << 4); // COM5
    s.Port = 5;
    return FormFromSettings(s, {});
}

struct NoDialogs final : Dialogs {
    QStringList told;
    bool Ask(const std::string&) override { return true; }
    void Inform(const std::string& message) override { told << QString::fromStdString(message); }
};

using testing::NoFiles;

// Runs `edit` on the settings dialog once it is up, then presses "OK" or Esc.
// A started station with its main window shown.
struct ShownStation {
    ShownStation() {
        station.Startup({folder.path().toStdString() + "/", "", "", {}}, ',');
        window.show();
    }
    QTemporaryDir folder;
    testing::ManualClock clock;
    NoDialogs dialogs;
    NoFiles files;
    Station station{{clock, clock, dialogs}, "caniparc"};
    ui::MainWindow window{station, dialogs, files};
};

void AnswerSettingsDialog(std::function<void(ui::SettingsDialog&)> edit, bool ok) {
    QTimer::singleShot(0, [edit, ok] {
        auto* dialog = qobject_cast<ui::SettingsDialog*>(QApplication::activeModalWidget());
        if (!dialog)
            qFatal("settings dialog not shown");
        edit(*dialog);
        if (ok)
            Child<QAbstractButton>(dialog, "OK")->click();
        else
            QTest::keyClick(dialog, Qt::Key_Escape);
    });
}

// Types into a field as the operator does: the old text selected, the new one typed, then Tab.
void TypeInto(QAbstractSpinBox* spin, const QString& text) {
    spin->setFocus();
    spin->selectAll();
    QTest::keyClicks(spin, text);
    QTest::keyClick(spin, Qt::Key_Tab);
}

} // namespace

class SettingsDialogTest : public QObject {
    Q_OBJECT
private slots:
    void everyControlHasAnAccessibleNameAndGermanTexts() {
        ui::SettingsDialog dialog({});
        dialog.SetForm(PortForm());
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Einstellungen"));
        QStringList groups;
        for (auto* group : dialog.findChildren<QGroupBox*>())
            groups << group->title();
        groups.sort();
        QCOMPARE(groups, (QStringList{QStringLiteral(" Lichtschranke/n "), QStringLiteral(" Live-Ergebnisse im Netz "),
                                      QStringLiteral(" Protokoll "), QStringLiteral(" Qualifikation Punkten "),
                                      QStringLiteral(" Turnier (mehrere Ringe) "), QStringLiteral(" Zeitfehler ")}));
        for (QWidget* w : dialog.findChildren<QWidget*>()) {
            const bool control = qobject_cast<QAbstractButton*>(w) || qobject_cast<QAbstractSpinBox*>(w) ||
                                 qobject_cast<QComboBox*>(w) ||
                                 (qobject_cast<QLineEdit*>(w) && !qobject_cast<QAbstractSpinBox*>(w->parentWidget()) &&
                                  !qobject_cast<QComboBox*>(w->parentWidget()));
            if (control)
                QVERIFY2(!w->accessibleName().isEmpty(), qPrintable(w->objectName() + w->metaObject()->className()));
        }
        QCOMPARE(Child<QComboBox>(&dialog, "cbAlg")->itemText(0), QStringLiteral("Ein"));
        QCOMPARE(Child<QRadioButton>(&dialog, "RB2")->toolTip(),
                 QStringLiteral("2 Bahnen :\n7+8 = START\n1+4 = Ziel-LS 1. Bahn\n4+6 = Ziel-LS 2. Bahn"));
    }

    void fitsALaptopScreenAboveADesktopPanel() {
        // 1366 x 768 less a 48 px panel, and the window system's title bar above the dialog.
        constexpr int kWorkAreaHeight = 768 - 48;
        constexpr int kTitleBar = 32;
        ui::SettingsDialog dialog({});
        SettingsForm form = PortForm();
        form.monitors = {"0=(0,0)-(1366,768)", "1=(1366,0)-(1920,1080)"};
        form.monitorListEnabled = true;
        dialog.SetForm(form);
        dialog.SetLiveAddresses(QStringLiteral("http://192.168.1.20:8080/\nhttp://10.0.0.5:8080/"));
        const QSize size = dialog.sizeHint();
        QVERIFY2(size.height() + kTitleBar <= kWorkAreaHeight, qPrintable(QString::number(size.height())));
        QVERIFY2(size.width() <= 1366, qPrintable(QString::number(size.width())));
    }

    void valuesTypedBeyondALimitBecomeTheLimitBeforeOk() {
        ui::SettingsDialog dialog({});
        dialog.setLocale(QLocale(QLocale::German, QLocale::Germany));
        dialog.SetForm(PortForm());
        dialog.show();
        QApplication::setActiveWindow(&dialog);
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        const struct {
            const char* name;
            const char* typed;
            const char* shown;
        } cases[] = {
            {"seAdel", "10", "9"},    // was truncated to 1: every first refusal asked "DIS?"
            {"seMul", "100", "99"},   // was 10
            {"seZeitMax", "5", "10"}, // went back to 120
            {"seZeitStandart", "1234", "999"},
            {"seQP2", "0", "1"},
            {"seLivePort", "80", "1024"},
            {"seStartBlock", "700", "600,0 Sek."},
            {"seWait", "0,5", "1,0 Sek."},
            {"sfSkor", "25", "20,00"},
            {"sfDist", "1500", "1000,00"},
        };
        for (const auto& c : cases) {
            auto* spin = Child<QAbstractSpinBox>(&dialog, c.name);
            TypeInto(spin, QString::fromLatin1(c.typed));
            QCOMPARE(spin->text(), QString::fromUtf8(c.shown));
        }
        TypeInto(Child<QAbstractSpinBox>(&dialog, "seAdel"), QStringLiteral("4")); // in range: as typed
        QCOMPARE(Child<QSpinBox>(&dialog, "seAdel")->value(), 4);
        const SettingsForm form = dialog.Form();
        QCOMPARE(form.multi, 99);
        QCOMPARE(form.zeitMax, 10);
        QCOMPARE(form.zeitStandart, 999);
        QCOMPARE(form.startLockSeconds, 600.0);
        QCOMPARE(form.waitSeconds, 1.0);
        QCOMPARE(form.skor, 20.0);
    }

    void formRoundTripsThroughTheControls() {
        ui::SettingsDialog dialog({});
        dialog.setLocale(QLocale(QLocale::German, QLocale::Germany));
        SettingsForm form = PortForm();
        form.Title = "Pokal";
        form.lsCfg = 2;
        form.kontakt = 1;
        form.laufCount = 2;
        form.waitSeconds = 2.55;
        form.qp3 = 20;
        form.qps4 = "Ohne Quali";
        form.liveWeb = true;
        form.livePort = 8181;
        dialog.SetForm(form);
        QCOMPARE(Child<QComboBox>(&dialog, "cbPort")->currentText(), QStringLiteral("COM5 (/dev/ttyUSB0)"));
        QCOMPARE(Child<QDoubleSpinBox>(&dialog, "seWait")->text(), QStringLiteral("2,55 Sek."));
        QCOMPARE(Child<QDoubleSpinBox>(&dialog, "seStartBlock")->text(), QStringLiteral("10,0 Sek."));
        QCOMPARE(Child<QLabel>(&dialog, "eQP2bis")->text(), QStringLiteral("19.99"));
        const SettingsForm back = dialog.Form();
        QCOMPARE(back.Title, std::string("Pokal"));
        QCOMPARE(back.lsCfg, 2);
        QCOMPARE(back.kontakt, 1);
        QCOMPARE(back.laufCount, 2);
        QCOMPARE(SecondsToMs(back.waitSeconds), 2550);
        QCOMPARE(back.qp3, 20);
        QCOMPARE(back.qps4, std::string("Ohne Quali"));
        QCOMPARE(ChosenPort(back), 5);
        QVERIFY(back.liveWeb);
        QCOMPARE(back.livePort, 8181);
    }

    void withoutAPortTheBarrierOptionsAreGreyed() {
        ui::SettingsDialog dialog({});
        dialog.SetForm(PortForm());
        auto* port = Child<QComboBox>(&dialog, "cbPort");
        QVERIFY(Child<QComboBox>(&dialog, "cbAlg")->isEnabled());
        port->setCurrentIndex(0);
        for (const char* name : {"cbAlg", "seWait", "cbManuell", "seStartBlock", "rgKontakt1", "rgKontakt2"})
            QVERIFY2(!Child<QWidget>(&dialog, name)->isEnabled(), name);
        QCOMPARE(Child<QComboBox>(&dialog, "cbMonitor")->currentText(), QStringLiteral("nicht angeschlossen"));
        QVERIFY(!Child<QComboBox>(&dialog, "cbMonitor")->isEnabled());
    }

    void suggestionFollowsLengthAndSpeed() {
        ui::SettingsDialog dialog({});
        dialog.SetForm(PortForm());
        QCOMPARE(Child<QLabel>(&dialog, "eZeitStandart")->text(), QStringLiteral("60"));
        QCOMPARE(Child<QLabel>(&dialog, "eZeitMax")->text(), QStringLiteral("90"));
        Child<QDoubleSpinBox>(&dialog, "sfDist")->setValue(105);
        Child<QDoubleSpinBox>(&dialog, "sfSkor")->setValue(2.0);
        QCOMPARE(Child<QLabel>(&dialog, "eZeitStandart")->text(), QStringLiteral("52"));
        QCOMPARE(Child<QLabel>(&dialog, "eZeitMax")->text(), QStringLiteral("78"));
        QCOMPARE(dialog.Form().zeitStandart, 60); // only a suggestion
    }

    void folderChooserAppendsTheSeparatorAndMissingFoldersShowRed() {
        QTemporaryDir folder;
        ui::SettingsDialog dialog([&folder](QWidget*, const QString&) { return folder.path(); });
        SettingsForm form = PortForm();
        form.rezervDir = "/no/such/folder/";
        dialog.SetForm(form);
        auto* edit = Child<QLineEdit>(&dialog, "eDIR");
        QVERIFY(edit->styleSheet().contains(QStringLiteral("red")));
        Child<QToolButton>(&dialog, "sbDIR")->click();
        QCOMPARE(edit->text(), folder.path() + QLatin1Char('/'));
        QVERIFY(!edit->styleSheet().contains(QStringLiteral("red")));
        QCOMPARE(dialog.Form().rezervDir, (folder.path() + QLatin1Char('/')).toStdString());
    }

    void f2AppliesSchemeAndStandardTimeAtOnce() {
        ShownStation fixture;
        Station& station = fixture.station;
        ui::MainWindow& window = fixture.window;
        QApplication::setActiveWindow(&window);
        QVERIFY(QTest::qWaitForWindowActive(&window));
        auto* standard = Child<QLabel>(&window, "e2ZeitStandart");
        QCOMPARE(standard->text(), QStringLiteral("60"));
        QCOMPARE(standard->toolTip(), QStringLiteral("Standardzeit"));
        QCOMPARE(Child<QLabel>(&window, "e2ZeitMax")->toolTip(), QStringLiteral("Maximalzeit"));

        AnswerSettingsDialog(
            [](ui::SettingsDialog& d) {
                Child<QRadioButton>(&d, "RB2")->setChecked(true);
                Child<QSpinBox>(&d, "seZeitStandart")->setValue(45);
            },
            true);
        QTest::keyClick(&window, Qt::Key_F2);
        QCOMPARE(station.GetSettings().LsCFG, 2);
        QCOMPARE(station.GetSettings().ZeitStandart, 45);
        QCOMPARE(standard->text(), QStringLiteral("45"));
        QVERIFY(window.Lane(1)->StartNumberEdit()->isVisible()); // lane 2 times in scheme C

        AnswerSettingsDialog([](ui::SettingsDialog& d) { Child<QRadioButton>(&d, "RB0")->setChecked(true); }, false);
        QTest::keyClick(&window, Qt::Key_F2);
        QCOMPARE(station.GetSettings().LsCFG, 2); // Esc discards

        station.Run().Start();
        QTest::keyClick(&window, Qt::Key_F2); // disabled while a run is timed: no dialog to answer
        QVERIFY(!QApplication::activeModalWidget());
    }

    void toolBarButtonOpensTheDialogBetweenRunsOnly() {
        ShownStation fixture;
        Station& station = fixture.station;
        ui::MainWindow& window = fixture.window;
        QToolButton* button = nullptr;
        for (auto* candidate : window.findChildren<QToolButton*>())
            if (candidate->toolTip() == QStringLiteral("[F2] Einstellungen"))
                button = candidate;
        QVERIFY(button);
        QVERIFY(button->isVisible());
        QVERIFY(!button->icon().isNull());
        QVERIFY(button->isEnabled());
        bool shown = false;
        AnswerSettingsDialog([&shown](ui::SettingsDialog&) { shown = true; }, false);
        button->click();
        QVERIFY(shown);
        station.Run().Start();
        QVERIFY(!button->isEnabled()); // like F2, only between runs
        station.Run().AbortOrNext(Command::Abbruch);
        QVERIFY(button->isEnabled());
    }
};

QTEST_MAIN(SettingsDialogTest)
#include "SettingsDialogTest.moc"
