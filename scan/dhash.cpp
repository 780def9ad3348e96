#include "scan/dhash.h"

#include <png.h>

#include <algorithm>
#include <array>
#include <memory>

#include "common/byte_reader.h"

namespace icoforge::scan {
namespace {

constexpr std::uint32_t kCellsAcross = 9;
constexpr std::uint32_t kCellsDown = 8;

Result<RgbaImage> DecodePng(ByteView data) {
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&png, data.data(), data.size()))
        return Fail("decode", "", std::string("PNG image: ") + png.message);
    const std::unique_ptr<png_image, void (*)(png_imagep)> owner(&png, png_image_free);
    if (png.width == 0 || png.height == 0 || std::uint64_t{png.width} * png.height > kMaxHashedImagePixels)
        return Fail("decode", "", "PNG image too large to hash");
    png.format = PNG_FORMAT_RGBA;
    RgbaImage picture;
    picture.width = png.width;
    picture.height = png.height;
    picture.pixels.resize(PNG_IMAGE_SIZE(png));
    if (!png_image_finish_read(&png, nullptr, picture.pixels.data(), 0, nullptr))
        return Fail("decode", "", std::string("PNG image: ") + png.message);
    return picture;
}

Result<RgbaImage> DecodeDib(const IconImage& image) {
    const ByteView data = image.data;
    const auto depth = ReadU16(data, bih::kBitCount);
    const auto compression = ReadU32(data, 16);
    const auto colours = ColourTableEntries(data);
    const auto row_bytes = XorRowBytes(data);
    if (!image.complete || !depth || !compression || !colours || !row_bytes || image.width <= 0 || image.height <= 0)
        return Fail("decode", "", "damaged bitmap image");
    if (*compression != 0 && !(*compression == 3 && (*depth == 16 || *depth == 32)))
        return Fail("decode", "", "compressed bitmap image");
    const std::uint32_t width = static_cast<std::uint32_t>(image.width);
    const std::uint32_t height = static_cast<std::uint32_t>(image.height);
    if (std::uint64_t{width} * height > kMaxHashedImagePixels) return Fail("decode", "", "bitmap image too large to hash");
    const std::uint64_t mask_row = ((std::uint64_t{width} + 31) / 32) * 4;
    RgbaImage picture;
    picture.width = width;
    picture.height = height;
    picture.pixels.assign(std::size_t{width} * height * 4, 0);
    bool any_alpha = false;
    for (std::uint32_t y = 0; y < height; ++y) {
        const std::uint64_t row = image.colour_bits + static_cast<std::uint64_t>(*row_bytes) * (height - 1 - y);
        std::uint8_t* out = picture.pixels.data() + std::size_t{y} * width * 4;
        for (std::uint32_t x = 0; x < width; ++x, out += 4) {
            std::uint32_t bgra = 0;
            if (*depth <= 8) {
                const std::uint64_t bit = std::uint64_t{x} * *depth;
                const std::uint8_t byte = ReadU8(data, row + bit / 8).value_or(0);
                const unsigned index = (byte >> (8 - *depth - bit % 8)) & ((1u << *depth) - 1);
                if (index < *colours) bgra = ReadU32(data, bih::kHeaderBytes + 4ull * index).value_or(0) & 0xFFFFFF;
            } else if (*depth == 16) {
                const std::uint16_t v = ReadU16(data, row + 2ull * x).value_or(0);
                const auto five = [](unsigned c) { return (c << 3) | (c >> 2); };
                bgra = five(v & 31) | (five((v >> 5) & 31) << 8) | (five((v >> 10) & 31) << 16);
            } else if (*depth == 24) {
                bgra = ReadU8(data, row + 3ull * x).value_or(0) | (ReadU8(data, row + 3ull * x + 1).value_or(0) << 8) |
                       (ReadU8(data, row + 3ull * x + 2).value_or(0) << 16);
            } else if (*depth == 32) {
                bgra = ReadU32(data, row + 4ull * x).value_or(0);
                any_alpha = any_alpha || (bgra >> 24) != 0;
            } else {
                return Fail("decode", "", "bitmap image of an unknown depth");
            }
            out[0] = static_cast<std::uint8_t>(bgra >> 16);
            out[1] = static_cast<std::uint8_t>(bgra >> 8);
            out[2] = static_cast<std::uint8_t>(bgra);
            out[3] = static_cast<std::uint8_t>(bgra >> 24);
        }
    }
    // A 32-bit image with any alpha carries its own transparency; every other one takes
    // it from the AND mask, where a set bit is transparent.
    if (!any_alpha) {
        for (std::uint32_t y = 0; y < height; ++y) {
            const std::uint64_t row = image.mask_bits + mask_row * (height - 1 - y);
            std::uint8_t* out = picture.pixels.data() + std::size_t{y} * width * 4;
            for (std::uint32_t x = 0; x < width; ++x) {
                const std::uint8_t byte = ReadU8(data, row + x / 8).value_or(0);
                out[4 * x + 3] = ((byte >> (7 - x % 8)) & 1) != 0 ? 0 : 255;
            }
        }
    }
    return picture;
}

}  // namespace

