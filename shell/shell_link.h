#pragma once
// Our own reader of the shell link (.lnk) format, for platforms without the shell's link
// object. It answers what the link object's GetPath answers, without resolving: the
// target path as stored, whether or not it still exists.

#include <string>

#include "common/bytes.h"

namespace icoforge {

// The stored target of a shell link file's bytes, UTF-8 with backslashes as written, or
// empty for anything that is not a shell link or has no file-system target. Where it is
// found, in order: LinkInfo's local base path and common path suffix (their Unicode forms
// when present), the item ID list when it names a drive path, LinkInfo's network share
// and suffix.
std::string ShellLinkTargetPath(ByteView link);

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
