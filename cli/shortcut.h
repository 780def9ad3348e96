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

// Where the icon Explorer shows for `file` is, and the index of its group as ExtractIcon
// takes it (0: the file's main icon). For a shortcut (.lnk) or internet shortcut (.url)
// that names an icon of its own, the first of the paths it stores for it that, with the
// environment's %VARIABLES% expanded (and a bare file name taken from the system folder,
// on Windows), is absolute and can be read; each that cannot is told. Else a .lnk's target,
// as FileBehindShortcut follows it, or `file` itself. Elsewhere than on Windows, a Windows
// path ("C:\...", "%SystemRoot%\...") of a shortcut that lies on a mounted Windows volume
// is looked for on that volume first. Nothing, with the failure told, where
// that leads nowhere; an internet shortcut, which has no target to fall back on, is told
// in `cannot`'s words ({1} the file, {2} the reason).
struct ShownIcon {
    std::string file;
    std::int32_t index = 0;
};
std::optional<ShownIcon> FileOfShownIcon(const Invocation& run, const std::string& file, const Message& cannot);

}  // namespace icoforge::cli
