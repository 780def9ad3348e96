// Icon and cursor files: one directory entry chosen, its image decoded by our own code
// (DIB with its mask, 32-bit with alpha, or PNG) and kept with its transparency.
#include <algorithm>

#include "app/board/board_decoders.h"
#include "common/bitmap_layout.h"
#include "common/byte_reader.h"

namespace icoforge::board_detail {
namespace {

constexpr std::uint8_t kPngSignature[] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};

struct Entry {
    std::uint32_t image_size = 0;
    std::uint32_t image_offset = 0;
};

// The first entry 32 pixels wide with more than 15 colours (a colour-count byte of 0, for
// 256 colours and more, never matches), else the last entry read.
std::optional<Entry> ChooseEntry(ByteView bytes) {
    const std::uint16_t count = ReadU16(bytes, ico::kCount).value_or(0);
    std::optional<Entry> chosen;
    for (std::uint64_t i = 0; i < count; ++i) {
        const std::uint64_t at = ico::kHeaderBytes + i * ico::kEntryBytes;
        const auto width = ReadU8(bytes, at);
        const auto colours = ReadU8(bytes, at + 2);
        const auto size = ReadU32(bytes, at + ico::kEntryBytesInRes);
        const auto offset = ReadU32(bytes, at + ico::kEntryImageOffset);
        if (!width || !colours || !size || !offset) break;
        chosen = Entry{*size, *offset};
        if (*width == 32 && *colours > 15) break;
    }
    return chosen;
}

// `straight` keeps the colour of a 32-bit image with alpha as stored, not premultiplied.
std::optional<BoardPicture> DecodeDibImage(ByteView image, const BoardDecodeOptions& options, bool straight = false,
                                           std::uint32_t* depth = nullptr) {
    const auto header_size = ReadU32(image, bih::kSize);
    const auto raw_width = ReadI32(image, bih::kWidth);
    const auto raw_height = ReadI32(image, bih::kHeight);  // colour rows and mask rows together
    const auto bit_count = ReadU16(image, bih::kBitCount);
    const auto compression = ReadU32(image, bih::kCompression);
    const auto colours_used = ReadU32(image, bih::kClrUsed);
    if (!header_size || !raw_width || !raw_height || !bit_count || !compression || !colours_used) return std::nullopt;
    if (*header_size < bih::kHeaderBytes || *compression != bih::kRgb || *raw_width <= 0 || *raw_height <= 1)
        return std::nullopt;
    const unsigned bits = *bit_count;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32) return std::nullopt;
    if (depth != nullptr) *depth = bits;
    const std::uint64_t width = static_cast<std::uint64_t>(*raw_width);
    const std::uint64_t height = static_cast<std::uint64_t>(*raw_height) / 2;
    if (!WithinPixelLimit(width, height, options.max_pixels)) return std::nullopt;

    const std::uint64_t table_entries = bits > 8 ? 0 : *colours_used != 0 ? *colours_used : (1u << bits);
    const SubView table_bytes = SliceOf(image, *header_size, table_entries * bih::kRgbQuadBytes);
    if (!table_bytes.ok) return std::nullopt;
    const DibColourTable table = ReadDibColourTable(table_bytes.bytes.data(), table_entries);
    const std::uint64_t colour_start = *header_size + table_bytes.bytes.size();
    const std::uint64_t colour_stride = bih::RowBytes(width, bits);
    const std::uint64_t mask_stride = bih::RowBytes(width, 1);
    const SubView colour_rows = SliceOf(image, colour_start, colour_stride * height);
    const SubView mask_rows = SliceOf(image, colour_start + colour_stride * height, mask_stride * height);
    if (!colour_rows.ok || !mask_rows.ok) return std::nullopt;

    // A 32-bit image whose alpha is all zero is drawn through its mask, as the platform
    // does for icons made before alpha existed.
    bool use_alpha = false;
    if (bits == 32)
        for (std::uint64_t i = 3; i < colour_rows.bytes.size() && !use_alpha; i += 4) use_alpha = colour_rows.bytes[i] != 0;

