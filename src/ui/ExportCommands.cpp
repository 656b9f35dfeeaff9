// The result exports of the main window (see ExportCommands.h).
#include "ExportCommands.h"

#include "export/ExportFiles.h"
#include "export/ExportTable.h"
#include "export/HtmlPage.h"
#include "protocol/ProtocolCommands.h"
#include "station/Dialogs.h"
#include "station/Station.h"

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QIcon>
#include <QPdfWriter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QTextDocument>
#include <QTextOption>
#include <QWidget>

namespace caniparc::ui {
namespace {

// Beyond this many columns the cells wrap on a portrait page (seen with one run's 13 columns:
// "30,1|0", "Med|ium"), so every protocol table goes across a landscape page.
constexpr std::size_t kPortraitColumns = 10;

// The web page as it goes on paper. A word never breaks inside (a narrow column grows to its
// longest word instead of printing "Mediu|m"), and where no Webdings font is installed the
// title's picture is left out rather than printed as the letter "õ" it is coded as.
void LoadPrintedPage(QTextDocument& page, const ProtocolTable& table, const Settings& settings) {
    QTextOption words = page.defaultTextOption();
    words.setWrapMode(QTextOption::WordWrap);
    page.setDefaultTextOption(words);
    page.setHtml(QString::fromLatin1(
        FormatHtmlPage(table, settings, true, QFontDatabase::hasFamily(QStringLiteral("Webdings")))));
}

void ShowPreview(QTextDocument& page, QPrinter& printer, QWidget* parent) {
    QPrintPreviewDialog dialog(&printer, parent);
    dialog.setWindowTitle(QStringLiteral("Druckvorschau"));
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, [&page](QPrinter* target) { page.print(target); });
    dialog.exec();
}

} // namespace

QString TimeStampNow() {
    const QDateTime now = QDateTime::currentDateTime();
    std::tm local{};
    local.tm_year = now.date().year() - 1900;
    local.tm_mon = now.date().month() - 1;
    local.tm_mday = now.date().day();
    local.tm_hour = now.time().hour();
    local.tm_min = now.time().minute();
    return QString::fromStdString(TimeStampName(local));
}

ExportCommands::ExportCommands(Station& station, Dialogs& dialogs, OpenUrl openUrl, QWidget* window)
    : QObject(window), station_(station), dialogs_(dialogs), openUrl_(std::move(openUrl)), window_(window),
      preview_(&ShowPreview) {
    printButton_ = AddButton(QStringLiteral("[Ctrl+D] Drucken"), "print", [this] { PublishPage(true); });
    webButton_ = AddButton(QStringLiteral("[Ctrl+H] Als Webseite"), "web", [this] { PublishPage(false); });
    spreadsheetButton_ =
        AddButton(QStringLiteral("[Ctrl+E] Datei in MS Excel"), "spreadsheet", [this] { OpenSpreadsheet(); });
    documentButton_ = AddButton(QStringLiteral("[Ctrl+W] Datei in MS Word"), "document", [this] { OpenDocument(); });
    // The shortcuts act whether or not the buttons are enabled, also inside an input field.
    AddShortcuts(QStringLiteral("Html"), {QKeySequence(Qt::CTRL | Qt::Key_H)}, [this] { PublishPage(false); });
    AddShortcuts(QStringLiteral("Drucker"), {QKeySequence(Qt::CTRL | Qt::Key_D), QKeySequence(Qt::CTRL | Qt::Key_P)},
                 [this] { PublishPage(true); });
    AddShortcuts(QStringLiteral("Excel"), {QKeySequence(Qt::CTRL | Qt::Key_E)}, [this] { OpenSpreadsheet(); });
    AddShortcuts(QStringLiteral("Word"), {QKeySequence(Qt::CTRL | Qt::Key_W)}, [this] { OpenDocument(); });
}

QAction* ExportCommands::AddButton(const QString& hint, const char* picture, std::function<void()> run) {
    auto* action = new QAction(QIcon(QStringLiteral(":/icons/%1.svg").arg(QLatin1String(picture))), hint, this);
    action->setToolTip(hint);
    action->setEnabled(false);
    connect(action, &QAction::triggered, this, std::move(run));
    return action;
}

void ExportCommands::AddShortcuts(const QString& caption, const QList<QKeySequence>& keys, std::function<void()> run) {
    // One action per key: the window lets a command key win over an input field by the action's
    // first shortcut.
    for (const QKeySequence& key : keys) {
        auto* action = new QAction(caption, window_);
        action->setShortcut(key);
        action->setShortcutContext(Qt::WindowShortcut);
        connect(action, &QAction::triggered, this, run);
        window_->addAction(action);
    }
}

void ExportCommands::UpdateEnabled(const ProtocolCommandState& state) {
    printButton_->setEnabled(state.print);
    webButton_->setEnabled(state.web);
    spreadsheetButton_->setEnabled(state.spreadsheet);
    documentButton_->setEnabled(state.document);
}

