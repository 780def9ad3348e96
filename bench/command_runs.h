#pragma once
// What the benchmarks that run whole commands share: timing one program, quoting a path
// for those that need a shell, and the median of the runs.

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

extern char** environ;

namespace icoforge::bench {

// Appended piece by piece: GCC 12 warns falsely about `"'" + text`.
inline std::string Quoted(const std::filesystem::path& path) {
    return std::string("'").append(path.string()).append("'");
}

// Milliseconds one program takes, started directly with these arguments (its output
// discarded), or a negative number when it cannot be started or fails. No shell stands
// between: on a machine where starting a process costs milliseconds, a shell's own start
// would be counted against the faster tool more than against the slower.
inline double Timed(const std::vector<std::string>& command) {
    std::vector<char*> arguments;
    for (const std::string& argument : command) arguments.push_back(const_cast<char*>(argument.c_str()));
    arguments.push_back(nullptr);
    posix_spawn_file_actions_t discard;
    posix_spawn_file_actions_init(&discard);
    posix_spawn_file_actions_addopen(&discard, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&discard, 2, "/dev/null", O_WRONLY, 0);
    const auto start = std::chrono::steady_clock::now();
    pid_t child = 0;
    const int started = posix_spawnp(&child, arguments[0], &discard, nullptr, arguments.data(), environ);
    posix_spawn_file_actions_destroy(&discard);
    int status = 0;
    if (started != 0 || waitpid(child, &status, 0) != child) return -1;
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? ms : -1;
}

inline double Median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const std::size_t mid = values.size() / 2;
    return values.size() % 2 == 1 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

}  // namespace icoforge::bench
