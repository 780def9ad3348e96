#include <string>

#include "app/board/make_icon.h"
#include "cli/commands.h"

namespace icoforge::cli {
namespace {

constexpr const char* kUsage =
    "usage: icoforge make [-o OUT.ico] [--sizes LIST] [--png-at N | --png-all | --bmp-all]\n"
    "                     [--cursor X,Y] [--upscale] PICTURE...\n"
    "  Writes one icon with alpha holding every size Windows draws (16, 20, 24, 32, 40, 48,\n"
    "  64 and 256), made from any picture icoforge reads (BMP, JPEG, PNG, GIF, ICO, CUR, PCX,\n"
    "  TIFF, PhotoCD; SVG where built with librsvg). A picture, or an image inside a given\n"
    "  icon, that has exactly one of the sizes is used as drawn; the others are made from the\n"
    "  largest picture, fitted into the square and centred on transparency.\n"
    "  -o OUT         the icon to write (default: the first picture's name with .ico)\n"
    "  --sizes LIST   sizes from 1 to 256, separated by commas\n"
    "  --png-at N     store sizes from N up as PNG (default 256)\n"
    "  --png-all      store every size as PNG\n"
    "  --bmp-all      store every size as a 32-bit bitmap\n"
    "  --cursor X,Y   write a cursor, hot spot X,Y in the largest picture's pixels\n"
    "  --upscale      also make sizes larger than every picture (else they are left out)\n"
    "  Prints OUT.\n";

constexpr OptionRule kOptions[] = {{"-o", true},        {"--output", true},   {"--sizes", true},
                                   {"--png-at", true},  {"--png-all", false}, {"--bmp-all", false},
                                   {"--cursor", true},  {"--upscale", false}};

bool ParseHotSpot(const std::string& text, HotSpot& spot) {
    const auto comma = text.find(',');
    long long x = 0, y = 0;
    if (comma == std::string::npos || !ParseInt(text.substr(0, comma), x) || !ParseInt(text.substr(comma + 1), y))
        return false;
    if (x < 0 || y < 0 || x > 0xFFFF || y > 0xFFFF) return false;
    spot = {static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(y)};
    return true;
}

}  // namespace

int RunMake(const Args& args) {
    CommandLine line;
    std::string problem;
    if (!ParseCommandLine(args, kOptions, line, problem)) return UsageError(problem, kUsage);
    if (line.help) return ShowHelp(kUsage);
    MakeOptions options;
    options.pictures = line.operands;
    if (options.pictures.empty()) return UsageError("make takes at least one PICTURE", kUsage);
    if (const std::string* out = line.Value("-o")) options.output = *out;
    if (const std::string* out = line.Value("--output")) options.output = *out;
    if (const std::string* list = line.Value("--sizes")) {
        auto sizes = ParseIconSizes(*list);
        if (!sizes) return UsageError(sizes.error().reason, kUsage);
        options.request.sizes = std::move(*sizes);
    }
    const int formats = (line.Has("--png-at") ? 1 : 0) + (line.Has("--png-all") ? 1 : 0) + (line.Has("--bmp-all") ? 1 : 0);
    if (formats > 1) return UsageError("--png-at, --png-all and --bmp-all exclude each other", kUsage);
    if (const std::string* at = line.Value("--png-at")) {
        long long n = 0;
        if (!ParseInt(*at, n) || n < 1 || n > kLargestIconSide)
            return UsageError("--png-at takes a size from 1 to 256", kUsage);
        options.request.png_from_size = static_cast<std::uint32_t>(n);
    }
    if (line.Has("--png-all")) options.request.png_from_size = 1;
    if (line.Has("--bmp-all")) options.request.png_from_size = kNeverPng;
    if (const std::string* spot = line.Value("--cursor")) {
        HotSpot hot;
        if (!ParseHotSpot(*spot, hot)) return UsageError("the hot spot must be two whole numbers X,Y from 0", kUsage);
        options.request.cursor = hot;
    }
    options.request.upscale = line.Has("--upscale");

    const auto outcome = MakeIconFile(options, [](const std::string& note) { std::fprintf(stderr, "icoforge: %s\n", note.c_str()); });
    if (!outcome) {
        const icoforge::Failure& f = outcome.error();
        if (f.what == "write") return CannotWrite(f.path, f.reason);
        if (f.what == "read") return CannotRead(f.path, f.reason);
        return cli::Failure(f.path.empty() ? f.reason : Quoted(f.path) + ": " + f.reason);
    }
    return PrintPath(outcome->output);
}

}  // namespace icoforge::cli
