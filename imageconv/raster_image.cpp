#include "imageconv/raster_image.h"

#include <algorithm>
#include <limits>

#include "common/byte_reader.h"

namespace icoforge {
namespace {

constexpr std::uint8_t kRgb555Mask = 0xF8;

// Red, green, blue of one pixel of `row` at column `x`.
PaletteEntry SourceColour(const RasterImage& image, ByteView row, std::uint64_t x) {
    switch (image.bits_per_pixel()) {
    case 8: {
        const std::uint8_t index = row[x];
        if (image.palette_size() == 0) return {index, index, index};
        // An index past the palette has no colour of its own.
        if (index >= image.palette_size()) return {};
        return image.palette()[index];
    }
    case 16: {
        const std::uint16_t v = ReadU16(row, x * 2).value_or(0);
        return {static_cast<std::uint8_t>((v >> 8) & kRgb555Mask), static_cast<std::uint8_t>((v >> 3) & kRgb555Mask),
                static_cast<std::uint8_t>((v << 2) & kRgb555Mask)};
    }
    case 32:
        return {row[x * 4 + 1], row[x * 4 + 2], row[x * 4 + 3]};
    default:
        return {row[x * 3], row[x * 3 + 1], row[x * 3 + 2]};
    }
}

}  // namespace

bool RasterImage::Create(std::int32_t width, std::int32_t height, std::int32_t bits_per_pixel,
                         std::int32_t palette_size) {
    Release();
    if (width < 1 || height < 1) return false;
    if (bits_per_pixel != 8 && bits_per_pixel != 16 && bits_per_pixel != 24 && bits_per_pixel != 32) return false;
    if (bits_per_pixel != 8) palette_size = 0;
    if (palette_size < 0 || palette_size > kMaxPaletteSize) return false;
    const std::uint64_t pixel_count = static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height);
    const std::uint64_t bytes_per_pixel = static_cast<std::uint64_t>(bits_per_pixel / 8);
    if (pixel_count > std::numeric_limits<std::uint64_t>::max() / bytes_per_pixel) return false;
    if (!pixels_.Allocate(pixel_count * bytes_per_pixel, kPixelStorePrefix)) return false;
    palette_.assign(static_cast<std::size_t>(palette_size), PaletteEntry{});
    width_ = width;
    height_ = height;
    bits_per_pixel_ = bits_per_pixel;
    return true;
}

void RasterImage::Release() {
    palette_.clear();
    palette_.shrink_to_fit();
    pixels_.Release(true);
    width_ = 0;
    height_ = 0;
    bits_per_pixel_ = 0;
}

std::span<std::uint8_t> RasterImage::Row(std::int32_t y) {
    if (y < 0 || y >= height_) return {};
    return pixels().subspan(static_cast<std::size_t>(stride() * static_cast<std::uint64_t>(y)),
                            static_cast<std::size_t>(stride()));
}

ByteView RasterImage::Row(std::int32_t y) const {
    if (y < 0 || y >= height_) return {};
    return SliceOf(pixels(), stride() * static_cast<std::uint64_t>(y), stride()).bytes;
}

bool RasterImage::ConvertTo(RasterImage& destination, std::int32_t bits_per_pixel) const {
    if (bits_per_pixel != 24 || width_ < 1 || height_ < 1 || &destination == this) return false;
    if (!destination.Create(width_, height_, 24, 0)) return false;
    if (bits_per_pixel_ == 24) {
        std::ranges::copy(pixels(), destination.pixels().begin());
    } else {
        for (std::int32_t y = 0; y < height_; ++y) {
            const ByteView in = Row(y);
            const std::span<std::uint8_t> out = destination.Row(y);
            for (std::uint64_t x = 0; x < static_cast<std::uint64_t>(width_); ++x) {
                const PaletteEntry c = SourceColour(*this, in, x);
                out[x * 3] = c.red;
                out[x * 3 + 1] = c.green;
                out[x * 3 + 2] = c.blue;
            }
        }
    }
    destination.FlushPixels();
    return true;
}

}  // namespace icoforge
