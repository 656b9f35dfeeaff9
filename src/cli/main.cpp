// caniparc-cli: the station's file work without the station, for scripts and for checking a
// protocol away from the ring. One subcommand per task.
#include "Commands.h"

#include <algorithm>
#include <array>
#include <iostream>
#include <string_view>

namespace {

using caniparc::cli::Streams;

struct Subcommand {
    std::string_view name;
    std::string_view summary;
    int (*run)(const std::vector<std::string>&, Streams);
};

int RunHtml(const std::vector<std::string>& args, Streams io) {
    return caniparc::cli::RunExport("html", args, io);
}
int RunXlsx(const std::vector<std::string>& args, Streams io) {
    return caniparc::cli::RunExport("xlsx", args, io);
}
int RunDocx(const std::vector<std::string>& args, Streams io) {
    return caniparc::cli::RunExport("docx", args, io);
}
int RunClipboard(const std::vector<std::string>& args, Streams io) {
    return caniparc::cli::RunExport("clipboard", args, io);
}

int RunImport(const std::vector<std::string>& args, Streams io) {
    return caniparc::cli::RunExport("import", args, io);
}

constexpr std::array<Subcommand, 6> kSubcommands = {{
    {"recalc", "recompute the rows and places of a protocol or starter list", &caniparc::cli::RunRecalc},
    {"html", "write the result page", &RunHtml},
    {"xlsx", "write the protocol as a spreadsheet workbook", &RunXlsx},
    {"docx", "write the protocol as a word-processor document", &RunDocx},
    {"clipboard", "write the text the copy command puts on the clipboard", &RunClipboard},
    {"import", "read the first sheet of a spreadsheet into a protocol file", &RunImport},
}};

void PrintHelp(std::ostream& out) {
    out << "usage: caniparc-cli COMMAND [ARGS]\n\ncommands:\n";
    for (const Subcommand& command : kSubcommands)
        out << "  " << command.name << std::string(10 - command.name.size(), ' ') << command.summary << "\n";
    out << "\n'caniparc-cli COMMAND --help' describes a command.\n";
}

} // namespace

int main(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
    const std::vector<std::string> args(argv + std::min(argc, 1), argv + argc);
    Streams io{std::cout, std::cerr};
    if (args.empty()) {
        PrintHelp(std::cerr);
        return caniparc::cli::ExitUsage;
    }
    if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        PrintHelp(std::cout);
        return caniparc::cli::ExitOk;
    }
    for (const Subcommand& command : kSubcommands) {
        if (args[0] == command.name)
            return command.run({args.begin() + 1, args.end()}, io);
    }
    std::cerr << "caniparc-cli: unknown command " << args[0] << "\nTry 'caniparc-cli --help'.\n";
    return caniparc::cli::ExitUsage;
}
