#pragma once
// PNG pictures through libpng's classic reading interface: palette and grey files as 8-bit
// images, RGB as 24 bits, RGBA as 32 bits with the alpha byte first. 16-bit files are
// refused.

#include <cstdint>
#include <memory>
#include <string>

#include "imageconv/picture_decoder.h"
#include "platform/stdio_file.h"

namespace icoforge {

class PngDecoder final : public PictureDecoder {
public:
    PngDecoder();
    PngDecoder(const PngDecoder&) = delete;
    PngDecoder& operator=(const PngDecoder&) = delete;
    ~PngDecoder() override;

    bool Open(std::string_view path, RasterImage& image) override;
    bool Read() override;
    void Close() override;
    std::uint64_t width() const override { return width_; }
    std::uint64_t height() const override { return height_; }

    struct Session;  // libpng's read and info structures

private:
    StdioFile file_;
    std::string path_;
    RasterImage* image_ = nullptr;
    std::unique_ptr<Session> session_;
    std::uint64_t width_ = 0;
    std::uint64_t height_ = 0;
    std::int32_t bits_per_pixel_ = 0;
    std::int32_t palette_size_ = 0;
    std::uint64_t file_size_ = 0;
    std::uint64_t stored_row_bytes_ = 0;
};

}  // namespace icoforge
