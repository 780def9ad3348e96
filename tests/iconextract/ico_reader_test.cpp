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
    ByteBuffer reserved = good;
    PutU16At(reserved, 0, 1);
    // An image offset or size pointing past the end, including sums that would wrap.
    ByteBuffer past = good;
    PutU32At(past, 6 + 16 + 12, static_cast<std::uint32_t>(good.size()));
    ByteBuffer wrap = good;
    PutU32At(wrap, 6 + 8, 0xFFFFFFFF);
    PutU32At(wrap, 6 + 12, 0xFFFFFFF0);
    const auto cut = [&](std::size_t size) { return ByteBuffer(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(size)); };
    const std::pair<ByteBuffer, const char*> cases[] = {
        {MakeIcoFile({image}, 2), kNotIconFileText},  // a cursor file
        {reserved, kNotIconFileText},
        {cut(0), kNotIconFileText},  // inside the header
        {cut(5), kNotIconFileText},
        {cut(6 + 16 + 8), kImageOutsideFileText},  // inside the directory
        {cut(good.size() - 1), kImageOutsideFileText},  // inside the last image
        {past, kImageOutsideFileText},
        {wrap, kImageOutsideFileText},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const auto group = ReadIcoBytes(cases[i].first, "x.ico");
        ASSERT_FALSE(group) << i;
        EXPECT_EQ(group.error(), (Failure{"read", "x.ico", cases[i].second})) << i;
    }
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
    const auto missing = ReadIcoFile(folder.File("missing.ico"));
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.error().path, folder.File("missing.ico"));
    EXPECT_NE(missing.error().system_error, 0);
}

}  // namespace
}  // namespace icoforge
