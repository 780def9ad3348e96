#pragma once
// The one way this program opens a file for reading on Windows.

#include <windows.h>

#include <string>
#include <string_view>

#include "platform/system_failure.h"
#include "platform/win32/owners.h"
#include "platform/win32/wide.h"

namespace icoforge {

// A regular disk file opened for reading with the given sharing; a failure to "read" a
// folder, a pipe, a console or other device, or a file that cannot be opened. A folder is
// told apart before the open, which would only say "access denied".
Result<ScopedHandle> OpenRegularFileForReading(std::string_view utf8_path, DWORD share);

// The text FormatMessage gives for a Win32 error code, on one line.
std::string SystemErrorText(DWORD code);

// The failure of `what` on `path` that a Win32 error code explains.
inline tl::unexpected<Failure> FailWithSystemCode(std::string what, std::string_view path, DWORD code) {
    return Fail(std::move(what), std::string(path), SystemErrorText(code), static_cast<int>(code));
}

}  // namespace icoforge
