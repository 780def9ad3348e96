#include "cli/shortcut.h"

#include <filesystem>

#include "cli/commands.h"
#include "common/path.h"
#include "platform/file_io.h"
#include "platform/shell_services.h"
#include "platform/stdio_file.h"
#include "shell/internet_shortcut.h"
#include "shell/shell_link.h"
#include "shell/shell_paths.h"
#include "shell/windows_volume.h"


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

bool StartsAsShellLink(const std::string& file) {
    const auto stream = OpenStdioFile(file, "rb");
    return stream && StartsAsShellLink(stream->get());
}

// An internet shortcut (.url) is a few hundred bytes of text; a larger file is none.
constexpr std::uint64_t kMaxInternetShortcutBytes = 64 * 1024;

// The icon paths and index a shortcut of either kind stores.
std::optional<ShellLinkIcon> StoredIcon(const std::string& file) {
    if (StartsAsShellLink(file)) {
        const auto link = ReadWholeFile(file, kMaxShortcutBytes);
        return link ? ShellLinkIconLocation(*link, Utf8FromAnsiCodePage) : std::nullopt;
    }
    const auto text = ReadWholeFile(file, kMaxInternetShortcutBytes);
    const auto icon = text ? InternetShortcutIconOf(*text, Utf8FromAnsiCodePage) : std::nullopt;
    if (!icon) return std::nullopt;
    return ShellLinkIcon{{icon->path}, icon->index};
}

// Where paths are not Windows's, a Windows path ("C:\...", "%SystemRoot%\...") that the
// shortcut `file` stores, found on the Windows volume the shortcut lies on, mounted here.
std::optional<std::string> OnShortcutsVolume(const std::string& file, std::string_view stored) {
    constexpr bool kWindowsPaths = std::filesystem::path::preferred_separator == '\\';
    const bool drive = stored.size() >= 2 && stored[1] == ':';
    if (kWindowsPaths || (!drive && !stored.starts_with('%'))) return std::nullopt;
    const auto volume = WindowsVolumeOf(PathFromUtf8(file));
    return volume ? PathOnWindowsVolume(*volume, stored) : std::nullopt;
}

// FileBehindShortcut; with `on_mounted_volume`, a Windows path it stores is looked for on
// the Windows volume the shortcut lies on first (the option-less commands take it as stored).
std::optional<std::string> FollowShortcut(const Invocation& run, const std::string& file, bool on_mounted_volume) {
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
    std::string target = ShellLinkTargetPath(*link, Utf8FromAnsiCodePage);
    if (auto on_volume = on_mounted_volume ? OnShortcutsVolume(file, target) : std::nullopt)
        target = std::move(*on_volume);
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

}  // namespace

std::optional<std::string> FileBehindShortcut(const Invocation& run, const std::string& file) {
    return FollowShortcut(run, file, false);
}

namespace {

// The icon a shortcut names of its own, where one of its paths can be read.
std::optional<ShownIcon> IconOfShortcut(const Invocation& run, const std::string& file) {
    // What cannot be read here is told when the shortcut is followed instead.
    const auto icon = StoredIcon(file);
    if (!icon) return std::nullopt;
    for (const std::string& stored : icon->paths) {
        std::string path = OnShortcutsVolume(file, stored).value_or(WithEnvironmentExpanded(stored));
        // A web page's shortcut may name its site's icon by address.
        if (path.find("://") != std::string::npos) {
            run.console().Progress(run.Text(msg::kShortcutIconOnline, {Quoted(path), Quoted(file)}));
            continue;
        }
        // A bare name ("shell32.dll") is a file of the system folder, where Windows looks
        // first; a system without one has no such folder.
        if (path.find_first_of("\\/:") == std::string::npos) {
            if (const std::string system = GetSpecialFolder(static_cast<std::int32_t>(SpecialFolder::kSystem));
                !system.empty())
                path = system + path;
        }
        if (!PathFromUtf8(path).is_absolute()) {
            run.console().Progress(run.Text(msg::kShortcutIconNotFull, {Quoted(path), Quoted(file)}));
            continue;
        }
        const auto readable = CheckReadable(path);
        if (readable) {
            const std::string index = std::to_string(icon->index);
            run.console().Detail(run.Text(msg::kShortcutIcon, {Quoted(file), index, Quoted(path)}));
            return ShownIcon{path, icon->index};
        }
        const std::string reason = ReasonText(run, readable.error().reason);
        run.console().Progress(run.Text(msg::kShortcutIconMissing, {Quoted(path), Quoted(file), reason}));
    }
    return std::nullopt;
}

bool IsInternetShortcutFile(const std::string& file) {
    const auto text = ReadWholeFile(file, kMaxInternetShortcutBytes);
    return text && IsInternetShortcut(*text);
}

}  // namespace

std::optional<ShownIcon> FileOfShownIcon(const Invocation& run, const std::string& file, const Message& cannot) {
    if (auto icon = IconOfShortcut(run, file)) return icon;
    if (IsInternetShortcutFile(file)) {
        run.Fail(run.Text(cannot, {Quoted(file), run.Text(msg::kInternetShortcutNoIcon)}));
        return std::nullopt;
    }
    auto target = FollowShortcut(run, file, true);
    if (!target) return std::nullopt;
    return ShownIcon{std::move(*target), 0};
}

}  // namespace icoforge::cli