QStringList ExportCommands::SaveFilters() {
    return {QStringLiteral("Textdatei (*.txt)"), QStringLiteral("MS Excel (*.xlsx)"),
            QStringLiteral("MS Word (*.docx)"), QStringLiteral("Webseite (*.html)"), QStringLiteral("PDF (*.pdf)")};
}

QStringList ExportCommands::OpenFilters() {
    return {QStringLiteral("Textdatei (*.txt)"), QStringLiteral("MS Excel (*.xlsx *.ods *.xls)")};
}

bool ExportCommands::Told(bool ok, const std::string& message) {
    if (!ok)
        dialogs_.Inform(message);
    return ok;
}

QString ExportCommands::BackupFolderFile(const QString& extension) const {
    const std::string stem = station_.GetSettings().RezervDir + TimeStampNow().toStdString();
    return QString::fromStdString(UnusedFileName(stem, extension.toStdString(), [](const std::string& name) {
        return QFileInfo::exists(QString::fromStdString(name));
    }));
}

void ExportCommands::SaveAs(int saveType, const QString& path) {
    const std::string target = path.toStdString();
    const auto fs = MakeLocalFileSystem();
    const Settings& settings = station_.GetSettings();
    ExportOutcome outcome{true, {}};
    if (saveType == SaveSpreadsheet)
        outcome = caniparc::SaveSpreadsheet(*fs, station_.Protocol(), settings, target);
    else if (saveType == SaveDocument)
        outcome = caniparc::SaveDocument(*fs, station_.Protocol(), settings, station_.ProgramFolder(), target);
    else if (saveType == SaveWebPage)
        outcome = SaveHtmlPage(*fs, station_.Protocol(), settings, target);
    else if (saveType == SavePdf)
        outcome = WritePdf(path);
    Told(outcome.ok, outcome.message);
}

void ExportCommands::PublishPage(bool print) {
    const std::filesystem::path path = HtmlPagePath(station_.GetSettings());
    const ExportOutcome outcome =
        SaveHtmlPage(*MakeLocalFileSystem(), station_.Protocol(), station_.GetSettings(), path);
    if (!Told(outcome.ok, outcome.message))
        return;
    const QString page = QString::fromStdString(path.string());
    if (print)
        Print(page);
    else if (openUrl_)
        openUrl_(QUrl::fromLocalFile(page));
}

void ExportCommands::Print(const QString& pagePath) {
    QFile file(pagePath);
    if (!file.open(QIODevice::ReadOnly)) {
        dialogs_.Inform("Die Webseite " + pagePath.toStdString() + " konnte nicht gelesen werden.");
        return;
    }
    QTextDocument page;
    LoadPrintedPage(page, station_.Protocol(), station_.GetSettings());
    QPrinter printer(QPrinter::HighResolution);
    const bool wide = ShownColumns(station_.GetSettings()).size() > kPortraitColumns;
    printer.setPageOrientation(wide ? QPageLayout::Landscape : QPageLayout::Portrait);
    printer.setDocName(QString::fromStdString(station_.GetSettings().Title));
    preview_(page, printer, window_);
}

ExportOutcome ExportCommands::WritePdf(const QString& path) {
    QTextDocument page;
    LoadPrintedPage(page, station_.Protocol(), station_.GetSettings());
    QBuffer pdf;
    pdf.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&pdf);
        writer.setPageSize(QPageSize(QPageSize::A4));
        const bool wide = ShownColumns(station_.GetSettings()).size() > kPortraitColumns;
        writer.setPageOrientation(wide ? QPageLayout::Landscape : QPageLayout::Portrait);
        writer.setTitle(QString::fromStdString(station_.GetSettings().Title));
        writer.setCreator(QStringLiteral("Kronolux Software"));
        page.print(&writer);
    }
    const QByteArray& bytes = pdf.data();
    if (bytes.isEmpty())
        return {false, "Die PDF-Datei " + path.toStdString() + " konnte nicht erzeugt werden."};
    const FileResult written =
        WriteFileAtomically(*MakeLocalFileSystem(), path.toStdString(),
                            std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    return {written.Ok(), DescribeFileResult(written)};
}

void ExportCommands::OpenSpreadsheet() {
    const QString path = BackupFolderFile(QStringLiteral(".xlsx"));
    const ExportOutcome outcome = caniparc::SaveSpreadsheet(*MakeLocalFileSystem(), station_.Protocol(),
                                                            station_.GetSettings(), path.toStdString());
    if (Told(outcome.ok, outcome.message) && openUrl_)
        openUrl_(QUrl::fromLocalFile(path));
}

void ExportCommands::OpenDocument() {
    const QString path = BackupFolderFile(QStringLiteral(".docx"));
    const ExportOutcome outcome =
        caniparc::SaveDocument(*MakeLocalFileSystem(), station_.Protocol(), station_.GetSettings(),
                               station_.ProgramFolder(), path.toStdString());
    if (Told(outcome.ok, outcome.message) && openUrl_)
        openUrl_(QUrl::fromLocalFile(path));
}

} // namespace caniparc::ui
