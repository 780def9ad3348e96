#include "cli/commands.h"
#include "platform/file_io.h"
#include "platform/shell_services.h"
#include "shell/shell_link.h"
#include "shell/shell_paths.h"

namespace icoforge::cli {
namespace {

constexpr Message kSummary{"target path stored in a shortcut file", "快捷方式文件中保存的目标路径"};
constexpr Message kDescription{
    "Prints the target path stored in the shell link SHORTCUT (a .lnk file), as stored: the\n"
    "target is not searched for and need not exist. Exits with status 1 when SHORTCUT is no\n"
    "shell link or stores no file path.",
    "输出快捷方式 SHORTCUT（.lnk 文件）中按原样保存的目标路径：不查找目标，目标也不必存在。\n"
    "SHORTCUT 不是快捷方式或不含文件路径时退出状态为 1。"};
constexpr Message kNotALink{"cannot resolve {1}: not a shell link", "无法解析 {1}：不是快捷方式"};
constexpr Message kNotLinkName{"cannot resolve {1}: its name does not end in .lnk",
                               "无法解析 {1}：文件名不以 .lnk 结尾"};
constexpr Message kNoPath{"cannot resolve {1}: a link with no file path (it stores: {2})",
                          "无法解析 {1}：这个快捷方式不含文件路径（它保存的是：{2}）"};

// A shortcut is a few kilobytes; anything far larger is no shortcut to read whole.
constexpr std::uint64_t kMaxShortcutBytes = 1024 * 1024;

int Run(const Invocation& run) {
    const std::string& shortcut = run.Operand("SHORTCUT");
    const ShellSession session;
    const std::string target = ResolveShortcut(shortcut);
    if (!target.empty()) {
        run.console().Path(target);
        return kExitSuccess;
    }
    // The shell answers only with a path or nothing; the reason is found afterwards.
    const auto link = ReadWholeFile(shortcut, kMaxShortcutBytes);
    if (!link) return Report(run, link.error());
    if (!IsShellLink(*link)) return run.Fail(run.Text(kNotALink, {Quoted(shortcut)}));
    if (!HasShortcutExtension(shortcut)) return run.Fail(run.Text(kNotLinkName, {Quoted(shortcut)}));
    const std::string url = ShellLinkStoredUrl(*link);
    return run.Fail(run.Text(kNoPath, {Quoted(shortcut), url.empty() ? run.Text(msg::kOutsideFileSystem) : url}));
}

constexpr OperandRow kOperands[] = {{"SHORTCUT"}};

}  // namespace

const Subcommand kResolveCommand{"resolve", kSummary, kDescription, {}, kOperands, Run};

}  // namespace icoforge::cli
