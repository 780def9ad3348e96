#include "cli/catalogue_tool.h"
#include "cli/commands.h"

namespace icoforge::cli {
namespace {

constexpr Message kSummary{"every icon, cursor and animation FILE holds, with sizes (--json for scripts)",
                           "列出 FILE 中的每个图标、光标和动画及其尺寸（脚本请用 --json）"};
constexpr Message kDescription{
    "Lists every icon group, cursor group, animated icon and animated cursor of each FILE (a\n"
    "Windows module, a .res file, or an .ico, .cur or .ani file): each language variant on a\n"
    "line of its own with the index `group` and `extract` use for it, and every image's true\n"
    "size, depth and format, largest first (48x48/32,8,4 bmp: three depths of one size); then\n"
    "the images no group names (orphans) and the problems found.\n"
    "A module without icons whose SystemResources .mun exists is read from there. With --json,\n"
    "one JSON object per FILE per line (the fields are in the README). A FILE that cannot be\n"
    "read gives its line with \"error\", and the exit status is 1.",
    "列出每个 FILE（Windows 模块、.res 文件，或 .ico、.cur、.ani 文件）中的每个图标组、光标组、\n"
    "动画图标和动画光标：每个语言版本各占一行，带有 `group` 和 `extract` 所用的序号，以及每幅\n"
    "图像的真实尺寸、位深和格式，大的在前（48x48/32,8,4 bmp：同一尺寸的三种位深）；然后是\n"
    "没有图标组引用的图像（孤立图像）和发现的问题。\n"
    "不含图标的模块若有对应的 SystemResources .mun 文件，则从那里读取。使用 --json 时，每个\n"
    "FILE 输出一行 JSON 对象（字段见 README）。无法读取的 FILE 输出带 \"error\" 的一行，退出状态为 1。"};
constexpr Message kJsonHelp{"one JSON object per FILE per line", "每个 FILE 输出一行 JSON 对象"};

int Run(const Invocation& run) { return ListFiles(run, run.Operands("FILE"), run.Has("--json")); }

constexpr OptionRow kOptions[] = {{"", "--json", "", kJsonHelp}};
constexpr OperandRow kOperands[] = {{"FILE", Arity::kOneOrMore}};

}  // namespace

const Subcommand kListCommand{"list", kSummary, kDescription, kOptions, kOperands, Run};

}  // namespace icoforge::cli
