#include <gtest/gtest.h>

#include "common/byte_reader.h"
#include "iconextract/icon_group.h"
#include "tests/support/ico_builder.h"

namespace icoforge {
namespace {

using testing::DibShape;
using testing::MakeDibImage;
using testing::MakePngImage;

IconImage Parsed(ByteBuffer data) {
    IconImage image;
    image.data = std::move(data);
    EXPECT_TRUE(ParseIconImage(image));
    return image;
}

TEST(IconImage, FourBitImageLocatesTableAndBitmaps) {
    const IconImage image = Parsed(MakeDibImage({.width = 32, .height = 32, .bit_count = 4}));
    EXPECT_EQ(image.width, 32);
    EXPECT_EQ(image.height, 32);
    EXPECT_EQ(image.colour_depth, 4u);
    EXPECT_EQ(ColourTableEntries(image.data), 16u);
    EXPECT_EQ(XorRowBytes(image.data), 16);
    EXPECT_EQ(image.colour_bits, 40u + 64u);
    EXPECT_EQ(image.mask_bits, image.colour_bits + 512u);
    EXPECT_EQ(image.encoding, ImageEncoding::Dib);
    EXPECT_TRUE(image.complete);
}

TEST(IconImage, ColourTableFollowsClrUsedThenBitCount) {
    EXPECT_EQ(ColourTableEntries(MakeDibImage({.bit_count = 1})), 2u);
    EXPECT_EQ(ColourTableEntries(MakeDibImage({.bit_count = 8})), 256u);
    EXPECT_EQ(ColourTableEntries(MakeDibImage({.bit_count = 24})), 0u);
    EXPECT_EQ(ColourTableEntries(MakeDibImage({.bit_count = 8, .clr_used = 7})), 7u);
    // Only the bit count picks the default, whatever the planes say.
    EXPECT_EQ(ColourTableEntries(MakeDibImage({.width = 8, .height = 8, .planes = 4, .bit_count = 1})), 2u);
    EXPECT_FALSE(ColourTableEntries(ByteBuffer(30, 0)).has_value());
}

TEST(IconImage, RowsArePaddedToWholeWords) {
    EXPECT_EQ(XorRowBytes(MakeDibImage({.width = 1, .height = 1, .bit_count = 1})), 4);
    EXPECT_EQ(XorRowBytes(MakeDibImage({.width = 33, .height = 1, .bit_count = 1})), 8);
    EXPECT_EQ(XorRowBytes(MakeDibImage({.width = 5, .height = 1, .bit_count = 24})), 16);
    EXPECT_EQ(XorRowBytes(MakeDibImage({.width = 3, .height = 1, .planes = 2, .bit_count = 4})), 4);
}

TEST(IconImage, OddStoredHeightIsTruncated) {
    ByteBuffer data = MakeDibImage({.width = 16, .height = 16, .bit_count = 8});
    PutU32At(data, 8, 33);
    EXPECT_EQ(Parsed(data).height, 16);
    PutU32At(data, 8, static_cast<std::uint32_t>(-33));
    EXPECT_EQ(Parsed(data).height, -16);
}

TEST(IconImage, PngTakesSizeFromItsHeaderAndDepth32) {
    const IconImage image = Parsed(MakePngImage(256, 128));
    EXPECT_EQ(image.encoding, ImageEncoding::Png);
    EXPECT_EQ(image.width, 256);
    EXPECT_EQ(image.height, 128);
    EXPECT_EQ(image.colour_depth, 32u);
    EXPECT_FALSE(image.complete);
}

TEST(IconImage, ShortOrUnusualImagesAreNeverComplete) {
    const ByteBuffer whole = MakeDibImage({.width = 16, .height = 16, .bit_count = 4});
    // Missing the last mask byte.
    EXPECT_FALSE(Parsed(ByteBuffer(whole.begin(), whole.end() - 1)).complete);
    // Header only, and less than a header: what can be read is read, nothing else.
    const IconImage header_only = Parsed(ByteBuffer(whole.begin(), whole.begin() + 40));
    EXPECT_EQ(header_only.width, 16);
    EXPECT_FALSE(header_only.complete);
    const IconImage stub = Parsed(ByteBuffer(whole.begin(), whole.begin() + 10));
    EXPECT_EQ(stub.width, 16);
    EXPECT_EQ(stub.height, 0);
    EXPECT_EQ(stub.colour_depth, 0u);
    EXPECT_FALSE(Parsed(ByteBuffer{}).complete);
    // A header that is not 40 bytes, even with plenty of data behind it.
    ByteBuffer v5 = MakeDibImage({.width = 16, .height = 16, .bit_count = 4, .header_size = 124});
    v5.resize(v5.size() + 200);
    EXPECT_FALSE(Parsed(v5).complete);
    // Sizes so large that the bitmaps' extent overflows.
    ByteBuffer many_colours = MakeDibImage({.width = 1, .height = 1, .bit_count = 1});
    PutU32At(many_colours, 32, 0xFFFFFFFF);
    EXPECT_FALSE(Parsed(many_colours).complete);
    ByteBuffer huge = MakeDibImage({.width = 1, .height = 1, .bit_count = 1});
    PutU32At(huge, 4, 0x7FFFFFFF);
    PutU32At(huge, 8, 0x7FFFFFFE);
    PutU16At(huge, 14, 0xFFFF);
    EXPECT_FALSE(Parsed(huge).complete);
    ByteBuffer negative = MakeDibImage({.width = 8, .height = 8, .bit_count = 8});
    PutU32At(negative, 4, static_cast<std::uint32_t>(-8));
    EXPECT_FALSE(Parsed(negative).complete);
}

}  // namespace
}  // namespace icoforge
