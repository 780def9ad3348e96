// Bitmap::LoadData on arbitrary bytes, then every pixel of whatever it loaded.
#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "iconbuild/bitmap.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    icoforge::Bitmap bitmap;
    if (!bitmap.LoadData(icoforge::ByteView(data, size))) return 0;
    const std::int32_t width = bitmap.GetWidth();
    const std::int32_t height = bitmap.GetHeight();
    // Every pixel, within a budget: a file without planes may state any height in a few bytes.
    constexpr std::int32_t kMaxPixels = 1 << 14;
    const std::int32_t columns = std::clamp(width, 0, kMaxPixels);
    const std::int32_t rows = std::clamp(height, 0, kMaxPixels / std::max(columns, 1));
    for (std::int32_t y = 0; y < rows; ++y)
        for (std::int32_t x = 0; x < columns; ++x) bitmap.GetPixelColour(x, y);
    // Just outside each edge.
    for (const auto& [x, y] : {std::pair{-1, 0}, {0, -1}, {width, 0}, {0, height}}) bitmap.GetPixelColour(x, y);
    return 0;
}
