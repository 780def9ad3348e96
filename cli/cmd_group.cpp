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
    return ReportFailure(outcome.written.error());
}

}  // namespace icoforge::cli
