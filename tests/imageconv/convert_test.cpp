#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>

#include "common/byte_writer.h"
#include "common/path.h"
#include "imageconv/convert.h"
#include "picture_test_util.h"

namespace icoforge {
namespace {

using test::MakePng;
using test::PixstoreFiles;
using test::PngChunk;
using test::TestPath;

constexpr std::size_t kPhotoCdMinSize = 1'048'576;

std::int32_t Load(const ByteBuffer& bytes, RasterImage& image, const char* name = "input.bin") {
    const std::string path = TestPath(name);
    test::WriteBytes(path, bytes);
    return LoadPicture(path, image);
}

ByteBuffer SmallBmp(std::int32_t width, std::int32_t height) {
    const std::uint32_t stride = (static_cast<std::uint32_t>(width) * 3 + 3) / 4 * 4;
    ByteWriter w;
    test::WriteBmp24Header(w, width, height, stride * static_cast<std::uint32_t>(height));
    for (std::int32_t i = 0; i < height; ++i) {
        for (std::int32_t x = 0; x < width; ++x) {
            w.U8(30);  // blue
            w.U8(20);
            w.U8(10);  // red
        }
        w.Zeros(stride - width * 3);
    }
    return w.Take();
}

TEST(ConvertToBmp, ResultCodes) {
    const std::string out = TestPath("out.bmp");
    const std::string source = TestPath("source.bmp");
    test::WriteBytes(source, SmallBmp(2, 2));
    EXPECT_EQ(ConvertToBmp(std::nullopt, out), -7);
    EXPECT_EQ(ConvertToBmp(source, std::nullopt), -7);
    EXPECT_EQ(ConvertToBmp(TestPath("missing.png"), out), -1);
    EXPECT_EQ(ConvertToBmp("", out), -1);
    std::filesystem::create_directories(PathFromUtf8(TestPath("a-folder")));
    EXPECT_EQ(ConvertToBmp(TestPath("a-folder"), out), -3);
    test::WriteBytes(TestPath("notes.txt"), ByteBuffer{'h', 'e', 'l', 'l', 'o'});
    EXPECT_EQ(ConvertToBmp(TestPath("notes.txt"), out), -3);
    EXPECT_FALSE(std::filesystem::exists(PathFromUtf8(out)));
    EXPECT_EQ(ConvertToBmp(source, TestPath("no-such-folder/out.bmp")), -4);
    EXPECT_EQ(ConvertToBmp(source, ""), -4);
    EXPECT_EQ(ConvertToBmp(source, out), 1);
    const auto picture = test::ReadBmp24(out);
    ASSERT_TRUE(picture.has_value());
    EXPECT_EQ(picture->width, 2);
    EXPECT_EQ(picture->At(1, 1)[0], 10);
    EXPECT_EQ(picture->At(1, 1)[2], 30);
    EXPECT_TRUE(PixstoreFiles().empty());
}

// A file of at least 1 MiB carrying the image pack signature at 0x800, whose first bytes
// are `head`: only the decoders before the PhotoCD reader can claim it first.
ByteBuffer WithImagePackTail(ByteBuffer head) {
    if (head.size() < kPhotoCdMinSize) head.resize(kPhotoCdMinSize, 0);
    std::memcpy(head.data() + 0x800, "PCD_IPI", 7);
    return head;
}

TEST(LoadPicture, EarlierDecodersWinAndThePhotoCdReaderComesLast) {
    // A 24-bit BMP whose pixel data hold the signature: still a BMP.
    RasterImage image;
    ASSERT_EQ(Load(WithImagePackTail(SmallBmp(700, 600)), image), 1);
    EXPECT_EQ(image.width(), 700);

    // A 16-bit PNG is refused by the PNG reader; padded past 1 MiB (inside a private chunk,
    // so it is still a valid PNG) with the signature, the PhotoCD reader takes it.
    ByteBuffer png16 = MakePng(1, 1, 16, 0, {ByteBuffer{0x12, 0x34}});
    EXPECT_EQ(Load(png16, image, "deep.png"), -3);
    ByteBuffer padded(png16.begin(), png16.begin() + 33);  // signature and IHDR
    ByteBuffer filler(kPhotoCdMinSize, 0);
    std::memcpy(filler.data() + 0x800 - 33 - 8, "PCD_IPI", 7);
    const ByteBuffer chunk = PngChunk("prVt", filler);
    padded.insert(padded.end(), chunk.begin(), chunk.end());
    padded.insert(padded.end(), png16.begin() + 33, png16.end());
    ASSERT_EQ(Load(padded, image, "deep.png"), 1);
    EXPECT_EQ(image.width(), 768);
    EXPECT_EQ(image.height(), 512);

    // Without the signature a large unknown file is refused.
    ByteBuffer gif(kPhotoCdMinSize + 10, 0);
    std::memcpy(gif.data(), "GIF89a", 6);
    EXPECT_EQ(Load(gif, image), -3);
}

TEST(PngDecoder, DepthsPalettesAndGreyAsTheChainDeliversThem) {
    RasterImage image;
    // 4-bit grey with tRNS: expanded to full-range grey, the transparency dropped.
    const ByteBuffer trns = PngChunk("tRNS", {0x00, 0x05});
    ASSERT_EQ(Load(MakePng(3, 1, 4, 0, {ByteBuffer{0x0F, 0x50}}, trns), image), 1);
    ASSERT_EQ(image.bits_per_pixel(), 8);
    EXPECT_EQ(image.palette_size(), 0);
    EXPECT_EQ((ByteBuffer(image.Row(0).begin(), image.Row(0).end())), (ByteBuffer{0x00, 0xFF, 0x55}));

    // Grey with alpha: one byte a pixel, the grey level.
    ASSERT_EQ(Load(MakePng(3, 1, 8, 4, {ByteBuffer{10, 255, 20, 0, 30, 128}}), image), 1);
    EXPECT_EQ((ByteBuffer(image.Row(0).begin(), image.Row(0).end())), (ByteBuffer{10, 20, 30}));

    // 2-bit palette of two entries using indices 0 to 3: one index a byte.
    const ByteBuffer plte = PngChunk("PLTE", {255, 0, 0, 0, 0, 255});
    ASSERT_EQ(Load(MakePng(4, 1, 2, 3, {ByteBuffer{0b00011011}}, plte), image), 1);
    EXPECT_EQ(image.palette_size(), 2);
    EXPECT_EQ((ByteBuffer(image.Row(0).begin(), image.Row(0).end())), (ByteBuffer{0, 1, 2, 3}));
    RasterImage rgb;
    ASSERT_TRUE(image.ConvertTo(rgb, 24));
    EXPECT_EQ((ByteBuffer(rgb.Row(0).begin(), rgb.Row(0).end())),
              (ByteBuffer{255, 0, 0, 0, 0, 255, 0, 0, 0, 0, 0, 0}));

    // RGBA: alpha first, colour kept for a fully transparent pixel.
    ASSERT_EQ(Load(MakePng(1, 1, 8, 6, {ByteBuffer{1, 2, 3, 0}}), image), 1);
    EXPECT_EQ((ByteBuffer(image.Row(0).begin(), image.Row(0).end())), (ByteBuffer{0, 1, 2, 3}));

    // Interlaced gives the same pixels as plain.
    std::vector<ByteBuffer> rows;
    for (std::uint8_t y = 0; y < 9; ++y) {
        ByteBuffer row;
        for (std::uint8_t x = 0; x < 9; ++x) row.insert(row.end(), {x, y, static_cast<std::uint8_t>(x * y)});
        rows.push_back(row);
    }
    ASSERT_EQ(Load(MakePng(9, 9, 8, 2, rows), image), 1);
    RasterImage plain;
    ASSERT_TRUE(image.ConvertTo(plain, 24));
    // Adam7 sub-images of a 9 x 9 picture, in pass order.
    const int starts[7][4] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4}, {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};
    std::vector<ByteBuffer> passes;
    for (const auto& p : starts) {
        for (int y = p[1]; y < 9; y += p[3]) {
            ByteBuffer row;
            for (int x = p[0]; x < 9; x += p[2]) row.insert(row.end(), rows[y].begin() + x * 3, rows[y].begin() + x * 3 + 3);
            if (!row.empty()) passes.push_back(row);
        }
    }
    ASSERT_EQ(Load(MakePng(9, 9, 8, 2, passes, {}, true), image), 1);
    EXPECT_TRUE(std::equal(image.pixels().begin(), image.pixels().end(), plain.pixels().begin()));
}

TEST(PngDecoder, RefusesDeepAndDamagedFiles) {
    RasterImage image;
    EXPECT_EQ(Load(MakePng(1, 1, 16, 2, {ByteBuffer(6, 1)}), image), -3);
    ByteBuffer cut = MakePng(4, 4, 8, 2, std::vector<ByteBuffer>(4, ByteBuffer(12, 0x5A)));
    cut.resize(cut.size() - 20);  // inside IDAT
    EXPECT_EQ(Load(cut, image), -3);
    EXPECT_TRUE(image.empty());
    EXPECT_TRUE(PixstoreFiles().empty());
}

TEST(ConvertToBmp, NoPixstoreFileRemainsWhateverTheOutcome) {
    const std::string out = TestPath("out.bmp");
    const std::string grey = TestPath("grey.png");
    test::WriteBytes(grey, MakePng(3, 2, 8, 0, {ByteBuffer{0, 128, 255}, ByteBuffer{1, 2, 3}}));
    EXPECT_EQ(ConvertToBmp(grey, out), 1);  // two images: decoded and converted
    EXPECT_TRUE(PixstoreFiles().empty());
    const auto picture = test::ReadBmp24(out);
    ASSERT_TRUE(picture.has_value());
    EXPECT_EQ(picture->At(1, 0)[0], 128);
    EXPECT_EQ(picture->At(1, 0)[1], 128);
    EXPECT_EQ(picture->At(1, 0)[2], 128);

    EXPECT_EQ(ConvertToBmp(grey, TestPath("no-such-folder/out.bmp")), -4);
    EXPECT_TRUE(PixstoreFiles().empty());

    ByteBuffer cut = MakePng(64, 64, 8, 2, std::vector<ByteBuffer>(64, ByteBuffer(192, 0x33)));
    cut.resize(cut.size() - 16);
    test::WriteBytes(TestPath("cut.png"), cut);
    EXPECT_EQ(ConvertToBmp(TestPath("cut.png"), out), -3);
    EXPECT_TRUE(PixstoreFiles().empty());
}

}  // namespace
}  // namespace icoforge
