// BMP files of 1, 4, 8, 24 and 32 bits a pixel, uncompressed.
#include <cstdlib>

#include "app/board/board_decoders.h"
#include "common/bitmap_layout.h"
#include "common/byte_reader.h"
#include "common/checked_size.h"

namespace icoforge::board_detail {
namespace {

// The information header stands behind the file header. Every BMP since Windows 3 has
// one of at least 40 bytes; the core header of OS/2 is older.
constexpr std::uint64_t kInfo = bmp::kFileHeaderBytes;

}  // namespace

std::optional<BoardPicture> DecodeBmp(ByteView bytes, const BoardDecodeOptions& options) {
    const auto pixel_offset = ReadU32(bytes, bmp::kPixelOffsetField);
    const auto info_size = ReadU32(bytes, kInfo + bih::kSize);
    const auto raw_width = ReadI32(bytes, kInfo + bih::kWidth);
    const auto raw_height = ReadI32(bytes, kInfo + bih::kHeight);
    const auto bit_count = ReadU16(bytes, kInfo + bih::kBitCount);
    const auto compression = ReadU32(bytes, kInfo + bih::kCompression);
    const auto colours_used = ReadU32(bytes, kInfo + bih::kClrUsed);
    if (!pixel_offset || !info_size || !raw_width || !raw_height || !bit_count || !compression || !colours_used)
        return std::nullopt;
    if (*info_size < bih::kHeaderBytes || *compression != bih::kRgb) return std::nullopt;
    const unsigned bits = *bit_count;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32) return std::nullopt;

    // The colour table follows the information header, whatever version that header is.
    const std::uint64_t table_start = kInfo + *info_size;
    const std::uint64_t table_entries = bits > 8 ? 0 : *colours_used != 0 ? *colours_used : (1u << bits);
    const std::uint64_t table_bytes = table_entries * bih::kRgbQuadBytes;
    if (*pixel_offset < table_start + table_bytes || !RangeFits(table_start, table_bytes, bytes.size()))
        return std::nullopt;
    const DibColourTable table = ReadDibColourTable(bytes.data() + table_start, table_entries);

    // A negative height marks rows stored top-down; the width is taken as its size.
    const std::uint64_t width = static_cast<std::uint64_t>(std::abs(static_cast<std::int64_t>(*raw_width)));
    const std::uint64_t height = static_cast<std::uint64_t>(std::abs(static_cast<std::int64_t>(*raw_height)));
    const bool top_down = *raw_height < 0;
    if (!WithinPixelLimit(width, height, options.max_pixels)) return std::nullopt;
    const std::uint64_t stride = bih::RowBytes(width, bits);
    const auto row_data = CheckedMul(stride, height);
    const SubView rows = row_data ? SliceOf(bytes, *pixel_offset, *row_data) : SubView{};
    if (!rows.ok) return std::nullopt;

    BoardPicture picture;
    picture.kind = BoardPictureKind::Bmp;
    picture.width = static_cast<std::int32_t>(width);
    picture.height = static_cast<std::int32_t>(height);
    picture.pixels = BoardImage(picture.width, picture.height);
    for (std::uint64_t file_row = 0; file_row < height; ++file_row) {
        const std::uint8_t* in = rows.bytes.data() + file_row * stride;
        const auto y = static_cast<std::int32_t>(top_down ? file_row : height - 1 - file_row);
        std::uint8_t* out = picture.pixels.Row(y);
        for (std::uint64_t x = 0; x < width; ++x, out += 4) {
            ReadDibPixel(in, x, bits, table, out);
            out[3] = 255;
        }
    }
    return picture;
}

}  // namespace icoforge::board_detail
