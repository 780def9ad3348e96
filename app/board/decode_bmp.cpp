// BMP files of 1, 4, 8, 24 and 32 bits a pixel, uncompressed.
#include <array>
#include <cstdlib>

#include "app/board/board_decoders.h"
#include "common/byte_reader.h"
#include "common/checked_size.h"

namespace icoforge::board_detail {
namespace {

constexpr std::uint64_t kFileHeaderSize = 14;
// The information header every BMP since Windows 3 has; the core header of OS/2 is older.
constexpr std::uint32_t kSmallestInfoHeader = 40;

std::uint64_t RowStride(std::uint64_t bits_per_pixel, std::uint64_t width) { return (bits_per_pixel * width + 31) / 32 * 4; }

}  // namespace

std::optional<BoardPicture> DecodeBmp(ByteView bytes, const BoardDecodeOptions& options) {
    const auto pixel_offset = ReadU32(bytes, 10);
    const auto info_size = ReadU32(bytes, 14);
    const auto raw_width = ReadI32(bytes, 18);
    const auto raw_height = ReadI32(bytes, 22);
    const auto bit_count = ReadU16(bytes, 28);
    const auto compression = ReadU32(bytes, 30);
    const auto colours_used = ReadU32(bytes, 46);
    if (!pixel_offset || !info_size || !raw_width || !raw_height || !bit_count || !compression || !colours_used)
        return std::nullopt;
    if (*info_size < kSmallestInfoHeader || *compression != 0) return std::nullopt;
    const unsigned bits = *bit_count;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32) return std::nullopt;

    // The colour table follows the information header, whatever version that header is.
    const std::uint64_t table_start = kFileHeaderSize + *info_size;
    const std::uint64_t table_entries = bits > 8 ? 0 : *colours_used != 0 ? *colours_used : (1u << bits);
    const std::uint64_t table_end = table_start + table_entries * 4;
    if (*pixel_offset < table_end || !RangeFits(table_start, table_entries * 4, bytes.size())) return std::nullopt;
    std::array<std::uint8_t, 256 * 4> table{};  // indices past the table's end show black
    for (std::uint64_t i = 0; i < table_entries && i < 256; ++i)
        for (std::uint64_t c = 0; c < 3; ++c) table[i * 4 + c] = bytes[table_start + i * 4 + c];

    // A negative height marks rows stored top-down; the width is taken as its size.
    const std::uint64_t width = static_cast<std::uint64_t>(std::abs(static_cast<std::int64_t>(*raw_width)));
    const std::uint64_t height = static_cast<std::uint64_t>(std::abs(static_cast<std::int64_t>(*raw_height)));
    const bool top_down = *raw_height < 0;
    if (!WithinPixelLimit(width, height, options.max_pixels)) return std::nullopt;
    const std::uint64_t stride = RowStride(bits, width);
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
            if (bits >= 24) {
                const std::uint8_t* p = in + x * (bits / 8);
                out[0] = p[0];
                out[1] = p[1];
                out[2] = p[2];
            } else {
                const std::uint64_t bit = x * bits;
                const unsigned shift = 8 - bits - static_cast<unsigned>(bit % 8);
                const unsigned index = (in[bit / 8] >> shift) & ((1u << bits) - 1);
                out[0] = table[index * 4 + 0];
                out[1] = table[index * 4 + 1];
                out[2] = table[index * 4 + 2];
            }
            out[3] = 255;
        }
    }
    return picture;
}

}  // namespace icoforge::board_detail
