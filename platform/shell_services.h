#pragma once
// What the program needs from the shell: well-known folders by number, and the target
// stored in a shortcut. The Windows build asks the shell itself; elsewhere our own layer
// answers the same questions. Every failure is an empty text.

#include <cstdint>
#include <string>
#include <string_view>

namespace icoforge {

// Folder numbers the callers use.
enum class SpecialFolder : std::int32_t {
    kDocuments = 1,
    kFavourites = 2,
    kDesktop = 3,
    kFonts = 4,
    kStartMenu = 5,
    kPrograms = 6,
    kStartup = 7,
    kAppData = 8,
    kWindows = 9,
    kSystem = 10,
    kTemporary = 11,
};

// Windows' fixed path buffers: MAX_PATH units including the terminating zero.
constexpr std::size_t kPathBufferUnits = 260;

// The folder with number 1..11, ending in the platform's path separator, or empty.
// Off Windows: the XDG folders (documents, desktop, fonts, applications for the start
// menu and its programs, autostart, data home), the program's private temporary folder
// for 11; favourites, Windows and system folders have no counterpart and are empty.
std::string GetSpecialFolder(std::int32_t number);

// The target path stored in the shortcut file at `path`, not resolved, or empty when the
// file is not a shell link (by its .lnk extension, as the shell decides), cannot be read,
// or names no file-system target. Needs a ShellSession on the calling thread on Windows.
std::string ResolveShortcut(std::string_view path);

// The path the link object loads: `path` itself when it contains a dot, else `path`
// with ".lnk" added; empty when the added extension would not fit a path buffer.
std::string ShortcutLoadPath(std::string_view path);

// A new text of the same characters (empty for empty).
std::string CopyToHostText(std::string_view text);

// `path` ending in `separator`, or empty when it is empty or the result would not fit a
// path buffer (kPathBufferUnits - 1 UTF-16 units).
std::string FinishFolderPath(std::string_view path, char separator);

// True when the text fits a path buffer with its terminating zero.
bool FitsPathBuffer(std::string_view utf8);

// True when the last component of `path` ends in ".lnk" (any case): the shell's rule for
// the link attribute.
bool HasShortcutExtension(std::string_view path);

// COM for the calling thread (apartment-threaded) on Windows, for the lifetime of the
// object; nothing elsewhere. ResolveShortcut needs one.
class ShellSession {
public:
    ShellSession();
    ~ShellSession();
    ShellSession(const ShellSession&) = delete;
    ShellSession& operator=(const ShellSession&) = delete;
    bool ok() const { return ok_; }

private:
    bool ok_ = false;
};

}  // namespace icoforge
