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
    // The fastest compressor at hand (libdeflate's lowest level, else zlib's level 2) and no
    // row filter: for many small drawn images at once (extraction, thumbnails). On Wine's
    // shell32 this writes its 1,656 bitmap images a few percent larger than kSmallest in
    // under a twentieth of its time; drawn icons have flat runs that row filters only blur.
    kQuick,
};

// The whole PNG file. Refuses an empty picture and one whose pixel buffer does not hold
// width * height * 4 bytes.
Result<ByteBuffer> EncodePng(const RgbaImage& image, PngCompression compression);

}  // namespace icoforge
