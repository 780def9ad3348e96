#pragma once
// Whole-file reading and writing by UTF-8 path, and the questions the command line asks
// about files before it touches them. Only regular files are read, opened so that a FIFO
// or a device cannot block the program; every write goes through ReplacingFile, so a
// failed write leaves the old file as it was.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "common/bytes.h"
#include "common/failure.h"
#include "platform/system_failure.h"

namespace icoforge {

// What a whole-file read may take when the caller names no smaller bound: the largest
// input any command reads whole (a bitmap for an icon, a buffer to decipher) is far below
// it, and it keeps a hostile or sparse file from asking for more memory than a 32-bit
// process can give.
inline constexpr std::uint64_t kWholeFileReadLimit = 256ull * 1024 * 1024;

// The whole file; a failure to "read" it when it is not a regular file, is larger than
// `max_bytes`, or cannot be opened or read to its end.
Result<ByteBuffer> ReadWholeFile(std::string_view utf8_path, std::uint64_t max_bytes = kWholeFileReadLimit);

// Creates or replaces the file with exactly `bytes` (an empty buffer makes an empty
// file). The bytes go to a temporary file beside it that replaces it only when complete;
// on a failure to "write" it the old file is as it was and no temporary is left.
Result<> WriteWholeFile(std::string_view utf8_path, ByteView bytes);
// The same with the pieces one after the other, so that a file made of large parts need
// not be put together in memory first.
Result<> WriteWholeFile(std::string_view utf8_path, std::span<const ByteView> pieces);

bool FileExists(std::string_view utf8_path);
bool RemoveFile(std::string_view utf8_path);

// True when both paths name one existing file (the same device and file number, however
// the paths are spelled or linked).
bool IsSameFile(std::string_view first_utf8_path, std::string_view second_utf8_path);

// Success when the path names a regular file that can be opened for reading; else the
// failure ReadWholeFile would give.
Result<> CheckReadable(std::string_view utf8_path);

}  // namespace icoforge
