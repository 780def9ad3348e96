#pragma once
// One decoder per kind of board picture; DecodeBoardPicture picks one by the first bytes.

#include <array>
#include <optional>
#include <vector>

#include "app/board/board_picture.h"
#include "common/bitmap_layout.h"

namespace icoforge::board_detail {

// The bytes of a picture for the decoders that read in pieces: a view held whole, or the
// first bytes already read followed by the rest of a stream.
class ByteSource {
public:
    explicit ByteSource(ByteView bytes) : head_(bytes) {}
    ByteSource(ByteView head, PictureStream& rest) : head_(head), rest_(&rest) {}
    std::size_t Read(std::uint8_t* out, std::size_t size);

private:
    ByteView head_;
    std::size_t position_ = 0;
    PictureStream* rest_ = nullptr;
};

std::optional<BoardPicture> DecodeJpeg(ByteSource& source, const BoardDecodeOptions& options);
std::optional<BoardPicture> DecodeBmp(ByteView bytes, const BoardDecodeOptions& options);
std::optional<BoardPicture> DecodeIcon(ByteView bytes, const BoardDecodeOptions& options, BoardPictureKind kind);

// Every image of an icon or cursor file, colour not premultiplied, each with its bit depth
// (32 for PNG images). Images that cannot be decoded are passed over, and so are those
// past options.max_pixels counted over all images together.
struct IconFileImage {
    BoardPicture picture;  // pixels blue, green, red, alpha, as the board's
    std::uint32_t bit_depth = 0;
};
std::vector<IconFileImage> DecodeEveryIconImage(ByteView bytes, const BoardDecodeOptions& options);
std::optional<BoardPicture> DecodeGif(ByteView bytes, const BoardDecodeOptions& options);
std::optional<BoardPicture> DecodePcx(ByteView bytes, const BoardDecodeOptions& options, BoardPictureKind kind);

// How a PNG's alpha is made ready to draw: blended with the board's background (a PNG
// picture), or kept as transparency (a PNG image inside an icon). KeepStraight keeps the
// colour as the file has it, not premultiplied, for the icon maker, which must reuse an
// image exactly; a picture decoded reduced is premultiplied all the same, as scaling needs.
enum class PngAlpha : std::uint8_t { BlendWithBackground, KeepTransparency, KeepStraight };
std::optional<BoardPicture> DecodePng(ByteSource& source, const BoardDecodeOptions& options, PngAlpha alpha);

// True when a picture of this size is allowed: both sides at least 1, and no more pixels
// than the limit.
bool WithinPixelLimit(std::uint64_t width, std::uint64_t height, std::uint64_t max_pixels);

// DIB rows, as BMP files and icon images store them: each padded to 4 bytes (bih::RowBytes),
// pixels of 1, 4 or 8 bits through a colour table of 4-byte entries (blue, green, red,
// unused), of 24 and 32 bits blue, green, red.
using DibColourTable = std::array<std::uint8_t, 256 * 4>;
// The first 256 of `count` entries; indices past the table's end show black.
DibColourTable ReadDibColourTable(const std::uint8_t* entries, std::uint64_t count);
// Blue, green and red of pixel x of `row` into colour[0..2].
inline void ReadDibPixel(const std::uint8_t* row, std::uint64_t x, unsigned bits, const DibColourTable& table,
                         std::uint8_t* colour) {
    if (bits >= 24) {
        const std::uint8_t* p = row + x * (bits / 8);
        colour[0] = p[0];
        colour[1] = p[1];
        colour[2] = p[2];
    } else {
        const std::uint64_t bit = x * bits;
        const unsigned shift = 8 - bits - static_cast<unsigned>(bit % 8);
        const unsigned index = (row[bit / 8] >> shift) & ((1u << bits) - 1);
        for (int c = 0; c < 3; ++c) colour[c] = table[index * 4 + c];
    }
}

// The size a picture is decoded at when it may be reduced: the drawn size of the fitted
// placement, or its own size when it is not drawn reduced.
struct DrawnSize {
    std::int32_t width = 0;
    std::int32_t height = 0;
};
DrawnSize ReducedSize(std::int32_t width, std::int32_t height, const BoardDecodeOptions& options);

}  // namespace icoforge::board_detail
