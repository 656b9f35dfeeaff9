// The main window's ways out for the results: the web page in the desktop's browser, printing
// (with a preview, or into a PDF), and the spreadsheet and document files opened with the
// desktop's office programs. Every failure is told to the operator. (The clipboard belongs to
// the protocol menu.)
#pragma once

#include "export/ExportFiles.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>
#include <string>

class QAction;
class QPrinter;
class QTextDocument;
class QWidget;

namespace caniparc {
class Dialogs;
class Station;
struct ProtocolCommandState;
} // namespace caniparc

namespace caniparc::ui {

// "yyyy-mm-dd-hh-mm" of the local time now: the name files written or saved are offered under.
QString TimeStampNow();

// The save dialog's types after the text file, 1-based as the settings keep the chosen one.
enum SaveType { SaveText = 1, SaveSpreadsheet, SaveDocument, SaveWebPage, SavePdf };

class ExportCommands final : public QObject {
public:
    using OpenUrl = std::function<void(const QUrl&)>;
    // Shows the page before printing; the app's is the print preview with its print dialog.
    using PrintPreview = std::function<void(QTextDocument& page, QPrinter& printer, QWidget* parent)>;

    ExportCommands(Station& station, Dialogs& dialogs, OpenUrl openUrl, QWidget* window);

    // The tool-bar buttons; they follow the protocol's command state.
    QAction* PrintButton() const { return printButton_; }
    QAction* WebButton() const { return webButton_; }
    QAction* SpreadsheetButton() const { return spreadsheetButton_; }
    QAction* DocumentButton() const { return documentButton_; }
    void UpdateEnabled(const ProtocolCommandState& state);

    static QStringList SaveFilters();
    static QStringList OpenFilters();
    // Saves under the chosen name in the chosen type (not the text file, which the station writes).
    void SaveAs(int saveType, const QString& path);

    void PublishPage(bool print);
    void OpenSpreadsheet();
    void OpenDocument();

    void SetPrintPreview(PrintPreview preview) { preview_ = std::move(preview); }

private:
    QAction* AddButton(const QString& hint, const char* picture, std::function<void()> run);
    void AddShortcuts(const QString& caption, const QList<QKeySequence>& keys, std::function<void()> run);
    bool Told(bool ok, const std::string& message);
    void Print(const QString& pagePath);
    ExportOutcome WritePdf(const QString& path);
    QString BackupFolderFile(const QString& extension) const;

    Station& station_;
    Dialogs& dialogs_;
    OpenUrl openUrl_;
    QWidget* window_;
    PrintPreview preview_;
    QAction* printButton_ = nullptr;
    QAction* webButton_ = nullptr;
    QAction* spreadsheetButton_ = nullptr;
    QAction* documentButton_ = nullptr;
};

} // namespace caniparc::ui
