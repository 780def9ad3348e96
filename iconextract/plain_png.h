#pragma once
// The PNG that icons are made of, decoded without libpng: 8-bit RGBA or RGB, not
// interlaced, nothing but IHDR, the IDAT run, IEND and ancillary chunks, every CRC right.
// libpng's row filters are plain C, and unfiltering a 256 x 256 icon's Paeth rows cost as
// much as inflating them; here a pixel's four bytes are unfiltered at once.
//
// Nothing comes back for any other PNG, nor for one that is not exactly right in every
// respect (a bad CRC, a short or overlong stream, an unknown critical chunk): libpng then
// decides, so a picture never depends on which decoder read it.

#include <optional>

#include "common/bytes.h"
#include "common/rgba_image.h"

namespace icoforge {

std::optional<RgbaImage> DecodePlainPng(ByteView png);

}  // namespace icoforge
