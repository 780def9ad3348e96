#pragma once
// The command line of the two windows (icoforge.exe, icoforge-gui):
//     [--output DIR] [FILE]
// DIR takes the numbered icons instead of the program's own folder; FILE stands in the
// edit box at start-up as if it had been dropped.

#include <span>
#include <string>
#include <string_view>
#include <variant>

#include "app/commands/presenter.h"

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

// What a window starts with once its options are read.
struct WindowStart {
    AppFolders folders;
    std::string file;  // absolute; Presenter::OpenFile puts it in the edit box
};

// The start of either window: FILE and DIR are taken relative to the folder the user
// stood in, a DIR named is made when missing, and the program folder (DIR, or else
// `executable_folder`) becomes the current directory. A DIR that cannot be made or
// written shows as a failed extract, which is where the user looks.
WindowStart PrepareWindowStart(const WindowOptions& options, const std::string& executable_folder);

}  // namespace icoforge
