#include "cli/catalogue_tool.h"
#include "cli/commands.h"

namespace icoforge::cli {
namespace {

constexpr const char* kUsage =
    "usage: icoforge list [--json] FILE...\n"
    "  Every icon group, cursor group, animated icon and animated cursor FILE holds (a\n"
    "  Windows module, a .res file, or an .ico, .cur or .ani file), each language variant\n"
    "  on its own line with its index for `group` and `extract`, and every image's true\n"
    "  size, depth and format; then images no group names (orphans) and the problems\n"
    "  found. With --json, one JSON object per FILE per line (fields in the README). A\n"
    "  file that cannot be read gives its line with \"error\", and the exit status 1.\n";

constexpr OptionRule kOptions[] = {{"--json", false}};

}  // namespace

int RunList(const Args& args) {
    CommandLine line;
    std::string problem;
    if (!ParseCommandLine(args, kOptions, line, problem)) return UsageError(problem, kUsage);
    if (line.help) return ShowHelp(kUsage);
    if (line.operands.empty()) return UsageError("list takes at least one FILE", kUsage);
    return ListFiles(line.operands, line.Has("--json"));
}

}  // namespace icoforge::cli
