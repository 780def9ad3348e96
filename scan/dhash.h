#pragma once
// The perceptual hash of a group: its largest image composited on white, made grey,
// averaged down to 9 x 8 cells, and one bit per pair of neighbours in a row. Near-equal
// pictures (another depth, a slightly different size) get hashes a few bits apart. The
// README gives the exact arithmetic, so that others can compute the same number.

#include <cstdint>
#include <optional>

#include "common/failure.h"
#include "common/rgba_image.h"
#include "iconextract/icon_group.h"

namespace icoforge::scan {

// The largest image of a hashed group may have no more pixels than this: real icon
// images stop at 256 x 256 (65,536), and a PNG header claiming more is refused before
// anything is decoded.
inline constexpr std::uint64_t kMaxHashedImagePixels = 4096ull * 4096;

// The image's pixels, rows top-down. A DIB's transparent pixels (the AND mask, or alpha
// when the image has any) get alpha 0.
Result<RgbaImage> DecodeIconImage(const IconImage& image);

// The hash of a picture of at least one pixel.
std::uint64_t DHashOf(const RgbaImage& picture);

// The hash of the group's largest image (most pixels, then most bits per pixel, then the
// first), or nothing when the group has no image that decodes.
std::optional<std::uint64_t> GroupDHash(const IconGroup& group);

}  // namespace icoforge::scan
