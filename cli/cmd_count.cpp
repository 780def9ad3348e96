#include "cli/commands.h"
#include "cli/shortcut.h"
#include "iconextract/extract.h"

namespace icoforge::cli {
namespace {

constexpr Message kSummary{"number of icons in FILE", "FILE 中的图标数"};
constexpr Message kDescription{
    "Prints the number of icons in FILE, judged by its content: the number of icon groups of a\n"
    "Windows module (PE or 16-bit NE), 1 for an icon or cursor file, 0 for anything else. A\n"
    "shortcut is followed to its target.",
    "按内容输出 FILE 中的图标数：Windows 模块（PE 或 16 位 NE）的图标组数，图标或光标文件为 1，\n"
    "其他文件为 0。快捷方式按其目标计算。"};

int Run(const Invocation& run) {
    const auto file = FileBehindShortcut(run, run.Operand("FILE"));
    if (!file) return kExitFailure;
    run.console().Answer(std::to_string(GetIconCount(*file)));
    return kExitSuccess;
}

constexpr OperandRow kOperands[] = {{"FILE"}};

}  // namespace

const Subcommand kCountCommand{"count", kSummary, kDescription, {}, kOperands, Run};

}  // namespace icoforge::cli
