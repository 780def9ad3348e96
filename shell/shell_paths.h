#pragma once
// The shell's portable path rules: the numbers of the well-known folders, the fixed path
// buffer of the Windows calls, and how a shortcut's path is formed and recognised. Every
// platform's shell services apply the same rules, so they are tested everywhere.

#include <cstddef>
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

}  // namespace icoforge
