#include "iconbuild/bitmap.h"

#include <gtest/gtest.h>

#include <string>

#include "common/byte_writer.h"
#include "tests/iconbuild/bmp_builder.h"

namespace icoforge {
namespace {

using test::BmpShape;
using test::MakeBmp;

// A colour as a file stores it in a 24/32-bit pixel or a palette entry.
constexpr std::uint32_t FileRgb(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    return (std::uint32_t{r} << 16) | (std::uint32_t{g} << 8) | b;
}

ByteBuffer SmallRgb24() {
    return MakeBmp({.width = 3, .height = 2}, [](int x, int y) { return FileRgb(10 * x, 100 + y, 200); });
}

TEST(BitmapLoad, RefusesEveryUnreadableFileWithTheSameTextAndNoImage) {
    auto with = [](auto edit) {
        ByteBuffer file = SmallRgb24();
        edit(file);
        return file;
    };
    const ByteBuffer good = SmallRgb24();
    struct Case {
        const char* what;
        ByteBuffer file;
    };
    const Case cases[] = {
        {"empty", {}},
        {"53 bytes", ByteBuffer(good.begin(), good.begin() + 53)},
        {"no BM", with([](ByteBuffer& f) { f[1] = 'A'; })},
        {"stated size over the length", with([](ByteBuffer& f) { PutU32At(f, 2, static_cast<std::uint32_t>(f.size() + 1)); })},
        {"header size 124", with([](ByteBuffer& f) { PutU32At(f, 14, 124); })},
        {"header size 0", with([](ByteBuffer& f) { PutU32At(f, 14, 0); })},
        {"bit count 2", with([](ByteBuffer& f) { PutU16At(f, 28, 2); })},
        {"bit count 0", with([](ByteBuffer& f) { PutU16At(f, 28, 0); })},
        {"compressed", with([](ByteBuffer& f) { PutU32At(f, 30, 3); })},
        {"pixel offset at the end", with([](ByteBuffer& f) { PutU32At(f, 10, static_cast<std::uint32_t>(f.size())); })},
        {"pixel offset past the end", with([](ByteBuffer& f) { PutU32At(f, 10, 0xFFFFFFFF); })},
        // Rows are 12 bytes apart: one byte short of two rows.
        {"pixel data short of the rows", ByteBuffer(good.begin(), good.end() - 1)},
        {"colour table past the end", with([](ByteBuffer& f) { PutU32At(f, 46, 0x40000000); })},
        {"headers only", MakeBmp({.width = 1, .height = 1}, ByteBuffer{})},
        // The device copy would hand the system all 1,000,000 rows of 16 bytes.
        {"top-down rows past the data", MakeBmp({.width = 4, .height = -1000000}, ByteBuffer(16, 0))},
        {"top-down, the most rows a header can state", MakeBmp({.width = 1, .height = INT32_MIN}, ByteBuffer(4, 0))},
        {"huge sizes that would overflow", with([](ByteBuffer& f) {
             PutU32At(f, 18, 0x7FFFFFFF);
             PutU32At(f, 22, 0x7FFFFFFF);
             PutU16At(f, 26, 0xFFFF);
             PutU16At(f, 28, 32);
         })},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Bitmap bitmap;
        ASSERT_TRUE(bitmap.LoadData(good));
        EXPECT_FALSE(bitmap.LoadData(c.file));
        EXPECT_EQ(bitmap.LastErrorText(), kUnsupportedBitmapText);
        // A failed load discards the image an earlier load gave.
        EXPECT_EQ(bitmap.GetWidth(), -1);
        EXPECT_EQ(bitmap.LastErrorText(), kNoBitmapText);
    }
}

TEST(BitmapLoad, StatedSizeBelowTheLengthKeepsEveryTrailingByte) {
    ByteBuffer file = SmallRgb24();
    PutU32At(file, 2, 0);
    Bitmap bitmap;
    ASSERT_TRUE(bitmap.LoadData(file));
    EXPECT_TRUE(bitmap.LastErrorText().empty());
    EXPECT_EQ(bitmap.GetPixelColour(2, 1), MakeColour(20, 101, 200));

    // The pixel offset, not the header's end, says where rows start: bytes in between are skipped.
    BmpShape shape{.width = 1, .height = 1, .pixel_offset = 58};
    ByteBuffer gap = MakeBmp(shape, ByteBuffer{9, 9, 9, 9, 1, 2, 3, 0});
    ASSERT_TRUE(bitmap.LoadData(gap));
    EXPECT_EQ(bitmap.GetPixelColour(0, 0), MakeColour(3, 2, 1));
}

TEST(BitmapRead, EveryDepthAndRowOrder) {
    const std::vector<std::uint32_t> palette = {FileRgb(0, 0, 0), FileRgb(255, 0, 0), FileRgb(0, 255, 0),
                                                FileRgb(0, 0, 255)};
    auto index = [](int x, int y) { return static_cast<std::uint32_t>((x + 2 * y) % 4); };
    auto expected_of_index = [&](std::uint32_t i) {
        const std::uint32_t v = palette[i];
        return MakeColour(static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 8),
                          static_cast<std::uint8_t>(v));
    };
    for (const std::uint16_t bits : {std::uint16_t{4}, std::uint16_t{8}}) {
        SCOPED_TRACE(bits);
        Bitmap bitmap;
        ASSERT_TRUE(bitmap.LoadData(MakeBmp({.width = 11, .height = 3, .bit_count = bits, .colours_used = 4,
                                              .palette = palette},
                                             index)));
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 11; ++x) EXPECT_EQ(bitmap.GetPixelColour(x, y), expected_of_index(index(x, y)));
    }

