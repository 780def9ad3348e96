#pragma once
// What the tests may expect of the system they run on, and what they may change in it.

#include <cstdlib>
#include <string>

namespace icoforge::testing {

// Windows (or Wine) may refuse its clipboard to a session without a desktop; the
// process-local clipboard of other systems cannot refuse, so a failure there is a fault.
inline constexpr bool kClipboardMayBeRefused =
#ifdef _WIN32
    true;
#else
    false;
#endif

// Names the folder the system hands out as its temporary folder, for this process.
inline void SetSystemTempFolder(const std::string& folder) {
#ifdef _WIN32
    _putenv_s("TMP", folder.c_str());
    _putenv_s("TEMP", folder.c_str());
#else
    setenv("TMPDIR", folder.c_str(), 1);
#endif
}

}  // namespace icoforge::testing
