// scan and index merge: the folder scan and the joining of shard indexes.

#include <cstdio>

#include "cli/commands.h"
#include "platform/file_walk.h"
#include "platform/replacing_file.h"
#include "scan/merge.h"
#include "scan/scan.h"

namespace icoforge::cli {
namespace {

constexpr const char* kScanUsage =
    "usage: icoforge scan [-o DIR] [--index FILE] [-j N] [--files-from FILE|-] [-0]\n"
    "                     [--shard K/N] [--resume] [--follow] [-q] ROOT...\n"
    "  Every icon, cursor and animation of every module and icon file under the ROOTs,\n"
    "  known by content whatever its name, written once into DIR (default: .) as\n"
    "  DIR/ab/SHA256.ico|.cur|.ani, and an index line for every time one was met\n"
    "  (FILE, default DIR/index.jsonl; CSV when FILE ends in .csv).\n"
    "  -j N              N workers (default: one per core)\n"
    "  --files-from FILE the paths to scan, one a line (NUL-ended with -0); - reads stdin\n"
    "  --shard K/N       only the paths of shard K of N (see `icoforge index merge`)\n"
    "  --resume          go on from the index: files indexed with the same size and\n"
    "                    modification time are not read again\n"
    "  --follow          follow symbolic links inside the trees\n"
    "  -q                no progress line and no summary\n"
    "  Prints the outputs it adds and then the index, one path a line (NUL-ended with -0).\n"
    "  Exit status 1 when a file could not be read or an output not written.\n";

constexpr OptionRule kScanOptions[] = {{"-o", true},      {"--index", true},  {"-j", true},
                                       {"--files-from", true}, {"-0", false}, {"--shard", true},
                                       {"--resume", false}, {"--follow", false}, {"-q", false}};

constexpr const char* kIndexUsage =
    "usage: icoforge index merge [-o FILE] INDEX...\n"
    "  Joins the indexes of shard scans into one (JSON Lines, or CSV when FILE ends in\n"
    "  .csv), each file's lines once; lines a crash cut short are left out. Without -o\n"
    "  the merged index goes to standard output.\n";

constexpr OptionRule kMergeOptions[] = {{"-o", true}, {"-q", false}};

void PrintEnded(const std::string& path, bool nul) {
    std::fwrite(path.data(), 1, path.size(), stdout);
    std::fputc(nul ? '\0' : '\n', stdout);
}

}  // namespace

int RunScan(const Args& args) {
    CommandLine line;
    std::string problem;
    if (!ParseCommandLine(args, kScanOptions, line, problem)) return UsageError(problem, kScanUsage);
    if (line.help) return ShowHelp(kScanUsage);
    scan::ScanOptions options;
    options.roots = line.operands;
    if (const auto* folder = line.Value("-o")) options.output_folder = *folder;
    if (const auto* index = line.Value("--index")) options.index_path = *index;
    if (const auto* jobs = line.Value("-j")) {
        long long value = 0;
        if (!ParseInt(*jobs, value) || value < 1 || value > scan::kMaxJobs)
            return UsageError("-j takes a number of workers from 1 to " + std::to_string(scan::kMaxJobs), kScanUsage);
        options.jobs = static_cast<unsigned>(value);
    }
    if (const auto* list = line.Value("--files-from")) options.files_from = *list;
    if (const auto* shard = line.Value("--shard")) {
        options.shard = scan::ParseShard(*shard);
        if (!options.shard) return UsageError("--shard takes K/N with 1 <= K <= N", kScanUsage);
    }
    options.nul_separated = line.Has("-0");
    options.resume = line.Has("--resume");
    options.follow_links = line.Has("--follow");
    const bool quiet = line.Has("-q");
    options.show_progress = !quiet && StandardErrorIsTerminal();
    if (options.roots.empty() == !options.files_from)
        return UsageError(options.files_from ? "ROOT and --files-from exclude each other" : "scan needs a ROOT",
                          kScanUsage);
    const bool nul = options.nul_separated;
    options.on_written = [nul](const std::string& path) { PrintEnded(path, nul); };

    const auto outcome = scan::RunScan(options);
    if (!outcome) return Failure(outcome.error().what + " " + Quoted(outcome.error().path) + ": " + outcome.error().reason);
    PrintEnded(options.index_path.empty() ? scan::DefaultIndexPath(options.output_folder) : options.index_path, nul);
    std::fflush(stdout);
    if (!quiet) std::fprintf(stderr, "%s\n", scan::SummaryLine(outcome->counts, outcome->seconds).c_str());
    if (outcome->stopped) {
        const icoforge::Failure& why = *outcome->stopped;
        return icoforge::cli::Failure("scan stopped: cannot write " + Quoted(why.path) + ": " + why.reason);
    }
    return outcome->counts.problems > 0 ? kExitFailure : kExitSuccess;
}

int RunIndex(const Args& args) {
    if (!args.empty() && (args[0] == "--help" || args[0] == "-h")) return ShowHelp(kIndexUsage);
    if (args.empty() || args[0] != "merge") return UsageError("index takes the action merge", kIndexUsage);
    CommandLine line;
    std::string problem;
    if (!ParseCommandLine(Args(args.begin() + 1, args.end()), kMergeOptions, line, problem))
        return UsageError(problem, kIndexUsage);
    if (line.help) return ShowHelp(kIndexUsage);
    if (line.operands.empty()) return UsageError("index merge needs an INDEX", kIndexUsage);
    const std::string* output = line.Value("-o");
    const auto format = output ? scan::IndexFormatOf(*output) : scan::IndexFormat::JsonLines;
    std::optional<ReplacingFile> file;
    if (output) {
        FileError error;
        file = ReplacingFile::Create(*output, &error);
        if (!file) return CannotWrite(*output, error.reason);
    }
    const auto write = [&](std::string_view text) -> Result<> {
        const ByteView bytes(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
        if (file) {
            FileError error;
            if (!file->Write(bytes, &error)) return Fail("write", *output, error.reason);
        } else if (!text.empty() && std::fwrite(text.data(), 1, text.size(), stdout) != text.size()) {
            return Fail("write", "standard output", "the output was closed");
        }
        return {};
    };
    const auto merged = scan::MergeIndexes(line.operands, format, write);
    if (!merged) return Failure(merged.error().what + " " + Quoted(merged.error().path) + ": " + merged.error().reason);
    if (file) {
        FileError error;
        if (!file->Commit(&error)) return CannotWrite(*output, error.reason);
        PrintPath(*output);
    }
    if (std::fflush(stdout) != 0) return Failure("cannot write to standard output");
    if (!line.Has("-q"))
        std::fprintf(stderr, "index merge: %s files, %s lines, %s groups (%s distinct), %s problems, %s lines left out\n",
                     scan::Grouped(merged->files).c_str(), scan::Grouped(merged->lines).c_str(),
                     scan::Grouped(merged->groups).c_str(), scan::Grouped(merged->distinct).c_str(),
                     scan::Grouped(merged->problems).c_str(), scan::Grouped(merged->dropped).c_str());
    return kExitSuccess;
}

}  // namespace icoforge::cli
