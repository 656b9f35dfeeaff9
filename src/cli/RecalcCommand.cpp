// "recalc": reads a protocol or starter list, recomputes every row and the places and writes the
// protocol file, as the station does after opening a file.
#include "Commands.h"
#include "ScoringOptions.h"

#include "protocol/ProtocolFile.h"
#include "protocol/Ranking.h"

#include <ostream>

namespace caniparc::cli {
namespace {

struct RecalcArgs {
    std::string input;
    std::string output; // empty: standard output
    ScoringOptions scoring;
    bool help = false;
};

// Returns an error text, or "" when the arguments are complete.
std::string ParseArgs(const std::vector<std::string>& args, RecalcArgs& parsed) {
    std::string error;
    bool optionsEnded = false; // after "--" every argument is a file name, even "-o"
    for (std::size_t i = 0; i < args.size() && error.empty();) {
        const std::string& arg = args[i];
        if (!optionsEnded && ParseScoringOption(args, i, parsed.scoring, error))
            continue;
        if (optionsEnded) {
            if (!parsed.input.empty())
                return "more than one input file: " + parsed.input + ", " + arg;
            parsed.input = arg;
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "--help" || arg == "-h") {
            parsed.help = true;
        } else if (arg == "-o" || arg == "--output") {
            if (i + 1 >= args.size())
                return "option " + arg + " needs a file name";
            parsed.output = args[++i];
        } else if (arg.size() > 1 && arg.front() == '-') {
            return "unknown option " + arg;
        } else if (!parsed.input.empty()) {
            return "more than one input file: " + parsed.input + ", " + arg;
        } else {
            parsed.input = arg;
        }
        ++i;
    }
    if (error.empty() && parsed.input.empty() && !parsed.help)
        error = "no input file";
    return error;
}

} // namespace

void PrintRecalcHelp(std::ostream& out) {
    out << "usage: caniparc-cli recalc [options] [--] IN\n"
           "Reads a protocol or starter list (TAB or semicolon separated), recomputes every row and\n"
           "the places, and writes the protocol file to OUT or to standard output.\n\n"
           "options:\n"
           "  -o, --output OUT           write to OUT (replaced in one step) instead of standard output\n"
        << ScoringOptionsHelp << "  -h, --help                 this text\n"
        << "  --                         ends the options: a file name may then begin with -\n\n"
        << "keys for --set: " << SettableKeys() << "\n";
}

int RunRecalc(const std::vector<std::string>& args, Streams io) {
    RecalcArgs parsed;
    if (std::string error = ParseArgs(args, parsed); !error.empty()) {
        io.err << "caniparc-cli recalc: " << error << "\nTry 'caniparc-cli recalc --help'.\n";
        return ExitUsage;
    }
    if (parsed.help) {
        PrintRecalcHelp(io.out);
        return ExitOk;
    }
    Settings settings;
    if (const OptionError error = ApplyScoringOptions(parsed.scoring, settings); !error.text.empty()) {
        io.err << "caniparc-cli recalc: " << error.text << "\n";
        return error.fileProblem ? ExitFailure : ExitUsage;
    }
    ProtocolTable table;
    WriteColumnTitles(table);
    SortState sort;
    Ranking ranking;
    if (const ProtocolLoad load = ReadProtocolFile(parsed.input, table, settings, sort, ranking); !load.result.Ok()) {
        io.err << "caniparc-cli recalc: " << DescribeFileResult(load.result) << "\n";
        return ExitFailure;
    }
    if (parsed.output.empty()) {
        io.out << FormatProtocolFile(table) << std::flush;
        return io.out ? ExitOk : ExitFailure;
    }
    const FileResult written = WriteProtocolFile(*MakeLocalFileSystem(), table, parsed.output);
    if (!written.Ok()) {
        io.err << "caniparc-cli recalc: " << DescribeFileResult(written) << "\n";
        return ExitFailure;
    }
    return ExitOk;
}

} // namespace caniparc::cli
