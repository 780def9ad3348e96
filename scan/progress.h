#pragma once
// The progress line a scan keeps up to date on a terminal, and its closing summary.

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>

namespace icoforge::scan {

struct ProgressCounts {
    std::uint64_t files_done = 0;
    std::uint64_t bytes_done = 0;
    std::uint64_t files_total = 0;  // meaningful once total_known
    std::uint64_t bytes_total = 0;
    bool total_known = false;
    std::uint64_t groups = 0;
    std::uint64_t new_outputs = 0;
    std::uint64_t problems = 0;
};

// The counters the walk and the workers move, read by the progress line at any time.
struct ProgressCounters {
    std::atomic<std::uint64_t> files_done{0}, bytes_done{0}, files_total{0}, bytes_total{0};
    std::atomic<bool> total_known{false};
    std::atomic<std::uint64_t> groups{0}, new_outputs{0}, problems{0};
    ProgressCounts Snapshot() const;
};

// The words of the progress line, {1} standing for the number, in the user's language:
// English unless the caller gives others.
struct ProgressWords {
    std::string_view file = "{1} file", files = "{1} files", group = "{1} group", groups = "{1} groups";
    std::string_view fresh = " ({1} new)", rate = "{1} files/s", left = "{1} left", separator = ", ";
};

// "1,204/5,311 files, 310/1,210 MB, 418 groups (97 new), 230 files/s, 0:18 left"; before
// the walk knows the total, only what is done.
std::string ProgressLine(const ProgressCounts& counts, double seconds, const ProgressWords& words = {});

// 1234567 as "1,234,567".
std::string Grouped(std::uint64_t value);

}  // namespace icoforge::scan
