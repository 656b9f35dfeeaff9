// The export bindings of the main window: each key and button writes its file where it belongs
// and hands it on, the copy keys win over an input field, and failures reach the operator.
#include "ExportCommands.h"
#include "FileChooser.h"
#include "MainWindow.h"

#include "ManualClock.h"
#include "settings/Settings.h"
#include "station/Dialogs.h"
#include "station/Station.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QFontDatabase>
#include <QLineEdit>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>

using namespace caniparc;

namespace {

struct ToldDialogs final : Dialogs {
    QStringList told;
    bool Ask(const std::string&) override { return true; }
    void Inform(const std::string& message) override { told << QString::fromStdString(message); }
};

struct ChosenFiles final : ui::FileChooser {
    QString savePath;
    int saveType = 1;
    QStringList saveFilters;
    ui::FileChoice ChooseOpen(QWidget*, const QString&, const QStringList&, int) override { return {}; }
    ui::FileChoice ChooseSave(QWidget*, const QString&, const QString&, const QStringList& filters, int) override {
        saveFilters = filters;
        return {savePath, saveType};
    }
};

const QByteArray kBackup = "Nr.\tHundename\t\r\n12\tBello\tJürgen Müller\tSV Nord\tSmall\t45,07\t0\t1\t\r\n"
                           "7\t<b>Rex</b> & Co\tŁucja\tVDH\tMedium\t51,3\t1\t0\t\r\n";

struct Fixture {
    explicit Fixture(int laufCount = 1) {
        QFile file(folder.filePath(QStringLiteral("caniparc-Sicherungsdatei.txt")));
        if (file.open(QIODevice::WriteOnly))
            file.write(kBackup);
        file.close();
        station.Startup({folder.path().toStdString() + "/", "", "", {}}, ',');
        station.GetSettings().LaufCount = laufCount;
        ui::WindowResources resources;
        resources.openUrl = [this](const QUrl& url) { opened << url.toLocalFile(); };
        window = std::make_unique<ui::MainWindow>(station, dialogs, files, resources);
        window->Exports()->SetPrintPreview([this](QTextDocument& page, QPrinter& printer, QWidget*) {
            previewed = page.toPlainText();
            landscape = printer.pageLayout().orientation() == QPageLayout::Landscape;
            // Printed for real, into a PDF whose words are read back.
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(folder.filePath(QStringLiteral("printed.pdf")));
            page.print(&printer);
            QProcess text;
            text.start(QStringLiteral("pdftotext"), {printer.outputFileName(), QStringLiteral("-")});
            printedWords =
                text.waitForFinished(20000) && text.exitCode() == 0
                    ? QString::fromUtf8(text.readAllStandardOutput()).split(QRegularExpression(QStringLiteral("\\s+")))
                    : QStringList{QStringLiteral("(pdftotext missing)")};
        });
        window->show();
        QApplication::setActiveWindow(window.get());
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
    }
    void Key(int key) { QTest::keyClick(window.get(), static_cast<Qt::Key>(key), Qt::ControlModifier); }
    QString Backup(const QString& name) const { return folder.filePath(name); }

    QTemporaryDir folder;
    testing::ManualClock clock;
    ToldDialogs dialogs;
    ChosenFiles files;
    Station station{{clock, clock, dialogs}, "caniparc"};
    std::unique_ptr<ui::MainWindow> window;
    QStringList opened;
    QString previewed;
    bool landscape = false;
    QStringList printedWords;
};

} // namespace

class ExportCommandsTest : public QObject {
    Q_OBJECT
private slots:
    void copyKeysPutTheWholeProtocolOnTheClipboardEvenFromAField() {
        Fixture f;
        for (const int key : {Qt::Key_C, Qt::Key_A}) {
            QApplication::clipboard()->clear();
            auto* field = f.window->findChildren<QLineEdit*>().value(0);
            QVERIFY(field);
            field->setFocus();
            QTest::keyClick(field, static_cast<Qt::Key>(key), Qt::ControlModifier);
            const QString text = QApplication::clipboard()->text();
            QVERIFY2(text.startsWith(QStringLiteral("Nr.\tHundename\tHundeführer/in\t")), qPrintable(text));
            QVERIFY(text.contains(QStringLiteral("\r\n7\t<b>Rex</b> & Co\tŁucja\t")));
        }
    }

