#pragma once
// What the decoders that read a picture through a C stream keep between Open and Read: the
// file, its length (a bound on what the header may claim), the image to fill and the size
// and depth the header gave.

#include <cstdint>
#include <string_view>

#include "imageconv/picture_decoder.h"
#include "platform/stdio_file.h"

namespace icoforge {

class StdioPictureDecoder : public PictureDecoder {
public:
    std::uint64_t width() const override { return width_; }
    std::uint64_t height() const override { return height_; }

protected:
    // Every Open starts here, from closed: opens the file at its start and learns its
    // length; false, and closed again, when either fails.
    bool OpenFile(std::string_view path);
    // Takes what the header gave once the decoder accepts the file.
    void Accept(RasterImage& image, std::uint64_t width, std::uint64_t height, std::int32_t bits_per_pixel);
    // The library's state must be released first: it reads from the file.
    void CloseFile();

    StdioFile file_;
    RasterImage* image_ = nullptr;
    std::uint64_t width_ = 0;
    std::uint64_t height_ = 0;
    std::int32_t bits_per_pixel_ = 0;
    std::uint64_t file_size_ = 0;
};

}  // namespace icoforge
