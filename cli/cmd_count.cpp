#include <cstdio>

#include "cli/commands.h"
#include "iconextract/extract.h"
#include "platform/file_io.h"

namespace icoforge::cli {
namespace {

constexpr const char* kUsage =
    "usage: icoforge count FILE\n"
    "  Prints the number of icons in FILE, judged by its content: the number of icon\n"
    "  groups of a Windows module (PE or 16-bit NE), 1 for an icon or cursor file,\n"
    "  0 for anything else.\n";

}  // namespace

int RunCount(const Args& args) {
    CommandLine line;
    std::string problem;
    if (!ParseCommandLine(args, {}, line, problem)) return UsageError(problem, kUsage);
    if (line.help) return ShowHelp(kUsage);
    if (line.operands.size() != 1) return UsageError("count takes one FILE", kUsage);
    const std::string& file = line.operands[0];
    if (const auto readable = CheckReadable(file); !readable) return ReportFailure(readable.error());
    std::printf("%d\n", static_cast<int>(GetIconCount(file)));
    return kExitSuccess;
}

}  // namespace icoforge::cli
