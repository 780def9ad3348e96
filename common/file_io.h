#pragma once
// Whole-file reading and writing by UTF-8 path. std::filesystem converts the path to the
// system's wide form on Windows, so every file name works whatever the code page.

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "common/bytes.h"

namespace icoforge {

// The whole file, or nothing when it cannot be opened or read to its end.
std::optional<ByteBuffer> ReadWholeFile(std::string_view utf8_path);

// Creates or replaces the file with exactly `bytes`. False when it could not be created
// or not every byte was written.
bool WriteWholeFile(std::string_view utf8_path, ByteView bytes);
// The same with the pieces one after the other, so that a file made of large parts need
// not be put together in memory first.
bool WriteWholeFile(std::string_view utf8_path, std::span<const ByteView> pieces);

bool FileExists(std::string_view utf8_path);
bool RemoveFile(std::string_view utf8_path);

}  // namespace icoforge
