#include <cstdio>

#include "cli/commands.h"
#include "platform/file_io.h"
#include "iconextract/extract.h"

namespace icoforge::cli {
namespace {

constexpr const char* kUsage =
    "usage: icoforge count FILE\n"
    "  Prints the number of icons in FILE, judged by its content: the number of icon\n"
    "  groups of a Windows module (PE or 16-bit NE), 1 for an icon or cursor file,\n"
    "  0 for anything else.\n";

}  // namespace

int RunCount(const Args& args) {
    if (WantsHelp(args)) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (args.size() != 1) return UsageError("count takes one FILE", kUsage);
    if (!FileExists(args[0])) return Failure("cannot read '" + args[0] + "'");
    std::printf("%d\n", static_cast<int>(GetIconCount(args[0])));
    return 0;
}

}  // namespace icoforge::cli
