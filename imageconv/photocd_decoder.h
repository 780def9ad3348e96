#pragma once
// PhotoCD image packs: one of the three uncompressed resolutions, luminance and two
// colour differences shared by 2 x 2 pixels, converted to red, green and blue.

#include <cstdint>

#include "imageconv/stdio_picture_decoder.h"

namespace icoforge {

struct PhotoCdColour {
    std::uint8_t red;
    std::uint8_t green;
    std::uint8_t blue;
};
// One pixel from its luminance and the two colour differences of its 2 x 2 block.
PhotoCdColour PhotoCdToRgb(std::uint8_t y, std::uint8_t c1, std::uint8_t c2);

class PhotoCdDecoder final : public StdioPictureDecoder {
public:
    // Resolution selectors: 192 x 128, 384 x 256, and the 768 x 512 base image.
    static constexpr int kBase16 = 0;
    static constexpr int kBase4 = 1;
    static constexpr int kBase = 2;
    // Smaller files are never taken as an image pack.
    static constexpr std::uint64_t kMinFileSize = 1'048'576;

    ~PhotoCdDecoder() override { Close(); }

    // The conversion chain asks for the base resolution.
    bool Open(std::string_view path, RasterImage& image) override { return Open(path, image, kBase); }
    bool Open(std::string_view path, RasterImage& image, int selector);
    void Close() override;

private:
    bool Decode() override;

    std::uint64_t data_offset_ = 0;
    bool open_ = false;
};

}  // namespace icoforge
