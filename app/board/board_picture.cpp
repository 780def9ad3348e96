#include "app/board/board_picture.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <limits>

#include "app/board/board_decoders.h"
#include "app/board/board_geometry.h"
#include "common/bitmap_layout.h"
#include "common/byte_reader.h"

namespace icoforge {
namespace board_detail {

bool WithinPixelLimit(std::uint64_t width, std::uint64_t height, std::uint64_t max_pixels) {
    constexpr std::uint64_t kMaxSide = static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max());
    if (width == 0 || height == 0 || width > kMaxSide || height > kMaxSide) return false;
    return height <= max_pixels / width;
}

DibColourTable ReadDibColourTable(const std::uint8_t* entries, std::uint64_t count) {
    DibColourTable table{};
    for (std::uint64_t i = 0; i < count && i < 256; ++i)
        for (std::uint64_t c = 0; c < 3; ++c) table[i * 4 + c] = entries[i * 4 + c];
    return table;
}

std::size_t ByteSource::Read(std::uint8_t* out, std::size_t size) {
    std::size_t done = 0;
    if (position_ < head_.size()) {
        done = std::min(size, head_.size() - position_);
        std::memcpy(out, head_.data() + position_, done);
        position_ += done;
    }
    while (done < size && rest_ != nullptr) {
        const std::size_t got = rest_->Read(out + done, size - done);
        if (got == 0) break;
        done += got;
    }
    return done;
}

DrawnSize ReducedSize(std::int32_t width, std::int32_t height, const BoardDecodeOptions& options) {
    if (options.fit_width <= 0 || options.fit_height <= 0) return {width, height};
    const BoardPlacement placement = FitPicture(options.fit_width, options.fit_height, width, height);
    if (placement.width <= 0 || placement.height <= 0) return {1, 1};
    return {placement.width, placement.height};
}

}  // namespace board_detail

std::optional<BoardPictureKind> RecogniseBoardPicture(ByteView bytes) {
    // Fewer bytes than this cannot hold the shortest header the board reads.
    constexpr std::size_t kShortestPicture = 8;
    if (bytes.size() < kShortestPicture) return std::nullopt;
    const auto starts = [&](std::initializer_list<std::uint8_t> prefix) {
        std::size_t i = 0;
        for (std::uint8_t b : prefix)
            if (bytes[i++] != b) return false;
        return true;
    };
    if (starts({'B', 'M'})) return BoardPictureKind::Bmp;
    if (starts({0xFF, 0xD8})) return BoardPictureKind::Jpeg;
    if (starts({0x89, 'P', 'N', 'G'})) return BoardPictureKind::Png;
    const std::uint16_t image_count = ReadU16(bytes, ico::kCount).value_or(0);
    if (starts({0, 0, 1, 0}) && image_count > 0) return BoardPictureKind::Icon;
    if (starts({0, 0, 2, 0}) && image_count > 0) return BoardPictureKind::Cursor;
    if (starts({'G', 'I', 'F', '8'}) && (bytes[4] == '7' || bytes[4] == '9') && bytes[5] == 'a')
        return BoardPictureKind::Gif;
    if (bytes[0] == 0x0A && bytes[1] <= 5 && bytes[2] == 1 && bytes[3] == 8) return BoardPictureKind::Pcx8;
    if (starts({0x0A, 0x03, 0x01, 0x01})) return BoardPictureKind::Pcx1;
    return std::nullopt;
}

std::optional<BoardPicture> DecodeBoardPicture(ByteView bytes, const BoardDecodeOptions& options) {
    const auto kind = RecogniseBoardPicture(bytes);
    if (!kind) return std::nullopt;
    try {
        switch (*kind) {
            case BoardPictureKind::Jpeg: {
                board_detail::ByteSource source(bytes);
                return board_detail::DecodeJpeg(source, options);
            }
            case BoardPictureKind::Bmp: return board_detail::DecodeBmp(bytes, options);
            case BoardPictureKind::Icon:
            case BoardPictureKind::Cursor: return board_detail::DecodeIcon(bytes, options, *kind);
            case BoardPictureKind::Gif: return board_detail::DecodeGif(bytes, options);
            case BoardPictureKind::Pcx8:
            case BoardPictureKind::Pcx1: return board_detail::DecodePcx(bytes, options, *kind);
            case BoardPictureKind::Png: {
                board_detail::ByteSource source(bytes);
                return board_detail::DecodePng(source, options, board_detail::PngAlpha::BlendWithBackground);
            }
        }
    } catch (const std::exception&) {
        // Memory for the pixels ran out: the board treats it as a picture it cannot decode.
    }
    return std::nullopt;
}

std::optional<BoardPicture> DecodeBoardPictureStream(PictureStream& stream, const BoardDecodeOptions& options,
                                                     std::uint64_t max_file_bytes) {
    // Enough to recognise every kind, and to tell an icon's image count.
    constexpr std::size_t kHeadSize = 16;
    std::uint8_t head[kHeadSize];
    board_detail::ByteSource start(ByteView(), stream);
    const std::size_t head_size = start.Read(head, kHeadSize);
    const ByteView head_bytes(head, head_size);
    const auto kind = RecogniseBoardPicture(head_bytes);
    if (!kind) return std::nullopt;
    try {
        board_detail::ByteSource source(head_bytes, stream);
        if (*kind == BoardPictureKind::Jpeg) return board_detail::DecodeJpeg(source, options);
        if (*kind == BoardPictureKind::Png)
            return board_detail::DecodePng(source, options, board_detail::PngAlpha::BlendWithBackground);
        // The other kinds address their parts by offset: read whole.
        constexpr std::size_t kChunk = 1 << 16;
        ByteBuffer bytes(head_bytes.begin(), head_bytes.end());
        for (;;) {
            const std::size_t at = bytes.size();
            if (at > max_file_bytes) return std::nullopt;
            bytes.resize(at + kChunk);
            const std::size_t got = stream.Read(bytes.data() + at, kChunk);
            bytes.resize(at + got);
            if (got == 0) break;
        }
        return DecodeBoardPicture(bytes, options);
    } catch (const std::exception&) {
        return std::nullopt;  // no memory for the file or its pixels
    }
}

void DrawBoardPicture(const BoardPicture& picture, BoardImage& area, std::int32_t x, std::int32_t y,
                      std::int32_t width, std::int32_t height, StretchQuality quality) {
    DrawScaled(picture.pixels, area, x, y, width, height, quality);
}

}  // namespace icoforge
