// The lines of the commands that read and write files, worded once.

#include "cli/commands.h"
#include "platform/file_error.h"

namespace icoforge::cli {
namespace {

constexpr Message kNotRegularFile{"not a regular file", "不是普通文件"};
constexpr Message kIsFolder{"is a folder", "是文件夹"};

}  // namespace

std::string ReasonText(const Invocation& run, std::string_view reason) {
    // Our own reasons are said in the user's language; the system's stay its own words.
    if (reason == kNotRegularFileText) return run.Text(kNotRegularFile);
    if (reason == kIsFolderText) return run.Text(kIsFolder);
    return std::string(reason);
}

int CannotRead(const Invocation& run, std::string_view path, std::string_view reason) {
    return run.Fail(run.Text(msg::kCannotRead, {Quoted(path), ReasonText(run, reason)}));
}

int CannotWrite(const Invocation& run, std::string_view path, std::string_view reason) {
    return run.Fail(run.Text(msg::kCannotWrite, {Quoted(path), ReasonText(run, reason)}));
}

int OutputIsSource(const Invocation& run, std::string_view source, std::string_view output) {
    return run.Fail(run.Text(msg::kOutputIsSource, {Quoted(output), Quoted(source)}));
}

}  // namespace icoforge::cli
