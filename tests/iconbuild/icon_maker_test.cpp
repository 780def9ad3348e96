// The icon maker against a reader of icon files written here from the format's layout,
// and the resampler against properties any correct filter has.

#include "iconbuild/icon_maker.h"
#include "iconbuild/resample.h"

#include <png.h>

#include <algorithm>
#include <random>

#include <gtest/gtest.h>

#include "common/byte_reader.h"
#include "iconextract/catalogue.h"

namespace icoforge {
namespace {

RgbaImage Filled(std::uint32_t w, std::uint32_t h, std::array<std::uint8_t, 4> rgba) {
    RgbaImage image{w, h, {}};
    for (std::size_t i = 0; i < std::size_t{w} * h; ++i) image.pixels.insert(image.pixels.end(), rgba.begin(), rgba.end());
    return image;
}

RgbaImage Noise(std::uint32_t w, std::uint32_t h, unsigned seed) {
    std::mt19937 random(seed);
    RgbaImage image{w, h, std::vector<std::uint8_t>(std::size_t{w} * h * 4)};
    for (auto& b : image.pixels) b = static_cast<std::uint8_t>(random());
    return image;
}

std::uint8_t* At(RgbaImage& image, std::uint32_t x, std::uint32_t y) {
    return image.pixels.data() + (std::size_t{y} * image.width + x) * 4;
}

constexpr std::uint32_t kFrameBits = 32;

// One image as read back from the file.
struct ReadFrame {
    std::uint32_t side = 0;
    std::uint16_t planes_or_x = 0;
    std::uint16_t bits_or_y = 0;
    bool png = false;
    RgbaImage pixels;
    std::vector<bool> mask;  // DIB only, top row first
};

std::vector<ReadFrame> ReadIcon(const ByteBuffer& file, std::uint16_t expected_type) {
    std::vector<ReadFrame> frames;
    EXPECT_EQ(ReadU16(file, 0).value_or(9), 0);
    EXPECT_EQ(ReadU16(file, 2).value_or(0), expected_type);
    const std::uint16_t count = ReadU16(file, 4).value_or(0);
    std::uint64_t expected_offset = 6 + 16ull * count;
    for (std::uint16_t i = 0; i < count; ++i) {
        const std::uint64_t at = 6 + 16ull * i;
        ReadFrame f;
        const std::uint8_t w = ReadU8(file, at).value_or(1), h = ReadU8(file, at + 1).value_or(2);
        EXPECT_EQ(w, h);
        f.side = w == 0 ? 256 : w;
        EXPECT_EQ(ReadU16(file, at + 2).value_or(1), 0);  // no palette, reserved 0
        f.planes_or_x = ReadU16(file, at + 4).value_or(0);
        f.bits_or_y = ReadU16(file, at + 6).value_or(0);
        const std::uint32_t size = ReadU32(file, at + 8).value_or(0), offset = ReadU32(file, at + 12).value_or(0);
        EXPECT_EQ(offset, expected_offset) << "images follow one another";
        expected_offset += size;
        const SubView image = SliceOf(file, offset, size);
        if (!image.ok) {
            ADD_FAILURE() << "image outside the file";
            return {};
        }
        f.png = image.bytes.size() > 8 && image.bytes[0] == 0x89 && image.bytes[1] == 'P';
        if (f.png) {
            png_image png{};
            png.version = PNG_IMAGE_VERSION;
            EXPECT_TRUE(png_image_begin_read_from_memory(&png, image.bytes.data(), image.bytes.size()));
            png.format = PNG_FORMAT_RGBA;
            f.pixels = RgbaImage{png.width, png.height, std::vector<std::uint8_t>(PNG_IMAGE_SIZE(png))};
            EXPECT_TRUE(png_image_finish_read(&png, nullptr, f.pixels.pixels.data(), 0, nullptr));
        } else {
            const ByteView dib = image.bytes;
            EXPECT_EQ(ReadU32(dib, 0).value_or(0), 40u);
            EXPECT_EQ(ReadI32(dib, 4).value_or(0), static_cast<std::int32_t>(f.side));
            EXPECT_EQ(ReadI32(dib, 8).value_or(0), static_cast<std::int32_t>(f.side * 2));
            EXPECT_EQ(ReadU16(dib, 12).value_or(0), 1);
            EXPECT_EQ(ReadU16(dib, 14).value_or(0), 32);
            const std::size_t mask_stride = (f.side + 31) / 32 * 4;
            EXPECT_EQ(dib.size(), 40 + f.side * f.side * 4 + mask_stride * f.side);
            f.pixels = RgbaImage{f.side, f.side, std::vector<std::uint8_t>(std::size_t{f.side} * f.side * 4)};
            f.mask.resize(std::size_t{f.side} * f.side);
            for (std::uint32_t y = 0; y < f.side && dib.size() >= 40 + f.side * f.side * 4 + mask_stride * f.side; ++y) {
                const std::uint32_t file_row = f.side - 1 - y;
                for (std::uint32_t x = 0; x < f.side; ++x) {
                    const std::uint8_t* bgra = dib.data() + 40 + (std::size_t{file_row} * f.side + x) * 4;
                    std::uint8_t* out = At(f.pixels, x, y);
                    out[0] = bgra[2], out[1] = bgra[1], out[2] = bgra[0], out[3] = bgra[3];
                    const std::uint8_t* mask = dib.data() + 40 + f.side * f.side * 4 + file_row * mask_stride;
                    f.mask[std::size_t{y} * f.side + x] = (mask[x / 8] >> (7 - x % 8)) & 1;
                }
            }
        }
        EXPECT_EQ(f.pixels.width, f.side);
        frames.push_back(std::move(f));
    }
    EXPECT_EQ(expected_offset, file.size());
    return frames;
}

TEST(Resample, FlatStaysFlatAndColourNeverExceedsAlpha) {
    const std::pair<std::uint32_t, std::uint32_t> cases[][2] = {
        {{1000, 600}, {16, 10}}, {{257, 3}, {32, 1}}, {{5, 7}, {64, 48}}, {{1, 1}, {3, 3}}, {{48, 48}, {47, 49}},
    };
    for (const auto& c : cases) {
        const auto [sw, sh] = c[0];
        const auto [dw, dh] = c[1];
        const RgbaImage flat = ResamplePremultiplied(Filled(sw, sh, {60, 120, 180, 200}), dw, dh);
        EXPECT_EQ(flat.pixels, Filled(dw, dh, {60, 120, 180, 200}).pixels) << sw << "x" << sh << " to " << dw << "x" << dh;
        if (dw <= sw && dh <= sh) {
            const RgbaImage averaged = AveragePremultiplied(Filled(sw, sh, {60, 120, 180, 200}), dw, dh);
            EXPECT_EQ(averaged.pixels, Filled(dw, dh, {60, 120, 180, 200}).pixels) << sw << "x" << sh << " averaged";
            // Premultiplying row by row as the average reads must give what a whole copy gives.
            EXPECT_EQ(PremultiplyAveraged(Noise(sw, sh, sw), dw, dh).pixels,
                      AveragePremultiplied(Premultiply(Noise(sw, sh, sw)), dw, dh).pixels)
                << sw << "x" << sh;
        }
        const RgbaImage noisy = ResamplePremultiplied(Premultiply(Noise(sw, sh, sw)), dw, dh);
        ASSERT_EQ(noisy.pixels.size(), std::size_t{dw} * dh * 4);
        for (std::size_t i = 0; i < noisy.pixels.size(); i += 4)
            for (int k = 0; k < 3; ++k) ASSERT_LE(noisy.pixels[i + k], noisy.pixels[i + 3]) << i;
    }
}

TEST(Resample, AveragingCoversEveryPixelOnce) {
    // 5 x 1 into 2: the blocks are pixels 0-1 and 2-4.
    const RgbaImage row{5, 1, {10, 0, 0, 255, 20, 0, 0, 255, 30, 0, 0, 255, 40, 0, 0, 255, 60, 0, 0, 255}};
    EXPECT_EQ(AveragePremultiplied(row, 2, 1).pixels, (std::vector<std::uint8_t>{15, 0, 0, 255, 43, 0, 0, 255}));
}

TEST(Resample, FitsIntoTheSquareKeepingProportionsCentred) {
    struct Case {
        std::uint32_t w, h, side;
        FittedPlacement expected;
    } cases[] = {
        {300, 200, 48, {0, 8, 48, 32}},   {200, 300, 48, {8, 0, 32, 48}}, {300, 200, 16, {0, 2, 16, 11}},
        {300, 200, 256, {0, 42, 256, 171}}, {4000, 10, 16, {0, 7, 16, 1}}, {10, 10, 256, {0, 0, 256, 256}},
        {33, 32, 32, {0, 0, 32, 31}},
    };
    for (const auto& c : cases) {
        const FittedPlacement p = FitIntoSquare(c.w, c.h, c.side);
        EXPECT_EQ(std::tie(p.x, p.y, p.width, p.height),
                  std::tie(c.expected.x, c.expected.y, c.expected.width, c.expected.height))
            << c.w << "x" << c.h << " in " << c.side;
    }
}

// 300 x 200, opaque white with a transparent hole whose hidden colour is black: a
// resampler that does not premultiply darkens the hole's edge.
SourcePicture WhiteWithHole() {
    SourcePicture p{Filled(300, 200, {255, 255, 255, 255}), 300, 200, 32, "white"};
    for (std::uint32_t y = 0; y < 200; ++y)
        for (std::uint32_t x = 0; x < 300; ++x)
            if ((x - 150.0) * (x - 150.0) + (y - 100.0) * (y - 100.0) < 60.0 * 60.0) std::fill_n(At(p.pixels, x, y), 4, 0);
    return p;
}

TEST(MakeIcon, WritesEveryFormatWithCorrectEntriesMasksAndPlacement) {
    struct Case {
        std::uint32_t png_from;
        std::optional<HotSpot> cursor;
        std::vector<std::uint32_t> expected_png;
    } cases[] = {
        {kDefaultPngFromSize, std::nullopt, {256}},
        {32, std::nullopt, {32, 40, 48, 64, 256}},
        {1, std::nullopt, {16, 20, 24, 32, 40, 48, 64, 256}},
        {kNeverPng, std::nullopt, {}},
        {kDefaultPngFromSize, HotSpot{150, 100}, {256}},
    };
    const SourcePicture picture[] = {WhiteWithHole()};
    for (const auto& c : cases) {
        MakeIconRequest request;
        request.png_from_size = c.png_from;
        request.cursor = c.cursor;
        const auto made = MakeIcon(picture, request);
        ASSERT_TRUE(made) << made.error().reason;
        EXPECT_TRUE(made->left_out_sizes.empty());
        auto frames = ReadIcon(made->file, c.cursor ? 2 : 1);
        ASSERT_EQ(frames.size(), std::size(kDefaultIconSizes));
        for (std::size_t i = 0; i < frames.size(); ++i) {
            ReadFrame& f = frames[i];
            const std::uint32_t side = kDefaultIconSizes[i];
            ASSERT_EQ(f.side, side);
            EXPECT_EQ(f.png, std::count(c.expected_png.begin(), c.expected_png.end(), side) == 1) << side;
            const FittedPlacement p = FitIntoSquare(300, 200, side);
            if (c.cursor) {
                EXPECT_EQ(f.planes_or_x, p.x + 150 * p.width / 300) << side;
                EXPECT_EQ(f.bits_or_y, p.y + 100 * p.height / 200) << side;
            } else {
                EXPECT_EQ(f.planes_or_x, 1);
                EXPECT_EQ(f.bits_or_y, 32);
            }
            for (std::uint32_t y = 0; y < side; ++y) {
                for (std::uint32_t x = 0; x < side; ++x) {
                    const std::uint8_t* px = At(f.pixels, x, y);
                    const bool inside = x >= p.x && x < p.x + p.width && y >= p.y && y < p.y + p.height;
                    const bool border = inside && (x == p.x || y == p.y || x + 1 == p.x + p.width || y + 1 == p.y + p.height);
                    if (!inside) { ASSERT_EQ(px[3], 0) << side << " at " << x << "," << y; }
                    if (border) { ASSERT_GT(px[3], 200) << side << " at " << x << "," << y; }
                    if (px[3] != 0) { ASSERT_GE(*std::min_element(px, px + 3), 250) << side << " darkened at " << x << "," << y; }
                    if (!f.png) { ASSERT_EQ(f.mask[std::size_t{y} * side + x], px[3] == 0) << side; }
                    if (!f.png && px[3] == 0) { ASSERT_EQ(px[0] | px[1] | px[2], 0); }
                }
            }
        }
    }
}

TEST(MakeIcon, OpensInTheCatalogueWithItsSizesFormatsAndHotSpots) {
    const SourcePicture picture[] = {WhiteWithHole()};
    for (const bool cursor : {false, true}) {
        MakeIconRequest request;
        if (cursor) request.cursor = HotSpot{299, 0};
        const auto made = MakeIcon(picture, request);
        ASSERT_TRUE(made);
        const auto read = catalogue::ReadCatalogue(made->file);
        ASSERT_TRUE(read) << read.error().reason;
        EXPECT_TRUE(read->problems.empty());
        ASSERT_EQ(read->groups.size(), 1u);
        const auto& images = read->groups[0].images;
        ASSERT_EQ(images.size(), std::size(kDefaultIconSizes));
        for (std::size_t i = 0; i < images.size(); ++i) {
            const std::uint32_t side = kDefaultIconSizes[i];
            EXPECT_EQ(std::tie(images[i].width, images[i].height, images[i].bits), std::tie(side, side, kFrameBits));
            EXPECT_EQ(images[i].format, side == 256 ? catalogue::ImageFormat::kPng : catalogue::ImageFormat::kBmp);
            if (cursor) {
                const FittedPlacement p = FitIntoSquare(300, 200, side);
                ASSERT_TRUE(images[i].hotspot);
                EXPECT_EQ(images[i].hotspot->first, p.x + 299 * p.width / 300) << side;
                EXPECT_EQ(images[i].hotspot->second, p.y) << side;
            }
            const auto rgba = catalogue::DecodeGroupImage(made->file, read->groups[0], i);
            ASSERT_TRUE(rgba);
            EXPECT_EQ(rgba->width, side);
        }
    }
}

TEST(MakeIcon, KeepsHandDrawnSizesAndLeavesOutLargerOnes) {
    const RgbaImage drawn16 = Noise(16, 16, 7);
    std::vector<SourcePicture> pictures = {
        {Noise(64, 64, 1), 64, 64, 32, "master"},
        {Filled(16, 16, {1, 2, 3, 255}), 16, 16, 8, "shallow 16"},
        {drawn16, 16, 16, 32, "deep 16"},
        {Filled(8, 8, {9, 9, 9, 255}), 32, 32, 32, "32 decoded reduced: not as drawn"},
    };
    for (const bool upscale : {false, true}) {
        MakeIconRequest request;
        request.sizes = {16, 32, 128, 256};
        request.upscale = upscale;
        const auto made = MakeIcon(pictures, request);
        ASSERT_TRUE(made) << made.error().reason;
        EXPECT_EQ(made->reused_sizes, std::vector<std::uint32_t>{16});
        const std::vector<std::uint32_t> left_out = upscale ? std::vector<std::uint32_t>{} : std::vector<std::uint32_t>{128, 256};
        EXPECT_EQ(made->left_out_sizes, left_out);
        const auto frames = ReadIcon(made->file, 1);
        ASSERT_EQ(frames.size(), upscale ? 4u : 2u);
        EXPECT_EQ(frames[0].pixels.pixels, drawn16.pixels) << "the deeper 16 as drawn, exactly";
        const RgbaImage expected32 = Unpremultiply(ResamplePremultiplied(Premultiply(pictures[0].pixels), 32, 32));
        EXPECT_EQ(frames[1].pixels.pixels, expected32.pixels) << "32 made from the largest picture";
    }
}

TEST(MakeIcon, RefusesWithItsReason) {
    const SourcePicture small[] = {{Filled(10, 20, {0, 0, 0, 255}), 10, 20, 32, "small"}};
    struct Case {
        std::span<const SourcePicture> pictures;
        std::optional<HotSpot> cursor;
        std::string reason;
    } cases[] = {
        {{}, std::nullopt, "no picture"},
        {small, HotSpot{10, 0}, "hot spot lies outside the picture (10 x 20)"},
        {small, HotSpot{0, 20}, "hot spot lies outside"},
        {small, std::nullopt, "every size asked for is larger than the picture (10 x 20); --upscale"},
    };
    for (const auto& c : cases) {
        MakeIconRequest request;
        request.sizes = {32, 48};
        request.cursor = c.cursor;
        const auto made = MakeIcon(c.pictures, request);
        ASSERT_FALSE(made) << c.reason;
        EXPECT_NE(made.error().reason.find(c.reason), std::string::npos) << made.error().reason;
    }
}

TEST(MakeIcon, ParsesSizeLists) {
    const std::pair<const char*, std::vector<std::uint32_t>> good[] = {
        {"16", {16}}, {"256,16,48,16", {16, 48, 256}}, {"1,2", {1, 2}}};
    for (const auto& [text, sizes] : good) EXPECT_EQ(ParseIconSizes(text).value_or(std::vector<std::uint32_t>{}), sizes) << text;
    for (const char* bad : {"", "0", "257", "16,", ",16", "16;32", "-16", "1e2", "16,,32", " 16"})
        EXPECT_FALSE(ParseIconSizes(bad)) << bad;
}

}  // namespace
}  // namespace icoforge
