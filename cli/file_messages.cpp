// The lines of the commands that read and write files, worded once.

#include "cli/commands.h"

namespace icoforge::cli {

int CannotRead(const Invocation& run, std::string_view path, std::string_view reason) {
    return run.Fail(run.Text(msg::kCannotRead, {Quoted(path), reason}));
}

int CannotWrite(const Invocation& run, std::string_view path, std::string_view reason) {
    return run.Fail(run.Text(msg::kCannotWrite, {Quoted(path), reason}));
}

int OutputIsSource(const Invocation& run, std::string_view source, std::string_view output) {
    return run.Fail(run.Text(msg::kOutputIsSource, {Quoted(output), Quoted(source)}));
}

}  // namespace icoforge::cli