    // 1 bit: the leftmost pixel is the byte's top bit.
    Bitmap mono;
    ASSERT_TRUE(mono.LoadData(MakeBmp({.width = 9, .height = 1, .bit_count = 1, .palette = {0x000000, 0xFFFFFF}},
                                      ByteBuffer{0x80, 0x80, 0, 0})));
    EXPECT_EQ(mono.GetPixelColour(0, 0), kWhite);
    for (int x = 1; x < 8; ++x) EXPECT_EQ(mono.GetPixelColour(x, 0), 0u);
    EXPECT_EQ(mono.GetPixelColour(8, 0), kWhite);

    // 16 bits: 5-bit components, each times 8; red in the top.
    Bitmap high;
    ASSERT_TRUE(high.LoadData(MakeBmp({.width = 3, .height = 1, .bit_count = 16}, [](int x, int) {
        return std::uint32_t{x == 0 ? 0x7FFFu : x == 1 ? 0x7C00u : 0x0421u};
    })));
    EXPECT_EQ(high.GetPixelColour(0, 0), 0x00F8F8F8u);
    EXPECT_EQ(high.GetPixelColour(1, 0), MakeColour(0xF8, 0, 0));
    EXPECT_EQ(high.GetPixelColour(2, 0), MakeColour(8, 8, 8));

    // 32 bits: the fourth byte is ignored.
    Bitmap full;
    ASSERT_TRUE(full.LoadData(MakeBmp({.width = 1, .height = 1, .bit_count = 32}, ByteBuffer{0x10, 0x20, 0x30, 0xFF})));
    EXPECT_EQ(full.GetPixelColour(0, 0), 0x00102030u);

    // 24 bits, row 0 is the top, the last row in the file.
    Bitmap rgb;
    ASSERT_TRUE(rgb.LoadData(SmallRgb24()));
    EXPECT_EQ(rgb.GetWidth(), 3);
    EXPECT_EQ(rgb.GetHeight(), 2);
    EXPECT_EQ(rgb.GetPixelColour(0, 0), MakeColour(0, 100, 200));
    EXPECT_EQ(rgb.GetPixelColour(2, 1), MakeColour(20, 101, 200));
}

