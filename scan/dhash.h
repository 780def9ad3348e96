#pragma once
// The perceptual hash of a group: its largest image composited on white, made grey,
// averaged down to 9 x 8 cells, and one bit per pair of neighbours in a row. Near-equal
// pictures (another depth, a slightly different size) get hashes a few bits apart. The
// README gives the exact arithmetic, so that others can compute the same number.

#include <cstdint>
#include <optional>

#include "common/bytes.h"
#include "common/rgba_image.h"
#include "iconextract/catalogue.h"

namespace icoforge::scan {

// The hash of a picture of at least one pixel.
std::uint64_t DHashOf(const RgbaImage& picture);

// The hash of the group's largest image (most pixels, then most bits per pixel, then the
// first); should that one not decode, the next in that order stands in. Nothing when
// none decodes.
std::optional<std::uint64_t> GroupDHash(ByteView file, const catalogue::CatalogueGroup& group);

}  // namespace icoforge::scan
