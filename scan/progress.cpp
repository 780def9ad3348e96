#include "scan/progress.h"

#include <cmath>
#include <cstdio>
#include <string_view>

namespace icoforge::scan {
namespace {

constexpr std::uint64_t kMegabyte = 1'000'000;

std::string Megabytes(std::uint64_t bytes) { return Grouped((bytes + kMegabyte / 2) / kMegabyte); }

std::string Clock(double seconds) {
    const auto total = static_cast<std::uint64_t>(std::llround(seconds));
    char text[32];
    if (total >= 3600)
        std::snprintf(text, sizeof text, "%llu:%02llu:%02llu", static_cast<unsigned long long>(total / 3600),
                      static_cast<unsigned long long>(total / 60 % 60), static_cast<unsigned long long>(total % 60));
    else
        std::snprintf(text, sizeof text, "%llu:%02llu", static_cast<unsigned long long>(total / 60),
                      static_cast<unsigned long long>(total % 60));
    return text;
}

// `words` with {1} replaced by `value`.
std::string Filled(std::string_view words, std::string_view value) {
    std::string text(words);
    if (const auto at = text.find("{1}"); at != std::string::npos) text.replace(at, 3, value);
    return text;
}

}  // namespace

ProgressCounts ProgressCounters::Snapshot() const {
    ProgressCounts counts;
    counts.total_known = total_known.load();
    counts.files_total = files_total.load();
    counts.bytes_total = bytes_total.load();
    counts.files_done = files_done.load();
    counts.bytes_done = bytes_done.load();
    counts.groups = groups.load();
    counts.new_outputs = new_outputs.load();
    counts.problems = problems.load();
    return counts;
}

std::string Grouped(std::uint64_t value) {
    const std::string digits = std::to_string(value);
    std::string grouped;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) grouped += ',';
        grouped += digits[i];
    }
    return grouped;
}

std::string ProgressLine(const ProgressCounts& c, double seconds, const ProgressWords& words) {
    std::string files = Grouped(c.files_done);
    if (c.total_known) files += '/' + Grouped(c.files_total);
    std::string line = Filled((c.total_known ? c.files_total : c.files_done) == 1 ? words.file : words.files, files);
    line.append(words.separator).append(Megabytes(c.bytes_done));
    if (c.total_known) line += '/' + Megabytes(c.bytes_total);
    line.append(" MB").append(words.separator);
    line += Filled(c.groups == 1 ? words.group : words.groups, Grouped(c.groups)) +
            Filled(words.fresh, Grouped(c.new_outputs));
    if (seconds > 0) {
        const double rate = static_cast<double>(c.files_done) / seconds;
        const std::string per_second = Grouped(static_cast<std::uint64_t>(std::llround(rate)));
        line.append(words.separator).append(Filled(words.rate, per_second));
        // Time left from bytes, as reading is what the time goes on.
        if (c.total_known && c.bytes_done > 0 && c.bytes_total >= c.bytes_done) {
            const double left =
                seconds * static_cast<double>(c.bytes_total - c.bytes_done) / static_cast<double>(c.bytes_done);
            line.append(words.separator).append(Filled(words.left, Clock(left)));
        }
    }
    return line;
}

}  // namespace icoforge::scan
