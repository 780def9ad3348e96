// icoforge: the command-line front end. Each subcommand runs one engine or command.

#include <cstdio>
#include <exception>
#include <new>
#include <string>

#include "cli/commands.h"
#include "cli/console.h"
#include "platform/replacing_file.h"

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
    {"scan", RunScan, "every distinct icon of a tree, written once, with an index"},
    {"index", RunIndex, "index merge: shard indexes of scans into one"},
};

void PrintUsage(std::FILE* out) {
    std::fputs("usage: icoforge SUBCOMMAND [ARGS...]\n\n", out);
    for (const auto& sub : kSubcommands) std::fprintf(out, "  %-9s %s\n", sub.name, sub.summary);
    std::fputs("\n`icoforge SUBCOMMAND --help` describes each one; `icoforge --version` names this build.\n", out);
}

}  // namespace

int Main(const Args& argv) {
    if (argv.empty() || argv[0] == "--help" || argv[0] == "-h") {
        PrintUsage(argv.empty() ? stderr : stdout);
        return argv.empty() ? kExitUsage : kExitSuccess;
    }
    if (argv[0] == "--version") {
        std::printf("icoforge %s\n", ICOFORGE_VERSION);
        return kExitSuccess;
    }
    for (const auto& sub : kSubcommands) {
        if (argv[0] == sub.name) return sub.run(Args(argv.begin() + 1, argv.end()));
    }
    std::fprintf(stderr, "icoforge: unknown subcommand %s\n", Quoted(argv[0]).c_str());
    PrintUsage(stderr);
    return kExitUsage;
}

}  // namespace icoforge::cli

int main(int argc, char** argv) {
    // Whatever escapes a subcommand still ends as one line and status 1, never an abort.
    try {
        icoforge::LetFileSizeLimitFailWrites();
        return icoforge::cli::Main(icoforge::cli::Utf8Arguments(argc, argv));
    } catch (const std::bad_alloc&) {
        return icoforge::cli::Failure("out of memory");
    } catch (const std::exception& failure) {
        return icoforge::cli::Failure(std::string("unexpected failure: ") + failure.what());
    } catch (...) {
        return icoforge::cli::Failure("unexpected failure");
    }
}
