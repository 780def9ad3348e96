#include "platform/console_args.h"

#include <windows.h>
#include <shellapi.h>

#include "platform/win32/wide.h"

namespace icoforge {

std::vector<std::string> CommandLineUtf8(int argc, char** argv) {
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (wide == nullptr) return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
    std::vector<std::string> args;
    for (int i = 1; i < count; ++i) args.push_back(Utf8FromWide(wide[i]));
    LocalFree(wide);
    // Text written to the console is UTF-8 too.
    SetConsoleOutputCP(CP_UTF8);
    return args;
}

}  // namespace icoforge
