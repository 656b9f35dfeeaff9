// "html", "xlsx", "docx" and "clipboard": reads a protocol, recomputes it as the station does
// after opening a file, and writes it in one of the station's export formats, so that clubs can
// script their publishing. "import" goes the other way: a spreadsheet in, the protocol file out.
#include "Commands.h"
#include "ScoringOptions.h"

#include "export/ClipboardText.h"
#include "export/DocumentExport.h"
#include "export/ExportFiles.h"
#include "export/HtmlPage.h"
#include "export/SpreadsheetImport.h"
#include "export/ZipArchive.h"
#include "protocol/ProtocolFile.h"
#include "protocol/Ranking.h"

#include <filesystem>
#include <ostream>

namespace caniparc::cli {
namespace {

struct ExportArgs {
    std::string input;
    std::string output; // empty: standard output (html and clipboard only)
    std::string templateFile;
    ScoringOptions scoring;
    bool help = false;
};

bool IsBinary(std::string_view format) {
    return format == "xlsx" || format == "docx";
}

std::string ParseArgs(std::string_view format, const std::vector<std::string>& args, ExportArgs& parsed) {
    std::string error;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size() && error.empty(); ++i) {
        if (!optionsEnded && ParseScoringOption(args, i, parsed.scoring, error)) {
            --i; // it stands on the next argument already
            continue;
        }
        const std::string& arg = args[i];
        const bool option = !optionsEnded && arg.size() > 1 && arg.front() == '-';
        if (option && arg == "--") {
            optionsEnded = true;
        } else if (option && (arg == "--help" || arg == "-h")) {
            parsed.help = true;
        } else if (option && (arg == "-o" || arg == "--output" || (format == "docx" && arg == "--template"))) {
            if (i + 1 >= args.size())
                return "option " + arg + " needs a file name";
            (arg == "--template" ? parsed.templateFile : parsed.output) = args[++i];
        } else if (option) {
            return "unknown option " + arg;
        } else if (!parsed.input.empty()) {
            return "more than one input file: " + parsed.input + ", " + arg;
        } else {
            parsed.input = arg;
        }
    }
    if (!error.empty() || parsed.help)
        return error;
    if (parsed.input.empty())
        return "no input file";
    if (IsBinary(format) && parsed.output.empty())
        return "a ." + std::string(format) + " file needs -o OUT";
    return {};
}

ExportOutcome WriteDocument(const ExportArgs& args, const ProtocolTable& table, const Settings& settings) {
    std::string templateBytes;
    if (!args.templateFile.empty()) {
        if (FileResult read = ReadWholeFile(args.templateFile, MaxZipPartBytes, templateBytes); !read.Ok())
            return {false, DescribeFileResult(read)};
    }
    const DocumentResult document = BuildDocument(table, settings, templateBytes);
    if (!document.error.empty())
        return {false, document.error};
    const FileResult written = WriteFileAtomically(*MakeLocalFileSystem(), args.output, document.bytes);
    return {written.Ok(), DescribeFileResult(written)};
}

ExportOutcome WriteExport(std::string_view format, const ExportArgs& args, const ProtocolTable& table,
                          const Settings& settings, std::ostream& out) {
    if (format == "xlsx")
        return SaveSpreadsheet(*MakeLocalFileSystem(), table, settings, args.output);
    if (format == "docx")
        return WriteDocument(args, table, settings);
    if (format == "import") {
        if (args.output.empty()) {
            out << FormatProtocolFile(table) << std::flush;
            return {static_cast<bool>(out), out ? "" : "cannot write to standard output"};
        }
        const FileResult written = WriteProtocolFile(*MakeLocalFileSystem(), table, args.output);
        return {written.Ok(), DescribeFileResult(written)};
    }
    const std::string text = format == "html" ? FormatHtmlPage(table, settings) : ClipboardText(table);
    if (args.output.empty()) {
        out << text << std::flush;
        return {static_cast<bool>(out), out ? "" : "cannot write to standard output"};
    }
    const FileResult written = WriteFileAtomically(*MakeLocalFileSystem(), args.output, text);
    return {written.Ok(), DescribeFileResult(written)};
}

} // namespace

void PrintExportHelp(std::string_view format, std::ostream& out) {
    out << "usage: caniparc-cli " << format << " [options] [--] IN" << (IsBinary(format) ? " -o OUT" : "")
        << (format == "import"
                ? "\nReads the first sheet of a spreadsheet (.xlsx, .ods or .xls) as the station opens it,\n"
                  "recomputes it and writes the protocol file"
                : "\nReads a protocol or starter list, recomputes it and writes it as ")
        << (format == "import" ? ""
            : format == "html" ? "the result page (Latin-1, CR LF)"
            : format == "xlsx" ? "a spreadsheet workbook"
            : format == "docx" ? "a word-processor document"
                               : "the clipboard's tab-separated text (UTF-8, CR LF)")
        << ".\n\noptions:\n"
        << (IsBinary(format) ? "  -o, --output OUT           the file to write (replaced in one step)\n"
                             : "  -o, --output OUT           write to OUT instead of standard output\n")
        << (format == "docx" ? "  --template FILE.docx       keep this document's styles, headers and footers\n" : "")
        << ScoringOptionsHelp << "  -h, --help                 this text\n"
        << "  --                         ends the options: a file name may then begin with -\n\n"
        << "keys for --set: " << SettableKeys() << "\n";
}

int RunExport(std::string_view format, const std::vector<std::string>& args, Streams io) {
    const std::string name = "caniparc-cli " + std::string(format) + ": ";
    ExportArgs parsed;
    if (std::string error = ParseArgs(format, args, parsed); !error.empty()) {
        io.err << name << error << "\nTry 'caniparc-cli " << format << " --help'.\n";
        return ExitUsage;
    }
    if (parsed.help) {
        PrintExportHelp(format, io.out);
        return ExitOk;
    }
    Settings settings;
    if (!parsed.scoring.settingsFile.empty())
        settings.ProgramTitle = std::filesystem::path(parsed.scoring.settingsFile).stem().string();
    if (const OptionError error = ApplyScoringOptions(parsed.scoring, settings); !error.text.empty()) {
        io.err << name << error.text << "\n";
        return error.fileProblem ? ExitFailure : ExitUsage;
    }
    ProtocolTable table;
    WriteColumnTitles(table);
    SortState sort;
    Ranking ranking;
    if (format == "import") {
        SheetImport sheet = ReadSpreadsheetFile(parsed.input, settings);
        if (!sheet.error.empty()) {
            io.err << name << sheet.error << "\n";
            return ExitFailure;
        }
        LoadImportedRows(std::move(sheet.rows), table, settings, sort, ranking);
    } else if (const ProtocolLoad load = ReadProtocolFile(parsed.input, table, settings, sort, ranking);
               !load.result.Ok()) {
        io.err << name << DescribeFileResult(load.result) << "\n";
        return ExitFailure;
    }
    if (const ExportOutcome outcome = WriteExport(format, parsed, table, settings, io.out); !outcome.ok) {
        io.err << name << outcome.message << "\n";
        return ExitFailure;
    }
    return ExitOk;
}

} // namespace caniparc::cli
