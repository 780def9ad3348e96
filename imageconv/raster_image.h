#pragma once
// The decoded picture: rows top first, no padding between them, pixels in a MappedBuffer.
//   8 bits: a palette index, or a grey level when there is no palette
//  16 bits: little-endian word, red in bits 15-11, green 10-6, blue 5-1
//  24 bits: red, green, blue
//  32 bits: alpha (or unused), red, green, blue

#include <cstdint>
#include <span>
#include <vector>

#include "common/bytes.h"
#include "imageconv/mapped_buffer.h"

namespace icoforge {

struct PaletteEntry {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
};

inline constexpr std::int32_t kMaxPaletteSize = 256;

class RasterImage {
public:
    RasterImage() = default;
    RasterImage(const RasterImage&) = delete;
    RasterImage& operator=(const RasterImage&) = delete;

    // A zero-filled image of the given size and depth (8, 16, 24 or 32). Only 8 bits keeps
    // a palette (size 0 means grey, at most 256 entries); other depths drop the request.
    // False, and the image left empty, for a size below 1, a block too large to map, or
    // any allocation failure.
    bool Create(std::int32_t width, std::int32_t height, std::int32_t bits_per_pixel, std::int32_t palette_size);
    void Release();
    // Fills `destination` with this picture at `bits_per_pixel`; only 24 is offered.
    bool ConvertTo(RasterImage& destination, std::int32_t bits_per_pixel) const;

    bool empty() const { return bits_per_pixel_ == 0; }
    std::int32_t width() const { return width_; }
    std::int32_t height() const { return height_; }
    std::int32_t bits_per_pixel() const { return bits_per_pixel_; }
    std::int32_t palette_size() const { return static_cast<std::int32_t>(palette_.size()); }
    std::uint64_t stride() const { return static_cast<std::uint64_t>(width_) * (bits_per_pixel_ / 8); }

    std::span<PaletteEntry> palette() { return palette_; }
    std::span<const PaletteEntry> palette() const { return palette_; }
    std::span<std::uint8_t> pixels() { return pixels_.bytes(); }
    ByteView pixels() const { return pixels_.view(); }
    // One row; empty for a row outside the image.
    std::span<std::uint8_t> Row(std::int32_t y);
    ByteView Row(std::int32_t y) const;
    void FlushPixels() { pixels_.Flush(); }

private:
    std::int32_t width_ = 0;
    std::int32_t height_ = 0;
    std::int32_t bits_per_pixel_ = 0;
    std::vector<PaletteEntry> palette_;
    MappedBuffer pixels_;
};

}  // namespace icoforge
