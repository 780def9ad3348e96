#include <array>
#include <limits>

#include "common/byte_reader.h"
#include "common/checked_size.h"
#include "iconextract/icon_group.h"

namespace icoforge {
namespace {

// A PNG image: signature, then the IHDR chunk (length, type, width, height; big-endian).
constexpr std::array<std::uint8_t, 4> kPngSignature = {0x89, 'P', 'N', 'G'};
constexpr std::uint64_t kPngChunkType = 12;
constexpr std::uint64_t kPngWidth = 16;
constexpr std::uint64_t kPngHeight = 20;
constexpr std::uint32_t kPngDepth = 32;

std::optional<std::uint32_t> ReadBigEndianU32(ByteView data, std::uint64_t offset) {
    const auto bytes = SliceOf(data, offset, 4);
    if (!bytes.ok) return std::nullopt;
    const auto& b = bytes.bytes;
    return (static_cast<std::uint32_t>(b[0]) << 24) | (static_cast<std::uint32_t>(b[1]) << 16) |
           (static_cast<std::uint32_t>(b[2]) << 8) | static_cast<std::uint32_t>(b[3]);
}

// A PNG dimension as the signed field of IconImage; larger than that is not a picture.
std::int32_t PngDimension(std::optional<std::uint32_t> value) {
    if (!value || *value > static_cast<std::uint32_t>(std::numeric_limits<std::int32_t>::max())) return 0;
    return static_cast<std::int32_t>(*value);
}

void ParsePngImage(IconImage& image, ByteView data) {
    image.encoding = ImageEncoding::Png;
    image.colour_depth = kPngDepth;
    const auto type = SliceOf(data, kPngChunkType, 4);
    if (type.ok && type.bytes[0] == 'I' && type.bytes[1] == 'H' && type.bytes[2] == 'D' && type.bytes[3] == 'R') {
        image.width = PngDimension(ReadBigEndianU32(data, kPngWidth));
        image.height = PngDimension(ReadBigEndianU32(data, kPngHeight));
    }
}

}  // namespace

bool IsPngImage(ByteView data) {
    const auto head = SliceOf(data, 0, kPngSignature.size());
    if (!head.ok) return false;
    for (std::size_t i = 0; i < kPngSignature.size(); ++i)
        if (head.bytes[i] != kPngSignature[i]) return false;
    return true;
}

std::optional<std::uint64_t> ColourTableEntries(ByteView header) {
    const auto clr_used = ReadU32(header, bih::kClrUsed);
    const auto bit_count = ReadU16(header, bih::kBitCount);
    if (!clr_used || !bit_count) return std::nullopt;
    if (*clr_used != 0) return *clr_used;
    switch (*bit_count) {
        case 1: return 2;
        case 4: return 16;
        case 8: return 256;
        default: return 0;
    }
}

std::optional<std::int64_t> XorRowBytes(ByteView header) {
    const auto width = ReadI32(header, bih::kWidth);
    const auto planes = ReadU16(header, bih::kPlanes);
    const auto bit_count = ReadU16(header, bih::kBitCount);
    if (!width || !planes || !bit_count) return std::nullopt;
    // At most 65535 * 65535 * 2^31 in magnitude: fits in 64 bits with room for the + 31.
    const std::int64_t bits = static_cast<std::int64_t>(*bit_count) * *planes * *width;
    return ((bits + 31) >> 5) * 4;
}

bool ParseIconImage(IconImage& image) {
    DescribeIconImage(image, image.data);
    return true;
}

void DescribeIconImage(IconImage& image, ByteView data) {
    // A moved vector keeps its buffer, so `data` may be a view of the image's own bytes.
    image = IconImage{.data = std::move(image.data)};
    if (IsPngImage(data)) {
        ParsePngImage(image, data);
        return;
    }
    const auto bi_size = ReadU32(data, bih::kSize);
    const auto width = ReadI32(data, bih::kWidth);
    const auto stored_height = ReadI32(data, bih::kHeight);
    const auto planes = ReadU16(data, bih::kPlanes);
    const auto bit_count = ReadU16(data, bih::kBitCount);
    if (width) image.width = *width;
    if (stored_height) image.height = *stored_height / 2;
    if (planes && bit_count) image.colour_depth = static_cast<std::uint32_t>(*planes) * *bit_count;

    const auto entries = ColourTableEntries(data);
    const auto row = XorRowBytes(data);
    if (!bi_size || !entries || !row || !stored_height) return;
    image.colour_bits = *bi_size + 4 * *entries;  // both below 2^34: no overflow

    if (*row < 0 || image.height < 0) return;
    const auto height = static_cast<std::uint64_t>(image.height);
    const auto colour_bytes = CheckedMul(static_cast<std::uint64_t>(*row), height);
    if (!colour_bytes) return;
    const auto mask_start = CheckedAdd(image.colour_bits, *colour_bytes);
    if (!mask_start) return;
    image.mask_bits = *mask_start;

    // The mask is one bit per pixel, rows padded to 32-bit words like the colour rows.
    if (*bi_size != bih::kHeaderBytes || image.width < 0) return;
    const std::uint64_t mask_row = bih::RowBytes(static_cast<std::uint64_t>(image.width), 1);
    const auto mask_bytes = CheckedMul(mask_row, height);
    const auto end = mask_bytes ? CheckedAdd(image.mask_bits, *mask_bytes) : std::nullopt;
    image.complete = end && *end <= data.size();
}

}  // namespace icoforge
