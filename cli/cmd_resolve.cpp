#include <cstdio>

#include "cli/commands.h"
#include "platform/shell_services.h"

namespace icoforge::cli {
namespace {

constexpr const char* kUsage =
    "usage: icoforge resolve SHORTCUT\n"
    "  Prints the target path stored in the shell link SHORTCUT (a .lnk file), as\n"
    "  stored: the target is not searched for and need not exist. Prints nothing and\n"
    "  exits with status 1 when SHORTCUT is no shell link or stores no file path.\n";

}  // namespace

int RunResolve(const Args& args) {
    if (WantsHelp(args)) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (args.size() != 1) return UsageError("resolve takes one SHORTCUT", kUsage);
    const ShellSession session;
    const std::string target = ResolveShortcut(args[0]);
    if (target.empty()) return 1;
    std::printf("%s\n", target.c_str());
    return 0;
}

}  // namespace icoforge::cli
