#include "iconbuild/icon_builder.h"

#include <algorithm>
#include <new>

#include "common/bitmap_layout.h"
#include "common/byte_reader.h"
#include "common/byte_writer.h"

namespace icoforge {
namespace {

// The icon file: its header, one directory entry, then the image.
constexpr std::uint32_t kImageOffset = ico::kHeaderBytes + ico::kEntryBytes;
constexpr std::uint16_t kPlanes = 1;
constexpr std::uint16_t kBitCount = 24;
constexpr std::uint8_t kFirstMaskBit = 0x80;

// Where the fallback builder reads the BMP it assumes: the file header, a 40-byte info
// header, and the pixels straight behind them.
constexpr std::uint64_t kRawInfoHeader = bmp::kFileHeaderBytes;
constexpr std::uint64_t kRawPixelOffset = kRawInfoHeader + bih::kHeaderBytes;

struct IconGeometry {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint32_t colour_row = 0;  // 3 bytes a pixel, padded to a multiple of 4
    std::uint32_t xor_size = 0;
    std::uint32_t mask_row = 0;  // 1 bit a pixel, padded to a multiple of 4 bytes
    std::uint32_t mask_size = 0;
};

// Nothing for a side outside 1..255: a zero-sized or negative image makes no icon.
std::optional<IconGeometry> GeometryOf(std::int32_t width, std::int32_t height) {
    if (width <= 0 || height <= 0 || width > kMaxIconSide || height > kMaxIconSide) return std::nullopt;
    IconGeometry g;
    g.width = static_cast<std::uint32_t>(width);
    g.height = static_cast<std::uint32_t>(height);
    g.colour_row = 3 * g.width + g.width % 4;
    g.xor_size = g.height * g.colour_row;
    g.mask_row = static_cast<std::uint32_t>(bih::RowBytes(g.width, 1));
    g.mask_size = g.height * g.mask_row;
    return g;
}

struct IconKind {
    bool as_cursor = false;
    std::int32_t hot_spot_x = 0;
    std::int32_t hot_spot_y = 0;
};

// Writes the whole file. `opaque(x, row, bgr)` is asked for each pixel, bottom row first;
// it returns false for a transparent pixel, or fills bgr and returns true.
template <typename PixelSource>
ByteBuffer WriteIcon(const IconGeometry& g, const IconKind& kind, PixelSource&& opaque) {
    const std::uint32_t image_size = bih::kHeaderBytes + g.xor_size + g.mask_size;
    ByteWriter out(kImageOffset + image_size);
    out.U16(0);
    out.U16(kind.as_cursor ? ico::kTypeCursor : ico::kTypeIcon);
    out.U16(1);
    out.U8(static_cast<std::uint8_t>(g.width));
    out.U8(static_cast<std::uint8_t>(g.height));
    out.U8(0);
    out.U8(0);
    // A cursor's entry keeps its hot spot where an icon's keeps planes and bit count.
    out.U16(kind.as_cursor ? static_cast<std::uint16_t>(kind.hot_spot_x & 0xFF) : kPlanes);
    out.U16(kind.as_cursor ? static_cast<std::uint16_t>(kind.hot_spot_y & 0xFF) : kBitCount);
    out.U32(image_size);
    out.U32(kImageOffset);

    out.U32(bih::kHeaderBytes);
    out.U32(g.width);
    out.U32(2 * g.height);  // the colour image and the mask, one above the other
    out.U16(kPlanes);
    out.U16(kBitCount);
    out.U32(0);  // uncompressed
    out.U32(g.xor_size);
    out.Zeros(4 * 4);  // resolutions, colours used, important colours

    const std::size_t xor_start = out.size();
    const std::size_t mask_start = xor_start + g.xor_size;
    out.Zeros(g.xor_size + g.mask_size);
    ByteBuffer file = out.Take();

    for (std::uint32_t row = 0; row < g.height; ++row) {
        std::uint8_t* colour = file.data() + xor_start + std::size_t{row} * g.colour_row;
        std::uint8_t* mask = file.data() + mask_start + std::size_t{row} * g.mask_row;
        for (std::uint32_t x = 0; x < g.width; ++x) {
            if (!opaque(x, row, colour + 3 * x)) mask[x / 8] |= static_cast<std::uint8_t>(kFirstMaskBit >> (x % 8));
        }
    }
    return file;
}

// The made file as the result the builders' callers expect.
bool Built(Result<ByteBuffer> made, ByteBuffer& icon) {
    if (!made) return false;
    icon = std::move(*made);
    return true;
}

}  // namespace

Result<ByteBuffer> MakeIconFromBitmap(ByteView bitmap_file, std::optional<ColourValue> transparent, bool as_cursor,
                                      std::int32_t hot_spot_x, std::int32_t hot_spot_y) {
    try {
        Bitmap bitmap;
        if (!bitmap.LoadData(bitmap_file)) return Fail(kMakeIconStep, "", kUnreadableBitmapText);
        const std::int32_t width = bitmap.GetWidth();
        const std::int32_t height = bitmap.GetHeight();
        const auto geometry = GeometryOf(width, height);
        if (!geometry) return Fail(kMakeIconStep, "", kIconSideText);

        const ColourValue key = transparent.value_or(kWhite);
        const auto last_row = static_cast<std::int32_t>(geometry->height) - 1;
        return WriteIcon(*geometry, {as_cursor, hot_spot_x, hot_spot_y},
                         [&](std::uint32_t x, std::uint32_t row, std::uint8_t* bgr) {
                             // Bitmap counts rows from the top; the icon stores the bottom row first.
                             const ColourValue p =
                                 bitmap.GetPixelColour(static_cast<std::int32_t>(x), last_row - static_cast<std::int32_t>(row));
                             if (p == key) return false;
                             bgr[0] = BlueOf(p);
                             bgr[1] = GreenOf(p);
                             bgr[2] = RedOf(p);
                             return true;
                         });
    } catch (const std::bad_alloc&) {
        return Fail(kMakeIconStep, "", kOutOfMemoryText);
    }
}

Result<ByteBuffer> MakeIconFromBitmapBytes(ByteView bitmap_file, std::optional<ColourValue> transparent,
                                           bool as_cursor, std::int32_t hot_spot_x, std::int32_t hot_spot_y) {
    const auto refused = [] { return Fail(kMakeIconStep, "", kRawBitmapText); };
    if (bitmap_file.size() < kRawPixelOffset || bitmap_file[0] != 'B' || bitmap_file[1] != 'M') return refused();
    const auto width = ReadI32(bitmap_file, kRawInfoHeader + bih::kWidth);
    const auto height = ReadI32(bitmap_file, kRawInfoHeader + bih::kHeight);
    const auto stated_size = ReadI32(bitmap_file, kRawInfoHeader + bih::kSizeImage);
    if (!width || !height || !stated_size) return refused();
    const auto geometry = GeometryOf(*width, *height);
    if (!geometry) return refused();

    const std::uint64_t available = bitmap_file.size() - kRawPixelOffset;
    const std::uint64_t pixel_bytes =
        *stated_size <= 0 ? 0 : std::min<std::uint64_t>(static_cast<std::uint64_t>(*stated_size), available);
    if (pixel_bytes < geometry->xor_size) return refused();
    // The source rows are laid out exactly like the colour image: same length, same order.
    const ByteView pixels = SliceOf(bitmap_file, kRawPixelOffset, geometry->xor_size).bytes;

    const std::uint8_t key_blue = transparent ? BlueOf(*transparent) : 0xFF;
    const std::uint8_t key_green = transparent ? GreenOf(*transparent) : 0xFF;
    const std::uint8_t key_red = transparent ? RedOf(*transparent) : 0xFF;
    try {
        return WriteIcon(*geometry, {as_cursor, hot_spot_x, hot_spot_y},
                         [&](std::uint32_t x, std::uint32_t row, std::uint8_t* bgr) {
                             const ByteView src =
                                 pixels.subspan(std::size_t{row} * geometry->colour_row + 3 * std::size_t{x}, 3);
                             if (src[0] == key_blue && src[1] == key_green && src[2] == key_red) return false;
                             std::copy(src.begin(), src.end(), bgr);
                             return true;
                         });
    } catch (const std::bad_alloc&) {
        return Fail(kMakeIconStep, "", kOutOfMemoryText);
    }
}

bool BuildIconFromBitmap(ByteView bitmap_file, ByteBuffer& icon, std::optional<ColourValue> transparent,
                         bool as_cursor, std::int32_t hot_spot_x, std::int32_t hot_spot_y) {
    return Built(MakeIconFromBitmap(bitmap_file, transparent, as_cursor, hot_spot_x, hot_spot_y), icon);
}

bool BuildIconFromBitmapBytes(ByteView bitmap_file, ByteBuffer& icon, std::optional<ColourValue> transparent,
                              bool as_cursor, std::int32_t hot_spot_x, std::int32_t hot_spot_y) {
    return Built(MakeIconFromBitmapBytes(bitmap_file, transparent, as_cursor, hot_spot_x, hot_spot_y), icon);
}

}  // namespace icoforge
