#pragma once
// One decoder per kind of board picture; DecodeBoardPicture picks one by the first bytes.

#include <optional>

#include "app/board/board_picture.h"

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
std::optional<BoardPicture> DecodeGif(ByteView bytes, const BoardDecodeOptions& options);
std::optional<BoardPicture> DecodePcx(ByteView bytes, const BoardDecodeOptions& options, BoardPictureKind kind);

// How a PNG's alpha is made ready to draw: blended with the board's background (a PNG
// picture), or kept as transparency (a PNG image inside an icon).
enum class PngAlpha : std::uint8_t { BlendWithBackground, KeepTransparency };
std::optional<BoardPicture> DecodePng(ByteSource& source, const BoardDecodeOptions& options, PngAlpha alpha);

// True when a picture of this size is allowed: both sides at least 1, and no more pixels
// than the limit.
bool WithinPixelLimit(std::uint64_t width, std::uint64_t height, std::uint64_t max_pixels);

// The size a picture is decoded at when it may be reduced: the drawn size of the fitted
// placement, or its own size when it is not drawn reduced.
struct DrawnSize {
    std::int32_t width = 0;
    std::int32_t height = 0;
};
DrawnSize ReducedSize(std::int32_t width, std::int32_t height, const BoardDecodeOptions& options);

}  // namespace icoforge::board_detail
