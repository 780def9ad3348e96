#include <gtest/gtest.h>

#include "common/byte_reader.h"
#include "common/byte_writer.h"
#include "iconextract/ico_reader.h"
#include "iconextract/icon_writers.h"
#include "platform/clipboard.h"
#include "tests/support/failure_checks.h"
#include "tests/support/host.h"
#include "tests/support/temp_folder.h"
#include "platform/file_io.h"
#include "tests/support/ico_builder.h"

namespace icoforge {
namespace {

using testing::DibShape;
using testing::MakeDibImage;
using testing::MakePngImage;

IconImage ImageOf(ByteBuffer data) {
    IconImage image;
    image.data = std::move(data);
    ParseIconImage(image);
    return image;
}

IconGroup GroupOf(std::vector<ByteBuffer> images) {
    IconGroup group;
    for (auto& data : images) group.images.push_back(ImageOf(std::move(data)));
    return group;
}

std::uint32_t U32(const ByteBuffer& bytes, std::uint64_t offset) { return ReadU32(bytes, offset).value(); }

TEST(IcoWriter, ImagesFollowTheDirectoryWithoutGaps) {
    IconGroup group = GroupOf({ByteBuffer(200, 1), ByteBuffer(300, 2), ByteBuffer(500, 3)});
    const auto bytes = IcoFileBytes(group);
    ASSERT_TRUE(bytes);
    ASSERT_EQ(bytes->size(), 1054u);
    EXPECT_EQ(ReadU16(*bytes, 0), 0);
    EXPECT_EQ(ReadU16(*bytes, 2), 1);
    EXPECT_EQ(ReadU16(*bytes, 4), 3);
    const std::uint32_t sizes[] = {200, 300, 500};
    const std::uint32_t offsets[] = {54, 254, 554};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(U32(*bytes, 6 + 16 * i + 8), sizes[i]);
        EXPECT_EQ(U32(*bytes, 6 + 16 * i + 12), offsets[i]);
        EXPECT_EQ((*bytes)[offsets[i]], i + 1);
    }
}

TEST(IcoWriter, DirectoryEntriesComeFromTheImageHeaders) {
    const IconGroup group = GroupOf({
        MakeDibImage({.width = 16, .height = 16, .bit_count = 1}),
        MakeDibImage({.width = 32, .height = 32, .bit_count = 4}),
        MakeDibImage({.width = 48, .height = 48, .bit_count = 8}),
        MakeDibImage({.width = 256, .height = 256, .bit_count = 32}),
        MakeDibImage({.width = 4, .height = 4, .planes = 2, .bit_count = 2}),
    });
    const auto bytes = IcoFileBytes(group).value();
    struct Expected { std::uint8_t width, height, colours; std::uint16_t planes, bits; };
    const Expected expected[] = {{16, 16, 2, 1, 1}, {32, 32, 16, 1, 4}, {48, 48, 0, 1, 8}, {0, 0, 0, 1, 32},
                                 {4, 4, 16, 2, 2}};
    for (int i = 0; i < 5; ++i) {
        const std::size_t e = 6 + 16 * i;
        EXPECT_EQ(bytes[e], expected[i].width) << i;
        EXPECT_EQ(bytes[e + 1], expected[i].height) << i;
        EXPECT_EQ(bytes[e + 2], expected[i].colours) << i;
        EXPECT_EQ(bytes[e + 3], 0) << i;
        EXPECT_EQ(ReadU16(bytes, e + 4), expected[i].planes) << i;
        EXPECT_EQ(ReadU16(bytes, e + 6), expected[i].bits) << i;
    }
}

TEST(IcoWriter, SizeImageIsZeroedInTheFileOnlyForWholeDibs) {
    IconGroup group = GroupOf({MakeDibImage({.width = 16, .height = 16, .bit_count = 4, .size_image = 0x1234}),
                               MakePngImage(256, 256),
                               MakeDibImage({.width = 16, .height = 16, .bit_count = 4, .size_image = 0x5678,
                                             .header_size = 108})});
    group.images.push_back(ImageOf(ByteBuffer(30, 0x77)));
    const auto bytes = IcoFileBytes(group).value();
    const std::uint32_t first = U32(bytes, 6 + 12);
    EXPECT_EQ(U32(bytes, first + 20), 0u);
    EXPECT_EQ(U32(group.images[0].data, 20), 0x1234u);  // the group keeps its value
    // The PNG, the unusual header and the stub go out exactly as they came in.
    for (std::size_t i = 1; i < 4; ++i) {
        const std::uint32_t at = U32(bytes, 6 + 16 * i + 12);
        EXPECT_EQ(ByteBuffer(bytes.begin() + at, bytes.begin() + at + group.images[i].data.size()),
                  group.images[i].data) << i;
    }
}

TEST(IcoWriter, PngEntryTakesItsSizeFromIhdr) {
    const auto bytes = IcoFileBytes(GroupOf({MakePngImage(256, 256), MakePngImage(64, 48)})).value();
    const std::uint8_t expected[2][4] = {{0, 0, 0, 0}, {64, 48, 0, 0}};
    for (int i = 0; i < 2; ++i) {
        const std::size_t e = 6 + 16 * i;
        EXPECT_EQ(ByteBuffer(bytes.begin() + e, bytes.begin() + e + 4),
                  ByteBuffer(expected[i], expected[i] + 4));
        EXPECT_EQ(ReadU16(bytes, e + 4), 1);
        EXPECT_EQ(ReadU16(bytes, e + 6), 32);
    }
}

TEST(IcoWriter, EmptyGroupIsTheHeaderAlone) {
    EXPECT_EQ(IcoFileBytes(IconGroup{}), (ByteBuffer{0, 0, 1, 0, 0, 0}));
}

TEST(IcoWriter, ReplacesAnExistingFileAndReadsBackTheSame) {
    testing::TempFolder folder;
    const std::string path = folder.File("out.ico");
    ASSERT_TRUE(WriteWholeFile(path, ByteBuffer(5000, 0xAB)));
    const IconGroup group = GroupOf({MakeDibImage({.width = 32, .height = 32, .bit_count = 8})});
    ASSERT_TRUE(WriteIcoFile(group, path));
    const auto written = ReadWholeFile(path);
    ASSERT_TRUE(written);
    EXPECT_EQ(*written, IcoFileBytes(group));
    const auto again = ReadIcoFile(path);
    ASSERT_TRUE(again);
    EXPECT_EQ(again->images.at(0).data, group.images[0].data);
    const auto unwritable = WriteIcoFile(group, folder.File("no/such/folder/out.ico"));
    ASSERT_FALSE(unwritable);
    EXPECT_EQ(unwritable.error().path, folder.File("no/such/folder/out.ico"));
    EXPECT_NE(unwritable.error().system_error, 0);
}

TEST(BmpWriter, WritesHeaderTableAndColourRowsOnly) {
    const IconImage image = ImageOf(MakeDibImage({.width = 32, .height = 32, .bit_count = 4, .size_image = 99}));
    const auto bytes = BmpFileBytes(image);
    ASSERT_TRUE(bytes);
    ASSERT_EQ(bytes->size(), 630u);
    EXPECT_EQ(ReadU16(*bytes, 0), 0x4D42);
    EXPECT_EQ(U32(*bytes, 2), 630u);
    EXPECT_EQ(U32(*bytes, 6), 0u);
    EXPECT_EQ(U32(*bytes, 10), 118u);
    EXPECT_EQ(U32(*bytes, 14 + 8), 32u);  // the icon's height, not the stored 64
    EXPECT_EQ(U32(*bytes, 14 + 20), 99u);  // biSizeImage as stored
    EXPECT_TRUE(std::equal(bytes->begin() + 14 + 12, bytes->end(), image.data.begin() + 12));
    EXPECT_EQ(U32(image.data, 8), 64u);

    testing::TempFolder folder;
    ASSERT_TRUE(WriteBmpFile(folder.File("a.bmp"), image));
    EXPECT_EQ(ReadWholeFile(folder.File("a.bmp")), bytes);
}

TEST(BmpWriter, RefusesPngAndIncompleteImages) {
    testing::TempFolder folder;
    const ByteBuffer whole = MakeDibImage({.width = 16, .height = 16, .bit_count = 8});
    for (const ByteBuffer& data : {MakePngImage(256, 256), ByteBuffer(whole.begin(), whole.end() - 1),
                                   MakeDibImage({.width = 16, .height = 16, .bit_count = 8, .header_size = 12}),
                                   ByteBuffer{}}) {
        const IconImage image = ImageOf(data);
        EXPECT_EQ(testing::ReasonOf(BmpFileBytes(image)), kNotWholeBitmapText);
        EXPECT_EQ(WriteBmpFile(folder.File("x.bmp"), image),
                  Result<>(Fail("write", folder.File("x.bmp"), kNotWholeBitmapText)));
        EXPECT_FALSE(FileExists(folder.File("x.bmp")));
        EXPECT_EQ(testing::ReasonOf(ClipboardDib(image)), kNotWholeBitmapText);
        EXPECT_EQ(CopyImageToClipboard(image), Result<>(Fail(kCopyToClipboardStep, "", kNotWholeBitmapText)));
    }
}

TEST(Clipboard, HoldsTheWholeImageWithTheIconsHeight) {
    const IconImage image = ImageOf(MakeDibImage({.width = 32, .height = 32, .bit_count = 4}));
    const auto block = ClipboardDib(image);
    ASSERT_TRUE(block);
    EXPECT_EQ(block->size(), image.data.size());
    EXPECT_EQ(U32(*block, 8), 32u);
    if (!CopyImageToClipboard(image)) {
        ASSERT_TRUE(testing::kClipboardMayBeRefused) << "the clipboard refused a whole image";
        GTEST_SKIP() << "Windows refused its clipboard to this session";
    }
    const auto placed = ReadClipboardDib();
    ASSERT_TRUE(placed);
    ASSERT_GE(placed->size(), block->size());
    EXPECT_TRUE(std::equal(block->begin(), block->end(), placed->begin()));
}

}  // namespace
}  // namespace icoforge