    BoardPicture picture;
    picture.width = static_cast<std::int32_t>(width);
    picture.height = static_cast<std::int32_t>(height);
    picture.pixels = BoardImage(picture.width, picture.height);
    for (std::uint64_t file_row = 0; file_row < height; ++file_row) {
        const std::uint8_t* in = colour_rows.bytes.data() + file_row * colour_stride;
        const std::uint8_t* mask = mask_rows.bytes.data() + file_row * mask_stride;
        std::uint8_t* out = picture.pixels.Row(static_cast<std::int32_t>(height - 1 - file_row));
        for (std::uint64_t x = 0; x < width; ++x, out += 4) {
            std::uint8_t colour[3];
            ReadDibPixel(in, x, bits, table, colour);
            unsigned alpha = 255;
            if (use_alpha) {
                alpha = in[x * 4 + 3];
            } else if ((mask[x / 8] >> (7 - x % 8)) & 1) {
                // The platform draws the mask with AND and the colour with XOR: a set mask
                // bit shows the background through black, and inverts it through white,
                // which on the board's plain background is one colour known in advance.
                const std::uint8_t background[3] = {options.background.blue, options.background.green,
                                                    options.background.red};
                if (colour[0] == 0 && colour[1] == 0 && colour[2] == 0) alpha = 0;
                for (int c = 0; c < 3; ++c) colour[c] = static_cast<std::uint8_t>(colour[c] ^ background[c]);
            }
            for (int c = 0; c < 3; ++c)
                out[c] = straight && alpha != 0 ? colour[c] : static_cast<std::uint8_t>((colour[c] * alpha + 127) / 255);
            out[3] = static_cast<std::uint8_t>(alpha);
        }
    }
    return picture;
}

}  // namespace

std::optional<BoardPicture> DecodeIcon(ByteView bytes, const BoardDecodeOptions& options, BoardPictureKind kind) {
    const auto entry = ChooseEntry(bytes);
    if (!entry) return std::nullopt;
    const SubView image = SliceOf(bytes, entry->image_offset, entry->image_size);
    if (!image.ok) return std::nullopt;
    std::optional<BoardPicture> picture;
    if (image.bytes.size() >= sizeof kPngSignature &&
        std::equal(std::begin(kPngSignature), std::end(kPngSignature), image.bytes.begin())) {
        BoardDecodeOptions natural = options;
        natural.fit_width = natural.fit_height = 0;  // icon images are small by nature
        ByteSource source(image.bytes);
        picture = DecodePng(source, natural, PngAlpha::KeepTransparency);
    } else {
        picture = DecodeDibImage(image.bytes, options);
    }
    if (picture) picture->kind = kind;
    return picture;
}

std::vector<IconFileImage> DecodeEveryIconImage(ByteView bytes, const BoardDecodeOptions& options) {
    std::vector<IconFileImage> images;
    const std::uint16_t count = ReadU16(bytes, ico::kCount).value_or(0);
    BoardDecodeOptions natural = options;
    natural.fit_width = natural.fit_height = 0;
    // The pixel limit holds for all images together: a directory of thousands of entries
    // naming one large image must not make thousands of copies of it.
    std::uint64_t budget = options.max_pixels;
    for (std::uint64_t i = 0; i < count && budget > 0; ++i) {
        natural.max_pixels = budget;
        const std::uint64_t at = ico::kHeaderBytes + i * ico::kEntryBytes;
        const auto size = ReadU32(bytes, at + ico::kEntryBytesInRes);
        const auto offset = ReadU32(bytes, at + ico::kEntryImageOffset);
        if (!size || !offset) break;
        const SubView image = SliceOf(bytes, *offset, *size);
        if (!image.ok) continue;
        IconFileImage decoded;
        std::optional<BoardPicture> picture;
        if (image.bytes.size() >= sizeof kPngSignature &&
            std::equal(std::begin(kPngSignature), std::end(kPngSignature), image.bytes.begin())) {
            ByteSource source(image.bytes);
            picture = DecodePng(source, natural, PngAlpha::KeepStraight);
            decoded.bit_depth = 32;
        } else {
            picture = DecodeDibImage(image.bytes, natural, true, &decoded.bit_depth);
        }
        if (!picture) continue;
        budget -= std::min<std::uint64_t>(budget, std::uint64_t(picture->width) * std::uint64_t(picture->height));
        decoded.picture = std::move(*picture);
        images.push_back(std::move(decoded));
    }
    return images;
}

}  // namespace icoforge::board_detail
