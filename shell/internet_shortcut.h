#pragma once
// Our reader of internet shortcuts (.url files): the INI text Windows writes for a link to
// a web page or a launcher's game, whose [InternetShortcut] section may name an icon.

#include <cstdint>
#include <optional>
#include <string>

#include "common/bytes.h"
#include "common/text_encoding.h"

namespace icoforge {

// The icon an internet shortcut shows, as its IconFile and IconIndex keys give it: the path
// as written (UTF-8; ANSI text is read by `ansi`, text behind a byte order mark as
// UTF-8 or UTF-16, and an [InternetShortcut.W] section's UTF-7 path, written where the ANSI
// one lost characters, is taken before it) and the index as ExtractIcon takes it (0 when
// the key is missing or no number).
struct InternetShortcutIcon {
    std::string path;
    std::int32_t index = 0;
};

// True when the bytes are text (without a NUL in the first 64 KiB, read as its byte order
// mark says) that holds an [InternetShortcut] section: what makes a .url, whatever it is
// called.
bool IsInternetShortcut(ByteView file);

// Nothing when the bytes are no internet shortcut or its section names no icon file.
// Windows reads ANSI text in its own ANSI code page; Windows-1252 is the usual one, and maps
// every byte.
std::optional<InternetShortcutIcon> InternetShortcutIconOf(ByteView file, AnsiDecoder ansi = Utf8FromWindows1252);

}  // namespace icoforge
