#pragma once
// The pixels of one icon or cursor image, as RGBA: a PNG image decoded, or a DIB (1, 4, 8,
// 16, 24 or 32 bits per pixel, colour bitmap over AND mask) turned into colour with alpha.
//
// Transparency follows what Windows draws: a 32-bit image whose alpha channel is not all
// zero keeps its alpha and the mask is not used; every other image takes its alpha from
// the AND mask. Where the mask is set and the colour is not black, Windows inverts the
// screen, which no RGBA picture can hold: such a pixel becomes what it shows over a white
// background, the inverse of its colour, opaque. (Cursors like the I-beam are made of such
// pixels; making them transparent would leave nothing to see.)

#include <cstdint>

#include "common/bytes.h"
#include "common/failure.h"
#include "common/rgba_image.h"

namespace icoforge {

// 256 MiB of RGBA, the bound every output keeps; far beyond any icon (Windows draws at
// most 256 x 256, and the largest PNG icons in use are 1024 x 1024).
constexpr std::uint64_t kMaxIconPixels = std::uint64_t{64} << 20;

Result<RgbaImage> DibToRgba(ByteView dib);
Result<RgbaImage> PngToRgba(ByteView png);
// libpng alone, without the plain-PNG path PngToRgba takes first: what that path is held to.
Result<RgbaImage> PngToRgbaByLibpng(ByteView png);

// Either, by the image's first bytes.
Result<RgbaImage> IconImageToRgba(ByteView image);

}  // namespace icoforge
