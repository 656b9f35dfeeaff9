// The exports as files (see ExportFiles.h).
#include "export/ExportFiles.h"

#include "export/DocumentExport.h"
#include "export/HtmlPage.h"
#include "export/SpreadsheetExport.h"
#include "export/ZipArchive.h"
#include "settings/Settings.h"

namespace caniparc {
namespace {

ExportOutcome Write(FileSystem& fs, const std::filesystem::path& path, const std::string& bytes) {
    const FileResult result = WriteFileAtomically(fs, path, bytes);
    return {result.Ok(), DescribeFileResult(result)};
}

} // namespace

ExportOutcome SaveHtmlPage(FileSystem& fs, const ProtocolTable& table, const Settings& settings,
                           const std::filesystem::path& path) {
    const FileResult result = WriteHtmlPage(fs, table, settings, path);
    return {result.Ok(), result.Ok() ? std::string() : HtmlWriteErrorText(result)};
}

ExportOutcome SaveSpreadsheet(FileSystem& fs, const ProtocolTable& table, const Settings& settings,
                              const std::filesystem::path& path) {
    const SpreadsheetResult sheet = BuildSpreadsheet(table, settings);
    if (!sheet.error.empty())
        return {false, sheet.error};
    return Write(fs, path, sheet.bytes);
}

ExportOutcome SaveDocument(FileSystem& fs, const ProtocolTable& table, const Settings& settings,
                           const std::string& programFolder, const std::filesystem::path& path) {
    std::string templateBytes;
    for (const std::string& candidate : DocumentTemplateCandidates(programFolder, settings)) {
        const FileResult read = ReadWholeFile(candidate, MaxZipPartBytes, templateBytes);
        if (read.Ok())
            break;
        templateBytes.clear();
        if (read.error != FileError::CannotOpen && read.error != FileError::NotAFile)
            return {false, DescribeFileResult(read)};
    }
    const DocumentResult document = BuildDocument(table, settings, templateBytes);
    if (!document.error.empty())
        return {false, document.error};
    return Write(fs, path, document.bytes);
}

} // namespace caniparc
