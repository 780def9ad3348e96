#include "cli/commands.h"
#include "imageconv/convert.h"
#include "platform/file_io.h"

namespace icoforge::cli {
namespace {

constexpr Message kSummary{"any supported picture to a 24-bit BMP", "把支持的图片转换为 24 位 BMP"};
constexpr Message kDescription{
    "Writes the picture SOURCE (JPEG, BMP, TIFF, PNG, PCX or PhotoCD, recognised by content) as an\n"
    "uncompressed 24-bit BMP. Prints OUTPUT; exits with 1, OUTPUT as it was, when SOURCE cannot be\n"
    "read or converted or OUTPUT cannot be written.",
    "把图片 SOURCE（JPEG、BMP、TIFF、PNG、PCX 或 PhotoCD，按内容识别）写成未压缩的 24 位 BMP。\n"
    "输出 OUTPUT；SOURCE 无法读取或转换、或 OUTPUT 无法写入时退出状态为 1，OUTPUT 保持原样。"};
constexpr Message kNotAPicture{"cannot convert {1}: not a supported picture, or damaged",
                               "无法转换 {1}：不是支持的图片，或已损坏"};
constexpr Message kTooLarge{"cannot convert {1}: the picture has more than {2} pixels",
                            "无法转换 {1}：图片超过 {2} 个像素"};
constexpr Message kTempFolder{"cannot convert {1}: the temporary folder {2} cannot be used{3}",
                              "无法转换 {1}：临时文件夹 {2} 无法使用{3}"};
constexpr Message kNotConverted{"cannot convert {1}", "无法转换 {1}"};

int Run(const Invocation& run) {
    const std::string& source = run.Operand("SOURCE");
    const std::string& output = run.Operand("OUTPUT.bmp");
    if (IsSameFile(source, output)) return OutputIsSource(run, source, output);
    const ConvertOutcome outcome = ConvertToBmpOutcome(source, output);
    if (outcome.result == kConvertOk) {
        run.console().Path(output);
        return kExitSuccess;
    }
    const std::string reason = outcome.system_reason.empty() ? "?" : outcome.system_reason;
    switch (outcome.problem) {
        case ConvertProblem::SourceNotFound:
        case ConvertProblem::SourceUnreadable:
            if (const auto why = WhyNotReadable(source)) return CannotRead(run, source, why->reason);
            return CannotRead(run, source, reason);
        case ConvertProblem::NotAPicture:
            return run.Fail(run.Text(kNotAPicture, {Quoted(source)}));
        case ConvertProblem::PictureTooLarge:
            return run.Fail(run.Text(kTooLarge, {Quoted(source), std::to_string(kMaxPicturePixels)}));
        case ConvertProblem::TempFolderUnusable:
            return run.Fail(run.Text(kTempFolder, {Quoted(source), Quoted(outcome.subject),
                                                   outcome.system_reason.empty() ? "" : ": " + outcome.system_reason}));
        case ConvertProblem::DestinationUnwritable:
            return CannotWrite(run, output, reason);
        case ConvertProblem::MissingArgument:
        case ConvertProblem::None:
            break;
    }
    return run.Fail(run.Text(kNotConverted, {Quoted(source)}));
}

constexpr OperandSpec kOperands[] = {{"SOURCE"}, {"OUTPUT.bmp"}};

}  // namespace

const Subcommand kConvertCommand{"convert", kSummary, kDescription, {}, kOperands, Run};

}  // namespace icoforge::cli
