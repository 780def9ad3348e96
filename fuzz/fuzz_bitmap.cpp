// Bitmap::LoadData on arbitrary bytes, then every pixel of whatever it loaded.
#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "iconbuild/bitmap.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    icoforge::Bitmap bitmap;
    if (!bitmap.LoadData(icoforge::ByteView(data, size))) return 0;
    // Every pixel and the ring just outside the picture, within a budget: a file without
    // planes may state any height in a few bytes.
    constexpr std::int64_t kMaxColumns = 4096;
    constexpr std::int64_t kMaxPixels = 1 << 14;
    const std::int64_t columns = std::clamp<std::int64_t>(bitmap.GetWidth(), 0, kMaxColumns);
    const std::int64_t rows = std::clamp<std::int64_t>(bitmap.GetHeight(), 0, kMaxPixels / std::max<std::int64_t>(columns, 1));
    for (std::int64_t y = -1; y <= rows; ++y)
        for (std::int64_t x = -1; x <= columns; ++x)
            bitmap.GetPixelColour(static_cast<std::int32_t>(x), static_cast<std::int32_t>(y));
    return 0;
}
