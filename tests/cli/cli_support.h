#pragma once
// What the command-line suites share to run the built program through the shell and read
// what it left behind.

#include <algorithm>
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

inline std::string ReadText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    std::string s = text.str();
    std::erase(s, '\r');  // the Windows C runtime writes its text streams with CR LF
    return s;
}

}  // namespace icoforge::cli_test
