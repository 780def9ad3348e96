#pragma once
// Picture files to 24-bit BMP files. The format is found from the content alone.

#include <cstdint>
#include <limits>
#include <optional>
#include <string_view>

#include "imageconv/raster_image.h"

namespace icoforge {

// Results of ConvertToBmp and LoadPicture.
inline constexpr std::int32_t kConvertOk = 1;
inline constexpr std::int32_t kConvertSourceNotFound = -1;
inline constexpr std::int32_t kConvertNotDecoded = -3;
inline constexpr std::int32_t kConvertCannotWrite = -4;
inline constexpr std::int32_t kConvertMissingArgument = -7;

inline constexpr std::uint64_t kNoPixelLimit = std::numeric_limits<std::uint64_t>::max();

// Decodes the picture at `path` into `image` with the first decoder of the chain (JPEG,
// BMP, TIFF, PNG, PCX, PhotoCD) that recognises it: 1, -1 when nothing is at the path,
// -3 when no decoder takes the file or the one that does fails. A picture of more than
// `max_pixels` pixels counts as a failed decode; callers that feed untrusted files in
// bulk use it to bound the work one file can ask for.
std::int32_t LoadPicture(std::string_view path, RasterImage& image, std::uint64_t max_pixels = kNoPixelLimit);

// Writes the picture at `source` as an uncompressed 24-bit BMP at `destination`: 1, -1 or
// -3 as LoadPicture, -4 when the destination cannot be written, -7 when an argument is
// missing (an empty text is not missing).
std::int32_t ConvertToBmp(std::optional<std::string_view> source, std::optional<std::string_view> destination);

}  // namespace icoforge
