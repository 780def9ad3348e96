#include <cstdio>
#include <limits>

#include "cli/commands.h"
#include "iconextract/extract.h"

namespace icoforge::cli {
namespace {

constexpr const char* kUsage =
    "usage: icoforge group SOURCE INDEX OUTPUT\n"
    "  Writes icon group INDEX (1 for the first; below 1 counts as 1) of SOURCE to OUTPUT.\n"
    "  SOURCE is a module or an icon file, told apart by the last three letters of its\n"
    "  name: exe, dll, icl or ico. OUTPUT ending in ico receives the whole group; ending\n"
    "  in bmp, the colour part of the group's first image. Prints the number of groups in\n"
    "  SOURCE (0 when INDEX lies beyond them); exits with 1 when nothing was written.\n";

const char* Reason(ExtractFailure failure) {
    switch (failure) {
        case ExtractFailure::None: return "";
        case ExtractFailure::NoOutputPath: return "no output path";
        case ExtractFailure::UnsupportedSource: return "the source's name does not end in exe, dll, icl or ico";
        case ExtractFailure::ModuleNotMapped: return "the source is not a module that can be read";
        case ExtractFailure::NoGroups: return "the source holds no icon groups";
        case ExtractFailure::IndexOutOfRange: return "the index lies beyond the source's icon groups";
        case ExtractFailure::IconFileNotRead: return "the icon file is missing, damaged or not an icon file";
        case ExtractFailure::GroupNotLoaded: return "the icon group or one of its images is missing or damaged";
        case ExtractFailure::UnsupportedOutput: return "the output's name does not end in ico or bmp";
        case ExtractFailure::NoImages: return "the icon group has no images";
        case ExtractFailure::ImageRefused: return "the first image is not a bitmap that can be written as .bmp";
        case ExtractFailure::WriteFailed: return "the output file could not be written";
    }
    return "nothing written";
}

}  // namespace

int RunGroup(const Args& args) {
    if (WantsHelp(args)) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (args.size() != 3) return UsageError("group takes SOURCE INDEX OUTPUT", kUsage);
    long long index = 0;
    if (!ParseInt(args[1], index) || index > std::numeric_limits<std::int32_t>::max())
        return UsageError("INDEX must be a whole number", kUsage);
    if (index < 1) index = 1;
    const ExtractOutcome outcome =
        ExtractIconGroupOutcome(args[0], kModeWriteFile, args[2], static_cast<std::int32_t>(index));
    std::printf("%d\n", static_cast<int>(outcome.groups));
    if (!outcome.written) return Failure(std::string(Reason(outcome.failure)) + "; nothing written");
    return 0;
}

}  // namespace icoforge::cli
