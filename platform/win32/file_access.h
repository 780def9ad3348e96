#pragma once
// The one way this program opens a file for reading on Windows.

#include <windows.h>

#include <string>

#include "platform/file_error.h"
#include "platform/win32/owners.h"
#include "platform/win32/wide.h"

namespace icoforge {

// A regular disk file opened for reading with the given sharing; invalid, with the
// reason, for a folder, a pipe, a console or other device, or a file that cannot be
// opened. A folder is told apart before the open, which would only say "access denied".
ScopedHandle OpenRegularFileForReading(const std::wstring& path, DWORD share, FileError* error);

// The text FormatMessage gives for a Win32 error code, on one line.
std::string SystemErrorText(DWORD code);

}  // namespace icoforge
