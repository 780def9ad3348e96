#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>

#include "imageconv/convert.h"
#include "imageconv/photocd_decoder.h"
#include "picture_test_util.h"

namespace icoforge {
namespace {

constexpr std::size_t kMinSize = 1'048'576;
constexpr std::size_t kBaseOffset = 0x30000;
constexpr std::size_t kBase16Offset = 0x2000;

ByteBuffer ImagePack(std::size_t size = kMinSize) {
    ByteBuffer pack(size, 0);
    std::memcpy(pack.data() + 0x800, "PCD_IPI", 7);
    return pack;
}

// Fills the groups of a resolution: Y of the upper row is x & 0xFF, of the lower row
// 255 - (x & 0xFF); colour byte j is j & 0xFF.
void FillGroups(ByteBuffer& pack, std::size_t offset, std::size_t width, std::size_t height) {
    for (std::size_t k = 0; k < height / 2; ++k) {
        std::uint8_t* group = pack.data() + offset + k * width * 3;
        for (std::size_t x = 0; x < width; ++x) {
            group[x] = static_cast<std::uint8_t>(x);
            group[width + x] = static_cast<std::uint8_t>(255 - (x & 0xFF));
            group[2 * width + x] = static_cast<std::uint8_t>(x);
        }
    }
}

std::int32_t Load(const ByteBuffer& bytes, RasterImage& image) {
    const std::string path = test::TestPath("input.pcd");
    test::WriteBytes(path, bytes);
    return LoadPicture(path, image);
}

TEST(PhotoCd, ColourFormulaRoundsAndClamps) {
    const PhotoCdColour black = PhotoCdToRgb(0, 156, 137);
    EXPECT_EQ((std::array{black.red, black.green, black.blue}), (std::array<std::uint8_t, 3>{0, 0, 0}));
    // 182 x 1.407488 = 256.16: clamped in every channel.
    const PhotoCdColour white = PhotoCdToRgb(182, 156, 137);
    EXPECT_EQ((std::array{white.red, white.green, white.blue}), (std::array<std::uint8_t, 3>{255, 255, 255}));
    // Y 100, C1 166, C2 127: a = 10, b = -10.
    const PhotoCdColour mid = PhotoCdToRgb(100, 166, 127);
    EXPECT_EQ(mid.red, std::floor(-10 * 1.3230336 + 10 * 0.0000256 + 140.7488 + 0.5));   // 127.52 -> 128
    EXPECT_EQ(mid.green, std::floor(140.7488 - (-10 * 0.67392 + 10 * 0.3954176) + 0.5));  // 143.53 -> 144
    EXPECT_EQ(mid.blue, std::floor(-10 * 0.0000256 + 10 * 2.0360448 + 140.7488 + 0.5));  // 161.11 -> 161
    // Strong colour differences go below zero and are clamped there.
    EXPECT_EQ(PhotoCdToRgb(10, 0, 137).blue, 0);
}

TEST(PhotoCd, BaseImageIsTakenFromItsOffsetWithSharedColourPerTwoByTwo) {
    ByteBuffer pack = ImagePack();
    FillGroups(pack, kBaseOffset, 768, 512);
    RasterImage image;
    ASSERT_EQ(Load(pack, image), 1);
    ASSERT_EQ(image.width(), 768);
    ASSERT_EQ(image.height(), 512);
    ASSERT_EQ(image.bits_per_pixel(), 24);
    for (std::int32_t y : {0, 1, 2, 511}) {
        const ByteView row = image.Row(y);
        for (std::int32_t x : {0, 1, 2, 3, 300, 767}) {
            const auto luma = static_cast<std::uint8_t>(y % 2 == 0 ? x : 255 - (x & 0xFF));
            const PhotoCdColour expected = PhotoCdToRgb(luma, static_cast<std::uint8_t>(x / 2),
                                                        static_cast<std::uint8_t>((384 + x / 2) & 0xFF));
            EXPECT_EQ(row[x * 3], expected.red) << x << "," << y;
            EXPECT_EQ(row[x * 3 + 1], expected.green) << x << "," << y;
            EXPECT_EQ(row[x * 3 + 2], expected.blue) << x << "," << y;
        }
    }
    // The three row buffers are gone; only the image's own block is left.
    EXPECT_EQ(test::PixstoreFiles().size(), 1u);
}

TEST(PhotoCd, SmallestResolutionHasItsOwnOffset) {
    ByteBuffer pack = ImagePack();
    FillGroups(pack, kBase16Offset, 192, 128);
    const std::string path = test::TestPath("small.pcd");
    test::WriteBytes(path, pack);
    RasterImage image;
    PhotoCdDecoder decoder;
    ASSERT_TRUE(decoder.Open(path, image, PhotoCdDecoder::kBase16));
    ASSERT_TRUE(decoder.Read());
    EXPECT_EQ(image.width(), 192);
    EXPECT_EQ(image.height(), 128);
    const PhotoCdColour expected = PhotoCdToRgb(255 - 5, 2, (96 + 2) & 0xFF);
    EXPECT_EQ(image.Row(1)[5 * 3], expected.red);
    EXPECT_FALSE(decoder.Open(path, image, 3));
}

TEST(PhotoCd, NeedsTheMinimumSizeAndTheSignature) {
    RasterImage image;
    EXPECT_EQ(Load(ImagePack(kMinSize - 1), image), -3);
    EXPECT_TRUE(image.empty());
    EXPECT_EQ(Load(ImagePack(kMinSize), image), 1);
    image.Release();
    // A large file of some other kind is not an image pack.
    ByteBuffer unsigned_pack(kMinSize, 0x47);
    EXPECT_EQ(Load(unsigned_pack, image), -3);
    EXPECT_TRUE(image.empty());
    EXPECT_TRUE(test::PixstoreFiles().empty());
}

}  // namespace
}  // namespace icoforge
