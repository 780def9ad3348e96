#pragma once
// What the command-line suites share to run the built program through the shell and read
// what it left behind.

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace icoforge::cli_test {

inline constexpr bool kWindows = std::filesystem::path::preferred_separator == '\\';

// Build paths are POSIX paths; under Wine the same files are seen through drive Z:.
inline std::string HostPath(std::string path) {
    if (kWindows && !path.empty() && path[0] == '/') {
        std::replace(path.begin(), path.end(), '/', '\\');
        path = "Z:" + path;
    }
    return path;
}

inline std::string ShellQuoted(const std::string& text) { return kWindows ? "\"" + text + "\"" : "'" + text + "'"; }

// The program's exit status from running `command` through the shell. std::system gives
// -1 when no shell could be started at all; under Wine that happens now and then when the
// machine is busy, and the program never ran, so that alone is tried again.
inline int ShellStatus(const std::string& command) {
    int status = -1;
    for (int attempt = 0; attempt < 3 && status == -1; ++attempt) status = std::system(command.c_str());
    // The shell's wait status on POSIX, the exit code itself on Windows.
    return kWindows || status == -1 ? status : (status >> 8) & 0xFF;
}

inline std::string ReadText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    std::string s = text.str();
    std::erase(s, '\r');  // the Windows C runtime writes its text streams with CR LF
    return s;
}

}  // namespace icoforge::cli_test
