#pragma once
// BMP files: the 24-bit reader of the decoder chain and the only writer of the conversion.

#include <cstdint>
#include <optional>
#include <string>

#include "imageconv/stdio_picture_decoder.h"
#include "platform/replacing_file.h"
#include "platform/system_failure.h"

namespace icoforge {

class BmpCodec final : public StdioPictureDecoder {
public:
    ~BmpCodec() override { Close(); }

    // Reading accepts "BM" and "BA" files of 24 bits per pixel only.
    bool Open(std::string_view path, RasterImage& image) override;
    void Close() override;

    // Starts the file as a temporary beside `path`; a failure to "write" when that cannot
    // be created, the image is empty or `bits_per_pixel` is not 24.
    Result<> OpenForWrite(std::string_view path, const RasterImage& image, std::int32_t bits_per_pixel);
    // Writes headers and rows (bottom row first, rows padded to 4 bytes) and only then
    // replaces the file at the path; when a write fails, whatever was there stays as it
    // was and the temporary is removed.
    Result<> Write();

private:
    bool Decode() override;

    std::optional<ReplacingFile> output_;
    std::string path_;
    const RasterImage* source_ = nullptr;
    bool top_down_ = false;
    std::uint64_t pixel_offset_ = 0;
};

}  // namespace icoforge
