#pragma once
// Every subcommand's row, each defined in its own cli/cmd_NAME.cpp beside its entry point;
// cli/main.cpp lists them in the order the help shows them.

#include "cli/subcommand.h"
#include "common/failure.h"

namespace icoforge::cli {

extern const Subcommand kExtractCommand;
extern const Subcommand kListCommand;
extern const Subcommand kCountCommand;
extern const Subcommand kGroupCommand;
extern const Subcommand kIconCommand;
extern const Subcommand kConvertCommand;
extern const Subcommand kRenderCommand;
extern const Subcommand kResolveCommand;
extern const Subcommand kFolderCommand;
extern const Subcommand kDecryptCommand;
extern const Subcommand kMakeCommand;
extern const Subcommand kThumbnailCommand;
extern const Subcommand kScanCommand;
extern const Subcommand kIndexCommand;

// Shared by the commands that read or write files.
// The failure for an output that is the source itself (IsSameFile): writing it would
// replace the source with what was made of it.
int OutputIsSource(const Invocation& run, std::string_view source, std::string_view output);
// A file operation's reason as the user reads it.
std::string ReasonText(const Invocation& run, std::string_view reason);
// "cannot read/write/convert 'PATH': REASON" for a failure of an engine, in the user's
// language; the failure's reason alone when it names no path.
int Report(const Invocation& run, const Failure& failure);
int CannotRead(const Invocation& run, std::string_view path, std::string_view reason);

}  // namespace icoforge::cli
