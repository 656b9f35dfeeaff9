// The main window's bindings: each key runs its command only while the command is enabled,
// buttons mirror the commands, command keys win over a focused input field, and closing asks
// while a run would be lost.
#include "MainWindow.h"
#include "Digit.h"
#include "FileChooser.h"
#include "LaneFrame.h"

#include "ManualClock.h"
#include "protocol/Backup.h"
#include "settings/Settings.h"
#include "station/Dialogs.h"
#include "station/Station.h"

#include <QAccessible>
#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSpinBox>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

using namespace caniparc;

namespace {

struct ScriptedDialogs final : Dialogs {
    bool answer = false;
    QStringList asked;
    QStringList told;
    bool Ask(const std::string& question) override {
        asked << QString::fromStdString(question);
        return answer;
    }
    void Inform(const std::string& message) override { told << QString::fromStdString(message); }
};

struct ScriptedFiles final : ui::FileChooser {
    QString openPath;
    QString savePath;
    QString proposed;
    ui::FileChoice ChooseOpen(QWidget*, const QString&, const QStringList&, int) override { return {openPath, 1}; }
    ui::FileChoice ChooseSave(QWidget*, const QString&, const QString& name, const QStringList&, int) override {
        proposed = name;
        return {savePath, 1};
    }
};

struct Fixture {
    explicit Fixture(int scheme = 1, const QByteArray& backup = {}) {
        settings.LsCFG = scheme;
        settings.AutoEin = false;
        if (!backup.isEmpty()) {
            QFile file(folder.filePath(QStringLiteral("caniparc-Sicherungsdatei.txt")));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(backup);
        }
        station.Startup({folder.path().toStdString() + "/", "", "", {}}, ',');
        window = std::make_unique<ui::MainWindow>(station, questions, files);
        window->show();
        QApplication::setActiveWindow(window.get());
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
    }
    void Key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(window.get(), static_cast<Qt::Key>(key), modifiers);
    }

    int Entries() const { return station.Protocol().Cell(ColTime1, 1).empty() ? 0 : station.Protocol().RowCount() - 1; }

    QTemporaryDir folder;
    testing::ManualClock clock;
    ScriptedDialogs questions;
    ScriptedFiles files;
    Station station{{clock, clock, questions}, "caniparc"};
    Settings& settings = station.GetSettings();
    RunClock& run = station.Run();
    std::unique_ptr<ui::MainWindow> window;
};