    void webKeyWritesThePageIntoTheBackupFolderAndOpensIt() {
        Fixture f;
        f.Key(Qt::Key_H);
        QCOMPARE(f.opened, QStringList{f.Backup(QStringLiteral("caniparc.html"))});
        QFile page(f.opened.value(0));
        QVERIFY(page.open(QIODevice::ReadOnly));
        QVERIFY(page.readAll().contains("<td>&lt;b&gt;Rex&lt;/b&gt; &amp; Co<td>&#321;ucja"));
        QVERIFY(f.window->Exports()->WebButton()->isEnabled());
    }

    void printKeysPreviewThePageAcrossALandscapePage() {
        for (const int runs : {1, 2}) {
            Fixture f(runs);
            for (const int key : {Qt::Key_D, Qt::Key_P}) {
                f.previewed.clear();
                f.Key(key);
                QVERIFY(f.previewed.contains(QStringLiteral("<b>Rex</b> & Co")));
                QVERIFY(f.landscape);
                // "Mediu|m" or "Vorzüglic|h" on paper; and without a Webdings font the title's
                // picture would print as a stray "õ".
                if (!f.printedWords.contains(QStringLiteral("(pdftotext missing)")))
                    for (const QString& word :
                         {QStringLiteral("Medium"), QStringLiteral("Vorzüglich"), QStringLiteral("Kategorie:")})
                        QVERIFY2(f.printedWords.contains(word), qPrintable(f.printedWords.join(QLatin1Char(' '))));
                if (!QFontDatabase::hasFamily(QStringLiteral("Webdings")))
                    QVERIFY2(!f.previewed.contains(QChar(0xF5)), qPrintable(f.previewed.left(40)));
            }
            QVERIFY(f.opened.isEmpty());
        }
    }

    void officeKeysWriteTimeStampedFilesAndOpenThem() {
        Fixture f;
        f.Key(Qt::Key_E);
        f.Key(Qt::Key_W);
        QCOMPARE(f.opened.size(), 2);
        QVERIFY(f.opened[0].startsWith(f.folder.path()) && f.opened[0].endsWith(QStringLiteral(".xlsx")));
        QVERIFY(f.opened[1].startsWith(f.folder.path()) && f.opened[1].endsWith(QStringLiteral(".docx")));
        for (const QString& path : f.opened) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadOnly));
            QCOMPARE(file.read(2), QByteArray("PK"));
        }
    }

    void saveDialogWritesEachTypeUnderTheChosenName() {
        Fixture f;
        const struct {
            int type;
            const char* name;
            QByteArray magic;
        } cases[] = {{ui::SaveSpreadsheet, "p.xlsx", "PK"},
                     {ui::SaveDocument, "p.docx", "PK"},
                     {ui::SaveWebPage, "p.html", "<HTML>"},
                     {ui::SavePdf, "p.pdf", "%PDF"}};
        for (const auto& c : cases) {
            f.files.saveType = c.type;
            f.files.savePath = f.Backup(QString::fromLatin1(c.name));
            f.window->SaveAction()->trigger();
            QFile file(f.files.savePath);
            QVERIFY2(file.open(QIODevice::ReadOnly), c.name);
            QVERIFY2(file.readAll().startsWith(c.magic), c.name);
        }
        QCOMPARE(f.files.saveFilters, ui::ExportCommands::SaveFilters());
        QVERIFY(f.dialogs.told.isEmpty());
    }

    void failedExportsAreTold() {
        Fixture f;
        f.station.GetSettings().RezervDir = f.folder.path().toStdString() + "/missing/";
        f.Key(Qt::Key_H);
        f.Key(Qt::Key_E);
        QCOMPARE(f.dialogs.told.size(), 2);
        QVERIFY(f.dialogs.told[0].startsWith(QStringLiteral("Der Schreibfehler der Datei: ")));
        QVERIFY(f.opened.isEmpty());
    }
};

QTEST_MAIN(ExportCommandsTest)
#include "ExportCommandsTest.moc"
