// PCX: 8 bits a pixel with its 256-colour palette or as three planes of red, green and
// blue, and 1 bit a pixel in black and white.
#include <vector>

#include "app/board/board_decoders.h"
#include "common/byte_reader.h"
#include "common/checked_size.h"

namespace icoforge::board_detail {
namespace {

constexpr std::uint64_t kHeaderSize = 128;
constexpr std::uint8_t kPaletteMarker = 12;
constexpr std::uint64_t kPaletteSize = 256 * 3;
constexpr std::uint8_t kRunFlag = 0xC0;

// The run-length data from byte 128 expanded to exactly `size` bytes, or nothing when it
// ends before. `end` is the offset after the last byte used.
std::optional<std::vector<std::uint8_t>> ExpandRuns(ByteView bytes, std::uint64_t size, std::uint64_t& end) {
    std::vector<std::uint8_t> out;
    out.reserve(static_cast<std::size_t>(size));
    std::uint64_t at = kHeaderSize;
    while (out.size() < size) {
        const auto byte = ReadU8(bytes, at++);
        if (!byte) return std::nullopt;
        if (*byte <= kRunFlag) {
            out.push_back(*byte);
            continue;
        }
        const auto value = ReadU8(bytes, at++);
        if (!value) return std::nullopt;
        // A run may cross into the next row; what goes past the picture is dropped.
        const std::uint64_t count = std::min<std::uint64_t>(*byte - kRunFlag, size - out.size());
        out.insert(out.end(), static_cast<std::size_t>(count), *value);
    }
    end = at;
    return out;
}

}  // namespace

std::optional<BoardPicture> DecodePcx(ByteView bytes, const BoardDecodeOptions& options, BoardPictureKind kind) {
    if (bytes.size() <= kHeaderSize) return std::nullopt;
    const auto x_min = ReadU16(bytes, 4);
    const auto y_min = ReadU16(bytes, 6);
    const auto x_max = ReadU16(bytes, 8);
    const auto y_max = ReadU16(bytes, 10);
    const auto planes = ReadU8(bytes, 65);
    const auto line_bytes = ReadU16(bytes, 66);
    if (!x_min || !y_min || !x_max || !y_max || !planes || !line_bytes) return std::nullopt;
    if (*x_max < *x_min || *y_max < *y_min) return std::nullopt;
    const std::uint64_t width = std::uint64_t{*x_max} - *x_min + 1;
    const std::uint64_t height = std::uint64_t{*y_max} - *y_min + 1;
    if (!WithinPixelLimit(width, height, options.max_pixels)) return std::nullopt;
    const bool one_bit = kind == BoardPictureKind::Pcx1;
    const bool palette_planes = !one_bit && *planes == 1;
    if ((one_bit || palette_planes) ? *planes != 1 : *planes != 3) return std::nullopt;
    // Each plane's row must hold the picture's width.
    if (std::uint64_t{*line_bytes} * 8 < width * (one_bit ? 1 : 8)) return std::nullopt;

    const std::uint64_t row_bytes = std::uint64_t{*line_bytes} * *planes;
    // The run-length data cannot expand by more than 63 times, so a file far too short for
    // its size is refused before the rows are allocated.
    const auto data_size = CheckedMul(row_bytes, height);
    if (!data_size || (bytes.size() - kHeaderSize) * 63 < *data_size) return std::nullopt;
    std::uint64_t data_end = 0;
    const auto rows = ExpandRuns(bytes, *data_size, data_end);
    if (!rows) return std::nullopt;

    const std::uint8_t* palette = nullptr;
    if (palette_planes) {
        // The palette is the file's last 769 bytes; some writers leave bytes between it and
        // the rows, so the marker is looked for there first, then right after the rows.
        const std::uint64_t tail = bytes.size() >= kPaletteSize + 1 ? bytes.size() - kPaletteSize - 1 : 0;
        for (const std::uint64_t at : {tail, data_end}) {
            if (ReadU8(bytes, at) == kPaletteMarker && RangeFits(at + 1, kPaletteSize, bytes.size()) && at >= data_end) {
                palette = bytes.data() + at + 1;
                break;
            }
        }
        if (palette == nullptr) return std::nullopt;
    }

    BoardPicture picture;
    picture.kind = kind;
    picture.width = static_cast<std::int32_t>(width);
    picture.height = static_cast<std::int32_t>(height);
    picture.pixels = BoardImage(picture.width, picture.height);
    for (std::uint64_t y = 0; y < height; ++y) {
        const std::uint8_t* in = rows->data() + y * row_bytes;
        std::uint8_t* out = picture.pixels.Row(static_cast<std::int32_t>(y));
        for (std::uint64_t x = 0; x < width; ++x, out += 4) {
            if (one_bit) {
                // A monochrome bitmap drawn on a colour surface: 0 is black, 1 white.
                const std::uint8_t level = ((in[x / 8] >> (7 - x % 8)) & 1) != 0 ? 255 : 0;
                out[0] = out[1] = out[2] = level;
            } else if (palette_planes) {
                const std::uint8_t* rgb = palette + in[x] * 3;
                out[0] = rgb[2];
                out[1] = rgb[1];
                out[2] = rgb[0];
            } else {
                out[0] = in[x + 2 * *line_bytes];
                out[1] = in[x + *line_bytes];
                out[2] = in[x];
            }
            out[3] = 255;
        }
    }
    return picture;
}

}  // namespace icoforge::board_detail
