#pragma once
// PCX pictures: 8-bit with a 256-colour palette at the end of the file, or 24-bit in three
// planes; run-length coded scan lines.

#include <cstdint>
#include <span>

#include "common/bytes.h"
#include "imageconv/stdio_picture_decoder.h"

namespace icoforge {

// Decodes one scan line of line.size() bytes from `data`, starting at `position`, and
// returns the position after the last byte used. A run never carries into the next line:
// what it holds beyond the line end is dropped. When the data end first, the rest of the
// line is cleared.
std::uint64_t DecodePcxLine(std::span<std::uint8_t> line, ByteView data, std::uint64_t position);

class PcxDecoder final : public StdioPictureDecoder {
public:
    ~PcxDecoder() override { Close(); }

    bool Open(std::string_view path, RasterImage& image) override;
    void Close() override;

private:
    bool Decode() override;

    std::uint32_t planes_ = 0;
    std::uint32_t bits_per_plane_ = 0;
    std::uint64_t bytes_per_line_ = 0;
};

}  // namespace icoforge
