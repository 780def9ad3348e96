#pragma once
// C streams opened by UTF-8 path. The picture libraries read from a FILE*, and on Windows
// only the wide open reaches every file name.

#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string_view>

namespace icoforge {

struct StdioCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using StdioFile = std::unique_ptr<std::FILE, StdioCloser>;

// fopen with a UTF-8 path and the usual mode text; null when it cannot be opened.
StdioFile OpenStdioFile(std::string_view utf8_path, const char* mode);

// 64-bit seeks, since `long` is 32 bits on Windows.
bool SeekStdioFile(std::FILE* file, std::uint64_t offset);
// The length of the file, found by seeking to its end (the position is left there).
std::optional<std::uint64_t> StdioFileLength(std::FILE* file);

}  // namespace icoforge