TEST(BitmapRead, ColourTableSizeAndHeaderForms) {
    // Colours used = 16 in an 8-bit file: a 16-entry table, and the pixels right after it.
    std::vector<std::uint32_t> sixteen(16);
    for (std::uint32_t i = 0; i < 16; ++i) sixteen[i] = FileRgb(i, 2 * i, 3 * i);
    const BmpShape short_table{.width = 4, .height = 1, .bit_count = 8, .colours_used = 16, .palette = sixteen};
    Bitmap bitmap;
    ASSERT_TRUE(bitmap.LoadData(MakeBmp(short_table, [](int x, int) { return std::uint32_t(5 + x); })));
    EXPECT_EQ(bitmap.GetPixelColour(3, 0), MakeColour(8, 16, 24));

    // The 12-byte header with 3-byte entries reads as the 40-byte one does. (The file must
    // be as long as a table of 4-byte entries would make it.)
    std::vector<std::uint32_t> full(256);
    for (std::uint32_t i = 0; i < 256; ++i) full[i] = FileRgb(255 - i, i, i / 2);
    auto value = [](int x, int y) { return std::uint32_t(17 * x + 50 * y) % 256; };
    Bitmap info;
    Bitmap core;
    ASSERT_TRUE(info.LoadData(MakeBmp({.width = 7, .height = 40, .bit_count = 8, .palette = full}, value)));
    ASSERT_TRUE(core.LoadData(MakeBmp({.width = 7, .height = 40, .bit_count = 8, .core_header = true, .palette = full}, value)));
    EXPECT_EQ(core.GetWidth(), 7);
    EXPECT_EQ(core.GetHeight(), 40);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 7; ++x) EXPECT_EQ(core.GetPixelColour(x, y), info.GetPixelColour(x, y));

    // A 12-byte header's width and height are unsigned 16-bit.
    BmpShape wide{.width = 40000, .height = 1, .bit_count = 1, .core_header = true, .palette = {0, 0xFFFFFF}};
    ASSERT_TRUE(core.LoadData(MakeBmp(wide, ByteBuffer(5000, 0))));
    EXPECT_EQ(core.GetWidth(), 40000);
}

TEST(BitmapRead, IndexPastTheColourTableIsBlack) {
    const BmpShape shape{.width = 3, .height = 1, .bit_count = 8, .colours_used = 2, .palette = {0xFFFFFF, 0x00FF00}};
    Bitmap bitmap;
    // The table's two entries are followed by pixel bytes; index 2 must not reach them.
    ASSERT_TRUE(bitmap.LoadData(MakeBmp(shape, ByteBuffer{1, 2, 255, 0xEE})));
    EXPECT_EQ(bitmap.GetPixelColour(0, 0), MakeColour(0, 255, 0));
    EXPECT_EQ(bitmap.GetPixelColour(1, 0), 0u);
    EXPECT_EQ(bitmap.GetPixelColour(2, 0), 0u);
    EXPECT_TRUE(bitmap.LastErrorText().empty());
}

TEST(BitmapRead, PlanesWidenTheRow) {
    // Two planes of 8 bits: 2 × 3 = 6 bytes of row data, rounded to 8.
    Bitmap bitmap;
    ASSERT_TRUE(bitmap.LoadData(MakeBmp({.width = 3, .height = 2, .bit_count = 8, .planes = 2, .colours_used = 2, .palette = {0, 0xFFFFFF}},
                                        ByteBuffer{0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0})));
    EXPECT_EQ(bitmap.GetPixelColour(0, 0), kWhite);
    EXPECT_EQ(bitmap.GetPixelColour(0, 1), 0u);

    // No planes: every row lies at the same place; the pixels must still be there.
    BmpShape flat{.width = 4, .height = 100, .bit_count = 24, .planes = 0};
    ASSERT_TRUE(bitmap.LoadData(MakeBmp(flat, ByteBuffer(12, 0x7F))));
    EXPECT_EQ(bitmap.GetPixelColour(3, 99), 0x007F7F7Fu);
    EXPECT_FALSE(bitmap.LoadData(MakeBmp(flat, ByteBuffer(11, 0x7F))));
}

