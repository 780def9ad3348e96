#include "iconextract/icon_pixels.h"

#include <algorithm>
#include <array>
#include <csetjmp>
#include <cstring>
#include <string>

#include <png.h>

#include "common/byte_reader.h"
#include "common/checked_size.h"
#include "common/png_session.h"
#include "iconextract/icon_group.h"
#include "iconextract/plain_png.h"

namespace icoforge {
namespace {

Result<RgbaImage> Refuse(std::string reason) { return Fail("decode", "", std::move(reason)); }

struct Masks {
    std::uint32_t red = 0, green = 0, blue = 0;
};

// A channel's value under a bit-field mask, scaled to 8 bits.
std::uint8_t Channel(std::uint32_t pixel, std::uint32_t mask) {
    if (mask == 0) return 0;
    int shift = 0;
    while (((mask >> shift) & 1) == 0) ++shift;
    const std::uint32_t max = mask >> shift;
    const std::uint32_t value = (pixel & mask) >> shift;
    return static_cast<std::uint8_t>((std::uint64_t{value} * 255 + max / 2) / max);
}

bool MaskBit(ByteView row, std::uint64_t x) { return ((row[x / 8] >> (7 - x % 8)) & 1) != 0; }

}  // namespace

Result<RgbaImage> DibToRgba(ByteView dib) {
    const auto header_size = ReadU32(dib, bih::kSize);
    const auto width = ReadI32(dib, bih::kWidth);
    const auto both_heights = ReadI32(dib, bih::kHeight);
    const auto bits = ReadU16(dib, bih::kBitCount);
    const auto compression = ReadU32(dib, bih::kCompression);
    const auto clr_used = ReadU32(dib, bih::kClrUsed);
    if (!header_size || !clr_used || *header_size < bih::kHeaderBytes || *header_size > dib.size())
        return Refuse("the bitmap header is cut short");
    if (*width <= 0 || *both_heights <= 0 || *both_heights % 2 != 0)
        return Refuse("the bitmap gives a size of " + std::to_string(*width) + " by " + std::to_string(*both_heights) +
                      ", which no icon image has");
    const std::uint64_t w = static_cast<std::uint64_t>(*width);
    const std::uint64_t h = static_cast<std::uint64_t>(*both_heights) / 2;
    if (w * h > kMaxIconPixels) return Refuse("the image has more pixels than the limit");
    if (*bits != 1 && *bits != 4 && *bits != 8 && *bits != 16 && *bits != 24 && *bits != 32)
        return Refuse("the bitmap has " + std::to_string(*bits) + " bits per pixel");
    const bool bitfields = *compression == bih::kBitfields && (*bits == 16 || *bits == 32);
    if (*compression != bih::kRgb && !bitfields)
        return Refuse("the bitmap is compressed (method " + std::to_string(*compression) + ")");

    std::uint64_t at = *header_size;
    Masks masks = *bits == 16 ? Masks{0x7C00, 0x03E0, 0x001F} : Masks{0xFF0000, 0x00FF00, 0x0000FF};
    if (bitfields) {
        // A 40-byte header keeps its masks behind it; larger headers hold them inside.
        const std::uint64_t masks_at = *header_size == bih::kHeaderBytes ? at : bih::kHeaderBytes;
        const auto r = ReadU32(dib, masks_at), g = ReadU32(dib, masks_at + 4), b = ReadU32(dib, masks_at + 8);
        if (!r || !g || !b) return Refuse("the bitmap's colour masks are cut short");
        masks = {*r, *g, *b};
        if (*header_size == bih::kHeaderBytes) at += 12;
    }
    std::uint64_t palette_entries = 0;
    if (*bits <= 8) palette_entries = *clr_used != 0 ? *clr_used : (std::uint64_t{1} << *bits);
    else palette_entries = *clr_used;  // deeper images may carry an unused table
    const auto palette = SliceOf(dib, at, palette_entries * bih::kRgbQuadBytes);
    if (!palette.ok) return Refuse("the bitmap's colour table is cut short");
    at += palette_entries * bih::kRgbQuadBytes;

    const std::uint64_t xor_row = bih::RowBytes(w, *bits);
    const std::uint64_t and_row = bih::RowBytes(w, 1);
    const auto colour = SliceOf(dib, at, xor_row * h);
    if (!colour.ok) return Refuse("the bitmap's colour rows are cut short");
    const auto mask = SliceOf(dib, at + xor_row * h, and_row * h);

    RgbaImage image;
    image.width = static_cast<std::uint32_t>(w);
    image.height = static_cast<std::uint32_t>(h);
    image.pixels.assign(w * h * RgbaImage::kChannels, 0);
    // Each depth has a loop of its own, a row at a time: a choice of depth made for every
    // pixel cost more than the rest of the decoding. An index beyond the colour table is
    // black, as Windows draws it.
    std::array<std::array<std::uint8_t, 4>, 256> table{};
    if (*bits <= 8)
        for (std::uint64_t i = 0; i < std::min<std::uint64_t>(palette_entries, table.size()); ++i)
            table[i] = {palette.bytes[i * 4 + 2], palette.bytes[i * 4 + 1], palette.bytes[i * 4], 0};
    const unsigned depth = *bits;
    bool any_alpha = false;
    for (std::uint64_t y = 0; y < h; ++y) {
        // Rows are stored bottom-up.
        const std::uint8_t* row = colour.bytes.data() + (h - 1 - y) * xor_row;
        std::uint8_t* out = image.pixels.data() + y * w * 4;
        if (depth <= 8) {
            const unsigned per_byte = 8 / depth, low_bits = (1u << depth) - 1;
            for (std::uint64_t x = 0; x < w; ++x, out += 4) {
                const unsigned shift = 8 - depth * (1 + static_cast<unsigned>(x % per_byte));
                std::memcpy(out, table[(row[x / per_byte] >> shift) & low_bits].data(), 4);
            }
        } else if (depth == 16 || bitfields) {
            for (std::uint64_t x = 0; x < w; ++x, out += 4) {
                const std::uint32_t pixel = depth == 16 ? std::uint32_t{row[2 * x]} | std::uint32_t{row[2 * x + 1]} << 8
                                                        : std::uint32_t{row[4 * x]} | std::uint32_t{row[4 * x + 1]} << 8 |
                                                              std::uint32_t{row[4 * x + 2]} << 16 |
                                                              std::uint32_t{row[4 * x + 3]} << 24;
                out[0] = Channel(pixel, masks.red), out[1] = Channel(pixel, masks.green);
                out[2] = Channel(pixel, masks.blue), out[3] = depth == 32 ? static_cast<std::uint8_t>(pixel >> 24) : 0;
                any_alpha = any_alpha || out[3] != 0;
            }
        } else if (depth == 24) {
            for (std::uint64_t x = 0; x < w; ++x, out += 4, row += 3)
                out[0] = row[2], out[1] = row[1], out[2] = row[0], out[3] = 0;
        } else {
            std::uint8_t alpha = 0;
            for (std::uint64_t x = 0; x < w; ++x, out += 4, row += 4) {
                out[0] = row[2], out[1] = row[1], out[2] = row[0], out[3] = row[3];
                alpha |= row[3];
            }
            any_alpha = any_alpha || alpha != 0;
        }
    }
    if (*bits == 32 && any_alpha) return image;
    if (!mask.ok) return Refuse("the bitmap's mask rows are cut short");
    for (std::uint64_t y = 0; y < h; ++y) {
        const ByteView row = mask.bytes.subspan(static_cast<std::size_t>((h - 1 - y) * and_row), and_row);
        std::uint8_t* out = image.pixels.data() + y * w * 4;
        for (std::uint64_t x = 0; x < w; ++x, out += 4) {
            if (!MaskBit(row, x)) {
                out[3] = 255;
            } else if (out[0] == 0 && out[1] == 0 && out[2] == 0) {
                out[3] = 0;  // the screen shows through
            } else {
                // The screen is inverted here: what that shows over white.
                out[0] = static_cast<std::uint8_t>(255 - out[0]);
                out[1] = static_cast<std::uint8_t>(255 - out[1]);
                out[2] = static_cast<std::uint8_t>(255 - out[2]);
                out[3] = 255;
            }
        }
    }
    return image;
}

namespace {

struct MemoryReader {
    ByteView bytes;
    std::uint64_t at = 0;
};

[[noreturn]] void PngError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void PngWarning(png_structp, png_const_charp) {}
void PngRead(png_structp png, png_bytep data, png_size_t length) {
    auto* reader = static_cast<MemoryReader*>(png_get_io_ptr(png));
    if (!RangeFits(reader->at, length, reader->bytes.size())) png_error(png, "cut short");
    std::copy_n(reader->bytes.data() + reader->at, length, data);
    reader->at += length;
}

// libpng errors leave through longjmp: nothing in this frame has a destructor, and the
// picture is sized by the caller before the rows are read.
bool ReadPngHeader(PngReadSession& s, MemoryReader& reader, png_uint_32& width, png_uint_32& height) {
    if (setjmp(png_jmpbuf(s.png)) != 0) return false;
    const auto side = static_cast<png_uint_32>(kMaxIconPixels);
    png_set_user_limits(s.png, side, side);
    png_set_chunk_malloc_max(s.png, 8u << 20);
    png_set_read_fn(s.png, &reader, PngRead);
#ifdef PNG_IGNORE_ADLER32
    // Every chunk's CRC is still checked, which catches what the stream's Adler-32 would;
    // skipping the second sum takes a seventh off decoding a 256 x 256 icon.
    png_set_option(s.png, PNG_IGNORE_ADLER32, PNG_OPTION_ON);
#endif
    png_read_info(s.png, s.info);
    width = png_get_image_width(s.png, s.info);
    height = png_get_image_height(s.png, s.info);
    // Every kind of PNG to 8-bit RGBA, pixels as stored: an icon's colours are drawn
    // without gamma correction.
    png_set_expand(s.png);
    png_set_strip_16(s.png);
    png_set_gray_to_rgb(s.png);
    png_set_add_alpha(s.png, 0xFF, PNG_FILLER_AFTER);
    png_set_interlace_handling(s.png);
    png_read_update_info(s.png, s.info);
    return png_get_rowbytes(s.png, s.info) == std::uint64_t{width} * 4;
}

bool ReadPngRows(PngReadSession& s, std::uint8_t* pixels, std::uint32_t width, std::uint32_t height) {
    if (setjmp(png_jmpbuf(s.png)) != 0) return false;
    const int passes = png_set_interlace_handling(s.png);
    for (int pass = 0; pass < passes; ++pass)
        for (std::uint32_t y = 0; y < height; ++y) {
            png_bytep row = pixels + std::uint64_t{y} * width * 4;
            png_read_rows(s.png, &row, nullptr, 1);
        }
    png_read_end(s.png, nullptr);
    return true;
}

}  // namespace

Result<RgbaImage> PngToRgba(ByteView png) {
    if (auto plain = DecodePlainPng(png)) return std::move(*plain);
    return PngToRgbaByLibpng(png);
}

Result<RgbaImage> PngToRgbaByLibpng(ByteView png) {
    if (!IsPngImage(png)) return Refuse("not a PNG image");
    PngReadSession s;
    s.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, PngError, PngWarning);
    if (s.png == nullptr) return Refuse("out of memory");
    s.info = png_create_info_struct(s.png);
    if (s.info == nullptr) return Refuse("out of memory");
    MemoryReader reader{png, 0};
    png_uint_32 width = 0, height = 0;
    if (!ReadPngHeader(s, reader, width, height)) return Refuse("the PNG image's header is damaged");
    const auto pixels = CheckedMul(width, height);
    if (!pixels || *pixels > kMaxIconPixels) return Refuse("the image has more pixels than the limit");
    RgbaImage image;
    image.width = width;
    image.height = height;
    image.pixels.assign(*pixels * RgbaImage::kChannels, 0);
    if (!ReadPngRows(s, image.pixels.data(), width, height)) return Refuse("the PNG image's data is damaged");
    return image;
}

Result<RgbaImage> IconImageToRgba(ByteView image) {
    return IsPngImage(image) ? PngToRgba(image) : DibToRgba(image);
}

}  // namespace icoforge
