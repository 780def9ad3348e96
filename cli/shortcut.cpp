#include "cli/shortcut.h"

#include "cli/commands.h"
#include "platform/file_io.h"
#include "platform/shell_services.h"
#include "platform/stdio_file.h"
#include "shell/shell_link.h"
#include "shell/shell_paths.h"


namespace icoforge::cli {
namespace {

// A shell link's header, all that is needed to tell one.
constexpr std::size_t kShellLinkHeaderBytes = 0x4C;
// Real shortcuts are a few kilobytes; a larger file with a link's header is read no further.
constexpr std::uint64_t kMaxShortcutBytes = 1024 * 1024;

bool StartsAsShellLink(std::FILE* stream) {
    std::uint8_t header[kShellLinkHeaderBytes];
    const std::size_t got = std::fread(header, 1, sizeof header, stream);
    return IsShellLink(ByteView(header, got));
}

}  // namespace

std::optional<std::string> FileBehindShortcut(const Invocation& run, const std::string& file) {
    bool is_link = false;
    {
        // Opened once: what fails here is what any reading of it would say.
        const auto stream = OpenStdioFile(file, "rb");
        if (!stream) {
            Report(run, stream.error());
            return std::nullopt;
        }
        is_link = StartsAsShellLink(stream->get());
    }
    if (!is_link) {
        // The window's rule takes such a name for a shortcut whatever it holds; here the
        // content says it is none.
        if (!HasShortcutExtension(file)) return file;
        run.Fail(run.Text(msg::kNotAShellLink, {Quoted(file)}));
        return std::nullopt;
    }
    const auto link = ReadWholeFile(file, kMaxShortcutBytes);
    if (!link) {
        Report(run, link.error());
        return std::nullopt;
    }
    const std::string target = ShellLinkTargetPath(*link);
    if (target.empty()) {
        const std::string url = ShellLinkStoredUrl(*link);
        run.Fail(run.Text(msg::kShortcutNoPath, {Quoted(file), url.empty() ? run.Text(msg::kOutsideFileSystem) : url}));
        return std::nullopt;
    }
    run.console().Detail(run.Text(msg::kShortcutTarget, {Quoted(file), Quoted(target)}));
    if (const auto readable = CheckReadable(target); !readable) {
        run.Fail(run.Text(msg::kShortcutTargetMissing,
                          {Quoted(target), Quoted(file), ReasonText(run, readable.error().reason)}));
        return std::nullopt;
    }
    return target;
}

}  // namespace icoforge::cli
