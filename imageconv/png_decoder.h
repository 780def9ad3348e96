#pragma once
// PNG pictures through libpng's classic reading interface: palette and grey files as 8-bit
// images, RGB as 24 bits, RGBA as 32 bits with the alpha byte first. 16-bit files are
// refused.

#include <cstdint>
#include <memory>

#include "imageconv/stdio_picture_decoder.h"

namespace icoforge {

class PngDecoder final : public StdioPictureDecoder {
public:
    PngDecoder();
    ~PngDecoder() override;

    bool Open(std::string_view path, RasterImage& image) override;
    void Close() override;

    struct Session;  // libpng's read and info structures

private:
    bool Decode() override;

    std::unique_ptr<Session> session_;
    std::int32_t palette_size_ = 0;
    std::uint64_t stored_row_bytes_ = 0;
};

}  // namespace icoforge
