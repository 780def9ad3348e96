#pragma once
// BMP files: the 24-bit reader of the decoder chain and the only writer of the conversion.

#include <cstdint>
#include <optional>
#include <string>

#include "imageconv/picture_decoder.h"
#include "platform/replacing_file.h"
#include "platform/stdio_file.h"
#include "platform/system_failure.h"

namespace icoforge {

class BmpCodec final : public PictureDecoder {
public:
    BmpCodec() = default;
    BmpCodec(const BmpCodec&) = delete;
    BmpCodec& operator=(const BmpCodec&) = delete;
    ~BmpCodec() override { Close(); }

    // Reading accepts "BM" and "BA" files of 24 bits per pixel only.
    bool Open(std::string_view path, RasterImage& image) override;
    bool Read() override;
    void Close() override;
    std::uint64_t width() const override { return width_; }
    std::uint64_t height() const override { return height_; }

    // Starts the file as a temporary beside `path`; a failure to "write" when that cannot
    // be created, the image is empty or `bits_per_pixel` is not 24.
    Result<> OpenForWrite(std::string_view path, const RasterImage& image, std::int32_t bits_per_pixel);
    // Writes headers and rows (bottom row first, rows padded to 4 bytes) and only then
    // replaces the file at the path; when a write fails, whatever was there stays as it
    // was and the temporary is removed.
    Result<> Write();

private:
    StdioFile file_;
    std::optional<ReplacingFile> output_;
    std::string path_;
    RasterImage* image_ = nullptr;
    const RasterImage* source_ = nullptr;
    std::uint64_t width_ = 0;
    std::uint64_t height_ = 0;
    std::int32_t bits_per_pixel_ = 0;
    bool top_down_ = false;
    std::uint64_t pixel_offset_ = 0;
};

}  // namespace icoforge