// The first key opens the cell's editor, the rest goes to the editor, Enter commits.
void TypeIntoGrid(QTableView* view, const QString& text) {
    QTest::keyClicks(view, text.left(1));
    QTest::keyClicks(QApplication::focusWidget(), text.mid(1));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
}

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
private slots:
    void startListDecidesTheStarterAndBlocksAStartedStarter() {
        Fixture f;
        QFile list(f.folder.filePath(QStringLiteral("starter.txt")));
        QVERIFY(list.open(QIODevice::WriteOnly));
        list.write("Nr.;Hundename\r\n1;A\r\n2;B\r\n3;C\r\n");
        list.close();
        f.files.openPath = list.fileName();
        f.Key(Qt::Key_O, Qt::ControlModifier);
        ui::LaneFrame* lane = f.window->Lane(0);
        QComboBox* box = lane->StartList();
        QVERIFY(box->isVisible());
        QVERIFY(!lane->StartNumberEdit()->isVisible());
        QCOMPARE(box->accessibleName(), QStringLiteral("Start-Nr. Bahn 1"));
        QCOMPARE(box->count(), 3);
        QCOMPARE(box->currentText(), QStringLiteral("1"));
        box->setCurrentIndex(1); // as the operator picks starter 2
        QCOMPARE(f.window->StatusText(0), QStringLiteral("2:3"));
        f.Key(Qt::Key_F8);
        f.clock.Advance(30'000);
        f.Key(Qt::Key_F, Qt::ControlModifier);
        f.Key(Qt::Key_F, Qt::ControlModifier);
        f.Key(Qt::Key_F, Qt::AltModifier);
        f.Key(Qt::Key_F4);
        f.Key(Qt::Key_F7);
        const int row = f.station.Protocol().FindStartRow("2");
        QCOMPARE(QString::fromStdString(f.station.Protocol().Cell(ColTime1, row)), QStringLiteral("30,0"));
        QCOMPARE(QString::fromStdString(f.station.Protocol().Cell(ColFaults1, row)), QStringLiteral("1"));
        QVERIFY(lane->FalseWarning()->isVisible()); // the entered starter has run now
        f.Key(Qt::Key_N, Qt::ControlModifier);
        QCOMPARE(box->currentText(), QStringLiteral("1"));
        QVERIFY(!lane->FalseWarning()->isVisible());
        box->setCurrentIndex(box->findText(QStringLiteral("2")));
        QVERIFY(lane->FalseWarning()->isVisible());
        QVERIFY(!f.window->Button(Command::Start)->isEnabled());
        f.Key(Qt::Key_F8);
        QVERIFY(!f.run.Enabled(Command::Stop1));

        // A double click on starter 3's row takes it.
        QTableView* view = f.window->ProtocolView();
        const int third = f.station.Protocol().FindStartRow("3");
        const QRect cell = view->visualRect(view->model()->index(third - 1, 0));
        QTest::mousePress(view->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, cell.center());
        QCOMPARE(box->currentText(), QStringLiteral("3"));
        QVERIFY(f.window->Button(Command::Start)->isEnabled());
    }

    void contextMenuCellEditingAndUndo() {
        Fixture f(1, "Nr.\tHundename\t\r\n1\tA\t\r\n2\tB\t\r\n");
        f.settings.TimeFormatIndex = 1;
        const ProtocolTable& table = f.station.Protocol();
        QTableView* view = f.window->ProtocolView();
        QCOMPARE(view->accessibleName(), QStringLiteral("PROTOKOLL"));
        QMenu* menu = f.window->ProtocolMenu();

        // Ctrl + keypad plus: a new row whose start number cell takes typing.
        view->setFocus();
        QTest::keyClick(view, Qt::Key_Plus, Qt::ControlModifier | Qt::KeypadModifier);
        QCOMPARE(table.RowCount(), 4);
        QCOMPARE(view->currentIndex().row() + 1, 3);
        QCOMPARE(view->currentIndex().column(), int(ColStartNr));
        TypeIntoGrid(view, QStringLiteral("7x"));
        QTRY_COMPARE(QString::fromStdString(table.Cell(ColStartNr, 3)), QStringLiteral("7")); // the x was dropped
        QCOMPARE(view->currentIndex().column(), int(ColDogName));                             // on to the next cell

        // A time typed with a short fraction is formatted and recomputed.
        const QModelIndex time = view->model()->index(0, ColTime1);
        view->setCurrentIndex(time);
        TypeIntoGrid(view, QStringLiteral("61,5"));
        QTRY_COMPARE(QString::fromStdString(table.Cell(ColTime1, 1)), QStringLiteral("61,50"));
        QCOMPARE(QString::fromStdString(table.Cell(ColTimeFaults1, 1)), QStringLiteral("1,50"));
        QTest::keyClick(view, Qt::Key_Escape);
        QCOMPARE(view->selectionBehavior(), QAbstractItemView::SelectRows);

        // A result cell with editing of results off selects the whole row.
        f.settings.EditRes = false;
        view->setCurrentIndex(view->model()->index(1, ColTime1));
        QCOMPARE(view->selectionBehavior(), QAbstractItemView::SelectRows);
        QCOMPARE(view->selectionModel()->selectedIndexes().size(), int(ColCount));

        f.window->SelectRowForTest(2);
        f.questions.answer = true;
        for (QAction* action : menu->actions())
            if (action->text() == QStringLiteral("Disqualifizieren"))
                action->trigger();
        const int disqualified = table.FindStartRow("2");
        QCOMPARE(QString::fromStdString(table.Cell(ColTime1, disqualified)), QStringLiteral("DIS"));
        f.Key(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(QString::fromStdString(table.Cell(ColTime1, table.FindStartRow("2"))), QString());
        f.window->SelectRowForTest(table.FindStartRow("2"));
        f.Key(Qt::Key_B, Qt::ControlModifier);
        QCOMPARE(QString::fromStdString(table.Cell(ColBonus, table.FindStartRow("2"))), QStringLiteral("+"));
        QFile backup(f.folder.filePath(QStringLiteral("caniparc-Sicherungsdatei.txt")));
        QVERIFY(backup.open(QIODevice::ReadOnly));
        QVERIFY(backup.readAll().contains("\t+\t"));

        QGuiApplication::clipboard()->clear();
        f.Key(Qt::Key_A, Qt::ControlModifier);
        QVERIFY(QGuiApplication::clipboard()->text().startsWith(QStringLiteral("Nr.\tHundename\t")));
        // The entries as the opened menu shows them: the bonus entries only with the setting on.
        const auto shownCaptions = [&] {
            emit view->customContextMenuRequested(QPoint(5, 5));
            QStringList captions;
            for (QAction* action : menu->actions())
                if (action->isVisible())
                    captions << action->text();
            menu->hide();
            QApplication::setActiveWindow(f.window.get());
            return captions;
        };
        const QStringList withoutBonus = {"Alles kopieren    (Strg+A)",  "Disqualifizieren",
                                          "Ergebnisse löschen",          "Neu berechnen",
                                          "Neue Zeile         (Strg +)", "Zeile entfernen (Strg - )"};
        f.settings.Bonus = false;
        QCOMPARE(shownCaptions(), withoutBonus);
        f.settings.Bonus = true;
        QStringList withBonus = withoutBonus;
        withBonus.insert(2, "Bonus  \"+\"         (Strg+B)");
        withBonus.insert(3, "Bonus   \"-\"         (Strg+B)");
        QCOMPARE(shownCaptions(), withBonus);
    }

    void choosingAStarterFarDownTheListScrollsItIntoTheMiddle() {
        Fixture f;
        QFile list(f.folder.filePath(QStringLiteral("starter.txt")));
        QVERIFY(list.open(QIODevice::WriteOnly));
        list.write("Nr.;Hundename\r\n");
        for (int i = 1; i <= 80; ++i)
            list.write(QByteArray::number(i) + ";Hund\r\n");
        list.close();
        f.files.openPath = list.fileName();
        f.Key(Qt::Key_O, Qt::ControlModifier);
        f.window->Lane(0)->StartList()->setCurrentIndex(59);
        QTableView* view = f.window->ProtocolView();
        const int visible = view->viewport()->height() / view->verticalHeader()->defaultSectionSize();
        QCOMPARE(view->verticalScrollBar()->value(), 60 - visible / 2 - 1);
    }

    void laneDisqualificationAsksAndMarksTheStarter() {
        Fixture f;
        f.run.SetStartNumber(0, 12);
        f.Key(Qt::Key_F8);
        f.clock.Advance(25'000);
        f.Key(Qt::Key_F4);
        f.questions.answer = false;
        f.Key(Qt::Key_1, Qt::ControlModifier);
        QCOMPARE(f.questions.asked, QStringList({"DIS?"}));
        QVERIFY(f.station.Protocol().Cell(ColTime1, 1).empty());
        f.questions.answer = true;
        f.window->Button(Command::Dis1)->click();
        QCOMPARE(QString::fromStdString(f.station.Protocol().Cell(ColTime1, 1)), QStringLiteral("DIS"));
        QVERIFY(f.run.Enabled(Command::Next));
        QCOMPARE(f.window->Button(Command::Dis1)->accessibleName(), QStringLiteral("Disqual."));
        auto* timeFaults = f.window->findChild<QLineEdit*>(QStringLiteral("eFehler1"));
        QVERIFY(timeFaults && timeFaults->validator());
        QCOMPARE(timeFaults->accessibleName(), QStringLiteral("Z.-Fehler: Bahn 1"));
        QString pasted = QStringLiteral("1,5x");
        int at = 0;
        QCOMPARE(timeFaults->validator()->validate(pasted, at), QValidator::Invalid);
        pasted = QStringLiteral("1,5");
        QCOMPARE(timeFaults->validator()->validate(pasted, at), QValidator::Acceptable);
    }

    // Refusals typed into the grid up to the limit disqualify the waiting run; Ctrl+Z, pressed
    // wherever the grid left the focus, gives back the row and the waiting entry together.
    void gridRefusalDisqualificationIsUndoneByCtrlZ() {
        Fixture f(1, "Nr.\tHundename\t\r\n1\tA\t\r\n2\tB\t\r\n");
        f.settings.Adel = 3;
        f.Key(Qt::Key_F8);
        f.clock.Advance(25'000);
        f.Key(Qt::Key_F4);
        QVERIFY(f.run.Enabled(Command::Eintragen));
        const ProtocolTable& table = f.station.Protocol();
        QTableView* view = f.window->ProtocolView();
        const int row = table.FindStartRow("1");
        view->setFocus();
        view->setCurrentIndex(view->model()->index(row - 1, ColRefusals1));
        f.questions.answer = true;
        TypeIntoGrid(view, QStringLiteral("3"));
        QTRY_COMPARE(QString::fromStdString(table.Cell(ColTime1, table.FindStartRow("1"))), QStringLiteral("DIS"));
        QVERIFY(!f.run.Enabled(Command::Eintragen));

        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(QString::fromStdString(table.Cell(ColTime1, table.FindStartRow("1"))), QString());
        QVERIFY(f.run.Enabled(Command::Eintragen));
        f.Key(Qt::Key_F7);
        QCOMPARE(QString::fromStdString(table.Cell(ColTime1, table.FindStartRow("1"))), QStringLiteral("25,0"));
    }

    void keysRunTheirCommandsOnlyWhileEnabled() {
        Fixture f;
        f.Key(Qt::Key_F7); // entry before any stop
        f.Key(Qt::Key_F8);
        const auto started = f.run.Model().StartStamp;
        f.clock.Advance(1000);
        f.Key(Qt::Key_F8); // second start
        QCOMPARE(f.run.Model().StartStamp, started);
        f.Key(Qt::Key_F6); // lane 2 does not run in scheme B
        QVERIFY(f.run.Enabled(Command::Stop1));
        QCOMPARE(f.Entries(), 0);
        QVERIFY(!f.window->Button(Command::Start)->isEnabled());
        QVERIFY(f.window->Button(Command::Stop1)->isEnabled());
        QVERIFY(!f.window->Button(Command::Stop2)->isEnabled());
    }

    void fullKeyboardRunEndsReadyForTheNextStarter() {
        Fixture f;
        f.Key(Qt::Key_F8);
        f.clock.Advance(12'000);
        f.Key(Qt::Key_F5);
        f.clock.Advance(4'000);
        f.Key(Qt::Key_F5);
        f.clock.Advance(18'000);
        f.Key(Qt::Key_F4);
        QCOMPARE(f.window->Lane(0)->Digit(1)->Value(), 3); // 030,0: the digits follow the clock
        QCOMPARE(f.window->Lane(0)->Digit(2)->Value(), 0);
        QCOMPARE(f.run.Lane(0).TakenTime, 30'000'000'000LL);
        f.Key(Qt::Key_F7);
        QCOMPARE(f.Entries(), 1);
        const auto& protocol = f.station.Protocol();
        QCOMPARE(protocol.Cell(ColStartNr, 1), std::string("1"));
        QCOMPARE(protocol.Cell(ColTime1, 1), std::string("30,0"));
        QCOMPARE(protocol.Cell(ColPlace, 1), std::string("1"));
        QCOMPARE(f.window->ProtocolView()->model()->index(0, ColTime1).data().toString(), QStringLiteral("30,0"));
        QFile backup(QString::fromStdString(BackupFileName(f.settings)));
        QVERIFY(backup.open(QIODevice::ReadOnly));
        QVERIFY(backup.readAll().contains("\t30,0\t"));
        f.Key(Qt::Key_N, Qt::ControlModifier);
        QVERIFY(f.run.Enabled(Command::Start));
        QVERIFY(f.window->Button(Command::Start)->isEnabled());
        QCOMPARE(f.run.Lane(0).startNumber, 2);
    }

    void typedContactTimeSurvivesClosingTheListWithoutAChoice() {
        Fixture f;
        f.Key(Qt::Key_F8);
        f.clock.Advance(30'000);
        f.run.LaneFinishContact(0, f.clock.GetCount());
        f.clock.Advance(500);
        f.run.LaneFinishContact(0, f.clock.GetCount());
        f.clock.Advance(f.settings.Wait); // the automatic stop; the entry waits for F7
        QVERIFY(f.run.Enabled(Command::Eintragen));
        f.window->Lane(0)->SetContactsVisible(true);
        QComboBox* list = f.window->Lane(0)->Contacts();
        QLineEdit* edit = list->lineEdit();
        QVERIFY(edit);
        edit->setFocus();
        edit->selectAll();
        QTest::keyClicks(edit, QStringLiteral("29,9"));
        QTest::keyClick(edit, Qt::Key_Return);
        list->showPopup();
        list->hidePopup();
        QCOMPARE(list->currentText(), QStringLiteral("29,9"));
        f.Key(Qt::Key_F7);
        QCOMPARE(f.station.Protocol().Cell(ColTime1, 1), std::string("29,9"));
    }

    void schemeCStopsLaneTwoWithF6() {
        Fixture f(2);
        f.Key(Qt::Key_F8);
        f.clock.Advance(5'000);
        f.Key(Qt::Key_F6);
        QVERIFY(!f.run.Enabled(Command::Stop2));
        QVERIFY(f.run.Enabled(Command::Stop1));
        QCOMPARE(f.window->Button(Command::Stop1)->text(), QStringLiteral("STOPP 1"));
    }

    void abortKeyWinsOverAFocusedFaultField() {
        Fixture f;
        f.Key(Qt::Key_F8);
        auto* field = f.window->findChild<QLineEdit*>(QStringLiteral("eParc1"));
        QVERIFY(field);
        QVERIFY(field->isEnabled());
        field->setFocus();
        QTest::keyClick(field, Qt::Key_X, Qt::ControlModifier);
        QVERIFY(f.run.Enabled(Command::Start));
    }

    void secondShortcutOfACommandWinsOverAFocusedField() {
        Fixture f;
        f.Key(Qt::Key_F8);
        f.clock.Advance(30'000);
        f.Key(Qt::Key_F4);
        auto* field = f.window->findChild<QLineEdit*>(QStringLiteral("eFehler1"));
        QVERIFY(field);
        QVERIFY(field->isEnabled());
        field->setFocus();
        f.questions.answer = true;
        QTest::keyClick(field, Qt::Key_End, Qt::ControlModifier); // lane 1 "Disqual." besides Ctrl+1
        QVERIFY(!f.run.Enabled(Command::Dis1));
        QCOMPARE(QString::fromStdString(f.station.Protocol().Cell(ColTime1, 1)), QStringLiteral("DIS"));
    }

    void lockKeysToggleTheBarriers() {
        Fixture f;
        f.Key(Qt::Key_F10);
        QVERIFY(f.run.BarrierFree(Barrier::Start));
        f.Key(Qt::Key_F11);
        f.Key(Qt::Key_F12);
        QVERIFY(f.run.BarrierFree(Barrier::Finish1));
        QVERIFY(f.run.BarrierFree(Barrier::Finish2));
    }

    void startupRestoresTheBackupAndSelectsTheFirstStarterWithoutTime() {
        Fixture f(1, "Nr.\tHundename\t\r\n3\tAsta\t \t \t \t12,5\t\r\n4\tBello\t\r\n5\tCora\t\r\n");
        QCOMPARE(f.station.Protocol().RowCount(), 4);
        QCOMPARE(f.window->StatusText(0), QStringLiteral("2:3"));
        QCOMPARE(f.window->ProtocolView()->currentIndex().row(), 1);
    }

    void imitationPanelStartsARunOnceTheStartBarrierIsFree() {
        Fixture f;
        f.Key(Qt::Key_Period, Qt::ControlModifier);
        QPushButton* start = nullptr;
        for (auto* button : f.window->findChildren<QPushButton*>())
            if (button->text() == QStringLiteral("7+8"))
                start = button;
        QVERIFY(start && start->isVisible());
        QTest::mouseClick(start, Qt::LeftButton);
        QVERIFY2(f.run.Enabled(Command::Start), "the start barrier is locked at program start");
        f.Key(Qt::Key_F10);
        QTest::mouseClick(start, Qt::LeftButton);
        QVERIFY(!f.run.Enabled(Command::Start));
    }

    void toolBarOpensSavesAndClearsTheProtocol() {
        Fixture f;
        QVERIFY2(!f.window->SaveAction()->isEnabled(), "nothing to save in an empty protocol");
        QFile list(f.folder.filePath(QStringLiteral("starter.txt")));
        QVERIFY(list.open(QIODevice::WriteOnly));
        list.write("Nr.;Hundename\r\n21;Asta\r\n22;Bello\r\n");
        list.close();
        f.files.openPath = list.fileName();
        f.Key(Qt::Key_O, Qt::ControlModifier);
        QCOMPARE(f.station.Protocol().RowCount(), 3);
        QVERIFY(f.window->SaveAction()->isEnabled());
        QCOMPARE(f.window->StatusText(0), QStringLiteral("1:2"));

        f.files.savePath = f.folder.filePath(QStringLiteral("saved.txt"));
        f.Key(Qt::Key_S, Qt::ControlModifier);
        QVERIFY(QRegularExpression(QStringLiteral("^\\d{4}-\\d\\d-\\d\\d-\\d\\d-\\d\\d$"))
                    .match(f.files.proposed)
                    .hasMatch());
        QVERIFY(QFile::exists(f.files.savePath));

        f.files.openPath = f.folder.filePath(QStringLiteral("missing.txt"));
        f.questions.answer = true;
        f.Key(Qt::Key_O, Qt::ControlModifier);
        QCOMPARE(f.questions.asked, QStringList({"Protokoll überschreiben?"}));
        QCOMPARE(f.questions.told.size(), 1);
        QCOMPARE(f.station.Protocol().RowCount(), 3); // an unreadable file keeps the protocol

        f.Key(Qt::Key_F9);
        QCOMPARE(f.station.Protocol().RowCount(), 2);
        QVERIFY(!f.window->ClearAction()->isEnabled());
    }

    void closingAsksOnlyWhileARunWouldBeLost() {
        Fixture f;
        QVERIFY(f.window->close());
        QVERIFY(f.questions.asked.isEmpty());

        f.window->show();
        QApplication::setActiveWindow(f.window.get());
        QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
        f.Key(Qt::Key_F8);
        f.questions.answer = false;
        QVERIFY(!f.window->close());
        f.clock.Advance(1000);
        f.Key(Qt::Key_F4); // stopped, waiting for the entry
        QVERIFY(!f.window->close());
        QCOMPARE(f.questions.asked, QStringList({"Beenden?", "Beenden?"}));
        f.window->CloseWithoutQuestion();
        QVERIFY(!f.window->isVisible());
        QCOMPARE(f.questions.asked.size(), 2);
    }

    void closingAfterAFailedBackupAsksAndOffersToSaveElsewhere() {
        Fixture f;
        f.settings.RezervDir = f.folder.filePath(QStringLiteral("fehlt/")).toStdString();
        f.Key(Qt::Key_F8);
        f.clock.Advance(30'000);
        f.Key(Qt::Key_F4);
        f.Key(Qt::Key_F7);
        QVERIFY(f.station.Backup().Failing());
        f.Key(Qt::Key_N, Qt::ControlModifier);

        const QString question = QStringLiteral("Sicherung fehlgeschlagen – trotzdem beenden?");
        f.questions.answer = false; // "Nein": stay, and save elsewhere; the dialog is cancelled
        QVERIFY(!f.window->close());
        QCOMPARE(f.questions.asked, QStringList({question}));
        f.files.savePath = f.folder.filePath(QStringLiteral("gerettet.txt"));
        QVERIFY(!f.window->close());
        QCOMPARE(f.questions.asked.size(), 2);
        QFile saved(f.files.savePath);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QVERIFY(saved.readAll().contains("\t30,0\t"));
        QVERIFY2(f.window->close(), "the runs are in a file now: no more question");
        QCOMPARE(f.questions.asked.size(), 2);
    }

    void closingAfterAFailedBackupWithYesCloses() {
        Fixture f;
        f.settings.RezervDir = f.folder.filePath(QStringLiteral("fehlt/")).toStdString();
        f.Key(Qt::Key_F8);
        f.clock.Advance(30'000);
        f.Key(Qt::Key_F4);
        f.Key(Qt::Key_F7);
        f.Key(Qt::Key_N, Qt::ControlModifier);
        f.questions.answer = true;
        f.files.savePath = f.folder.filePath(QStringLiteral("nicht.txt"));
        QVERIFY(f.window->close());
        QCOMPARE(f.questions.asked, QStringList({QStringLiteral("Sicherung fehlgeschlagen – trotzdem beenden?")}));
        QVERIFY(!QFile::exists(f.files.savePath));
    }

    void unreadableBackupSaysWhereItWasKept_FittingTheStatusBar() {
        Fixture f(1, QByteArray(100'000, '\n') + "x\r\n");
        const QStringList kept = QDir(f.folder.path()).entryList({QStringLiteral("*.unlesbar")});
        QCOMPARE(kept.size(), 1);
        auto* panel = f.window->findChild<QLabel*>(QStringLiteral("backupStatus"));
        QVERIFY(panel);
        QVERIFY2(panel->toolTip().contains(QDir(f.folder.path()).filePath(kept[0])), qPrintable(panel->toolTip()));
        for (const int width : {1366, 800}) {
            f.window->resize(width, 600);
            QTRY_COMPARE(f.window->width(), width);
            QTRY_VERIFY2(panel->text().contains(kept[0]), qPrintable(panel->text())); // not cut off
            QVERIFY(panel->fontMetrics().horizontalAdvance(panel->text()) <= panel->contentsRect().width());
            QVERIFY(panel->geometry().right() <= f.window->width());
        }
    }
};

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
