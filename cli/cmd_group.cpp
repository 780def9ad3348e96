#include "cli/commands.h"
#include "iconextract/extract.h"
#include "iconextract/ico_reader.h"
#include "iconextract/icon_writers.h"
#include "platform/file_io.h"

namespace icoforge::cli {
namespace {

constexpr Message kSummary{"one icon group of SOURCE as .ico (or its first image as .bmp)",
                           "把 SOURCE 的一个图标组写成 .ico（或把它的第一个图像写成 .bmp）"};
constexpr Message kDescription{
    "Writes icon group INDEX (1 for the first) of SOURCE to OUTPUT. SOURCE is a Windows module or\n"
    "an icon file, known by its content whatever its name. OUTPUT ending in .ico receives the\n"
    "whole group; ending in .bmp, the colour part of the group's first image. Prints OUTPUT;\n"
    "exits with 1 when nothing was written. With -v, tells how many groups SOURCE holds.",
    "把 SOURCE 的第 INDEX 个图标组（1 为第一个）写入 OUTPUT。SOURCE 是 Windows 模块或图标文件，\n"
    "不论名称，按内容识别。OUTPUT 以 .ico 结尾时写入整个图标组；以 .bmp 结尾时写入该组第一个\n"
    "图像的彩色部分。输出 OUTPUT；什么也没写时退出状态为 1。加 -v 时报告 SOURCE 含有几个图标组。"};
constexpr Message kBadOutputName{"OUTPUT must end in .ico or .bmp, not {1}", "OUTPUT 必须以 .ico 或 .bmp 结尾，而不是 {1}"};
constexpr Message kGroupCount{"{1} holds {2} icon groups", "{1} 含有 {2} 个图标组"};
constexpr Message kBeyondGroups{"{1} holds {2} icon groups: there is no group {3}", "{1} 只有 {2} 个图标组：没有第 {3} 个"};

// An icon file by its content under a name the extractor does not take for one: its one
// group is written here as the extractor writes an .ico source's.
ExtractOutcome WriteIconFileGroup(const std::string& source, const std::string& output, std::int64_t index) {
    const auto group = ReadIcoFile(source);
    if (!group) return {0, Fail(group.error())};
    if (index > 1) return {1, Fail("read", source, kIndexBeyondGroupsText)};
    if (OutputKindOf(output) == OutputKind::IconFile) return {1, WriteIcoFile(*group, output)};
    if (group->images.empty()) return {1, Fail("write", output, kNoImagesText)};
    auto written = WriteBmpFile(output, group->images.front());
    if (!written && written.error().path.empty()) written.error().path = output;
    return {1, std::move(written)};
}

int Run(const Invocation& run) {
    const std::string& source = run.Operand("SOURCE");
    const std::string& output = run.Operand("OUTPUT");
    const std::int64_t index = *run.Number("INDEX");
    // The output's name decides what is written: a name that fits neither is refused
    // before the source is read.
    if (OutputKindOf(output) == OutputKind::Other) return run.UsageError(run.Text(kBadOutputName, {Quoted(output)}));
    if (const auto readable = CheckReadable(source); !readable) return Report(run, readable.error());
    if (IsSameFile(source, output)) return OutputIsSource(run, source, output);

    const bool icon_by_content =
        SourceKindOf(source) == SourceKind::Other && !IsModuleFile(source) && GetIconCount(source) > 0;
    const ExtractOutcome outcome =
        icon_by_content ? WriteIconFileGroup(source, output, index)
                        : ExtractIconGroupOutcome(source, kModeWriteFile, output, static_cast<std::int32_t>(index));
    // A failure before the groups were counted reports 0; only a count is worth telling.
    const std::int32_t groups = outcome.groups > 0 ? outcome.groups : GetIconCount(source);
    if (groups > 0) run.console().Detail(run.Text(kGroupCount, {Quoted(source), std::to_string(groups)}));
    if (outcome.written) {
        run.console().Path(output);
        return kExitSuccess;
    }
    if (outcome.written.error().reason == kIndexBeyondGroupsText && groups > 0)
        return run.Fail(run.Text(kBeyondGroups, {Quoted(source), std::to_string(groups), std::to_string(index)}));
    return Report(run, outcome.written.error());
}

constexpr OperandRow kOperands[] = {{"SOURCE"}, {"INDEX", Arity::kOne, kIndexRule}, {"OUTPUT"}};

}  // namespace

const Subcommand kGroupCommand{"group", kSummary, kDescription, {}, kOperands, Run};

}  // namespace icoforge::cli
