#include <cstdio>
#include <limits>
#include <optional>
#include <string>

#include "cli/commands.h"
#include "iconbuild/bitmap.h"
#include "iconbuild/icon_builder.h"
#include "platform/file_io.h"

namespace icoforge::cli {
namespace {

constexpr const char* kUsage =
    "usage: icoforge icon [--raw] [--transparent RRGGBB] [--cursor X,Y] IN.bmp OUT.ico\n"
    "  Writes a single-image icon built from the BMP file IN: a 24-bit colour image and a\n"
    "  1-bit mask, at the bitmap's own size (1 to 255 pixels a side). Pixels of the\n"
    "  transparent colour (white unless --transparent names one, as hex RRGGBB) become\n"
    "  transparent.\n"
    "  --raw          read IN as an uncompressed 24-bit image whatever its header says\n"
    "  --cursor X,Y   write a cursor with hot spot X,Y (each kept to its low 8 bits)\n"
    "  Prints OUT; exits with 1 when no icon could be built (nothing is written).\n";

std::optional<int> HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return std::nullopt;
}

// RRGGBB as people write colours, into red-low ColourValue order.
std::optional<ColourValue> ParseColour(const std::string& text) {
    if (text.size() != 6) return std::nullopt;
    std::uint8_t parts[3] = {};
    for (int i = 0; i < 3; ++i) {
        const auto high = HexDigit(text[2 * i]);
        const auto low = HexDigit(text[2 * i + 1]);
        if (!high || !low) return std::nullopt;
        parts[i] = static_cast<std::uint8_t>(*high * 16 + *low);
    }
    return MakeColour(parts[0], parts[1], parts[2]);
}

std::optional<std::int32_t> ParseInt32(const std::string& text) {
    long long value = 0;
    if (!ParseInt(text, value) || value < std::numeric_limits<std::int32_t>::min() ||
        value > std::numeric_limits<std::int32_t>::max()) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(value);
}

// A bitmap for an icon is at most 255 x 255 pixels: about 260 KB at 32 bits. The bound
// leaves room for odd headers and trailing bytes and refuses anything that could only
// be a mistake (a disk image, a sparse file) before it is read into memory.
constexpr std::uint64_t kMaxBitmapFileBytes = 16ull * 1024 * 1024;

constexpr OptionRule kOptions[] = {{"--raw", false}, {"--transparent", true}, {"--cursor", true}};

}  // namespace

int RunIcon(const Args& args) {
    CommandLine line;
    std::string problem;
    if (!ParseCommandLine(args, kOptions, line, problem)) return UsageError(problem, kUsage);
    if (line.help) return ShowHelp(kUsage);
    const bool raw = line.Has("--raw");
    std::optional<ColourValue> transparent;
    if (const std::string* colour = line.Value("--transparent")) {
        transparent = ParseColour(*colour);
        if (!transparent) return UsageError("the colour must be six hex digits RRGGBB", kUsage);
    }
    bool as_cursor = false;
    std::int32_t hot_x = 0;
    std::int32_t hot_y = 0;
    if (const std::string* spot = line.Value("--cursor")) {
        const auto comma = spot->find(',');
        const auto x = comma == std::string::npos ? std::nullopt : ParseInt32(spot->substr(0, comma));
        const auto y = comma == std::string::npos ? std::nullopt : ParseInt32(spot->substr(comma + 1));
        if (!x || !y) return UsageError("the hot spot must be two whole numbers X,Y", kUsage);
        as_cursor = true;
        hot_x = *x;
        hot_y = *y;
    }
    if (line.operands.size() != 2) return UsageError("icon takes IN.bmp OUT.ico", kUsage);
    const std::string& in = line.operands[0];
    const std::string& out = line.operands[1];
    if (IsSameFile(in, out)) return OutputIsSource(in, out);

    const auto bytes = ReadWholeFile(in, kMaxBitmapFileBytes);
    if (!bytes) return ReportFailure(bytes.error());
    const auto icon = raw ? MakeIconFromBitmapBytes(*bytes, transparent, as_cursor, hot_x, hot_y)
                          : MakeIconFromBitmap(*bytes, transparent, as_cursor, hot_x, hot_y);
    if (!icon) return ReportFailure({icon.error().what, in, icon.error().reason});
    if (const auto written = WriteWholeFile(out, *icon); !written) return ReportFailure(written.error());
    return PrintPath(out);
}

}  // namespace icoforge::cli
