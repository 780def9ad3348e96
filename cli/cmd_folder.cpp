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
    if (WantsHelp(args)) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    long long number = 0;
    if (args.size() != 1 || !ParseInt(args[0], number)) return UsageError("folder takes one number N", kUsage);
    if (number < 1 || number > 11) return Failure("there is no special folder " + args[0]);
    const std::string folder = GetSpecialFolder(static_cast<std::int32_t>(number));
    if (folder.empty()) return Failure("special folder " + args[0] + " is not available here");
    std::printf("%s\n", folder.c_str());
    return 0;
}

}  // namespace icoforge::cli
