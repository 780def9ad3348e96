// scan and index merge: the folder scan, and the joining of the indexes of its shards.

#include <cstdio>

#include "cli/commands.h"
#include "platform/file_walk.h"
#include "platform/replacing_file.h"
#include "platform/system_failure.h"
#include "scan/merge.h"
#include "scan/scan.h"

namespace icoforge::cli {
namespace {

constexpr Message kScanSummary{"every distinct icon of a tree, written once, with an index",
                               "树中每个不同的图标只写一次，并附索引"};
constexpr Message kScanDescription{
    "Reads every Windows module (PE32, PE32+, NE), resource file and icon, cursor or animation\n"
    "file under the ROOTs, known by content whatever its name, and writes each distinct group\n"
    "once into DIR as DIR/ab/SHA256.ico, .cur or .ani. The index (FILE, default\n"
    "DIR/index.jsonl; CSV when FILE ends in .csv) gets a line each time a group is met and a\n"
    "line for every file that could not be read, written as the scan goes. Symbolic links\n"
    "inside the trees are not followed without --follow. Prints the outputs it adds, then the\n"
    "index; shows its progress on a terminal. Exit status 1 when a file could not be read or an\n"
    "output not written (each is in the index with its reason).",
    "读取 ROOT 下的每个 Windows 模块（PE32、PE32+、NE）、资源文件以及图标、光标和动画文件（按内容\n"
    "识别，不看文件名），把每个不同的组只写一次到 DIR，命名为 DIR/ab/SHA256.ico、.cur 或 .ani。\n"
    "索引（FILE，默认 DIR/index.jsonl；FILE 以 .csv 结尾时为 CSV）在扫描过程中随时写入：每遇到\n"
    "一个组写一行，每个无法读取的文件也写一行。没有 --follow 时不跟随树内的符号链接。输出新增的\n"
    "文件，最后输出索引；在终端上显示进度。有文件无法读取或无法写入时退出状态为 1（每个都连同\n"
    "原因记在索引中）。"};
constexpr Message kOutputHelp{"the folder the groups go into (default: the current folder)",
                              "存放各组的文件夹（默认：当前文件夹）"};
constexpr Message kIndexHelp{"the index (default: DIR/index.jsonl)", "索引文件（默认：DIR/index.jsonl）"};
constexpr Message kJobsHelp{"the number of workers (default: one per core)", "并行工作的数量（默认：每个核心一个）"};
constexpr Message kFilesFromHelp{"the paths to scan, one a line (NUL-ended with -0); - for standard input",
                                 "要扫描的路径，每行一个（用 -0 时以 NUL 结尾）；- 表示标准输入"};
constexpr Message kShardHelp{"only the paths of shard K of N, by a hash every machine computes alike",
                             "只扫描 N 份中第 K 份的路径（按各机器算法一致的散列划分）"};
constexpr Message kResumeHelp{"go on from the index: files indexed with the same size and time are not read again",
                              "从索引继续：大小和修改时间都未变的已索引文件不再读取"};
constexpr Message kFollowHelp{"follow symbolic links inside the trees (a loop is reported, not walked)",
                              "跟随树内的符号链接（遇到循环时报告而不进入）"};
constexpr Message kRootOrList{"give a ROOT or --files-from", "请给出 ROOT 或 --files-from"};
constexpr Message kBadShard{"--shard must be K/N with 1 <= K <= N <= {1}, not {2}",
                            "--shard 必须是 K/N，且 1 <= K <= N <= {1}，而不是 {2}"};
constexpr Message kCannot{"cannot {1} {2}: {3}", "无法{1} {2}：{3}"};
constexpr Message kStopped{"the scan stopped: cannot write {1}: {2}", "扫描已中止：无法写入 {1}：{2}"};
constexpr Message kScanDone{"{1}, {2} MB in {3} s: {4}, {5}, {6}", "{1}，{2} MB，用时 {3} 秒：{4}，{5}，{6}"};
// The counts of the summaries, each as one noun and as many.
constexpr Message kOneFile{"{1} file", "{1} 个文件"}, kFiles{"{1} files", "{1} 个文件"};
constexpr Message kOneGroup{"{1} group", "{1} 个组"}, kGroups{"{1} groups", "{1} 个组"};
constexpr Message kOneNewOutput{"{1} new output", "新写入 {1} 个"}, kNewOutputs{"{1} new outputs", "新写入 {1} 个"};
constexpr Message kOneProblem{"{1} problem", "{1} 个问题"}, kProblems{"{1} problems", "{1} 个问题"};
constexpr Message kOneLine{"{1} line", "{1} 行"}, kLines{"{1} lines", "{1} 行"};
constexpr Message kNewOnes{" ({1} new)", "（新 {1} 个）"}, kRate{"{1} files/s", "每秒 {1} 个文件"};
constexpr Message kLeft{"{1} left", "还剩 {1}"}, kSeparator{", ", "，"};
constexpr Message kOneLineLeftOut{"{1} line left out", "舍去 {1} 行"}, kLinesLeftOut{"{1} lines left out", "舍去 {1} 行"};

constexpr Message kIndexSummary{"index merge: the indexes of shard scans into one", "index merge：把分片扫描的索引合为一个"};
constexpr Message kIndexDescription{
    "Joins the indexes of scans (shards of one scan, on one machine or many) into one, each\n"
    "file's lines once; lines a crash cut short are left out. The same group from two shards\n"
    "has the same content hash and output name, so it counts as one distinct group. The\n"
    "result (JSON Lines, or CSV when FILE ends in .csv) goes to FILE, else to standard output.",
    "把多次扫描（一次扫描的各个分片，可在一台或多台机器上）的索引合为一个，每个文件的行只保留\n"
    "一次；崩溃时截断的行被舍去。两个分片中的同一个组内容散列和输出名相同，算作一个。结果\n"
    "（JSON Lines；FILE 以 .csv 结尾时为 CSV）写到 FILE，否则写到标准输出。"};
constexpr Message kMergeOutputHelp{"the merged index (default: standard output)", "合并后的索引（默认：标准输出）"};
constexpr Message kMerged{"{1}, {2}, {3} ({4} distinct), {5}, {6}", "{1}，{2}，{3}（{4} 个不同），{5}，{6}"};

// The progress line's words in the user's language.
scan::ProgressWords ProgressWordsFor(Language language) {
    const auto in = [language](const Message& m) { return language == Language::kChinese ? m.chinese : m.english; };
    return {in(kOneFile), in(kFiles), in(kOneGroup), in(kGroups), in(kNewOnes), in(kRate), in(kLeft), in(kSeparator)};
}

// A count with its noun in the user's language: "1 file", "2,000 files", "2,000 个文件".
std::string Counted(const Invocation& run, std::uint64_t count, const Message& one, const Message& many) {
    return run.Text(count == 1 ? one : many, {scan::Grouped(count)});
}

std::string WhatText(const Invocation& run, const std::string& what) {
    if (run.console().language() != Language::kChinese) return what;
    if (what == "read" || what == "stat" || what == "open folder" || what == "read folder") return "读取";
    if (what == "make folder") return "创建文件夹";
    return "写入";
}

int FailWith(const Invocation& run, const icoforge::Failure& failure) {
    return run.Fail(run.Text(kCannot, {WhatText(run, failure.what), Quoted(failure.path), failure.reason}));
}

int RunScanCommand(const Invocation& run) {
    scan::ScanOptions options;
    options.roots = run.Operands("ROOT");
    options.output_folder = run.Value("--output").value_or(".");
    options.index_path = run.Value("--index").value_or("");
    if (const auto jobs = run.Number("--jobs")) options.jobs = static_cast<unsigned>(*jobs);
    options.files_from = run.Value("--files-from");
    if (const auto shard = run.Value("--shard")) {
        options.shard = scan::ParseShard(*shard);
        if (!options.shard) return run.UsageError(run.Text(kBadShard, {std::to_string(scan::kMaxShards), Quoted(*shard)}));
    }
    if (options.roots.empty() == !options.files_from) {
        if (options.files_from) return run.UsageError(run.Text(msg::kOptionsConflict, {"ROOT", "--files-from"}));
        return run.UsageError(run.Text(kRootOrList));
    }
    options.nul_separated = run.Has("--null");
    options.resume = run.Has("--resume");
    options.follow_links = run.Has("--follow");
    const bool quiet = run.console().verbosity() == Verbosity::kQuiet;
    options.show_progress = !quiet && StandardErrorIsTerminal();
    options.progress_words = ProgressWordsFor(run.console().language());
    Console& console = run.console();
    options.on_written = [&console](const std::string& path) { console.Path(path); };

    const auto outcome = scan::RunScan(options);
    if (!outcome) return FailWith(run, outcome.error());
    console.Path(options.index_path.empty() ? scan::DefaultIndexPath(options.output_folder) : options.index_path);
    const auto& c = outcome->counts;
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.1f", outcome->seconds);
    console.Progress(run.Text(kScanDone, {Counted(run, c.files_done, kOneFile, kFiles),
                                          scan::Grouped((c.bytes_done + 500'000) / 1'000'000), seconds,
                                          Counted(run, c.groups, kOneGroup, kGroups),
                                          Counted(run, c.new_outputs, kOneNewOutput, kNewOutputs),
                                          Counted(run, c.problems, kOneProblem, kProblems)}));
    if (outcome->stopped)
        return run.Fail(run.Text(kStopped, {Quoted(outcome->stopped->path), outcome->stopped->reason}));
    return c.problems > 0 ? kExitFailure : kExitSuccess;
}

int RunIndexCommand(const Invocation& run) {
    const auto output = run.Value("--output");
    const auto format = output ? scan::IndexFormatOf(*output) : scan::IndexFormat::JsonLines;
    std::optional<ReplacingFile> file;
    if (output) {
        auto created = ReplacingFile::Create(*output);
        if (!created) return Report(run, created.error());
        file = std::move(*created);
    }
    const auto write = [&](std::string_view text) -> Result<> {
        const ByteView bytes(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
        if (file) {
            if (auto written = file->Write(bytes); !written) return written;
        } else if (!text.empty() && std::fwrite(text.data(), 1, text.size(), stdout) != text.size()) {
            return Fail("write", "-", LastSystemErrorText());
        }
        return {};
    };
    const auto merged = scan::MergeIndexes(run.Operands("INDEX"), format, write);
    if (!merged) return FailWith(run, merged.error());
    if (file) {
        if (auto committed = file->Commit(); !committed) return Report(run, committed.error());
        run.console().Path(*output);
    } else if (std::fflush(stdout) != 0) {
        return run.Fail(run.Text(msg::kStandardOutputFailed, {LastSystemErrorText()}));
    }
    const auto& m = *merged;
    run.console().Progress(run.Text(kMerged, {Counted(run, m.files, kOneFile, kFiles),
                                              Counted(run, m.lines, kOneLine, kLines),
                                              Counted(run, m.groups, kOneGroup, kGroups), scan::Grouped(m.distinct),
                                              Counted(run, m.problems, kOneProblem, kProblems),
                                              Counted(run, m.dropped, kOneLineLeftOut, kLinesLeftOut)}));
    return kExitSuccess;
}

constexpr OptionRow kScanOptions[] = {
    {"-o", "--output", "DIR", kOutputHelp},
    {"", "--index", "FILE", kIndexHelp},
    {"-j", "--jobs", "N", kJobsHelp, NumberFrom(1, scan::kMaxJobs)},
    {"", "--files-from", "FILE", kFilesFromHelp},
    {"", "--shard", "K/N", kShardHelp},
    {"", "--resume", "", kResumeHelp},
    {"", "--follow", "", kFollowHelp},
};
constexpr OperandRow kScanOperands[] = {{"ROOT", Arity::kAny}};

constexpr std::string_view kActions[] = {"merge"};
constexpr OptionRow kIndexOptions[] = {{"-o", "--output", "FILE", kMergeOutputHelp}};
constexpr OperandRow kIndexOperands[] = {{"ACTION", Arity::kOne, OneOf(kActions)}, {"INDEX", Arity::kOneOrMore}};

}  // namespace

const Subcommand kScanCommand{"scan", kScanSummary, kScanDescription, kScanOptions, kScanOperands, RunScanCommand};
const Subcommand kIndexCommand{"index", kIndexSummary, kIndexDescription, kIndexOptions, kIndexOperands, RunIndexCommand};

}  // namespace icoforge::cli
