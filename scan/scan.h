#pragma once
// The folder scan: every distinct group of every module and icon file under the roots,
// written once into a content-addressed store, and an index line for each time a group
// was met. Walk, workers and index writer run at once; memory stays bounded by the
// queue between them, one file per worker, and (with resume) eight bytes per file
// already indexed.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "common/failure.h"
#include "scan/progress.h"
#include "scan/shard.h"

namespace icoforge::scan {

// How many paths the walk may run ahead of the workers.
inline constexpr std::size_t kQueueDepth = 1024;
// More workers than this would only contend for the same disk and the index lock.
inline constexpr unsigned kMaxJobs = 256;

struct ScanOptions {
    std::vector<std::string> roots;
    std::string output_folder = ".";
    std::string index_path;                 // empty: index.jsonl in the output folder
    unsigned jobs = 0;                      // 0: one per core
    std::optional<std::string> files_from;  // a file of paths, "-" for standard input
    bool nul_separated = false;             // paths end in NUL, not a line end
    std::optional<Shard> shard;
    bool resume = false;
    bool follow_links = false;
    bool show_progress = false;             // the caller decides: a terminal, and not quiet
    ProgressWords progress_words;           // in the user's language
    // Each output this run adds to the store, as a path, and the index at the end.
    std::function<void(const std::string&)> on_written;
};

struct ScanOutcome {
    ProgressCounts counts;
    double seconds = 0;
    std::uint64_t resumed_files = 0;  // taken as done from the index
    // Set when the scan had to stop (the index could not be written): the problem.
    std::optional<Failure> stopped;
};

std::string DefaultIndexPath(const std::string& output_folder);

Result<ScanOutcome> RunScan(const ScanOptions& options);

// The text of an mtime as the index gives it: "2026-12-09T03:35:29.123456789Z".
std::string MtimeText(std::int64_t nanoseconds_since_1970);

}  // namespace icoforge::scan
