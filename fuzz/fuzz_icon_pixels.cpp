// One icon image (DIB or PNG) to RGBA on arbitrary bytes: a picture that comes out must
// have exactly the pixels its size says.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "iconextract/icon_pixels.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto image = icoforge::IconImageToRgba({data, size});
    if (image && image->pixels.size() != std::size_t{image->width} * image->height * 4) std::abort();
    return 0;
}
