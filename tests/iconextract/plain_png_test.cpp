// The plain-PNG path against libpng: PNGs libpng itself writes with each row filter, each
// decoded both ways; the PNGs the path must leave to libpng, each declined.
#include <gtest/gtest.h>
#include <png.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "iconextract/icon_pixels.h"
#include "iconextract/plain_png.h"

namespace icoforge {
namespace {

struct PngShape {
    std::uint32_t width = 33, height = 17;
    int colour = PNG_COLOR_TYPE_RGB_ALPHA;
    int depth = 8;
    int filters = PNG_ALL_FILTERS;
    int interlace = PNG_INTERLACE_NONE;
    bool transparency = false;  // a tRNS chunk
    bool text = false;          // an ancillary chunk to pass over
};

void Append(png_structp png, png_bytep data, png_size_t size) {
    auto* out = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + size);
}

// Noise, flat runs and gradients, so that every filter has work and the adaptive choice
// uses all five.
std::vector<std::uint8_t> WritePng(const PngShape& shape) {
    std::vector<std::uint8_t> out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return {};
    }
    png_set_write_fn(png, &out, Append, nullptr);
    png_set_IHDR(png, info, shape.width, shape.height, shape.depth, shape.colour, shape.interlace,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, shape.filters);
    std::vector<png_color> palette(256);
    for (int i = 0; i < 256; ++i) palette[i] = {png_byte(i), png_byte(255 - i), png_byte(i * 7)};
    if (shape.colour == PNG_COLOR_TYPE_PALETTE) png_set_PLTE(png, info, palette.data(), 256);
    png_color_16 key{0, 10, 20, 30, 0};
    if (shape.transparency) png_set_tRNS(png, info, nullptr, 0, &key);
    png_text comment{PNG_TEXT_COMPRESSION_NONE, const_cast<char*>("Comment"), const_cast<char*>("plain"), 5, 0,
                     nullptr, nullptr};
    if (shape.text) png_set_text(png, info, &comment, 1);
    png_write_info(png, info);
    const int passes = png_set_interlace_handling(png);
    const std::size_t row_bytes = png_get_rowbytes(png, info);
    std::mt19937 random(shape.width * 31 + shape.height);
    std::vector<std::vector<png_byte>> rows(shape.height, std::vector<png_byte>(row_bytes));
    for (std::uint32_t y = 0; y < shape.height; ++y)
        for (std::size_t x = 0; x < row_bytes; ++x)
            rows[y][x] = y % 3 == 0 ? png_byte(random()) : y % 3 == 1 ? png_byte(x * 3 + y) : png_byte(200);
    for (int pass = 0; pass < passes; ++pass)
        for (auto& row : rows) png_write_row(png, row.data());
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return out;
}

TEST(PlainPng, DecodesWhatLibpngDecodesToTheSamePixels) {
    struct Case {
        const char* what;
        PngShape shape;
    };
    const Case cases[] = {
        {"RGBA, no filter", {.filters = PNG_FILTER_NONE}},
        {"RGBA, sub", {.filters = PNG_FILTER_SUB}},
        {"RGBA, up", {.filters = PNG_FILTER_UP}},
        {"RGBA, average", {.filters = PNG_FILTER_AVG}},
        {"RGBA, Paeth", {.filters = PNG_FILTER_PAETH}},
        {"RGBA, adaptive, 256 x 256", {.width = 256, .height = 256}},
        {"RGBA, one pixel, Paeth", {.width = 1, .height = 1, .filters = PNG_FILTER_PAETH}},
        {"RGB, Paeth", {.colour = PNG_COLOR_TYPE_RGB, .filters = PNG_FILTER_PAETH}},
        {"RGB, adaptive, odd width", {.width = 7, .height = 5, .colour = PNG_COLOR_TYPE_RGB}},
        {"RGBA with a text chunk", {.text = true}},
    };
    for (const auto& c : cases) {
        const auto png = WritePng(c.shape);
        ASSERT_FALSE(png.empty()) << c.what;
        const auto plain = DecodePlainPng(png);
        const auto reference = PngToRgbaByLibpng(png);
        ASSERT_TRUE(plain.has_value()) << c.what;
        ASSERT_TRUE(reference.has_value()) << c.what << ": " << reference.error().reason;
        EXPECT_EQ(plain->width, reference->width) << c.what;
        EXPECT_EQ(plain->height, reference->height) << c.what;
        EXPECT_TRUE(plain->pixels == reference->pixels) << c.what;
    }
}

TEST(PlainPng, LeavesEveryOtherPngToLibpng) {
    const auto flip = [](std::vector<std::uint8_t> png, std::size_t from_end) {
        if (png.size() >= from_end) png[png.size() - from_end] ^= 0x40;
        return png;
    };
    const auto good = WritePng({});
    struct Case {
        const char* what;
        std::vector<std::uint8_t> png;
    };
    const Case cases[] = {
        {"interlaced", WritePng({.interlace = PNG_INTERLACE_ADAM7})},
        {"16 bits a channel", WritePng({.depth = 16})},
        {"a palette", WritePng({.colour = PNG_COLOR_TYPE_PALETTE})},
        {"grey", WritePng({.colour = PNG_COLOR_TYPE_GRAY})},
        {"RGB with a transparent colour", WritePng({.colour = PNG_COLOR_TYPE_RGB, .transparency = true})},
        {"a damaged IEND CRC", flip(good, 1)},
        {"a damaged IDAT CRC", flip(good, 16)},
        {"cut before IEND", std::vector<std::uint8_t>(good.begin(), good.end() - 12)},
        {"cut in the middle", std::vector<std::uint8_t>(good.begin(), good.begin() + good.size() / 2)},
    };
    for (const auto& c : cases) {
        ASSERT_FALSE(c.png.empty()) << c.what;
        EXPECT_FALSE(DecodePlainPng(c.png).has_value()) << c.what;
        // What PngToRgba gives is then libpng's answer.
        const auto decoded = PngToRgba(c.png);
        const auto reference = PngToRgbaByLibpng(c.png);
        ASSERT_EQ(decoded.has_value(), reference.has_value()) << c.what;
        if (decoded) {
            EXPECT_TRUE(decoded->pixels == reference->pixels) << c.what;
        }
    }
}

}  // namespace
}  // namespace icoforge