Result<RgbaImage> DecodeIconImage(const IconImage& image) {
    if (image.encoding == ImageEncoding::Png) return DecodePng(image.data);
    return DecodeDib(image);
}

std::uint64_t DHashOf(const RgbaImage& picture) {
    // Cell (i, j) covers source columns [i W / 9, (i + 1) W / 9) and rows [j H / 8, ...):
    // with coordinates scaled by 9 across and 8 down, every source pixel is a 9 x 8 block
    // and every cell a W x H block, so each overlap is a whole number and the sums exact.
    const std::uint64_t w = picture.width;
    const std::uint64_t h = picture.height;
    std::array<std::uint64_t, kCellsAcross * kCellsDown> cells{};
    for (std::uint64_t y = 0; y < h; ++y) {
        const std::uint64_t top = y * kCellsDown, bottom = top + kCellsDown;
        for (std::uint64_t x = 0; x < w; ++x) {
            const std::uint8_t* p = picture.pixels.data() + (y * w + x) * 4;
            const std::uint32_t a = p[3];
            std::uint64_t grey = 0;
            const std::array<std::uint32_t, 3> weight = {299, 587, 114};
            for (int c = 0; c < 3; ++c) grey += weight[c] * ((p[c] * a + 255 * (255 - a) + 127) / 255);
            const std::uint64_t left = x * kCellsAcross, right = left + kCellsAcross;
            for (std::uint64_t j = top / h; j < kCellsDown && j * h < bottom; ++j) {
                const std::uint64_t dy = std::min(bottom, (j + 1) * h) - std::max(top, j * h);
                for (std::uint64_t i = left / w; i < kCellsAcross && i * w < right; ++i) {
                    const std::uint64_t dx = std::min(right, (i + 1) * w) - std::max(left, i * w);
                    cells[j * kCellsAcross + i] += grey * dx * dy;
                }
            }
        }
    }
    std::uint64_t hash = 0;
    for (std::uint32_t j = 0; j < kCellsDown; ++j)
        for (std::uint32_t i = 0; i + 1 < kCellsAcross; ++i)
            hash = (hash << 1) | (cells[j * kCellsAcross + i + 1] > cells[j * kCellsAcross + i] ? 1 : 0);
    return hash;
}

std::optional<std::uint64_t> GroupDHash(const IconGroup& group) {
    std::vector<const IconImage*> order;
    for (const auto& image : group.images) order.push_back(&image);
    std::stable_sort(order.begin(), order.end(), [](const IconImage* a, const IconImage* b) {
        const std::int64_t pa = std::int64_t{a->width} * a->height, pb = std::int64_t{b->width} * b->height;
        if (pa != pb) return pa > pb;
        return a->colour_depth > b->colour_depth;
    });
    // Only the largest is hashed; should it not decode, the next largest stands in for
    // it rather than the group having no hash at all.
    for (const IconImage* image : order) {
        auto picture = DecodeIconImage(*image);
        if (picture && !picture->empty()) return DHashOf(*picture);
    }
    return std::nullopt;
}

}  // namespace icoforge::scan
