// The subcommands of caniparc-cli. Each takes its own arguments (without the subcommand's name)
// and returns the process's exit status.
#pragma once

#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

namespace caniparc::cli {

inline constexpr int ExitOk = 0;
inline constexpr int ExitFailure = 1; // a file could not be read or written
inline constexpr int ExitUsage = 2;   // a bad option or argument

struct Streams {
    std::ostream& out;
    std::ostream& err;
};

int RunRecalc(const std::vector<std::string>& args, Streams io);
void PrintRecalcHelp(std::ostream& out);

// format: "html", "xlsx", "docx", "clipboard" or "import".
int RunExport(std::string_view format, const std::vector<std::string>& args, Streams io);
void PrintExportHelp(std::string_view format, std::ostream& out);

} // namespace caniparc::cli
