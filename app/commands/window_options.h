#pragma once
// The command line of the two windows (icoforge.exe, icoforge-gui):
//     [--output DIR] [FILE]
// DIR takes the numbered icons instead of the program's own folder; FILE stands in the
// edit box at start-up as if it had been dropped.

#include <span>
#include <string>
#include <string_view>
#include <variant>

namespace icoforge {

struct WindowOptions {
    std::string output_folder;  // empty: the folder that holds the program
    std::string file;           // empty: the edit box keeps its hint
    bool help = false;
};

struct WindowUsageError {
    std::string message;  // English, one line, for a message box or stderr
};

std::variant<WindowOptions, WindowUsageError> ParseWindowOptions(std::span<const std::string> args);

inline constexpr std::string_view kWindowUsage = "usage: [--output DIR] [FILE]";

}  // namespace icoforge
