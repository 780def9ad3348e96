#pragma once
// PNG files from RGBA pictures: 8-bit RGBA, non-interlaced, compressed at libpng's best
// setting, as icons keep them small for a long time.

#include "common/bytes.h"
#include "common/failure.h"
#include "common/rgba_image.h"

namespace icoforge {

// The whole PNG file. Refuses an empty picture and one whose pixel buffer does not hold
// width * height * 4 bytes.
Result<ByteBuffer> EncodePng(const RgbaImage& image);

}  // namespace icoforge
