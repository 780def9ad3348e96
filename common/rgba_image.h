#pragma once
// A picture as the icon maker, the PNG writer and the thumbnailer pass it around: 8-bit
// red, green, blue and alpha per pixel, alpha not premultiplied, rows top-down with no
// padding. Who makes one has checked its size against the pixel limit first.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace icoforge {

struct RgbaImage {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::vector<std::uint8_t> pixels;  // width * height * 4 bytes

    static constexpr std::size_t kChannels = 4;
    std::size_t RowBytes() const { return std::size_t{width} * kChannels; }
    bool empty() const { return width == 0 || height == 0; }
};

}  // namespace icoforge
