#pragma once
// JPEG pictures through libjpeg: colour files as 24-bit RGB, grey files as 8-bit grey.

#include <cstdint>
#include <memory>

#include "imageconv/stdio_picture_decoder.h"

namespace icoforge {

class JpegDecoder final : public StdioPictureDecoder {
public:
    JpegDecoder();
    ~JpegDecoder() override;

    // Takes files that start with FF D8, whose header libjpeg reads and that decode to one
    // or three components (CMYK and YCCK files are refused).
    bool Open(std::string_view path, RasterImage& image) override;
    void Close() override;

    struct Session;  // the decompressor and its error manager

private:
    bool Decode() override;

    std::unique_ptr<Session> session_;
};

}  // namespace icoforge
