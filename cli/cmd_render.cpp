#include "cli/commands.h"

namespace icoforge::cli {
namespace {

constexpr const char* kUsage =
    "usage: icoforge render [-s SIZE] FILE OUTPUT.bmp\n"
    "  Not available in this build yet.\n";

constexpr OptionRule kOptions[] = {{"-s", true}};

}  // namespace

// Not built yet; the subcommand is listed, and its arguments checked, so that scripts see
// the whole interface.
int RunRender(const Args& args) {
    CommandLine line;
    std::string problem;
    if (!ParseCommandLine(args, kOptions, line, problem)) return UsageError(problem, kUsage);
    if (line.help) return ShowHelp(kUsage);
    return Failure("'render' is not available in this build yet");
}

}  // namespace icoforge::cli
