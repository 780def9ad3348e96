#include "cli/commands.h"

namespace icoforge::cli {
namespace {

constexpr const char* kUsage =
    "usage: icoforge extract [-s 16|32|64|128] [-o DIR] FILE\n"
    "  Not available in this build yet.\n";

constexpr OptionRule kOptions[] = {{"-s", true}, {"-o", true}};

}  // namespace

// Not built yet; the subcommand is listed, and its arguments checked, so that scripts see
// the whole interface.
int RunExtract(const Args& args) {
    CommandLine line;
    std::string problem;
    if (!ParseCommandLine(args, kOptions, line, problem)) return UsageError(problem, kUsage);
    if (line.help) return ShowHelp(kUsage);
    return Failure("'extract' is not available in this build yet");
}

}  // namespace icoforge::cli
