#pragma once
// Small BMP files described in a few fields, for the bitmap and icon builder tests.

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "common/byte_writer.h"
#include "common/bytes.h"

namespace icoforge::test {

struct BmpShape {
    std::int32_t width = 1;
    std::int32_t height = 1;
    std::uint16_t bit_count = 24;
    std::uint16_t planes = 1;
    bool core_header = false;  // the 12-byte header with 3-byte colour entries
    std::uint32_t compression = 0;
    std::uint32_t colours_used = 0;
    std::uint32_t image_size = 0;          // biSizeImage as stored; 0 = the pixel bytes' length
    std::vector<std::uint32_t> palette;    // 0x00RRGGBB, written as the file stores them
    std::optional<std::uint32_t> file_size;     // bfSize; default: the real length
    std::optional<std::uint32_t> pixel_offset;  // bfOffBits; default: right after the table
};

// Rows bottom-up, each padded to a multiple of 4 bytes. `value(x, y)` is the stored pixel
// (an index, a 16-bit word, or 0x00RRGGBB for 24 and 32 bits), y counted from the top.
inline ByteBuffer PackRows(std::int32_t width, std::int32_t height, std::uint16_t bit_count,
                           const std::function<std::uint32_t(int, int)>& value) {
    const std::size_t stride = ((std::size_t(width) * bit_count + 31) / 32) * 4;
    ByteBuffer rows(stride * height, 0);
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = rows.data() + stride * (height - 1 - y);
        for (int x = 0; x < width; ++x) {
            const std::uint32_t v = value(x, y);
            switch (bit_count) {
                case 1: row[x / 8] |= static_cast<std::uint8_t>((v & 1) << (7 - x % 8)); break;
                case 4: row[x / 2] |= static_cast<std::uint8_t>(x % 2 == 0 ? (v & 15) << 4 : v & 15); break;
                case 8: row[x] = static_cast<std::uint8_t>(v); break;
                case 16: row[2 * x] = static_cast<std::uint8_t>(v); row[2 * x + 1] = static_cast<std::uint8_t>(v >> 8); break;
                case 24:
                case 32: {
                    const int size = bit_count / 8;
                    row[size * x] = static_cast<std::uint8_t>(v);            // blue
                    row[size * x + 1] = static_cast<std::uint8_t>(v >> 8);   // green
                    row[size * x + 2] = static_cast<std::uint8_t>(v >> 16);  // red
                    if (size == 4) row[size * x + 3] = static_cast<std::uint8_t>(v >> 24);
                    break;
                }
            }
        }
    }
    return rows;
}

inline ByteBuffer MakeBmp(const BmpShape& shape, ByteView pixels) {
    const std::uint32_t header_size = shape.core_header ? 12 : 40;
    const std::uint32_t entry_size = shape.core_header ? 3 : 4;
    const auto table = static_cast<std::uint32_t>(entry_size * shape.palette.size());
    const std::uint32_t offset = shape.pixel_offset.value_or(14 + header_size + table);
    const auto length = static_cast<std::uint32_t>(14 + header_size + table + pixels.size());

    ByteWriter out;
    out.U8('B');
    out.U8('M');
    out.U32(shape.file_size.value_or(length));
    out.U32(0);
    out.U32(offset);
    out.U32(header_size);
    if (shape.core_header) {
        out.U16(static_cast<std::uint16_t>(shape.width));
        out.U16(static_cast<std::uint16_t>(shape.height));
        out.U16(shape.planes);
        out.U16(shape.bit_count);
    } else {
        out.I32(shape.width);
        out.I32(shape.height);
        out.U16(shape.planes);
        out.U16(shape.bit_count);
        out.U32(shape.compression);
        out.U32(shape.image_size != 0 ? shape.image_size : static_cast<std::uint32_t>(pixels.size()));
        out.U32(2835);
        out.U32(2835);
        out.U32(shape.colours_used);
        out.U32(0);
    }
    for (const std::uint32_t colour : shape.palette) {
        out.U8(static_cast<std::uint8_t>(colour));
        out.U8(static_cast<std::uint8_t>(colour >> 8));
        out.U8(static_cast<std::uint8_t>(colour >> 16));
        if (!shape.core_header) out.U8(0);
    }
    out.Bytes(pixels);
    return out.Take();
}

// A whole file with every pixel given by `value`, as PackRows takes it.
inline ByteBuffer MakeBmp(const BmpShape& shape, const std::function<std::uint32_t(int, int)>& value) {
    return MakeBmp(shape, PackRows(shape.width, shape.height, shape.bit_count, value));
}

}  // namespace icoforge::test
