#pragma once
// What the program needs from the shell: well-known folders by number, and the target
// stored in a shortcut. The Windows build asks the shell itself; elsewhere our own layer
// answers the same questions. Every failure is an empty text.

#include <cstdint>
#include <string>
#include <string_view>

#include "common/bytes.h"
#include "shell/shell_paths.h"

namespace icoforge {

// The folder with number 1..11, ending in the platform's path separator, or empty.
// Off Windows: the XDG folders (documents, desktop, fonts, applications for the start
// menu and its programs, autostart, data home), the program's private temporary folder
// for 11; favourites, Windows and system folders have no counterpart and are empty.
std::string GetSpecialFolder(std::int32_t number);

// The target path stored in the shortcut file at `path`, not resolved, or empty when the
// file is not a shell link (by its .lnk extension, as the shell decides), cannot be read,
// or names no file-system target. Needs a ShellSession on the calling thread on Windows.
std::string ResolveShortcut(std::string_view path);

// `text` with each %NAME% the environment holds replaced by its value, as Windows expands
// the paths shortcuts store; a name the environment lacks stays as written.
std::string WithEnvironmentExpanded(std::string_view text);

// ANSI text from a file Windows wrote, as this system reads it: in its ANSI code page on
// Windows (936 on a Chinese one), as Windows-1252 elsewhere, where the code page of the
// machine that wrote it is unknown.
std::string Utf8FromAnsiCodePage(ByteView ansi);

// What a thread needs COM for.
enum class ComUse {
    kShellLinks,   // the shell's link objects, as ResolveShortcut uses them
    kDragAndDrop,  // OLE as well: a window that takes drops, which also resolves links
};

// COM for the calling thread (apartment-threaded) on Windows, for the lifetime of the
// object; nothing elsewhere. ResolveShortcut needs one.
class ShellSession {
public:
    explicit ShellSession(ComUse use = ComUse::kShellLinks);
    ~ShellSession();
    ShellSession(const ShellSession&) = delete;
    ShellSession& operator=(const ShellSession&) = delete;
    bool ok() const { return ok_; }

private:
    [[maybe_unused]] ComUse use_;  // read only where there is COM
    bool ok_ = false;
};

}  // namespace icoforge
