#include <cstdio>

#include "cli/commands.h"
#include "imageconv/convert.h"
#include "platform/file_io.h"
#include "platform/temp_mapping.h"

namespace icoforge::cli {
namespace {

constexpr const char* kUsage =
    "usage: icoforge convert SOURCE OUTPUT.bmp\n"
    "  Writes the picture SOURCE (JPEG, BMP, TIFF, PNG, PCX or PhotoCD, recognised by content)\n"
    "  as an uncompressed 24-bit BMP. Prints OUTPUT; exits with 1, OUTPUT as it was, when\n"
    "  SOURCE cannot be read or converted or OUTPUT cannot be written.\n";

// The conversion answers with a code only; what the system can still tell is asked here.
std::string WhyNotConverted(std::int32_t code, const std::string& source, const std::string& output) {
    switch (code) {
        case kConvertSourceNotFound:
        case kConvertNotDecoded:
            if (const auto why = WhyNotReadable(source)) return "cannot read " + Quoted(source) + ": " + why->reason;
            // Every picture is decoded through files of the temporary folder.
            if (!TempFolderPath()) return "cannot convert " + Quoted(source) + ": no usable folder for temporary files";
            return "cannot convert " + Quoted(source) + ": not a supported picture, damaged, or too large";
        case kConvertCannotWrite:
            return "cannot write " + Quoted(output) + ": the file could not be created or written whole";
        default:
            return "cannot convert " + Quoted(source);
    }
}

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
    const std::int32_t code = ConvertToBmp(source, output);
    if (code == kConvertOk) return PrintPath(output);
    return Failure(WhyNotConverted(code, source, output));
}

}  // namespace icoforge::cli
