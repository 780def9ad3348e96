#pragma once
// Shortcuts are followed by what they hold, whatever they are called, the same way by
// every command that reads a source.

#include <optional>
#include <string>

#include "cli/subcommand.h"

namespace icoforge::cli {

// The file to work on: `file` itself, or the target stored in the shell link it holds.
// Nothing, with the failure told (naming the target when it is missing), when `file` or
// its target cannot be read or the link stores no file path.
std::optional<std::string> FileBehindShortcut(const Invocation& run, const std::string& file);

}  // namespace icoforge::cli
