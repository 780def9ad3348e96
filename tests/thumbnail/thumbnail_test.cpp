// Thumbnails of made-up icon files and modules, read back with the PNG decoder.

#include "thumbnail/thumbnail.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <string>
#include <vector>

#include "common/byte_writer.h"
#include "iconextract/icon_pixels.h"
#include "imageconv/png_encoder.h"
#include "tests/support/ico_builder.h"
#include "tests/support/module_builder.h"

namespace icoforge {
namespace {

using namespace icoforge::testing;
using Rgba = std::array<std::uint8_t, 4>;

constexpr Rgba kRed{255, 0, 0, 255};
constexpr Rgba kGreen{0, 160, 0, 255};
constexpr Rgba kBlue{0, 0, 255, 255};

RgbaImage Solid(std::uint32_t side, Rgba colour) {
    RgbaImage image{side, side, {}};
    for (std::uint32_t i = 0; i < side * side; ++i) image.pixels.insert(image.pixels.end(), colour.begin(), colour.end());
    return image;
}

// A 32-bit icon image of one colour: its alpha channel is used, its mask is not.
ByteBuffer Dib32(std::uint32_t side, Rgba colour) {
    ByteWriter out;
    for (std::uint32_t v : {40u, side, side * 2}) out.U32(v);
    out.U16(1);
    out.U16(32);
    for (int i = 0; i < 6; ++i) out.U32(0);
    for (std::uint32_t i = 0; i < side * side; ++i) {
        for (int c : {2, 1, 0, 3}) out.U8(colour[c]);
    }
    for (std::uint64_t i = 0; i < RowBytes(1, side) * side; ++i) out.U8(0);
    return out.Take();
}

ByteBuffer Png(std::uint32_t side, Rgba colour) { return *EncodePng(Solid(side, colour), PngCompression::kSmallest); }

ByteBuffer TwoGroupModule(ModuleFormat format) {
    return BuildModule(format, {
        {Type(ResourceType::GroupIcon), ResourceName::Id(1), MakeGroupResource({1})},
        {Type(ResourceType::GroupIcon), ResourceName::Id(2), MakeGroupResource({2})},
        {Type(ResourceType::Icon), ResourceName::Id(1), Dib32(32, kRed)},
        {Type(ResourceType::Icon), ResourceName::Id(2), Dib32(32, kBlue)},
    });
}

struct Case {
    const char* what;
    ByteBuffer file;
    ThumbnailRequest request;
    std::uint32_t side;  // of the PNG written
    Rgba colour;         // of its middle pixel, which tells the image chosen
};

TEST(Thumbnail, ChoosesScalesAndKeepsImages) {
    const ByteBuffer three = MakeIcoFile({Dib32(16, kRed), Dib32(32, kGreen), Dib32(48, kBlue)});
    const ByteBuffer with_png = MakeIcoFile({Dib32(32, kRed), Png(256, kGreen)});
    const std::vector<Case> cases = {
        {"the image of the size", three, {32, false}, 32, kGreen},
        {"the next larger, scaled down", three, {24, false}, 24, kGreen},
        {"the smallest, scaled down", three, {8, false}, 8, kRed},
        {"never enlarged", three, {64, false}, 48, kBlue},
        {"enlarged when asked", three, {64, true}, 64, kBlue},
        {"a PNG image scaled down", with_png, {128, false}, 128, kGreen},
        {"a cursor file", MakeIcoFile({Dib32(32, kGreen)}, 2), {32, false}, 32, kGreen},
        {"a module's first group", TwoGroupModule(ModuleFormat::Pe32), {16, false}, 16, kRed},
        {"a 64-bit module's first group", TwoGroupModule(ModuleFormat::Pe32Plus), {32, false}, 32, kRed},
        {"a 16-bit module's first group", TwoGroupModule(ModuleFormat::Ne), {32, false}, 32, kRed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto png = MakeThumbnail(c.file, c.request);
        ASSERT_TRUE(png) << png.error().reason;
        const auto image = PngToRgba(*png);
        ASSERT_TRUE(image) << image.error().reason;
        EXPECT_EQ(image->width, c.side);
        EXPECT_EQ(image->height, c.side);
        const std::size_t middle = (std::size_t{c.side / 2} * c.side + c.side / 2) * 4;
        for (int channel = 0; channel < 4; ++channel)
            EXPECT_NEAR(image->pixels[middle + channel], c.colour[channel], 1) << "channel " << channel;
    }
}

TEST(Thumbnail, CopiesAPngImageOfTheSizeAsStored) {
    const ByteBuffer stored = Png(256, kGreen);
    const auto png = MakeThumbnail(MakeIcoFile({Dib32(32, kRed), stored}), {256, false});
    ASSERT_TRUE(png) << png.error().reason;
    EXPECT_EQ(*png, stored);
}

TEST(Thumbnail, RefusesWhatHoldsNoIcon) {
    const ByteBuffer text = {'n', 'o', 't', ' ', 'a', 'n', ' ', 'i', 'c', 'o', 'n'};
    const ByteBuffer no_icons =
        BuildModule(ModuleFormat::Pe32, {{Type(ResourceType::Bitmap), ResourceName::Id(1), Dib32(16, kRed)}});
    const ByteBuffer damaged = MakeIcoFile({ByteBuffer(40, 0xFF)});
    struct Refusal {
        const char* what;
        ByteBuffer file;
        std::uint32_t size;
        const char* reason;  // part of the reason given, or "" for any
    };
    const std::vector<Refusal> refusals = {
        {"no icon file", text, 32, ""},
        {"a module without icons", no_icons, 32, "no icon"},
        {"a damaged image", damaged, 32, ""},
        {"a module cut after its headers", ByteBuffer(no_icons.begin(), no_icons.begin() + 0x200), 32,
         "the file ends before"},
        {"size 0", MakeIcoFile({Dib32(16, kRed)}), 0, "size"},
        {"beyond the largest size", MakeIcoFile({Dib32(16, kRed)}), kMaxThumbnailSize + 1, "size"},
    };
    for (const Refusal& r : refusals) {
        SCOPED_TRACE(r.what);
        const auto png = MakeThumbnail(r.file, {r.size, false});
        ASSERT_FALSE(png);
        EXPECT_FALSE(png.error().reason.empty());
        EXPECT_NE(png.error().reason.find(r.reason), std::string::npos) << png.error().reason;
    }
}

// An opaque red half beside a transparent black one: scaled without premultiplying, the
// edge between them would turn dark.
TEST(Thumbnail, EdgesAgainstTransparencyKeepTheirColour) {
    RgbaImage half{64, 64, {}};
    for (std::uint32_t y = 0; y < 64; ++y)
        for (std::uint32_t x = 0; x < 64; ++x) {
            const Rgba pixel = x < 32 ? kRed : Rgba{0, 0, 0, 0};
            half.pixels.insert(half.pixels.end(), pixel.begin(), pixel.end());
        }
    const RgbaImage scaled = ScaledToFit(half, 10);
    ASSERT_EQ(scaled.width, 10u);
    ASSERT_EQ(scaled.height, 10u);
    for (std::size_t i = 0; i < scaled.pixels.size(); i += 4) {
        if (scaled.pixels[i + 3] < 16) continue;  // too faint for its colour to be kept exactly
        EXPECT_GE(scaled.pixels[i], 250) << "pixel " << i / 4;
        EXPECT_LE(scaled.pixels[i + 1] + scaled.pixels[i + 2], 4) << "pixel " << i / 4;
    }
}

TEST(Thumbnail, KeepsProportions) {
    const RgbaImage wide = ScaledToFit(RgbaImage{64, 16, std::vector<std::uint8_t>(64 * 16 * 4, 200)}, 32);
    EXPECT_EQ(wide.width, 32u);
    EXPECT_EQ(wide.height, 8u);
    const RgbaImage thin = ScaledToFit(RgbaImage{1, 300, std::vector<std::uint8_t>(300 * 4, 200)}, 30);
    EXPECT_EQ(thin.width, 1u);
    EXPECT_EQ(thin.height, 30u);
}

}  // namespace
}  // namespace icoforge
