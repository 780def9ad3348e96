#include <cstdio>

#include "cli/commands.h"
#include "platform/shell_services.h"

namespace icoforge::cli {
namespace {

constexpr const char* kUsage =
    "usage: icoforge folder N\n"
    "  Prints the well-known folder with number N, ending in the path separator:\n"
    "    1 documents      5 start menu          9 Windows directory\n"
    "    2 favourites     6 start menu programs 10 system directory\n"
    "    3 desktop        7 startup             11 temporary files\n"
    "    4 fonts          8 application data\n"
    "  Outside Windows the XDG folders stand in for them; favourites, Windows and\n"
    "  system directories have none there. Exit status 1 when there is no such folder.\n";

}  // namespace

int RunFolder(const Args& args) {
    CommandLine line;
    std::string problem;
    if (!ParseCommandLine(args, {}, line, problem)) return UsageError(problem, kUsage);
    if (line.help) return ShowHelp(kUsage);
    long long number = 0;
    if (line.operands.size() != 1 || !ParseInt(line.operands[0], number))
        return UsageError("folder takes one number N", kUsage);
    const std::string& text = line.operands[0];
    if (number < 1 || number > 11) return Failure("there is no special folder " + text);
    const std::string folder = GetSpecialFolder(static_cast<std::int32_t>(number));
    if (folder.empty()) return Failure("special folder " + text + " is not available here");
    return PrintPath(folder);
}

}  // namespace icoforge::cli
