#pragma once
// JPEG pictures through libjpeg: colour files as 24-bit RGB, grey files as 8-bit grey.

#include <cstdint>
#include <memory>
#include <string>

#include "imageconv/picture_decoder.h"
#include "platform/stdio_file.h"

namespace icoforge {

class JpegDecoder final : public PictureDecoder {
public:
    JpegDecoder();
    JpegDecoder(const JpegDecoder&) = delete;
    JpegDecoder& operator=(const JpegDecoder&) = delete;
    ~JpegDecoder() override;

    // Takes files that start with FF D8, whose header libjpeg reads and that decode to one
    // or three components (CMYK and YCCK files are refused).
    bool Open(std::string_view path, RasterImage& image) override;
    bool Read() override;
    void Close() override;
    std::uint64_t width() const override { return width_; }
    std::uint64_t height() const override { return height_; }

    struct Session;  // the decompressor and its error manager

private:
    StdioFile file_;
    std::string path_;
    RasterImage* image_ = nullptr;
    std::unique_ptr<Session> session_;
    std::uint64_t width_ = 0;
    std::uint64_t height_ = 0;
    std::int32_t bits_per_pixel_ = 0;
    std::uint64_t file_size_ = 0;
};

}  // namespace icoforge
