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
int Run(const Invocation& run) {
    const std::string& source = run.Operand("SOURCE");
    const std::string& output = run.Operand("OUTPUT.bmp");
    if (IsSameFile(source, output)) return OutputIsSource(run, source, output);
    if (const auto converted = ConvertToBmpOutcome(source, output); !converted) return Report(run, converted.error());
    run.console().Path(output);
    return kExitSuccess;
}

constexpr OperandRow kOperands[] = {{"SOURCE"}, {"OUTPUT.bmp"}};

}  // namespace

const Subcommand kConvertCommand{"convert", kSummary, kDescription, {}, kOperands, Run};

}  // namespace icoforge::cli
