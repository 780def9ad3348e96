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

std::string WhyNotConverted(const ConvertOutcome& outcome, const std::string& source, const std::string& output) {
    const auto with_reason = [&](std::string text) {
        return outcome.system_reason.empty() ? text : text + ": " + outcome.system_reason;
    };
    switch (outcome.problem) {
        case ConvertProblem::SourceNotFound:
        case ConvertProblem::SourceUnreadable:
            if (const auto why = WhyNotReadable(source)) return "cannot read " + Quoted(source) + ": " + why->reason;
            return with_reason("cannot read " + Quoted(source));
        case ConvertProblem::NotAPicture:
            return "cannot convert " + Quoted(source) + ": not a supported picture, or damaged";
        case ConvertProblem::PictureTooLarge:
            return "cannot convert " + Quoted(source) + ": the picture has more than " +
                   std::to_string(kMaxPicturePixels) + " pixels";
        case ConvertProblem::TempFolderUnusable:
            return with_reason("cannot convert " + Quoted(source) + ": the temporary folder " +
                               Quoted(outcome.subject) + " cannot be used");
        case ConvertProblem::DestinationUnwritable:
            return with_reason("cannot write " + Quoted(output));
        case ConvertProblem::MissingArgument:
        case ConvertProblem::None:
            break;
    }
    return "cannot convert " + Quoted(source);
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
    const ConvertOutcome outcome = ConvertToBmpOutcome(source, output);
    if (outcome.result == kConvertOk) return PrintPath(output);
    return Failure(WhyNotConverted(outcome, source, output));
}

}  // namespace icoforge::cli
