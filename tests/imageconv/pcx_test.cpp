#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "common/byte_writer.h"
#include "imageconv/convert.h"
#include "imageconv/pcx_decoder.h"
#include "picture_test_util.h"

namespace icoforge {
namespace {

using Line = std::vector<std::uint8_t>;

TEST(DecodePcxLine, LiteralsRunsAndTheLineEnd) {
    // Literal 0x05, run of 3 x 0x22, literal 0xBF (below the run flag), run of 0 (skips 0x77).
    const ByteBuffer data = {0x05, 0xC3, 0x22, 0xBF, 0xC0, 0x77, 0x09};
    Line line(6, 0xEE);
    EXPECT_EQ(DecodePcxLine(line, data, 0), 7u);
    EXPECT_EQ(line, (Line{0x05, 0x22, 0x22, 0x22, 0xBF, 0x09}));
}

TEST(DecodePcxLine, RunIsCutAtTheLineEndAndTheNextLineStartsAfterIt) {
    // A run of 5 over two lines of 3: the surplus is dropped, not carried over.
    const ByteBuffer data = {0x01, 0xC5, 0x44, 0x02, 0x03, 0x04};
    Line first(3, 0);
    Line second(3, 0);
    const std::uint64_t next = DecodePcxLine(first, data, 0);
    EXPECT_EQ(first, (Line{0x01, 0x44, 0x44}));
    EXPECT_EQ(next, 3u);
    EXPECT_EQ(DecodePcxLine(second, data, next), 6u);
    EXPECT_EQ(second, (Line{0x02, 0x03, 0x04}));
}

TEST(DecodePcxLine, StopsAtTheEndOfTheData) {
    Line line(4, 0xEE);
    // A run flag whose value byte is missing writes nothing.
    EXPECT_EQ(DecodePcxLine(line, ByteBuffer{0x07, 0xC2}, 0), 2u);
    EXPECT_EQ(line, (Line{0x07, 0x00, 0x00, 0x00}));
    EXPECT_EQ(DecodePcxLine(line, ByteBuffer{0x07}, 5), 1u);  // a position past the end
}

struct PcxShape {
    std::uint16_t xmin = 0, ymin = 0, xmax = 0, ymax = 0;
    std::uint8_t bits = 8;
    std::uint8_t planes = 1;
    std::uint16_t bytes_per_line = 0;
};

ByteBuffer PcxHeader(const PcxShape& shape) {
    ByteWriter w;
    w.U8(0x0A);
    w.U8(5);
    w.U8(1);
    w.U8(shape.bits);
    w.U16(shape.xmin);
    w.U16(shape.ymin);
    w.U16(shape.xmax);
    w.U16(shape.ymax);
    w.Zeros(65 - 12);
    w.U8(shape.planes);
    w.U16(shape.bytes_per_line);
    w.Zeros(128 - 68);
    return w.Take();
}

std::int32_t Load(const ByteBuffer& bytes, RasterImage& image) {
    const std::string path = test::TestPath("input.pcx");
    test::WriteBytes(path, bytes);
    return LoadPicture(path, image);
}

ByteBuffer Palette() {
    ByteBuffer palette;
    for (int i = 0; i < 256; ++i) palette.insert(palette.end(), {static_cast<std::uint8_t>(i), 0x11, static_cast<std::uint8_t>(255 - i)});
    return palette;
}

TEST(PcxDecoder, EightBitOddWidthDropsThePadByteAndReadsThePaletteAtTheEnd) {
    // 3 x 2, bytes per line 4: each line ends in a pad byte.
    ByteBuffer file = PcxHeader({.xmax = 2, .ymax = 1, .bytes_per_line = 4});
    const ByteBuffer data = {0x01, 0x02, 0x03, 0xFF & 0x3F, 0xC3, 0x09, 0x00};
    file.insert(file.end(), data.begin(), data.end());
    file.push_back(0x0C);
    const ByteBuffer palette = Palette();
    file.insert(file.end(), palette.begin(), palette.end());
    RasterImage image;
    ASSERT_EQ(Load(file, image), 1);
    ASSERT_EQ(image.width(), 3);
    ASSERT_EQ(image.height(), 2);
    ASSERT_EQ(image.bits_per_pixel(), 8);
    ASSERT_EQ(image.palette_size(), 256);
    EXPECT_EQ((Line(image.Row(0).begin(), image.Row(0).end())), (Line{1, 2, 3}));
    EXPECT_EQ((Line(image.Row(1).begin(), image.Row(1).end())), (Line{9, 9, 9}));
    EXPECT_EQ(image.palette()[200].red, 200);
    EXPECT_EQ(image.palette()[200].blue, 55);
}

TEST(PcxDecoder, TwentyFourBitPlanesGiveRedGreenBlue) {
    // 2 x 1 with bytes per line 2: red plane, green plane, blue plane.
    ByteBuffer file = PcxHeader({.xmax = 1, .ymax = 1, .planes = 3, .bytes_per_line = 2});
    const ByteBuffer data = {10, 11, 20, 21, 30, 31, 0xC6, 0x05};
    file.insert(file.end(), data.begin(), data.end());
    RasterImage image;
    ASSERT_EQ(Load(file, image), 1);
    ASSERT_EQ(image.bits_per_pixel(), 24);
    EXPECT_EQ((Line(image.Row(0).begin(), image.Row(0).end())), (Line{10, 20, 30, 11, 21, 31}));
    EXPECT_EQ((Line(image.Row(1).begin(), image.Row(1).end())), (Line{5, 5, 5, 5, 5, 5}));
}

TEST(PcxDecoder, DataEndingEarlyLeavesTheRestZero) {
    // Three lines of 6 bytes need at least 6 bytes of runs; these end inside the second.
    ByteBuffer file = PcxHeader({.xmax = 1, .ymax = 2, .planes = 3, .bytes_per_line = 2});
    const ByteBuffer data = {0xC6, 0x07, 0x08, 0x08, 0x08, 0x08};
    file.insert(file.end(), data.begin(), data.end());
    RasterImage image;
    ASSERT_EQ(Load(file, image), 1);
    EXPECT_EQ((Line(image.Row(0).begin(), image.Row(0).end())), (Line{7, 7, 7, 7, 7, 7}));
    EXPECT_EQ((Line(image.Row(1).begin(), image.Row(1).end())), (Line{8, 8, 0, 8, 8, 0}));
    EXPECT_EQ((Line(image.Row(2).begin(), image.Row(2).end())), (Line(6, 0)));
    // One byte fewer cannot make three lines even of the longest runs.
    file.pop_back();
    EXPECT_EQ(Load(file, image), -3);
}

TEST(PcxDecoder, RefusesFilesWithoutADefinedPicture) {
    RasterImage image;
    ByteBuffer body(64, 0x01);
    const auto with_body = [&](ByteBuffer header) {
        header.insert(header.end(), body.begin(), body.end());
        return header;
    };
    // One pixel wide or high: refused by the header test.
    EXPECT_EQ(Load(with_body(PcxHeader({.xmax = 0, .ymax = 3, .planes = 3, .bytes_per_line = 2})), image), -3);
    // Depths other than 8 and 24.
    EXPECT_EQ(Load(with_body(PcxHeader({.xmax = 3, .ymax = 3, .bits = 1, .planes = 4, .bytes_per_line = 1})), image), -3);
    // Lines shorter than the picture.
    EXPECT_EQ(Load(with_body(PcxHeader({.xmax = 7, .ymax = 1, .planes = 3, .bytes_per_line = 4})), image), -3);
    // 24 bits that are not three planes of bytes.
    EXPECT_EQ(Load(with_body(PcxHeader({.xmax = 1, .ymax = 1, .bits = 24, .planes = 1, .bytes_per_line = 6})), image), -3);
    // An 8-bit file too short to hold its palette and any data (896 bytes or less).
    ByteBuffer short_file = PcxHeader({.xmax = 1, .ymax = 1, .bytes_per_line = 2});
    short_file.resize(896, 0);
    EXPECT_EQ(Load(short_file, image), -3);
    short_file.resize(897, 0);
    EXPECT_EQ(Load(short_file, image), -3);  // one byte cannot make two lines
    short_file.resize(900, 0);
    EXPECT_EQ(Load(short_file, image), 1);
    EXPECT_EQ(test::PixstoreFiles().size(), 1u);  // the image's own block, nothing else
    image.Release();
    EXPECT_TRUE(test::PixstoreFiles().empty());
}

}  // namespace
}  // namespace icoforge
