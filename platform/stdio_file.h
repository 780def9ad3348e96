#pragma once
// C streams opened by UTF-8 path. The picture libraries read from a FILE*, and on Windows
// only the wide open reaches every file name.

#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string_view>

#include "common/failure.h"

namespace icoforge {

struct StdioCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using StdioFile = std::unique_ptr<std::FILE, StdioCloser>;

// A stream for reading the regular file at a UTF-8 path, `mode` one of fopen's reading
// modes ("r", "rb"); files are written through ReplacingFile instead. A failure to "read"
// when the path names no regular file (a FIFO or device is refused without waiting for
// it) or it cannot be opened.
Result<StdioFile> OpenStdioFile(std::string_view utf8_path, const char* mode);

// 64-bit seeks, since `long` is 32 bits on Windows.
bool SeekStdioFile(std::FILE* file, std::uint64_t offset);
// The length of the file, found by seeking to its end (the position is left there).
std::optional<std::uint64_t> StdioFileLength(std::FILE* file);

}  // namespace icoforge
