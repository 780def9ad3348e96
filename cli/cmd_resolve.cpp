#include <cstdio>

#include "cli/commands.h"
#include "platform/file_io.h"
#include "platform/shell_services.h"

namespace icoforge::cli {
namespace {

constexpr const char* kUsage =
    "usage: icoforge resolve SHORTCUT\n"
    "  Prints the target path stored in the shell link SHORTCUT (a .lnk file), as\n"
    "  stored: the target is not searched for and need not exist. Exits with status 1\n"
    "  when SHORTCUT is no shell link or stores no file path.\n";

// The shell answers only with a path or nothing; the reason is found afterwards.
std::string WhyNotResolved(const std::string& shortcut) {
    if (!HasShortcutExtension(shortcut))
        return "cannot resolve " + Quoted(shortcut) + ": its name does not end in .lnk";
    if (const auto readable = CheckReadable(shortcut); !readable)
        return "cannot read " + Quoted(shortcut) + ": " + readable.error().reason;
    return "cannot resolve " + Quoted(shortcut) + ": not a shell link, or it stores no file path";
}

}  // namespace

int RunResolve(const Args& args) {
    CommandLine line;
    std::string problem;
    if (!ParseCommandLine(args, {}, line, problem)) return UsageError(problem, kUsage);
    if (line.help) return ShowHelp(kUsage);
    if (line.operands.size() != 1) return UsageError("resolve takes one SHORTCUT", kUsage);
    const std::string& shortcut = line.operands[0];
    const ShellSession session;
    const std::string target = ResolveShortcut(shortcut);
    if (target.empty()) return Failure(WhyNotResolved(shortcut));
    return PrintPath(target);
}

}  // namespace icoforge::cli
