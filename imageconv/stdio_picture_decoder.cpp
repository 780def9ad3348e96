#include "imageconv/stdio_picture_decoder.h"

namespace icoforge {

bool StdioPictureDecoder::OpenFile(std::string_view path) {
    Close();
    file_ = OpenStdioFile(path, "rb").value_or(nullptr);
    if (!file_) return false;
    const auto file_size = StdioFileLength(file_.get());
    if (!file_size || !SeekStdioFile(file_.get(), 0)) return Close(), false;
    file_size_ = *file_size;
    return true;
}

void StdioPictureDecoder::Accept(RasterImage& image, std::uint64_t width, std::uint64_t height,
                                 std::int32_t bits_per_pixel) {
    image_ = &image;
    width_ = width;
    height_ = height;
    bits_per_pixel_ = bits_per_pixel;
}

void StdioPictureDecoder::CloseFile() {
    file_.reset();
    image_ = nullptr;
    width_ = 0;
    height_ = 0;
    bits_per_pixel_ = 0;
    file_size_ = 0;
}

}  // namespace icoforge
