#include <gtest/gtest.h>

#include <cstdint>

#include "common/byte_reader.h"
#include "common/byte_writer.h"
#include "imageconv/bmp_codec.h"
#include "imageconv/convert.h"
#include "picture_test_util.h"
#include "platform/system_failure.h"
#include "tests/support/failure_checks.h"

namespace icoforge {
namespace {

// An image whose pixel (x, y) is (x, y, x + y + 1), easy to recognise after any flip.
void FillPattern(RasterImage& image) {
    for (std::int32_t y = 0; y < image.height(); ++y) {
        auto row = image.Row(y);
        for (std::int32_t x = 0; x < image.width(); ++x) {
            row[x * 3] = static_cast<std::uint8_t>(x);
            row[x * 3 + 1] = static_cast<std::uint8_t>(y);
            row[x * 3 + 2] = static_cast<std::uint8_t>(x + y + 1);
        }
    }
}

void ExpectPattern(const RasterImage& image, std::int32_t width, std::int32_t height) {
    ASSERT_EQ(image.width(), width);
    ASSERT_EQ(image.height(), height);
    ASSERT_EQ(image.bits_per_pixel(), 24);
    for (std::int32_t y = 0; y < height; ++y)
        for (std::int32_t x = 0; x < width; ++x) {
            const ByteView row = image.Row(y);
            ASSERT_EQ(row[x * 3], x) << x << "," << y;
            ASSERT_EQ(row[x * 3 + 1], y) << x << "," << y;
            ASSERT_EQ(row[x * 3 + 2], x + y + 1) << x << "," << y;
        }
}

ByteBuffer WriteImage(std::int32_t width, std::int32_t height) {
    RasterImage image;
    EXPECT_TRUE(image.Create(width, height, 24, 0));
    FillPattern(image);
    BmpCodec writer;
    const std::string path = test::TestPath("written.bmp");
    EXPECT_TRUE(writer.OpenForWrite(path, image, 24));
    EXPECT_TRUE(writer.Write());
    return test::ReadBytes(path);
}

TEST(BmpWriter, WritesHeadersAndBottomUpBgrRowsPaddedToFourBytes) {
    const ByteBuffer file = WriteImage(1, 3);
    const ByteView data(file);
    ASSERT_EQ(file.size(), 54u + 4 * 3);
    EXPECT_EQ(ReadU16(data, 0), 0x4D42);
    EXPECT_EQ(ReadU32(data, 2), 54u + 4 * 3);
    EXPECT_EQ(ReadU32(data, 6), 0u);
    EXPECT_EQ(ReadU32(data, 10), 54u);
    EXPECT_EQ(ReadU32(data, 14), 40u);
    EXPECT_EQ(ReadI32(data, 18), 1);
    EXPECT_EQ(ReadI32(data, 22), 3);
    EXPECT_EQ(ReadU16(data, 26), 1);
    EXPECT_EQ(ReadU16(data, 28), 24);
    for (std::uint64_t offset = 30; offset < 54; offset += 4) EXPECT_EQ(ReadU32(data, offset), 0u) << offset;
    // First stored row is the bottom one (y = 2): blue, green, red.
    EXPECT_EQ(data[54], 3);
    EXPECT_EQ(data[55], 2);
    EXPECT_EQ(data[56], 0);
    EXPECT_EQ(data[54 + 8], 1);  // top row last
    EXPECT_EQ(data[54 + 8 + 1], 0);

    const ByteBuffer wide = WriteImage(5, 2);  // 15 bytes of pixels, 16 a row
    EXPECT_EQ(wide.size(), 54u + 16 * 2);
    EXPECT_EQ(ReadU32(ByteView(wide), 2), 54u + 16 * 2);
}

TEST(BmpWriter, RefusesOtherDepthsAndUnwritablePaths) {
    RasterImage image;
    ASSERT_TRUE(image.Create(2, 2, 24, 0));
    BmpCodec writer;
    EXPECT_EQ(testing::ReasonOf(writer.OpenForWrite(test::TestPath("x.bmp"), image, 32)), "not a 24-bit picture");
    EXPECT_NE(testing::SystemErrorOf(writer.OpenForWrite(test::TestPath("no-such-folder/x.bmp"), image, 24)), 0);
    EXPECT_EQ(testing::ReasonOf(writer.Write()), kFileClosedText);  // nothing open
    RasterImage empty;
    EXPECT_FALSE(writer.OpenForWrite(test::TestPath("x.bmp"), empty, 24));
}

// A 24-bit BMP built field by field, so that each header kind can be tried.
struct BmpShape {
    std::int32_t width = 3;
    std::int32_t height = 2;
    std::uint32_t header_size = 40;
    std::uint16_t bits = 24;
    std::uint32_t compression = 0;
    bool top_down = false;
    const char* type = "BM";
    std::uint64_t drop_tail = 0;
};

ByteBuffer BuildBmp(const BmpShape& shape) {
    const std::uint32_t stride = (static_cast<std::uint32_t>(shape.width) * 3 + 3) / 4 * 4;
    const std::uint32_t offset = 14 + shape.header_size;
    ByteWriter w;
    w.U8(shape.type[0]);
    w.U8(shape.type[1]);
    w.U32(offset + stride * shape.height);
    w.U32(0);
    w.U32(offset);
    w.U32(shape.header_size);
    if (shape.header_size == 12) {
        w.U16(static_cast<std::uint16_t>(shape.width));
        w.U16(static_cast<std::uint16_t>(shape.height));
        w.U16(1);
        w.U16(shape.bits);
    } else {
        w.I32(shape.width);
        w.I32(shape.top_down ? -shape.height : shape.height);
        w.U16(1);
        w.U16(shape.bits);
        w.U32(shape.compression);
        w.Zeros(shape.header_size - 20);
    }
    for (std::int32_t i = 0; i < shape.height; ++i) {
        const std::int32_t y = shape.top_down ? i : shape.height - 1 - i;
        for (std::int32_t x = 0; x < shape.width; ++x) {
            w.U8(static_cast<std::uint8_t>(x + y + 1));
            w.U8(static_cast<std::uint8_t>(y));
            w.U8(static_cast<std::uint8_t>(x));
        }
        w.Zeros(stride - shape.width * 3);
    }
    ByteBuffer bytes = w.Take();
    bytes.resize(bytes.size() - shape.drop_tail);
    return bytes;
}

std::int32_t Load(const ByteBuffer& bytes, RasterImage& image) {
    const std::string path = test::TestPath("input.bmp");
    test::WriteBytes(path, bytes);
    return LoadPicture(path, image);
}

TEST(BmpReader, EveryHeaderKindGivesTheSameTopRowFirstImage) {
    const BmpShape kinds[] = {
        {},                                          // bottom-up information header
        {.top_down = true},                          // negative height
        {.header_size = 12},                         // OS/2 core header
        {.compression = 3},                          // bit fields, read as plain rows
        {.header_size = 124},                        // V5 header
        {.type = "BA"},
    };
    for (const BmpShape& shape : kinds) {
        RasterImage image;
        ASSERT_EQ(Load(BuildBmp(shape), image), 1) << shape.header_size << " " << shape.compression;
        ExpectPattern(image, 3, 2);
    }
    // What the writer makes reads back unchanged, padding skipped.
    RasterImage image;
    ASSERT_EQ(Load(WriteImage(5, 3), image), 1);
    ExpectPattern(image, 5, 3);
}

TEST(BmpReader, RefusesOtherDepthsCompressionsAndBrokenFiles) {
    const BmpShape refused[] = {
        {.bits = 8},  {.bits = 32}, {.bits = 16},     {.compression = 1},
        {.compression = 2}, {.compression = 4}, {.header_size = 12, .bits = 8}, {.type = "BX"},
    };
    for (const BmpShape& shape : refused) {
        RasterImage image;
        EXPECT_EQ(Load(BuildBmp(shape), image), -3) << shape.bits << " " << shape.compression;
        EXPECT_TRUE(image.empty());
    }
    // Rows that end early fail while reading.
    RasterImage image;
    EXPECT_EQ(Load(BuildBmp({.drop_tail = 5}), image), -3);
    EXPECT_TRUE(image.empty());

    // A header block too short for the fields it announces is refused, not read past.
    ByteBuffer short_block = BuildBmp({});
    short_block[10] = 14 + 8;
    EXPECT_EQ(Load(short_block, image), -3);
    // So is a pixel offset inside the file header or past the end of the file.
    short_block[10] = 3;
    EXPECT_EQ(Load(short_block, image), -3);
    short_block[10] = 0;
    short_block[12] = 0x10;
    EXPECT_EQ(Load(short_block, image), -3);
    EXPECT_TRUE(test::PixstoreFiles().empty());
}

}  // namespace
}  // namespace icoforge
