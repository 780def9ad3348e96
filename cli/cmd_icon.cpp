#include <cstdio>
#include <limits>
#include <optional>
#include <string>

#include "cli/commands.h"
#include "platform/file_io.h"
#include "iconbuild/bitmap.h"
#include "iconbuild/icon_builder.h"

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

// The builders say only yes or no; the bitmap can say why it refused the file.
std::string WhyNotBuilt(ByteView bytes, bool raw) {
    if (raw) return "not a BMP of 1 to 255 pixels a side with enough 24-bit pixel data";
    Bitmap bitmap;
    if (!bitmap.LoadData(bytes)) return bitmap.LastErrorText();
    return "the bitmap must be 1 to 255 pixels wide and high (bottom-up)";
}

}  // namespace

int RunIcon(const Args& args) {
    if (WantsHelp(args)) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    bool raw = false;
    std::optional<ColourValue> transparent;
    bool as_cursor = false;
    std::int32_t hot_x = 0;
    std::int32_t hot_y = 0;
    Args paths;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--raw") {
            raw = true;
        } else if (arg == "--transparent") {
            if (i + 1 == args.size()) return UsageError("--transparent needs a colour RRGGBB", kUsage);
            transparent = ParseColour(args[++i]);
            if (!transparent) return UsageError("the colour must be six hex digits RRGGBB", kUsage);
        } else if (arg == "--cursor") {
            if (i + 1 == args.size()) return UsageError("--cursor needs a hot spot X,Y", kUsage);
            const std::string& spot = args[++i];
            const auto comma = spot.find(',');
            const auto x = comma == std::string::npos ? std::nullopt : ParseInt32(spot.substr(0, comma));
            const auto y = comma == std::string::npos ? std::nullopt : ParseInt32(spot.substr(comma + 1));
            if (!x || !y) return UsageError("the hot spot must be two whole numbers X,Y", kUsage);
            as_cursor = true;
            hot_x = *x;
            hot_y = *y;
        } else if (arg.size() > 1 && arg[0] == '-') {
            return UsageError("unknown option '" + arg + "'", kUsage);
        } else {
            paths.push_back(arg);
        }
    }
    if (paths.size() != 2) return UsageError("icon takes IN.bmp OUT.ico", kUsage);

    const auto bytes = ReadWholeFile(paths[0]);
    if (!bytes) return Failure("cannot read " + paths[0]);
    ByteBuffer icon;
    const bool built = raw ? BuildIconFromBitmapBytes(*bytes, icon, transparent, as_cursor, hot_x, hot_y)
                           : BuildIconFromBitmap(*bytes, icon, transparent, as_cursor, hot_x, hot_y);
    if (!built) return Failure(WhyNotBuilt(*bytes, raw) + "; nothing written");
    if (!WriteWholeFile(paths[1], icon)) return Failure("cannot write " + paths[1]);
    std::printf("%s\n", paths[1].c_str());
    return 0;
}

}  // namespace icoforge::cli