TEST(BitmapRead, FailuresAndTheirTexts) {
    Bitmap bitmap;
    EXPECT_EQ(bitmap.GetWidth(), -1);
    EXPECT_EQ(bitmap.LastErrorText(), kNoBitmapText);
    EXPECT_EQ(bitmap.GetHeight(), -1);
    EXPECT_EQ(bitmap.GetPixelColour(0, 0), 0u);
    EXPECT_EQ(bitmap.LastErrorText(), kNoBitmapText);

    ASSERT_TRUE(bitmap.LoadData(SmallRgb24()));
    EXPECT_TRUE(bitmap.LastErrorText().empty());
    for (const auto& [x, y] : {std::pair{3, 0}, {0, 2}, {-1, 0}, {0, -1}, {INT32_MIN, INT32_MAX}}) {
        EXPECT_EQ(bitmap.GetPixelColour(x, y), 0u);
        EXPECT_EQ(bitmap.LastErrorText(), kPixelOutOfRangeText);
    }
    EXPECT_NE(bitmap.GetPixelColour(0, 0), 0u);
    EXPECT_TRUE(bitmap.LastErrorText().empty());

    // A top-down bitmap loads, but no pixel of it is inside the picture.
    ASSERT_TRUE(bitmap.LoadData(MakeBmp({.width = 2, .height = -2}, ByteBuffer(16, 0x11))));
    EXPECT_EQ(bitmap.GetHeight(), -2);
    EXPECT_EQ(bitmap.GetPixelColour(0, 0), 0u);
    EXPECT_EQ(bitmap.LastErrorText(), kPixelOutOfRangeText);

    // The smallest width a header can state must not wrap when the last column is worked out.
    ASSERT_TRUE(bitmap.LoadData(MakeBmp({.width = INT32_MIN, .height = 1}, ByteBuffer(4, 0))));
    EXPECT_EQ(bitmap.GetPixelColour(0, 0), 0u);
}

TEST(CDIBException, KeepsAtMost255BytesAndWholeCharacters) {
    const std::string long_text(300, 'x');
    EXPECT_EQ(std::string(CDIBException(long_text).what()), long_text.substr(0, 255));
    // 85 three-byte characters fill exactly 255 bytes; one more must go whole.
    std::string chinese;
    for (int i = 0; i < 86; ++i) chinese += "像";
    EXPECT_EQ(std::string(CDIBException(chinese).what()).size(), 255u);
    std::string shifted = "x" + chinese;
    EXPECT_EQ(std::string(CDIBException(shifted).what()).size(), 253u);
}

// GetPixelColour reaches ReadPixel through its virtual slot, so a derived bitmap can
// supply pixels of its own, and its failures are caught at the same boundary.
class GreyBitmap : public Bitmap {
protected:
    ColourValue ReadPixel(std::int32_t x, std::int32_t y) const override {
        if (x < 0) throw CDIBException("negative");
        return MakeColour(static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y));
    }
};

TEST(BitmapSlots, ReadPixelIsOverridableAndBoundsAndDeviceCopyFollowTheImage) {
    GreyBitmap grey;
    EXPECT_EQ(grey.GetPixelColour(7, 9), MakeColour(7, 7, 9));
    EXPECT_EQ(grey.GetPixelColour(-1, 0), 0u);
    EXPECT_EQ(grey.LastErrorText(), "negative");

    Bitmap bitmap;
    EXPECT_EQ(bitmap.Bounds().right, 0);
    EXPECT_FALSE(bitmap.CreateDeviceCopy(nullptr).valid());
    EXPECT_EQ(bitmap.LastErrorText(), kNoBitmapText);

    const ByteBuffer file = MakeBmp({.width = 3, .height = 2, .bit_count = 8, .colours_used = 2, .palette = {0x123456, 0xABCDEF}},
                                    [](int x, int y) { return std::uint32_t((x + y) % 2); });
    ASSERT_TRUE(bitmap.LoadData(file));
    const BoundsRect bounds = bitmap.Bounds();
    EXPECT_EQ(bounds.left, 0);
    EXPECT_EQ(bounds.top, 0);
    EXPECT_EQ(bounds.right, 3);
    EXPECT_EQ(bounds.bottom, 2);

    const DeviceBitmap copy = bitmap.CreateDeviceCopy(nullptr);
    ASSERT_TRUE(copy.valid());
    EXPECT_TRUE(bitmap.LastErrorText().empty());
    EXPECT_EQ(copy.width(), 3);
    EXPECT_EQ(copy.height(), 2);
    if (copy.native_handle() == nullptr) {
        // Without a display device the copy is the packed DIB: header, table, rows.
        const ByteView dib = copy.dib();
        ASSERT_EQ(dib.size(), file.size() - 14);
        EXPECT_TRUE(std::equal(dib.begin(), dib.end(), file.begin() + 14));
    }
}

}  // namespace
}  // namespace icoforge
