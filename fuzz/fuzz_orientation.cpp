// The Orientation tag read from arbitrary bytes, as a TIFF file's head and as EXIF, and a
// small picture turned by what was read.
#include <cstdint>
#include <algorithm>
#include <cstdlib>
#include <vector>

#include "imageconv/orientation.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const icoforge::ByteView bytes(data, size);
    const icoforge::Orientation orientation = icoforge::OrientationOfTiff(bytes);
    (void)icoforge::OrientationOfExif(bytes);
    const icoforge::RgbaImage picture{3, 2, std::vector<std::uint8_t>(data, data + std::min<std::size_t>(size, 24))};
    if (picture.pixels.size() != 24) return 0;
    const icoforge::RgbaImage turned = icoforge::TurnUpright(picture, orientation);
    if (turned.width * turned.height != 6 || turned.pixels.size() != 24) std::abort();
    return 0;
}
