#pragma once
// What the tests may expect of the system they run on.

namespace icoforge::testing {

// Windows (or Wine) may refuse its clipboard to a session without a desktop; the
// process-local clipboard of other systems cannot refuse, so a failure there is a fault.
inline constexpr bool kClipboardMayBeRefused =
#ifdef _WIN32
    true;
#else
    false;
#endif

}  // namespace icoforge::testing
