#pragma once
// Failures of file operations, in words for the person who named the file: the system's
// own where the system refused (strerror, FormatMessage), ours where we did.

#include <cstdint>
#include <string>
#include <string_view>

#include "common/failure.h"

namespace icoforge {

// The failure of `what` on `path` that the last failed system call of this thread
// explains: its error (errno, GetLastError) and the system's words for it.
tl::unexpected<Failure> FailFromSystem(std::string what, std::string_view path);
// The system's words alone, for a failure that names no file (standard input).
std::string LastSystemErrorText();

inline constexpr const char* kNotRegularFileText = "not a regular file";
// A folder where a file was to be written, said in the words people use for it.
inline constexpr const char* kIsFolderText = "is a folder";
inline constexpr const char* kEarlierWriteFailedText = "an earlier write failed";
inline constexpr const char* kFileClosedText = "the file was already closed";

inline std::string TooLargeText(std::uint64_t size, std::uint64_t limit) {
    return "too large (" + std::to_string(size) + " bytes, at most " + std::to_string(limit) + ")";
}

}  // namespace icoforge
