#include "cli/shortcut.h"

#include "cli/commands.h"
#include "platform/file_io.h"
#include "platform/shell_link.h"
#include "platform/stdio_file.h"

namespace icoforge::cli {
namespace {

// A shell link's header, all that is needed to tell one.
constexpr std::size_t kShellLinkHeaderBytes = 0x4C;
// Real shortcuts are a few kilobytes; a larger file with a link's header is read no further.
constexpr std::uint64_t kMaxShortcutBytes = 1024 * 1024;

bool StartsAsShellLink(const std::string& file) {
    const StdioFile stream = OpenStdioFile(file, "rb");
    if (!stream) return false;
    std::uint8_t header[kShellLinkHeaderBytes];
    const std::size_t got = std::fread(header, 1, sizeof header, stream.get());
    return IsShellLink(ByteView(header, got));
}

}  // namespace

std::optional<std::string> FileBehindShortcut(const Invocation& run, const std::string& file) {
    if (const auto why = WhyNotReadable(file)) {
        CannotRead(run, file, why->reason);
        return std::nullopt;
    }
    if (!StartsAsShellLink(file)) return file;
    FileError error;
    const auto link = ReadWholeFile(file, &error, kMaxShortcutBytes);
    if (!link) {
        CannotRead(run, file, error.reason);
        return std::nullopt;
    }
    const std::string target = ShellLinkTargetPath(*link);
    if (target.empty()) {
        const std::string url = ShellLinkStoredUrl(*link);
        run.Fail(run.Text(msg::kShortcutNoPath, {Quoted(file), url.empty() ? run.Text(msg::kOutsideFileSystem) : url}));
        return std::nullopt;
    }
    run.console().Detail(run.Text(msg::kShortcutTarget, {Quoted(file), Quoted(target)}));
    if (const auto why = WhyNotReadable(target)) {
        run.Fail(run.Text(msg::kShortcutTargetMissing, {Quoted(target), Quoted(file), why->reason}));
        return std::nullopt;
    }
    return target;
}

}  // namespace icoforge::cli
