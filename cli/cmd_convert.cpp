#include <cstdio>

#include "cli/commands.h"
#include "imageconv/convert.h"
#include "platform/file_io.h"

namespace icoforge::cli {
namespace {

constexpr const char* kUsage =
    "usage: icoforge convert SOURCE OUTPUT.bmp\n"
    "  Writes the picture SOURCE (JPEG, BMP, TIFF, PNG, PCX or PhotoCD, recognised by content)\n"
    "  as an uncompressed 24-bit BMP. Prints OUTPUT; exits with 1, OUTPUT as it was, when\n"
    "  SOURCE cannot be read or converted or OUTPUT cannot be written.\n";

}  // namespace

int RunConvert(const Args& args) {
    CommandLine line;
    std::string problem;
    if (!ParseCommandLine(args, {}, line, problem)) return UsageError(problem, kUsage);
    if (line.help) return ShowHelp(kUsage);
    if (line.operands.size() != 2) return UsageError("convert takes a source and an output path", kUsage);
    const std::string& source = line.operands[0];
    const std::string& output = line.operands[1];
    if (IsSameFile(source, output)) return OutputIsSource(source, output);
    const auto converted = ConvertToBmpOutcome(source, output);
    if (converted) return PrintPath(output);
    return ReportFailure(converted.error());
}

}  // namespace icoforge::cli
