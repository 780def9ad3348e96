#pragma once
// PCX pictures: 8-bit with a 256-colour palette at the end of the file, or 24-bit in three
// planes; run-length coded scan lines.

#include <cstdint>
#include <span>
#include <string>

#include "common/bytes.h"
#include "imageconv/picture_decoder.h"
#include "platform/stdio_file.h"

namespace icoforge {

// Decodes one scan line of line.size() bytes from `data`, starting at `position`, and
// returns the position after the last byte used. A run never carries into the next line:
// what it holds beyond the line end is dropped. When the data end first, the rest of the
// line is cleared.
std::uint64_t DecodePcxLine(std::span<std::uint8_t> line, ByteView data, std::uint64_t position);

class PcxDecoder final : public PictureDecoder {
public:
    PcxDecoder() = default;
    PcxDecoder(const PcxDecoder&) = delete;
    PcxDecoder& operator=(const PcxDecoder&) = delete;
    ~PcxDecoder() override { Close(); }

    bool Open(std::string_view path, RasterImage& image) override;
    bool Read() override;
    void Close() override;
    std::uint64_t width() const override { return width_ > 0 ? static_cast<std::uint64_t>(width_) : 0; }
    std::uint64_t height() const override { return height_ > 0 ? static_cast<std::uint64_t>(height_) : 0; }

private:
    bool Decode();

    StdioFile file_;
    std::string path_;
    RasterImage* image_ = nullptr;
    std::int32_t width_ = 0;
    std::int32_t height_ = 0;
    std::int32_t depth_ = 0;
    std::uint32_t planes_ = 0;
    std::uint32_t bits_per_plane_ = 0;
    std::uint64_t bytes_per_line_ = 0;
};

}  // namespace icoforge
