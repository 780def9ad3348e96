#include <gtest/gtest.h>

#include "common/byte_writer.h"
#include "iconextract/ico_reader.h"
#include "tests/support/temp_folder.h"
#include "platform/file_io.h"
#include "tests/support/ico_builder.h"

namespace icoforge {
namespace {

using testing::MakeDibImage;
using testing::MakeIcoFile;
using testing::MakePngImage;

TEST(IcoReader, ReadsEveryImageVerbatimFromItsOwnHeader) {
    const ByteBuffer a = MakeDibImage({.width = 16, .height = 16, .bit_count = 1});
    const ByteBuffer b = MakeDibImage({.width = 48, .height = 48, .bit_count = 32});
    const ByteBuffer c = MakePngImage(256, 256);
    const auto group = ReadIcoBytes(MakeIcoFile({a, b, c}), "in.ico");
    ASSERT_TRUE(group);
    EXPECT_EQ(group->source_name, "in.ico");
    EXPECT_EQ(group->module_path, "");
    ASSERT_EQ(group->image_count(), 3u);
    EXPECT_EQ(group->images[0].data, a);
    EXPECT_EQ(group->images[1].data, b);
    EXPECT_EQ(group->images[2].data, c);
    // The directory says 0xEE everywhere; the images' own headers decide.
    EXPECT_EQ(group->images[0].width, 16);
    EXPECT_EQ(group->images[1].height, 48);
    EXPECT_EQ(group->images[1].colour_depth, 32u);
    EXPECT_EQ(group->images[2].encoding, ImageEncoding::Png);
}

TEST(IcoReader, CountZeroGivesAnEmptyGroup) {
    const auto group = ReadIcoBytes(MakeIcoFile({}), "empty.ico");
    ASSERT_TRUE(group);
    EXPECT_EQ(group->image_count(), 0u);
}

TEST(IcoReader, RefusesWhatIsNotAWholeIconFile) {
    const ByteBuffer image = MakeDibImage({.width = 16, .height = 16, .bit_count = 4});
    const ByteBuffer good = MakeIcoFile({image, image});
    EXPECT_FALSE(ReadIcoBytes(MakeIcoFile({image}, 2), "cursor"));  // a cursor file
    ByteBuffer reserved = good;
    PutU16At(reserved, 0, 1);
    EXPECT_FALSE(ReadIcoBytes(reserved, "x"));
    // Cut inside the header, inside the directory, inside the last image.
    for (std::size_t size : {std::size_t{0}, std::size_t{5}, std::size_t{6 + 16 + 8}, good.size() - 1})
        EXPECT_FALSE(ReadIcoBytes(ByteView(good).first(size), "x")) << size;
    // An image offset or size pointing past the end, including sums that would wrap.
    ByteBuffer past = good;
    PutU32At(past, 6 + 16 + 12, static_cast<std::uint32_t>(good.size()));
    EXPECT_FALSE(ReadIcoBytes(past, "x"));
    ByteBuffer wrap = good;
    PutU32At(wrap, 6 + 8, 0xFFFFFFFF);
    PutU32At(wrap, 6 + 12, 0xFFFFFFF0);
    EXPECT_FALSE(ReadIcoBytes(wrap, "x"));
}

TEST(IcoReader, SameImageNamedManyTimesIsReadEachTime) {
    const ByteBuffer image = MakeDibImage({.width = 16, .height = 16, .bit_count = 4});
    ByteBuffer file = MakeIcoFile({image, image, image});
    for (int i = 1; i < 3; ++i) PutU32At(file, 6 + 16 * i + 12, 6 + 16 * 3);
    const auto group = ReadIcoBytes(file, "x");
    ASSERT_TRUE(group);
    EXPECT_EQ(group->images[2].data, image);
}

TEST(IcoReader, ReadsFromDiskAndFailsOnMissingFile) {
    testing::TempFolder folder;
    const ByteBuffer image = MakeDibImage({.width = 32, .height = 32, .bit_count = 8});
    ASSERT_TRUE(WriteWholeFile(folder.File("a.ico"), MakeIcoFile({image})));
    const auto group = ReadIcoFile(folder.File("a.ico"));
    ASSERT_TRUE(group);
    EXPECT_EQ(group->source_name, folder.File("a.ico"));
    EXPECT_EQ(group->images.at(0).data, image);
    EXPECT_FALSE(ReadIcoFile(folder.File("missing.ico")));
}

}  // namespace
}  // namespace icoforge
