#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <memory>
#include <vector>

#include "common/path.h"
#include "imageconv/mapped_buffer.h"
#include "imageconv/raster_image.h"
#include "picture_test_util.h"

namespace icoforge {
namespace {

using test::PixstoreFiles;

TEST(RasterImage, CreateRefusesWhatItCannotHold) {
    RasterImage image;
    constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
    EXPECT_FALSE(image.Create(0, 5, 24, 0));
    EXPECT_FALSE(image.Create(5, -1, 24, 0));
    EXPECT_FALSE(image.Create(5, 5, 12, 0));
    EXPECT_FALSE(image.Create(5, 5, 8, -1));
    EXPECT_FALSE(image.Create(5, 5, 8, 257));
    // 2^31 x 2^31 x 4 bytes wraps a 64-bit size; it must be refused, not wrapped.
    EXPECT_FALSE(image.Create(kMax, kMax, 32, 0));
    EXPECT_TRUE(image.empty());
    EXPECT_TRUE(PixstoreFiles().empty());
}

TEST(RasterImage, CreateGivesZeroedRowsWithoutPaddingAndReleaseRemovesTheFile) {
    RasterImage image;
    ASSERT_TRUE(image.Create(3, 2, 16, 5));
    EXPECT_EQ(image.palette_size(), 0);  // only 8-bit images keep a palette
    EXPECT_EQ(image.stride(), 6u);
    EXPECT_EQ(image.pixels().size(), 12u);
    for (std::uint8_t b : image.pixels()) EXPECT_EQ(b, 0);
    EXPECT_TRUE(image.Row(2).empty());
    ASSERT_EQ(PixstoreFiles().size(), 1u);

    ASSERT_TRUE(image.Create(3, 2, 8, 4));  // a second Create replaces the first block
    EXPECT_EQ(image.palette_size(), 4);
    EXPECT_EQ(PixstoreFiles().size(), 1u);
    image.Release();
    EXPECT_TRUE(image.empty());
    EXPECT_EQ(image.width(), 0);
    EXPECT_TRUE(PixstoreFiles().empty());
}

using Row = std::vector<std::uint8_t>;

// The first row converted to 24 bits, three bytes a pixel.
Row RowAfterConversion(RasterImage& image) {
    RasterImage out;
    EXPECT_TRUE(image.ConvertTo(out, 24));
    const ByteView row = out.Row(0);
    return {row.begin(), row.end()};
}

TEST(RasterImage, ConvertsPaletteAndGreyTo24Bits) {
    RasterImage palette;
    ASSERT_TRUE(palette.Create(3, 1, 8, 2));
    palette.palette()[0] = {1, 2, 3};
    palette.palette()[1] = {200, 100, 50};
    const std::uint8_t indices[] = {1, 0, 7};  // 7 lies past the two entries
    std::copy(std::begin(indices), std::end(indices), palette.Row(0).begin());
    EXPECT_EQ(RowAfterConversion(palette), (Row{200, 100, 50, 1, 2, 3, 0, 0, 0}));

    RasterImage grey;
    ASSERT_TRUE(grey.Create(2, 1, 8, 0));
    grey.Row(0)[1] = 0x9A;
    EXPECT_EQ(RowAfterConversion(grey), (Row{0, 0, 0, 0x9A, 0x9A, 0x9A}));
}

TEST(RasterImage, Converts16BitWordsByTheirFiveBitFields) {
    RasterImage image;
    ASSERT_TRUE(image.Create(3, 1, 16, 0));
    // Little-endian words: all fields full; red only; bit 0 alone (unused) plus blue low bit.
    const std::uint8_t words[] = {0xFF, 0xFF, 0x00, 0xF8, 0x03, 0x00};
    std::copy(std::begin(words), std::end(words), image.Row(0).begin());
    EXPECT_EQ(RowAfterConversion(image), (Row{0xF8, 0xF8, 0xF8, 0xF8, 0x00, 0x00, 0x00, 0x00, 0x08}));
}

TEST(RasterImage, Converts32BitsByDroppingTheLeadingAlpha) {
    RasterImage image;
    ASSERT_TRUE(image.Create(2, 1, 32, 0));
    const std::uint8_t argb[] = {0x00, 10, 20, 30, 0x80, 40, 50, 60};
    std::copy(std::begin(argb), std::end(argb), image.Row(0).begin());
    // Fully transparent keeps its stored colour.
    EXPECT_EQ(RowAfterConversion(image), (Row{10, 20, 30, 40, 50, 60}));

    RasterImage not24;
    EXPECT_FALSE(image.ConvertTo(not24, 32));
    RasterImage empty;
    EXPECT_FALSE(empty.ConvertTo(not24, 24));
}

TEST(MappedBuffer, RefusesEmptyRequestsAndNumbersNamesFromZero) {
    MappedBuffer buffer;
    EXPECT_FALSE(buffer.Allocate(0, kPixelStorePrefix));
    EXPECT_FALSE(buffer.Allocate(16, ""));

    // A name in use, whatever it is, is skipped; freed numbers are used again.
    test::WriteBytes(test::TestPath("PIXSTORE0.tmp"), ByteBuffer{1});
    ASSERT_TRUE(buffer.Allocate(16, kPixelStorePrefix));
    EXPECT_EQ(buffer.path(), test::TestPath("PIXSTORE1.tmp"));
    MappedBuffer second;
    ASSERT_TRUE(second.Allocate(16, kPixelStorePrefix));
    EXPECT_EQ(second.path(), test::TestPath("PIXSTORE2.tmp"));
    buffer.Release(true);
    EXPECT_EQ(MakeTempFileName(kPixelStorePrefix), test::TestPath("PIXSTORE1.tmp"));
    std::filesystem::remove(PathFromUtf8(test::TestPath("PIXSTORE0.tmp")));
    second.Release(false);  // kept on request
    EXPECT_EQ(PixstoreFiles(), std::vector<std::string>{"PIXSTORE2.tmp"});
    std::filesystem::remove(PathFromUtf8(test::TestPath("PIXSTORE2.tmp")));
}

// Another process may create the name this one found free before this one does. Its
// file must then be refused, not opened again, or each draws into the other's pixels:
// whether it is already mapped or only just created (held open, not yet mapped).
TEST(MappedBuffer, AFileAnotherHoldsIsNeverTakenOver) {
    MappedBuffer mapped;
    ASSERT_TRUE(mapped.Allocate(8, kPixelStorePrefix));
    std::ranges::fill(mapped.bytes(), std::uint8_t{0xAB});
    MappedBuffer second;
    EXPECT_FALSE(second.Allocate(8, kPixelStorePrefix, mapped.path()));
    EXPECT_TRUE(std::ranges::all_of(mapped.view(), [](std::uint8_t b) { return b == 0xAB; }));

    const std::string created = test::TestPath("PIXSTORE-held.tmp");
    test::WriteBytes(created, ByteBuffer{1, 2, 3});
    {
        const std::unique_ptr<std::FILE, int (*)(std::FILE*)> held(std::fopen(created.c_str(), "rb+"), &std::fclose);
        ASSERT_NE(held, nullptr);
        MappedBuffer third;
        EXPECT_FALSE(third.Allocate(8, kPixelStorePrefix, created));
    }
    EXPECT_EQ(test::ReadBytes(created), (ByteBuffer{1, 2, 3}));
    std::filesystem::remove(PathFromUtf8(created));
}

TEST(MappedBuffer, PosixFileIsPrivateAndNeverReplacesWhatIsThere) {
    if (test::IsWindows()) GTEST_SKIP() << "Windows keeps its own creation sequence";
    namespace fs = std::filesystem;
    MappedBuffer buffer;
    ASSERT_TRUE(buffer.Allocate(8, kPixelStorePrefix));
    const auto perms = fs::status(PathFromUtf8(buffer.path())).permissions();
    EXPECT_EQ(perms & (fs::perms::group_all | fs::perms::others_all), fs::perms::none);

    // A link at an explicit path is neither followed nor removed.
    const std::string target = test::TestPath("victim");
    const std::string link = test::TestPath("PIXSTORE-link.tmp");
    test::WriteBytes(target, ByteBuffer{7, 7});
    fs::create_symlink(PathFromUtf8(target), PathFromUtf8(link));
    MappedBuffer other;
    EXPECT_FALSE(other.Allocate(8, kPixelStorePrefix, link));
    EXPECT_TRUE(fs::is_symlink(fs::symlink_status(PathFromUtf8(link))));
    EXPECT_EQ(test::ReadBytes(target), (ByteBuffer{7, 7}));
    fs::remove(PathFromUtf8(link));
    fs::remove(PathFromUtf8(target));
}

}  // namespace
}  // namespace icoforge
