#pragma once
// What the benchmarks that run whole commands share: quoting a path for the shell, timing
// one command, and the median of the runs.

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace icoforge::bench {

// Appended piece by piece: GCC 12 warns falsely about `"'" + text`.
inline std::string Quoted(const std::filesystem::path& path) {
    return std::string("'").append(path.string()).append("'");
}

// Milliseconds one shell command takes, or a negative number when it fails.
inline double Timed(const std::string& command) {
    const auto start = std::chrono::steady_clock::now();
    const int status = std::system((command + " >/dev/null 2>&1").c_str());
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    return status == 0 ? ms : -1;
}

inline double Median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const std::size_t mid = values.size() / 2;
    return values.size() % 2 == 1 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

}  // namespace icoforge::bench
