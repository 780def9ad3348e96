#pragma once
// Icon groups read from icon (.ico) files.

#include <optional>
#include <string_view>

#include "common/bytes.h"
#include "iconextract/icon_group.h"

namespace icoforge {

// Offsets of an icon file: a 6-byte header, then one 16-byte directory entry per image.
namespace ico {
constexpr std::uint64_t kReserved = 0;
constexpr std::uint64_t kType = 2;
constexpr std::uint64_t kCount = 4;
constexpr std::uint64_t kHeaderBytes = 6;
constexpr std::uint64_t kEntryBytes = 16;
constexpr std::uint64_t kEntryBytesInRes = 8;
constexpr std::uint64_t kEntryImageOffset = 12;
constexpr std::uint16_t kTypeIcon = 1;
constexpr std::uint16_t kTypeCursor = 2;
// An icon file addresses its images with 32-bit offsets, so no group can be written
// whose file would be larger; a group asking for more is refused before it is copied.
constexpr std::uint64_t kMaxFileBytes = 0xFFFFFFFFu;
}  // namespace ico

// The group of the icon file at `path`, or nothing when the file cannot be read, is not
// an icon file (reserved 0, type 1), or any image lies outside it. No partial groups.
std::optional<IconGroup> ReadIcoFile(std::string_view path);

// The same, from the file's bytes; the group's source name is `source_name`.
std::optional<IconGroup> ReadIcoBytes(ByteView file, std::string_view source_name);

}  // namespace icoforge
