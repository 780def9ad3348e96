// icoforge: the command-line front end. Each subcommand runs one engine or command.

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "cli/commands.h"
#include "cli/console.h"

namespace icoforge::cli {
namespace {

struct Subcommand {
    const char* name;
    int (*run)(const Args&);
    const char* summary;
};

constexpr Subcommand kSubcommands[] = {
    {"extract", RunExtract, "every icon of FILE, or FILE turned into an icon, as numbered .ico files"},
    {"count", RunCount, "number of icons in FILE"},
    {"group", RunGroup, "one icon group of SOURCE as .ico (or its first image as .bmp)"},
    {"icon", RunIcon, "single-image icon from a BMP"},
    {"convert", RunConvert, "any supported picture to a 24-bit BMP"},
    {"render", RunRender, "the drawing board's snapshot of a picture"},
    {"resolve", RunResolve, "target path stored in a shortcut file"},
    {"folder", RunFolder, "special folder N"},
    {"decrypt", RunDecrypt, "decipher a buffer"},
};

void PrintUsage(std::FILE* out) {
    std::fputs("usage: icoforge SUBCOMMAND [ARGS...]\n\n", out);
    for (const auto& sub : kSubcommands) std::fprintf(out, "  %-9s %s\n", sub.name, sub.summary);
    std::fputs("\n`icoforge SUBCOMMAND --help` describes each one.\n", out);
}

}  // namespace

bool WantsHelp(const Args& args) {
    for (const auto& a : args)
        if (a == "--help" || a == "-h") return true;
    return false;
}

int UsageError(const std::string& message, const char* usage) {
    std::fprintf(stderr, "icoforge: %s\n%s", message.c_str(), usage);
    return 2;
}

int Failure(const std::string& reason) {
    std::fprintf(stderr, "icoforge: %s\n", reason.c_str());
    return 1;
}

bool ParseInt(const std::string& text, long long& value) {
    if (text.empty()) return false;
    char* end = nullptr;
    errno = 0;
    const long long v = std::strtoll(text.c_str(), &end, 10);
    if (errno != 0 || end != text.c_str() + text.size()) return false;
    value = v;
    return true;
}

int Main(const Args& argv) {
    if (argv.empty() || argv[0] == "--help" || argv[0] == "-h") {
        PrintUsage(argv.empty() ? stderr : stdout);
        return argv.empty() ? 2 : 0;
    }
    for (const auto& sub : kSubcommands) {
        if (argv[0] == sub.name) return sub.run(Args(argv.begin() + 1, argv.end()));
    }
    std::fprintf(stderr, "icoforge: unknown subcommand '%s'\n", argv[0].c_str());
    PrintUsage(stderr);
    return 2;
}

}  // namespace icoforge::cli

int main(int argc, char** argv) {
    return icoforge::cli::Main(icoforge::cli::Utf8Arguments(argc, argv));
}
