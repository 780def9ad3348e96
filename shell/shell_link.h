#pragma once
// Our own reader of the shell link (.lnk) format, for platforms without the shell's link
// object. It answers what the link object's GetPath answers, without resolving: the
// target path as stored, whether or not it still exists.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/bytes.h"
#include "common/text_encoding.h"

namespace icoforge {

// The stored target of a shell link file's bytes, UTF-8 with backslashes as written, or
// empty for anything that is not a shell link or has no file-system target. Where it is
// found, in order: LinkInfo's local base path and common path suffix (their Unicode forms
// when present), the item ID list when it names a drive path, LinkInfo's network share
// and suffix. ANSI strings are read by `ansi`: the link does not record its writer's code
// page, and Windows reads them in its own.
std::string ShellLinkTargetPath(ByteView link, AnsiDecoder ansi = Utf8FromWindows1252);

// The icon a shortcut shows instead of its target's, where it names one.
struct ShellLinkIcon {
    // Where it is, best first: the IconEnvironmentDataBlock's path, whose %VARIABLES% Windows
    // expands, then the icon location of the string data. UTF-8, backslashes as written.
    std::vector<std::string> paths;
    // As ExtractIcon takes it: from 0, the icon group of that place in the file's order;
    // below 0, the group whose id is its magnitude.
    std::int32_t index = 0;
};

// Nothing when the bytes are no shell link, the link shows its target's icon, or its
// strings run past the end. ANSI strings are read by `ansi`, as for the target.
std::optional<ShellLinkIcon> ShellLinkIconLocation(ByteView link, AnsiDecoder ansi = Utf8FromWindows1252);

// True when the bytes start as a shell link does (header size and class identifier),
// whatever the file is called.
bool IsShellLink(ByteView link);

// The address a shell link to a web or other URL item stores, or empty when it stores
// none: what a link with no file-system target points at instead.
std::string ShellLinkStoredUrl(ByteView link);

// The file-system path an item ID list names (`items`: the list after its size field,
// up to and including the terminal zero), or empty when it names no drive path: a
// "My Computer" root (optional), a drive, then file and folder entries. Long names from
// the entries' extension blocks are preferred to their short names.
std::string PathFromItemIdList(ByteView items);

}  // namespace icoforge
