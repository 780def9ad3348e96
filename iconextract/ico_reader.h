#pragma once
// Icon groups read from icon (.ico) files.

#include <functional>
#include <span>
#include <string_view>
#include <vector>

#include "common/bitmap_layout.h"
#include "common/bytes.h"
#include "common/failure.h"
#include "iconextract/icon_group.h"

namespace icoforge {

namespace ico {
// The largest icon file a group may make. The biggest real icons (256-pixel images at
// every depth) make files of a few megabytes; a small file can name one large image
// thousands of times, so a group asking for more is refused before it is copied.
constexpr std::uint64_t kMaxFileBytes = 256u << 20;
}  // namespace ico

// Why an icon file is refused.
inline constexpr const char* kNotIconFileText = "not an icon file";
inline constexpr const char* kImageOutsideFileText = "damaged: an image lies outside the file";
inline constexpr const char* kGroupTooLargeText = "its images would make an icon file of more than 256 MB";

// The `count` images that `find_image` locates (or why one is missing), once all of them
// are found and fit one icon file of at most kMaxFileBytes. Failures of its own are
// failures to "read" `source`.
Result<std::vector<ByteView>> FindIconImages(std::string_view source, std::uint16_t count,
                                             const std::function<Result<ByteView>(std::uint16_t)>& find_image);

// Images FindIconImages found, copied and parsed, so that nothing is copied for a group
// that would be refused. Running out of memory is a failure to "read" `source`.
Result<std::vector<IconImage>> CopyIconImages(std::string_view source, std::span<const ByteView> found);

// The group of the icon file at `path`; a failure to "read" it when the file cannot be
// read, is not an icon file (reserved 0, type 1), or any image lies outside it. No
// partial groups.
Result<IconGroup> ReadIcoFile(std::string_view path);

// The same, from the file's bytes; the group's source name is `source_name`.
Result<IconGroup> ReadIcoBytes(ByteView file, std::string_view source_name);

}  // namespace icoforge
