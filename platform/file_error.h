#pragma once
// Why a file could not be read or written, in words for the person who named it: the
// system's own where the system refused (strerror, FormatMessage), ours where we did.

#include <cstdint>
#include <string>

namespace icoforge {

struct FileError {
    std::string reason;  // e.g. "No such file or directory", "not a regular file"
};

// Fills `error` when the caller asked for a reason; every file operation takes an
// optional FileError* and reports through this.
inline void SetFileError(FileError* error, std::string reason) {
    if (error != nullptr) error->reason = std::move(reason);
}

// The error text of the last failed system call of this thread (errno, GetLastError).
std::string LastSystemErrorText();

inline constexpr const char* kNotRegularFileText = "not a regular file";
// A folder where a file was to be written, said in the words people use for it.
inline constexpr const char* kIsFolderText = "is a folder";

inline std::string TooLargeText(std::uint64_t size, std::uint64_t limit) {
    return "too large (" + std::to_string(size) + " bytes, at most " + std::to_string(limit) + ")";
}

}  // namespace icoforge
