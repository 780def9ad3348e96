#include <algorithm>
#include <string>

#include "app/board/icon_pictures.h"
#include "app/board/make_icon.h"
#include "cli/catalogue_tool.h"
#include "cli/commands.h"
#include "cli/shortcut.h"

namespace icoforge::cli {
namespace {

constexpr Message kSummary{"a multi-size icon with alpha from any pictures", "由任意图片生成带透明度的多尺寸图标"};
constexpr Message kDescription{
    "Writes one icon with alpha holding every size Windows draws (16, 20, 24, 32, 40, 48, 64\n"
    "and 256), made from any picture icoforge reads (BMP, JPEG, PNG, GIF, ICO, CUR, PCX, TIFF,\n"
    "PhotoCD, WebP; HEIC, AVIF and SVG on Linux), a photo turned upright as its EXIF says. A\n"
    "Windows program or library (.exe, .dll, .icl), .res or .ani file gives the icon Explorer\n"
    "shows for it; so does a shortcut: the icon it names, else its target's. A picture, or an\n"
    "image inside a given icon, that has exactly one of the sizes is used as drawn; the others\n"
    "are made from the largest picture, fitted into the square and centred on transparency.\n"
    "Sizes larger than every picture are left out unless --upscale. The 256 image is PNG, the\n"
    "others 32-bit bitmaps. Prints OUT.",
    "生成一个带透明度的图标，包含 Windows 绘制的全部尺寸（16、20、24、32、40、48、64 和\n"
    "256），可由 icoforge 能读取的任意图片生成（BMP、JPEG、PNG、GIF、ICO、CUR、PCX、TIFF、\n"
    "PhotoCD、WebP；Linux 上还有 HEIC、AVIF 和 SVG），照片按其 EXIF 所记的方向转正。Windows\n"
    "程序或库（.exe、.dll、.icl）、.res 或 .ani 文件取资源管理器为它显示的图标；快捷方式也是：\n"
    "取它指定的图标，没有时取其目标的图标。恰好为某一尺寸的图片（或所给图标中的图像）原样\n"
    "使用；其余尺寸由最大的图片缩放到正方形内、居中于透明背景生成。大于所有图片的尺寸会被\n"
    "略去，除非给出 --upscale。256 图像存为 PNG，其余为 32 位位图。输出 OUT。"};
constexpr Message kOutputHelp{"the icon to write (default: the first picture's name with .ico)",
                              "要写入的图标（默认：第一张图片的文件名加 .ico）"};
constexpr Message kSizesHelp{"sizes from 1 to 256, separated by commas", "1 到 256 的尺寸，以逗号分隔"};
constexpr Message kPngAtHelp{"store sizes from N up as PNG (default 256)", "N 及以上的尺寸存为 PNG（默认 256）"};
constexpr Message kPngAllHelp{"store every size as PNG", "所有尺寸都存为 PNG"};
constexpr Message kBmpAllHelp{"store every size as a 32-bit bitmap", "所有尺寸都存为 32 位位图"};
constexpr Message kCursorHelp{"write a cursor, hot spot X,Y in the largest picture's pixels",
                              "生成光标，热点 X,Y 以最大图片的像素计"};
constexpr Message kGroupHelp{"from a module, .res or .ani, the group of this id or name (letter case ignored) "
                             "instead of the one Explorer shows",
                             "从模块、.res 或 .ani 中取此编号或名称的图标组（不分大小写），而不是资源管理器显示的那个"};
constexpr Message kNoSuchGroupIn{"cannot make an icon of {1}: it holds no group {2}", "无法用 {1} 生成图标：其中没有图标组 {2}"};
constexpr Message kNoIconAtIndex{"cannot make an icon of {1}: it holds no icon at index {2}, "
                                 "which the shortcut {3} names",
                                 "无法用 {1} 生成图标：其中没有快捷方式 {3} 所指的序号为 {2} 的图标"};
constexpr Message kUpscaleHelp{"also make sizes larger than every picture", "也生成大于所有图片的尺寸"};

constexpr Message kBadSizes{"--sizes takes whole numbers from 1 to 256 separated by commas, not {1}",
                            "--sizes 需要以逗号分隔的 1 到 256 的整数，而不是 {1}"};
constexpr Message kBadHotSpot{"--cursor takes two whole numbers X,Y from 0 to 65535, not {1}",
                              "--cursor 需要两个 0 到 65535 的整数 X,Y，而不是 {1}"};
constexpr Message kFormatsExclude{"--png-at, --png-all and --bmp-all exclude each other",
                                  "--png-at、--png-all 和 --bmp-all 只能给出一个"};
constexpr Message kLeftOut{"size {1} left out: larger than every picture (--upscale makes it)",
                           "略去尺寸 {1}：大于所有图片（--upscale 可生成）"};
constexpr Message kTooSmall{"cannot make an icon of {1}: every size asked for is larger than the picture ({2}); "
                            "--upscale makes them anyway",
                            "无法用 {1} 生成图标：所要的尺寸都大于图片（{2}）；--upscale 可照样生成"};
constexpr Message kHotSpotOutsideText{"cannot make a cursor of {1}: the hot spot lies outside the picture ({2})",
                                  "无法用 {1} 生成光标：热点在图片（{2}）之外"};
constexpr Message kNoIconIn{"cannot make an icon of {1}: it holds no icon", "无法用 {1} 生成图标：其中没有图标"};
constexpr Message kNotAPicture{"cannot read {1}: not a picture icoforge can read, damaged, or too large",
                               "无法读取 {1}：不是 icoforge 能读取的图片、已损坏或过大"};
constexpr Message kNoSvg{"cannot read {1}: SVG needs librsvg, which this build of icoforge lacks",
                         "无法读取 {1}：SVG 需要 librsvg，而此版本的 icoforge 没有它"};
constexpr Message kNoWebp{"cannot read {1}: WebP needs libwebp, which this build of icoforge or this machine lacks",
                          "无法读取 {1}：WebP 需要 libwebp，而此版本的 icoforge 或本机没有它"};
constexpr Message kUnreadKindText{"cannot read {1}: a {2} picture, which icoforge does not read; a JPEG or PNG of it "
                                  "will do",
                                  "无法读取 {1}：这是 {2} 图片，icoforge 不能读取；请改用它的 JPEG 或 PNG"};
constexpr Message kOutputIsInput{"will not write {1}: it is the picture {2} itself", "不会写入 {1}：它就是图片 {2} 本身"};

// "W x H" from the reason MakeIcon gives, which names the picture's size in parentheses.
std::string SizeIn(const std::string& reason) {
    const auto open = reason.find('(');
    const auto close = reason.find(')', open);
    return open == std::string::npos || close == std::string::npos ? "" : reason.substr(open + 1, close - open - 1);
}

// A picture that stands for a shortcut, for the message when its icon index names no group.
struct FromShortcut {
    std::string shortcut;
    std::int32_t index;
};

// Puts in place of each shortcut among the pictures the icon Explorer shows for it: the
// file of the icon it names, with the group its index picks (unless `--group` chose one),
// else its target. False, with the failure told, where a shortcut leads nowhere.
bool ReplaceShortcuts(const Invocation& run, MakeOptions& options, bool index_chooses,
                      std::vector<std::optional<FromShortcut>>& shown) {
    shown.assign(options.pictures.size(), std::nullopt);
    options.picture_groups.resize(options.pictures.size());
    for (std::size_t i = 0; i < options.pictures.size(); ++i) {
        std::string& picture = options.pictures[i];
        auto icon = FileOfShownIcon(run, picture, msg::kCannotMakeIcon);
        if (!icon) return false;
        if (icon->index != 0) {
            if (index_chooses) options.picture_groups[i] = IconAtIndex(icon->index);
            shown[i] = FromShortcut{picture, icon->index};
        }
        picture = std::move(icon->file);
    }
    return true;
}

int Run(const Invocation& run) {
    MakeOptions options;
    options.pictures = run.Operands("PICTURE");
    if (const auto out = run.Value("--output")) options.output = *out;
    if (const auto list = run.Value("--sizes")) {
        auto sizes = ParseIconSizes(*list);
        if (!sizes) return run.UsageError(run.Text(kBadSizes, {Quoted(*list)}));
        options.request.sizes = std::move(*sizes);
    }
    if (run.Has("--png-at") + run.Has("--png-all") + run.Has("--bmp-all") > 1) return run.UsageError(run.Text(kFormatsExclude));
    if (const auto at = run.Number("--png-at")) options.request.png_from_size = static_cast<std::uint32_t>(*at);
    if (run.Has("--png-all")) options.request.png_from_size = 1;
    if (run.Has("--bmp-all")) options.request.png_from_size = kNeverPng;
    if (const auto spot = run.Value("--cursor")) {
        const auto xy = WholeNumberPair(*spot, 0, 0xFFFF);
        if (!xy) return run.UsageError(run.Text(kBadHotSpot, {Quoted(*spot)}));
        options.request.cursor = HotSpot{static_cast<std::uint32_t>(xy->first), static_cast<std::uint32_t>(xy->second)};
    }
    options.request.upscale = run.Has("--upscale");
    const auto group = run.Value("--group");
    if (group && group->empty()) return run.UsageError(run.Text(msg::kNeedsValue, {"--group"}));
    if (group) options.group = [&](const catalogue::CatalogueGroup& g) { return GroupIsCalled(g, *group); };
    // The icon goes beside what the user named, even when a module's icons are read elsewhere.
    if (options.output.empty() && !options.pictures.empty())
        options.output = DefaultIconPath(options.pictures.front(), options.request.cursor.has_value());
    std::vector<std::optional<FromShortcut>> shown;
    if (!ReplaceShortcuts(run, options, !group, shown)) return kExitFailure;

    auto outcome = MakeIconFile(options);
    // A Windows 10 or 11 system module without icons of its own gives those of its .mun,
    // looked for only then (as thumbnail looks), so that every other file is read once.
    while (!outcome && outcome.error().what == kHoldsNoIcon) {
        const auto module = std::find(options.pictures.begin(), options.pictures.end(), outcome.error().path);
        if (module == options.pictures.end()) break;
        const std::string mun = IconSourceFor(run, *module);
        if (mun == *module) break;
        *module = mun;
        outcome = MakeIconFile(options);
    }
    if (!outcome) {
        const icoforge::Failure& f = outcome.error();
        const std::string path = Quoted(f.path);
        if (f.what == kOutputIsPicture) return run.Fail(run.Text(kOutputIsInput, {path, Quoted(f.reason)}));
        if (f.what == kEverySizeTooLarge) return run.Fail(run.Text(kTooSmall, {path, SizeIn(f.reason)}));
        if (f.what == kHotSpotOutside) return run.Fail(run.Text(kHotSpotOutsideText, {path, SizeIn(f.reason)}));
        if (f.what == kNotDecoded && f.reason == UnreadPictureReason()) return run.Fail(run.Text(kNotAPicture, {path}));
        if (f.what == kNotDecoded) return CannotRead(run, f.path, f.reason);
        if (f.what == kHoldsNoIcon) return run.Fail(run.Text(kNoIconIn, {path}));
        if (f.what == kHoldsNoSuchGroup && group) return run.Fail(run.Text(kNoSuchGroupIn, {path, Quoted(*group)}));
        if (f.what == kHoldsNoSuchGroup) {
            // Without --group, the group came from the shortcut the picture stands for.
            const auto at = static_cast<std::size_t>(
                std::find(options.pictures.begin(), options.pictures.end(), f.path) - options.pictures.begin());
            if (at < shown.size() && shown[at]) {
                const std::string index = std::to_string(shown[at]->index);
                return run.Fail(run.Text(kNoIconAtIndex, {path, index, Quoted(shown[at]->shortcut)}));
            }
        }
        if (f.what == kSvgUnsupported) return run.Fail(run.Text(kNoSvg, {path}));
        if (f.what == kWebpUnsupported) return run.Fail(run.Text(kNoWebp, {path}));
        if (f.what == kUnreadKind) return run.Fail(run.Text(kUnreadKindText, {path, f.reason}));
        return Report(run, f);
    }
    for (std::uint32_t side : outcome->made.left_out_sizes)
        run.console().Progress(run.Text(kLeftOut, {std::to_string(side)}));
    run.console().Path(outcome->output);
    return kExitSuccess;
}

constexpr OptionRow kOptions[] = {
    {"-o", "--output", "OUT.ico", kOutputHelp},
    {"", "--sizes", "LIST", kSizesHelp},
    {"", "--png-at", "N", kPngAtHelp, NumberFrom(1, kLargestIconSide)},
    {"", "--png-all", "", kPngAllHelp},
    {"", "--bmp-all", "", kBmpAllHelp},
    {"", "--cursor", "X,Y", kCursorHelp},
    {"", "--group", "ID|NAME", kGroupHelp},
    {"", "--upscale", "", kUpscaleHelp},
};
constexpr OperandRow kOperands[] = {{"PICTURE", Arity::kOneOrMore}};

}  // namespace

const Subcommand kMakeCommand{"make", kSummary, kDescription, kOptions, kOperands, Run};

}  // namespace icoforge::cli
