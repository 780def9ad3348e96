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
constexpr Message kNotASource{"cannot read {1}: neither a Windows module nor an icon file",
                              "无法读取 {1}：既不是 Windows 模块也不是图标文件"};
constexpr Message kModuleUnreadable{"cannot read {1}: not a module that can be read", "无法读取 {1}：不是可读的模块"};
constexpr Message kNoGroups{"{1} holds no icon groups", "{1} 不含图标组"};
constexpr Message kBeyondGroups{"{1} holds {2} icon groups: there is no group {3}", "{1} 只有 {2} 个图标组：没有第 {3} 个"};
constexpr Message kIconFileDamaged{"cannot read {1}: damaged, or not an icon file", "无法读取 {1}：已损坏或不是图标文件"};
constexpr Message kGroupDamaged{"cannot read {1}: the icon group or one of its images is missing or damaged",
                                "无法读取 {1}：图标组或其中的图像缺失或已损坏"};
constexpr Message kNoImages{"the icon group of {1} has no images", "{1} 的图标组没有图像"};
constexpr Message kImageRefused{"the first image of the group in {1} is not a bitmap that can be written as .bmp",
                                "{1} 中该组的第一个图像不是可以写成 .bmp 的位图"};
constexpr Message kNothingWritten{"nothing written from {1}", "没有从 {1} 写出任何文件"};

// An icon file by its content under a name the extractor does not take for one: its one
// group is written here as the extractor writes an .ico source's.
ExtractOutcome WriteIconFileGroup(const std::string& source, const std::string& output, std::int64_t index) {
    ExtractOutcome outcome;
    const auto group = ReadIcoFile(source);
    if (!group) return {0, false, ExtractFailure::IconFileNotRead, {}};
    outcome.groups = 1;
    if (index > 1) return {1, false, ExtractFailure::IndexOutOfRange, {}};
    if (OutputKindOf(output) == OutputKind::Bitmap) {
        if (group->images.empty()) return {1, false, ExtractFailure::NoImages, {}};
        const auto& image = group->images.front();
        if (image.encoding != ImageEncoding::Dib || !image.complete) return {1, false, ExtractFailure::ImageRefused, {}};
        outcome.written = WriteBmpFile(output, image, &outcome.write_error);
    } else {
        outcome.written = WriteIcoFile(*group, output, &outcome.write_error);
    }
    if (!outcome.written) outcome.failure = ExtractFailure::WriteFailed;
    return outcome;
}

int Run(const Invocation& run) {
    const std::string& source = run.Operand("SOURCE");
    const std::string& output = run.Operand("OUTPUT");
    const std::int64_t index = *run.Number("INDEX");
    // The output's name decides what is written: a name that fits neither is refused
    // before the source is read.
    if (OutputKindOf(output) == OutputKind::Other) return run.UsageError(run.Text(kBadOutputName, {Quoted(output)}));
    if (const auto why = WhyNotReadable(source)) return CannotRead(run, source, why->reason);
    if (IsSameFile(source, output)) return OutputIsSource(run, source, output);

    const bool icon_by_content =
        SourceKindOf(source) == SourceKind::Other && !IsModuleFile(source) && GetIconCount(source) > 0;
    const ExtractOutcome outcome =
        icon_by_content ? WriteIconFileGroup(source, output, index)
                        : ExtractIconGroupOutcome(source, kModeWriteFile, output, static_cast<std::int32_t>(index));
    const std::string from = Quoted(source);
    // A failure before the groups were counted reports 0; only a count is worth telling.
    const std::int32_t groups = outcome.groups > 0 ? outcome.groups : GetIconCount(source);
    if (groups > 0) run.console().Detail(run.Text(kGroupCount, {from, std::to_string(groups)}));
    if (outcome.written) {
        run.console().Path(output);
        return kExitSuccess;
    }
    switch (outcome.failure) {
        case ExtractFailure::UnsupportedSource: return run.Fail(run.Text(kNotASource, {from}));
        case ExtractFailure::ModuleNotMapped: return run.Fail(run.Text(kModuleUnreadable, {from}));
        case ExtractFailure::NoGroups: return run.Fail(run.Text(kNoGroups, {from}));
        case ExtractFailure::IndexOutOfRange:
            return run.Fail(run.Text(kBeyondGroups, {from, std::to_string(groups), std::to_string(index)}));
        case ExtractFailure::IconFileNotRead: return run.Fail(run.Text(kIconFileDamaged, {from}));
        case ExtractFailure::GroupNotLoaded: return run.Fail(run.Text(kGroupDamaged, {from}));
        case ExtractFailure::NoImages: return run.Fail(run.Text(kNoImages, {from}));
        case ExtractFailure::ImageRefused: return run.Fail(run.Text(kImageRefused, {from}));
        case ExtractFailure::WriteFailed: return CannotWrite(run, output, outcome.write_error.reason);
        case ExtractFailure::UnsupportedOutput:
        case ExtractFailure::NoOutputPath:
        case ExtractFailure::None:
            break;
    }
    return run.Fail(run.Text(kNothingWritten, {from}));
}

constexpr OperandSpec kOperands[] = {{"SOURCE"}, {"INDEX", Arity::kOne, kIndexRule}, {"OUTPUT"}};

}  // namespace

const Subcommand kGroupCommand{"group", kSummary, kDescription, {}, kOperands, Run};

}  // namespace icoforge::cli
