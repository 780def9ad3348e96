#pragma once
// Picture files to 24-bit BMP files. The format is found from the content alone.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "common/failure.h"
#include "imageconv/picture_decoder.h"
#include "imageconv/raster_image.h"

namespace icoforge {

// Results of ConvertToBmp and LoadPicture.
inline constexpr std::int32_t kConvertOk = 1;
inline constexpr std::int32_t kConvertSourceNotFound = -1;
inline constexpr std::int32_t kConvertNotDecoded = -3;
inline constexpr std::int32_t kConvertCannotWrite = -4;
inline constexpr std::int32_t kConvertMissingArgument = -7;

// What a failure of the conversion names as its step, besides "read" for a source that
// cannot be read and "write" for a destination that cannot be written.
inline constexpr const char* kConvertStep = "convert";
inline constexpr const char* kNotAPictureText = "not a supported picture, or damaged";
std::string TooManyPixelsText(std::uint64_t max_pixels);

// Decodes the picture at `path` into `image` with the first decoder of the chain (JPEG,
// BMP, TIFF, PNG, PCX, PhotoCD) that recognises it: 1, -1 when nothing is at the path,
// -3 when no decoder takes the file, the one that does fails, or the picture has more
// than `max_pixels` pixels (checked from its header, before anything is allocated).
std::int32_t LoadPicture(std::string_view path, RasterImage& image, std::uint64_t max_pixels = kMaxPicturePixels);
// The same, with why it failed: the source could not be "read" (nothing there, a folder,
// no permission), no decoder would "convert" it or the picture is too large, or the
// temporary folder that holds the pixels cannot be used (kUseTempFolderStep).
Result<> LoadPictureOutcome(std::string_view path, RasterImage& image, std::uint64_t max_pixels = kMaxPicturePixels);

// Writes the picture at `source` as an uncompressed 24-bit BMP at `destination`: 1, -1 or
// -3 as LoadPicture, -4 when the destination cannot be written, -7 when an argument is
// missing (an empty text is not missing).
std::int32_t ConvertToBmp(std::optional<std::string_view> source, std::optional<std::string_view> destination);
// The same, with why it failed: as LoadPictureOutcome, or a failure to "write" the
// destination, the old file there left as it was.
Result<> ConvertToBmpOutcome(std::string_view source, std::string_view destination);

}  // namespace icoforge
