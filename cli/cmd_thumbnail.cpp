#include <string>

#include "cli/catalogue_tool.h"
#include "cli/commands.h"
#include "cli/shortcut.h"
#include "platform/file_io.h"
#include "platform/mapped_file.h"
#include "thumbnail/thumbnail.h"

namespace icoforge::cli {
namespace {

constexpr Message kSummary{"a file manager's thumbnail: FILE's icon as a PNG of SIZE pixels",
                           "文件管理器的缩略图：把 FILE 的图标写成 SIZE 像素的 PNG"};
constexpr Message kDescription{
    "Writes the icon Explorer shows for FILE as a PNG picture fitting a square of SIZE pixels:\n"
    "the first icon group of a Windows module (PE or NE, whatever its name), the icon of an\n"
    "icon file, a cursor, the first frame of an animation, or the icon a shortcut names (else\n"
    "its target's). The group's image of SIZE, or the next larger one scaled down, is used;\n"
    "a PNG image of SIZE is copied as stored. A smaller icon keeps its size unless --enlarge\n"
    "is given. Only the parts of FILE that hold the icon are read, so size does not matter.\n"
    "Writes OUT and exits with 0, or writes nothing and exits with 1, as file managers expect.",
    "把资源管理器为 FILE 显示的图标写成适合 SIZE 像素正方形的 PNG 图像：Windows 模块（PE 或 NE，\n"
    "不论名称）的第一个图标组、图标文件的图标、光标、动画的第一帧，或快捷方式指定的图标（没有\n"
    "时取其目标的图标）。使用该组中 SIZE 大小的图像，或把下一个更大的图像缩小；SIZE 大小的 PNG\n"
    "图像按原样复制。较小的图标保持原来大小，除非给出 --enlarge。只读取 FILE 中存放图标的部分，\n"
    "文件多大都无妨。写出 OUT 并以 0 退出，或什么也不写并以 1 退出，正如文件管理器所期望的。"};
constexpr Message kSizeHelp{"the square the picture fits, in pixels (default 256)", "图像适合的正方形边长，单位像素（默认 256）"};
constexpr Message kEnlargeHelp{"scale an icon smaller than SIZE up to SIZE", "把小于 SIZE 的图标放大到 SIZE"};
constexpr Message kNoThumbnail{"no thumbnail of {1}: {2}", "无法生成 {1} 的缩略图：{2}"};

constexpr std::uint32_t kDefaultSize = 256;

int Run(const Invocation& run) {
    const std::string& given = run.Operand("FILE");
    const std::string& output = run.Operand("OUT");
    ThumbnailRequest request;
    request.size = static_cast<std::uint32_t>(run.Number("--size").value_or(kDefaultSize));
    request.enlarge = run.Has("--enlarge");
    // A shortcut shows the icon it names, else its target's.
    const auto shown = FileOfShownIcon(run, given, kNoThumbnail);
    if (!shown) return kExitFailure;
    request.group = IconAtIndex(shown->index);
    const std::string& file = shown->file;
    if (IsSameFile(file, output)) return OutputIsSource(run, file, output);
    const auto mapped = MappedFile::Open(file);
    if (!mapped) return Report(run, mapped.error());

    auto png = MakeThumbnail(mapped->bytes(), request);
    // A Windows 10 or 11 system module without icons of its own shows those of its .mun,
    // looked for only then, so that every other thumbnail reads its file once.
    if (const std::string mun = png ? file : IconSourceFor(run, file); mun != file) {
        if (const auto mun_mapped = MappedFile::Open(mun)) png = MakeThumbnail(mun_mapped->bytes(), request);
    }
    if (!png) return run.Fail(run.Text(kNoThumbnail, {Quoted(given), png.error().reason}));
    if (auto written = WriteWholeFile(output, *png); !written) return Report(run, written.error());
    run.console().Path(output);
    return kExitSuccess;
}

constexpr OptionRow kOptions[] = {
    {"-s", "--size", "SIZE", kSizeHelp, NumberFrom(1, kMaxThumbnailSize)},
    {"", "--enlarge", "", kEnlargeHelp},
};
constexpr OperandRow kOperands[] = {{"FILE"}, {"OUT"}};

}  // namespace

const Subcommand kThumbnailCommand{"thumbnail", kSummary, kDescription, kOptions, kOperands, Run};

}  // namespace icoforge::cli
