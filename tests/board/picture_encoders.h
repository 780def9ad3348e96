#pragma once
// Pictures made on the spot for the board tests, written by the libraries' own encoders
// (and a plain GIF writer of our own), and the libraries' own full decoders as references.

#include <cstdint>
#include <optional>
#include <vector>

#include "common/bytes.h"

namespace icoforge::test {

// 8-bit grey (components 1), RGB (3) or CMYK (4) samples, rows top-down.
ByteBuffer EncodeJpeg(std::int32_t width, std::int32_t height, int components, const std::vector<std::uint8_t>& samples,
                      int quality = 95);
// 8-bit RGBA samples, rows top-down.
ByteBuffer EncodePngRgba(std::int32_t width, std::int32_t height, const std::vector<std::uint8_t>& rgba);

struct GifImage {
    std::uint16_t screen_width = 0;
    std::uint16_t screen_height = 0;
    std::uint16_t width = 0;
    std::uint16_t height = 0;
    bool interlaced = false;
    std::vector<std::uint8_t> palette;  // 256 entries of red, green, blue
    std::vector<std::uint8_t> indices;  // in the order they are stored (pass order when interlaced)
};
// A GIF89a with a global colour table and one image, its LZW data made of literal codes
// only, with a clear code before the table would need wider codes.
ByteBuffer EncodeGif(const GifImage& image);

struct RgbaPicture {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::vector<std::uint8_t> rgba;  // top row first
};
// Full-size references: libjpeg to RGB (nothing for a file it warns about), libpng's
// simplified interface to RGBA.
std::optional<RgbaPicture> ReferenceJpeg(ByteView bytes);
std::optional<RgbaPicture> ReferencePng(ByteView bytes);

}  // namespace icoforge::test
