#pragma once
// Shortcuts are followed by what they hold, whatever they are called, the same way by
// every command that reads a source.

#include <cstdint>
#include <optional>
#include <string>

#include "cli/subcommand.h"

namespace icoforge::cli {

// The file to work on: `file` itself, or the target stored in the shell link it holds.
// Nothing, with the failure told (naming the target when it is missing), when `file` or
// its target cannot be read or the link stores no file path.
std::optional<std::string> FileBehindShortcut(const Invocation& run, const std::string& file);

// Where the icon a shortcut (.lnk) or internet shortcut (.url) shows instead of its
// target's is: the first of the paths it stores for it that, with the environment's
// %VARIABLES% expanded (and a bare file name taken from the system folder, on Windows), is
// absolute and can be read (each that cannot is told), and the index of the group, as
// ExtractIcon takes it. Nothing for a file that is no shortcut or names no icon of its own.
struct ShortcutIcon {
    std::string file;
    std::int32_t index = 0;
};
std::optional<ShortcutIcon> IconOfShortcut(const Invocation& run, const std::string& file);

// True for an internet shortcut (.url): where its icon cannot be read there is no target
// file to take instead.
bool IsInternetShortcutFile(const std::string& file);

}  // namespace icoforge::cli
