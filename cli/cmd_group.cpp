#include <cstdio>
#include <limits>

#include "cli/commands.h"
#include "iconextract/extract.h"
#include "platform/file_io.h"

namespace icoforge::cli {
namespace {

constexpr const char* kUsage =
    "usage: icoforge group [-v] SOURCE INDEX OUTPUT\n"
    "  Writes icon group INDEX (1 for the first; below 1 counts as 1) of SOURCE to OUTPUT.\n"
    "  SOURCE is a Windows module (known by its content, whatever its name) or a file\n"
    "  whose name ends in ico, exe, dll or icl. OUTPUT ending in ico receives the whole group; ending\n"
    "  in bmp, the colour part of the group's first image. Prints OUTPUT; exits with 1\n"
    "  when nothing was written.\n"
    "  -v  also tell, on standard error, how many groups SOURCE holds\n";

constexpr OptionRule kOptions[] = {{"-v", false}};

// Failures of the source that the system may explain better (missing, a folder, a FIFO).
bool IsReadFailure(ExtractFailure failure) {
    return failure == ExtractFailure::ModuleNotMapped || failure == ExtractFailure::IconFileNotRead;
}

std::string WhyNothingWritten(const ExtractOutcome& outcome, const std::string& source, const std::string& output) {
    const std::string from = Quoted(source);
    switch (outcome.failure) {
        case ExtractFailure::None:
        case ExtractFailure::NoOutputPath:
            return "no output path";
        case ExtractFailure::UnsupportedSource:
            return "cannot read " + from + ": not a module, and its name does not end in exe, dll, icl or ico";
        case ExtractFailure::ModuleNotMapped:
            return "cannot read " + from + ": not a module that can be read";
        case ExtractFailure::NoGroups:
            return from + " holds no icon groups";
        case ExtractFailure::IndexOutOfRange:
            return "the index lies beyond the icon groups of " + from;
        case ExtractFailure::IconFileNotRead:
            return "cannot read " + from + ": damaged, or not an icon file";
        case ExtractFailure::GroupNotLoaded:
            return "cannot read " + from + ": the icon group or one of its images is missing or damaged";
        case ExtractFailure::UnsupportedOutput:
            return "cannot write " + Quoted(output) + ": its name does not end in ico or bmp";
        case ExtractFailure::NoImages:
            return "the icon group of " + from + " has no images";
        case ExtractFailure::ImageRefused:
            return "the first image of the group in " + from + " is not a bitmap that can be written as .bmp";
        case ExtractFailure::WriteFailed:
            return "cannot write " + Quoted(output) + ": " + outcome.write_error.reason;
    }
    return "nothing written";
}

}  // namespace

int RunGroup(const Args& args) {
    CommandLine line;
    std::string problem;
    if (!ParseCommandLine(args, kOptions, line, problem)) return UsageError(problem, kUsage);
    if (line.help) return ShowHelp(kUsage);
    if (line.operands.size() != 3) return UsageError("group takes SOURCE INDEX OUTPUT", kUsage);
    const std::string& source = line.operands[0];
    const std::string& output = line.operands[2];
    long long index = 0;
    if (!ParseInt(line.operands[1], index) || index > std::numeric_limits<std::int32_t>::max())
        return UsageError("INDEX must be a whole number", kUsage);
    if (index < 1) index = 1;
    if (IsSameFile(source, output)) return OutputIsSource(source, output);

    const ExtractOutcome outcome =
        ExtractIconGroupOutcome(source, kModeWriteFile, output, static_cast<std::int32_t>(index));
    // A failure before the groups were counted reports 0; only a count is worth telling.
    if (line.Has("-v") && outcome.groups > 0)
        std::fprintf(stderr, "icoforge: %s holds %d icon groups\n", Quoted(source).c_str(), outcome.groups);
    if (outcome.written) return PrintPath(output);
    if (IsReadFailure(outcome.failure)) {
        if (const auto why = WhyNotReadable(source)) return CannotRead(source, why->reason);
    }
    return Failure(WhyNothingWritten(outcome, source, output));
}

}  // namespace icoforge::cli
