#include <limits>
#include <optional>
#include <string>

#include "cli/commands.h"
#include "iconbuild/icon_builder.h"
#include "platform/file_io.h"

namespace icoforge::cli {
namespace {

constexpr Message kSummary{"single-image icon from a BMP", "由 BMP 生成单图像图标"};
constexpr Message kDescription{
    "Writes a single-image icon built from the BMP file IN: a 24-bit colour image and a 1-bit\n"
    "mask, at the bitmap's own size (1 to 255 pixels a side). Pixels of the transparent colour\n"
    "(white unless --transparent names one) become transparent. Prints OUT; exits with 1 when\n"
    "no icon could be built (nothing is written).",
    "由 BMP 文件 IN 生成单图像图标：24 位彩色图像加 1 位掩码，尺寸与位图相同（每边 1 到 255\n"
    "像素）。透明色（白色，或 --transparent 指定的颜色）的像素变为透明。输出 OUT；无法生成\n"
    "图标时退出状态为 1（不写任何文件）。"};
constexpr Message kRawHelp{"read IN as an uncompressed 24-bit image whatever its header says",
                           "不论文件头如何，都把 IN 当作未压缩的 24 位图像读取"};
constexpr Message kTransparentHelp{"the transparent colour, as hex RRGGBB", "透明色，十六进制 RRGGBB"};
constexpr Message kCursorHelp{"write a cursor with hot spot X,Y (each kept to its low 8 bits)",
                              "生成热点为 X,Y 的光标（各取低 8 位）"};
constexpr Message kBadColour{"--transparent takes six hex digits RRGGBB, not {1}",
                             "--transparent 需要六位十六进制数 RRGGBB，而不是 {1}"};
constexpr Message kBadHotSpot{"--cursor takes two whole numbers X,Y, not {1}", "--cursor 需要两个整数 X,Y，而不是 {1}"};

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

// A bitmap for an icon is at most 255 x 255 pixels: about 260 KB at 32 bits. The bound
// leaves room for odd headers and trailing bytes and refuses anything that could only
// be a mistake (a disk image, a sparse file) before it is read into memory.
constexpr std::uint64_t kMaxBitmapFileBytes = 16ull * 1024 * 1024;

int Run(const Invocation& run) {
    const bool raw = run.Has("--raw");
    std::optional<ColourValue> transparent;
    if (const auto colour = run.Value("--transparent")) {
        transparent = ParseColour(*colour);
        if (!transparent) return run.UsageError(run.Text(kBadColour, {Quoted(*colour)}));
    }
    bool as_cursor = false;
    std::int32_t hot_x = 0;
    std::int32_t hot_y = 0;
    if (const auto spot = run.Value("--cursor")) {
        const auto xy = WholeNumberPair(*spot, std::numeric_limits<std::int32_t>::min(),
                                        std::numeric_limits<std::int32_t>::max());
        if (!xy) return run.UsageError(run.Text(kBadHotSpot, {Quoted(*spot)}));
        as_cursor = true;
        hot_x = static_cast<std::int32_t>(xy->first);
        hot_y = static_cast<std::int32_t>(xy->second);
    }
    const std::string& in = run.Operand("IN.bmp");
    const std::string& out = run.Operand("OUT.ico");
    if (IsSameFile(in, out)) return OutputIsSource(run, in, out);

    const auto bytes = ReadWholeFile(in, kMaxBitmapFileBytes);
    if (!bytes) return Report(run, bytes.error());
    const auto icon = raw ? MakeIconFromBitmapBytes(*bytes, transparent, as_cursor, hot_x, hot_y)
                          : MakeIconFromBitmap(*bytes, transparent, as_cursor, hot_x, hot_y);
    if (!icon) return Report(run, {icon.error().what, in, icon.error().reason});
    if (const auto written = WriteWholeFile(out, *icon); !written) return Report(run, written.error());
    run.console().Path(out);
    return kExitSuccess;
}

constexpr OptionRow kOptions[] = {
    {"", "--raw", "", kRawHelp},
    {"", "--transparent", "RRGGBB", kTransparentHelp},
    {"", "--cursor", "X,Y", kCursorHelp},
};
constexpr OperandRow kOperands[] = {{"IN.bmp"}, {"OUT.ico"}};

}  // namespace

const Subcommand kIconCommand{"icon", kSummary, kDescription, kOptions, kOperands, Run};

}  // namespace icoforge::cli
