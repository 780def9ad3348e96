#include "cli/commands.h"
#include "platform/shell_services.h"

namespace icoforge::cli {
namespace {

constexpr Message kSummary{"special folder N", "第 N 号特殊文件夹"};
constexpr Message kDescription{
    "Prints the well-known folder with number N, ending in the path separator:\n"
    "  1 documents      5 start menu          9 Windows directory\n"
    "  2 favourites     6 start menu programs 10 system directory\n"
    "  3 desktop        7 startup             11 temporary files\n"
    "  4 fonts          8 application data\n"
    "Outside Windows the XDG folders stand in for them; favourites, Windows and system\n"
    "directories have none there. Exit status 1 when the folder is not available.",
    "输出第 N 号常用文件夹，以路径分隔符结尾：\n"
    "  1 文档           5 开始菜单            9 Windows 目录\n"
    "  2 收藏夹         6 开始菜单中的程序    10 系统目录\n"
    "  3 桌面           7 启动                11 临时文件\n"
    "  4 字体           8 应用程序数据\n"
    "Windows 以外由 XDG 文件夹代替；收藏夹、Windows 目录和系统目录在那里没有对应。\n"
    "文件夹不可用时退出状态为 1。"};
constexpr Message kNotAvailable{"special folder {1} is not available here", "这里没有第 {1} 号特殊文件夹"};

// The folder numbers the shell knows.
constexpr std::int64_t kFirstFolder = 1;
constexpr std::int64_t kLastFolder = 11;

int Run(const Invocation& run) {
    const auto number = static_cast<std::int32_t>(*run.Number("N"));
    const std::string folder = GetSpecialFolder(number);
    if (folder.empty()) return run.Fail(run.Text(kNotAvailable, {std::to_string(number)}));
    run.console().Path(folder);
    return kExitSuccess;
}

constexpr OperandRow kOperands[] = {{"N", Arity::kOne, NumberFrom(kFirstFolder, kLastFolder)}};

}  // namespace

const Subcommand kFolderCommand{"folder", kSummary, kDescription, {}, kOperands, Run};

}  // namespace icoforge::cli
