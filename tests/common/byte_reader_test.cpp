#include "common/byte_reader.h"

#include <gtest/gtest.h>

#include <limits>

#include "common/byte_writer.h"

namespace icoforge {
namespace {

TEST(RangeFits, BothSidesOfTheEndAndWrapAround) {
    EXPECT_TRUE(RangeFits(0, 10, 10));
    EXPECT_TRUE(RangeFits(10, 0, 10));
    EXPECT_FALSE(RangeFits(10, 1, 10));
    EXPECT_FALSE(RangeFits(11, 0, 10));
    constexpr auto kMax = std::numeric_limits<std::uint64_t>::max();
    EXPECT_FALSE(RangeFits(kMax, 2, 10));
    EXPECT_FALSE(RangeFits(2, kMax, 10));
}

TEST(ReadAt, LittleEndianAndNothingPastTheEnd) {
    const ByteBuffer bytes{0x01, 0x02, 0x03, 0x04, 0x05};
    EXPECT_EQ(ReadU16(bytes, 0), 0x0201);
    EXPECT_EQ(ReadU32(bytes, 1), 0x05040302u);
    EXPECT_EQ(ReadU32(bytes, 2), std::nullopt);
    EXPECT_EQ(ReadU8(bytes, 5), std::nullopt);
    EXPECT_EQ(ReadI16(ByteBuffer{0xFE, 0xFF}, 0), -2);
    EXPECT_EQ(ReadU64(bytes, std::numeric_limits<std::uint64_t>::max() - 2), std::nullopt);
}

TEST(ByteReader, FailsOnceAndStaysFailed) {
    const ByteBuffer bytes{0xAA, 0xBB, 0xCC};
    ByteReader reader(bytes);
    EXPECT_EQ(reader.U16(), 0xBBAA);
    EXPECT_EQ(reader.U16(), std::nullopt);  // one byte left: no invented zero
    EXPECT_FALSE(reader.ok());
    EXPECT_EQ(reader.U8(), std::nullopt);  // the byte that is there is not read either
    EXPECT_EQ(reader.remaining(), 0u);
}

TEST(ByteReader, BytesAndSeekStayInside) {
    const ByteBuffer bytes{1, 2, 3, 4};
    ByteReader reader(bytes);
    auto view = reader.Bytes(3);
    ASSERT_TRUE(view);
    EXPECT_EQ((*view)[2], 3);
    EXPECT_TRUE(reader.Seek(4));
    EXPECT_EQ(reader.remaining(), 0u);
    EXPECT_FALSE(reader.Seek(5));
    EXPECT_FALSE(ByteReader(bytes, 5).ok());
}

TEST(SliceOf, ValidatedSubViews) {
    const ByteBuffer bytes{1, 2, 3, 4};
    EXPECT_TRUE(SliceOf(bytes, 4, 0).ok);
    EXPECT_FALSE(SliceOf(bytes, 3, 2).ok);
    auto sub = SliceOf(bytes, 1, 2);
    ASSERT_TRUE(sub.ok);
    EXPECT_EQ(sub.bytes.size(), 2u);
    EXPECT_EQ(sub.bytes[0], 2);
}

TEST(ByteWriter, AppendsAndPatches) {
    ByteWriter writer;
    writer.U16(0x0102);
    writer.U32(0xA0B0C0D0);
    writer.I32(-1);
    ByteBuffer out = writer.Take();
    EXPECT_EQ(out, (ByteBuffer{0x02, 0x01, 0xD0, 0xC0, 0xB0, 0xA0, 0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_TRUE(PutU32At(out, 6, 0x11223344));
    EXPECT_EQ(ReadU32(out, 6), 0x11223344u);
    EXPECT_FALSE(PutU32At(out, 7, 0));
    EXPECT_FALSE(PutU16At(out, 9, 0));
    EXPECT_EQ(out[9], 0x11);
}

}  // namespace
}  // namespace icoforge
