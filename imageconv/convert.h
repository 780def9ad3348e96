#pragma once
// Picture files to 24-bit BMP files. The format is found from the content alone.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "imageconv/picture_decoder.h"
#include "imageconv/raster_image.h"

namespace icoforge {

// Results of ConvertToBmp and LoadPicture.
inline constexpr std::int32_t kConvertOk = 1;
inline constexpr std::int32_t kConvertSourceNotFound = -1;
inline constexpr std::int32_t kConvertNotDecoded = -3;
inline constexpr std::int32_t kConvertCannotWrite = -4;
inline constexpr std::int32_t kConvertMissingArgument = -7;

// Why a conversion failed, finer than its result, for callers that tell the user.
enum class ConvertProblem : std::uint8_t {
    None,
    MissingArgument,      // -7
    SourceNotFound,       // -1
    SourceUnreadable,     // -3: the source cannot be opened or read (a folder, no permission)
    NotAPicture,          // -3: no decoder recognised the file, or it is damaged
    PictureTooLarge,      // -3: more pixels than the limit (kMaxPicturePixels)
    TempFolderUnusable,   // -3: the temporary folder cannot hold the pixels
    DestinationUnwritable,// -4
};

struct ConvertOutcome {
    std::int32_t result = kConvertOk;  // what ConvertToBmp or LoadPicture returns
    ConvertProblem problem = ConvertProblem::None;
    // The path the problem is about, where that is not the source or the destination
    // the caller gave: the temporary folder.
    std::string subject;
    // The system's words where the system refused (strerror's text); empty otherwise.
    std::string system_reason;
};

// Decodes the picture at `path` into `image` with the first decoder of the chain (JPEG,
// BMP, TIFF, PNG, PCX, PhotoCD) that recognises it: 1, -1 when nothing is at the path,
// -3 when no decoder takes the file, the one that does fails, or the picture has more
// than `max_pixels` pixels (checked from its header, before anything is allocated).
std::int32_t LoadPicture(std::string_view path, RasterImage& image, std::uint64_t max_pixels = kMaxPicturePixels);
ConvertOutcome LoadPictureOutcome(std::string_view path, RasterImage& image,
                                  std::uint64_t max_pixels = kMaxPicturePixels);

// Writes the picture at `source` as an uncompressed 24-bit BMP at `destination`: 1, -1 or
// -3 as LoadPicture, -4 when the destination cannot be written, -7 when an argument is
// missing (an empty text is not missing).
std::int32_t ConvertToBmp(std::optional<std::string_view> source, std::optional<std::string_view> destination);
// The same, with why it failed.
ConvertOutcome ConvertToBmpOutcome(std::optional<std::string_view> source, std::optional<std::string_view> destination);

}  // namespace icoforge
