#include "iconbuild/icon_builder.h"

#include <gtest/gtest.h>

#include "common/byte_reader.h"
#include "tests/iconbuild/bmp_builder.h"

namespace icoforge {
namespace {

using test::BmpShape;
using test::MakeBmp;

constexpr std::size_t kXorStart = 62;

using Builder = bool (*)(ByteView, ByteBuffer&, std::optional<ColourValue>, bool, std::int32_t, std::int32_t);
struct NamedBuilder {
    const char* name;
    Builder build;
};
const NamedBuilder kBuilders[] = {{"Bitmap", BuildIconFromBitmap}, {"Bytes", BuildIconFromBitmapBytes}};

ByteBuffer Build(Builder build, ByteView bmp, std::optional<ColourValue> transparent = std::nullopt) {
    ByteBuffer icon;
    EXPECT_TRUE(build(bmp, icon, transparent, false, 0, 0));
    return icon;
}

std::uint32_t U32(const ByteBuffer& icon, std::size_t offset) { return ReadU32(icon, offset).value_or(0xDEADBEEF); }
std::uint16_t U16(const ByteBuffer& icon, std::size_t offset) { return ReadU16(icon, offset).value_or(0xDEAD); }

// The mask bit of pixel x in output row r (bottom row first).
bool MaskBit(const ByteBuffer& icon, int width, int height, int x, int r) {
    const std::size_t mask_row = 4 * ((width + 31) / 32);
    const std::size_t mask_start = kXorStart + std::size_t(height) * (3 * width + width % 4);
    return (icon.at(mask_start + r * mask_row + x / 8) >> (7 - x % 8)) & 1;
}

TEST(IconSize, FileAndFieldSizesFollowTheSides) {
    struct Case {
        int width;
        int height;
        std::uint32_t file;
        std::uint32_t xor_size;
        std::uint32_t mask_size;
    };
    const Case cases[] = {
        {5, 3, 122, 48, 12},        {16, 16, 894, 768, 64},        {32, 32, 3262, 3072, 128},
        {64, 64, 12862, 12288, 512}, {128, 128, 51262, 49152, 2048}, {255, 255, 204062, 195840, 8160},
        {17, 2, 62 + 2 * 52 + 8, 104, 8}, {33, 1, 62 + 100 + 8, 100, 8},
    };
    for (const auto& [name, build] : kBuilders) {
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message() << name << " " << c.width << "x" << c.height);
            const ByteBuffer icon = Build(build, MakeBmp({.width = c.width, .height = c.height},
                                                         [](int, int) { return 0x102030u; }));
            ASSERT_EQ(icon.size(), c.file);
            EXPECT_EQ(icon[6], c.width & 0xFF);
            EXPECT_EQ(icon[7], c.height & 0xFF);
            EXPECT_EQ(U32(icon, 14), 40 + c.xor_size + c.mask_size);
            EXPECT_EQ(U32(icon, 26), std::uint32_t(c.width));
            EXPECT_EQ(U32(icon, 30), 2u * c.height);
            EXPECT_EQ(U32(icon, 42), c.xor_size);
        }
    }
}

TEST(IconLayout, HeaderFieldsOfAnIconAndACursor) {
    const ByteBuffer bmp = MakeBmp({.width = 32, .height = 32}, [](int, int) { return 0u; });
    const ByteBuffer icon = Build(BuildIconFromBitmap, bmp);
    const std::uint8_t expected_front[] = {
        0, 0, 1, 0, 1, 0,                                    // reserved, icon, one image
        32, 32, 0, 0, 1, 0, 24, 0, 0xA8, 0x0C, 0, 0, 22, 0, 0, 0,  // entry: image size 3240 at 22
        40, 0, 0, 0, 32, 0, 0, 0, 64, 0, 0, 0, 1, 0, 24, 0,  // info header
        0, 0, 0, 0, 0, 0x0C, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    ASSERT_GE(icon.size(), sizeof(expected_front));
    EXPECT_TRUE(std::equal(std::begin(expected_front), std::end(expected_front), icon.begin()));

    for (const auto& [name, build] : kBuilders) {
        SCOPED_TRACE(name);
        ByteBuffer cursor;
        ASSERT_TRUE(build(bmp, cursor, std::nullopt, true, 300, 5));
        EXPECT_EQ(U16(cursor, 2), 2);
        EXPECT_EQ(U16(cursor, 10), 44);  // 300 AND 0xFF
        EXPECT_EQ(U16(cursor, 12), 5);
        EXPECT_EQ(U16(cursor, 34), 1);  // the info header keeps planes and depth
        EXPECT_EQ(U16(cursor, 36), 24);
        ASSERT_TRUE(build(bmp, cursor, std::nullopt, true, -1, 256));
        EXPECT_EQ(U16(cursor, 10), 255);
        EXPECT_EQ(U16(cursor, 12), 0);
        // Without the cursor flag the hot spot is ignored.
        ASSERT_TRUE(build(bmp, cursor, std::nullopt, false, 300, 5));
        EXPECT_EQ(cursor, icon);
    }
}

TEST(IconMask, BitsPaddingAndColourBytes) {
    // One row of 10: only the first and the last pixel white; the rest pure red.
    const ByteBuffer bmp = MakeBmp({.width = 10, .height = 1},
                                   [](int x, int) { return x == 0 || x == 9 ? 0xFFFFFFu : 0xFF0000u; });
    for (const auto& [name, build] : kBuilders) {
        SCOPED_TRACE(name);
        const ByteBuffer icon = Build(build, bmp);
        ASSERT_EQ(icon.size(), kXorStart + 32 + 4);
        const ByteBuffer mask(icon.end() - 4, icon.end());
        EXPECT_EQ(mask, (ByteBuffer{0x80, 0x40, 0x00, 0x00}));
        const ByteBuffer colour(icon.begin() + kXorStart, icon.begin() + kXorStart + 32);
        ByteBuffer expected(32, 0);
        for (int x = 1; x < 9; ++x) expected[3 * x + 2] = 0xFF;  // blue, green, red
        EXPECT_EQ(colour, expected);  // white is 0, 0, 0; both pad bytes 0
    }

    // Widths 17..24 use three mask bytes a row and keep the fourth zero; rows stay apart.
    for (int width = 17; width <= 24; ++width) {
        SCOPED_TRACE(width);
        const ByteBuffer icon = Build(BuildIconFromBitmap, MakeBmp({.width = width, .height = 3}, [](int, int) {
                                          return 0xFFFFFFu;
                                      }));
        const std::size_t mask_start = kXorStart + 3 * (3 * width + width % 4);
        ASSERT_EQ(icon.size(), mask_start + 12);
        const std::uint8_t last = static_cast<std::uint8_t>(0xFF << (24 - width));
        for (int r = 0; r < 3; ++r) {
            EXPECT_EQ(icon[mask_start + 4 * r], 0xFF);
            EXPECT_EQ(icon[mask_start + 4 * r + 1], 0xFF);
            EXPECT_EQ(icon[mask_start + 4 * r + 2], last);
            EXPECT_EQ(icon[mask_start + 4 * r + 3], 0);
        }
        // All white: nothing in the colour image.
        EXPECT_TRUE(std::all_of(icon.begin() + kXorStart, icon.begin() + mask_start, [](auto b) { return b == 0; }));
    }
}

TEST(IconRows, BottomRowFirstAndSourceRowsKeptWithoutTheKey) {
    auto value = [](int x, int y) { return std::uint32_t(((x * 37 + y * 11) & 0xFF) << 8 | (y * 3)); };
    const BmpShape shape{.width = 7, .height = 5};
    const ByteBuffer bmp = MakeBmp(shape, value);
    for (const auto& [name, build] : kBuilders) {
        SCOPED_TRACE(name);
        const ByteBuffer icon = Build(build, bmp);
        // No pixel is white: the mask is empty and the colour image is the file's rows, pad and all.
        const std::size_t xor_size = 5 * (21 + 3);
        EXPECT_TRUE(std::equal(icon.begin() + kXorStart, icon.begin() + kXorStart + xor_size, bmp.begin() + 54));
        EXPECT_TRUE(std::all_of(icon.begin() + kXorStart + xor_size, icon.end(), [](auto b) { return b == 0; }));

        // The key colour of the top row's first pixel is transparent there, in the last output row.
        const std::uint32_t top_left = value(0, 0);
        const ColourValue key = MakeColour(static_cast<std::uint8_t>(top_left >> 16),
                                           static_cast<std::uint8_t>(top_left >> 8), static_cast<std::uint8_t>(top_left));
        const ByteBuffer keyed = Build(build, bmp, key);
        for (int r = 0; r < 5; ++r)
            for (int x = 0; x < 7; ++x) EXPECT_EQ(MaskBit(keyed, 7, 5, x, r), value(x, 4 - r) == top_left) << x << "," << r;
    }
}

TEST(IconColour, DepthsReachTheComparisonAsTheBitmapReadsThem) {
    // 16 bits: white is 0xF8F8F8 and never the default key.
    const ByteBuffer high = MakeBmp({.width = 2, .height = 1, .bit_count = 16}, [](int, int) { return 0x7FFFu; });
    ByteBuffer icon = Build(BuildIconFromBitmap, high);
    EXPECT_FALSE(MaskBit(icon, 2, 1, 0, 0));
    EXPECT_EQ(icon[kXorStart], 0xF8);
    icon = Build(BuildIconFromBitmap, high, 0x00F8F8F8);
    EXPECT_TRUE(MaskBit(icon, 2, 1, 1, 0));

    // 32 bits: white is transparent whatever its fourth byte holds.
    const ByteBuffer full =
        MakeBmp({.width = 3, .height = 1, .bit_count = 32}, [](int x, int) { return (std::uint32_t(x) << 24) | 0xFFFFFF; });
    icon = Build(BuildIconFromBitmap, full);
    for (int x = 0; x < 3; ++x) EXPECT_TRUE(MaskBit(icon, 3, 1, x, 0));

    // Palette depths give the entry's colour; the key is compared on all 32 bits.
    const ByteBuffer pal = MakeBmp({.width = 2, .height = 1, .bit_count = 1, .palette = {0xFFFFFF, 0x0000FF}},
                                   [](int x, int) { return std::uint32_t(x); });
    icon = Build(BuildIconFromBitmap, pal);
    EXPECT_TRUE(MaskBit(icon, 2, 1, 0, 0));
    EXPECT_EQ((ByteBuffer(icon.begin() + kXorStart, icon.begin() + kXorStart + 6)), (ByteBuffer{0, 0, 0, 0xFF, 0, 0}));
    icon = Build(BuildIconFromBitmap, pal, 0xFFFFFFFF);
    EXPECT_FALSE(MaskBit(icon, 2, 1, 0, 0));
}

TEST(IconBytes, ReadsAnyFileAsBottomUp24Bit) {
    // A 32-bit file: its bytes are taken three at a time from byte 54.
    ByteBuffer full = MakeBmp({.width = 4, .height = 2, .bit_count = 32}, [](int, int) { return 0u; });
    for (std::size_t i = 54; i < full.size(); ++i) full[i] = static_cast<std::uint8_t>(i);
    const ByteBuffer icon = Build(BuildIconFromBitmapBytes, full);
    ASSERT_EQ(icon.size(), kXorStart + 2 * 12 + 8);
    for (int i = 0; i < 24; ++i) EXPECT_EQ(icon[kXorStart + i], 54 + i);

    // The stated pixel offset and colour table are not looked at: a palette file's table is read as pixels.
    const ByteBuffer pal = MakeBmp({.width = 2, .height = 1, .bit_count = 8, .colours_used = 2,
                                    .image_size = 8, .palette = {0x030201, 0x060504}},
                                   [](int, int) { return 1u; });
    const ByteBuffer from_table = Build(BuildIconFromBitmapBytes, pal);
    EXPECT_EQ((ByteBuffer(from_table.begin() + kXorStart, from_table.begin() + kXorStart + 8)),
              (ByteBuffer{1, 2, 3, 0, 4, 5, 0, 0}));

    // The key is compared byte for byte, the top byte left out.
    const ByteBuffer white = MakeBmp({.width = 1, .height = 1}, [](int, int) { return 0xFFFFFFu; });
    EXPECT_TRUE(MaskBit(Build(BuildIconFromBitmapBytes, white, 0xFFFFFFFF), 1, 1, 0, 0));
    EXPECT_FALSE(MaskBit(Build(BuildIconFromBitmapBytes, white, 0x00FEFFFF), 1, 1, 0, 0));

    // A stated size beyond the file is cut to what the file holds.
    const ByteBuffer big = MakeBmp({.width = 1, .height = 1, .image_size = 0x7FFFFFFF}, [](int, int) { return 0u; });
    EXPECT_EQ(Build(BuildIconFromBitmapBytes, big).size(), kXorStart + 4 + 4);
}

TEST(IconFailure, RefusedInputsLeaveTheOutputAloneAndSayWhy) {
    auto solid = [](int, int) { return 0x123456u; };
    struct Case {
        const char* what;
        ByteBuffer bmp;
        const char* bitmap_reason;  // null: the builder takes it
        const char* bytes_reason;
    };
    ByteBuffer zero_size = MakeBmp({.width = 2, .height = 2}, solid);
    PutU32At(zero_size, 34, 0);
    ByteBuffer negative_size = zero_size;
    PutU32At(negative_size, 34, 0x80000000);
    ByteBuffer small_size = zero_size;
    PutU32At(small_size, 34, 15);
    const char* const side = kIconSideText;
    const char* const unreadable = kUnreadableBitmapText;
    const char* const raw = kRawBitmapText;
    const Case cases[] = {
        {"width 256", MakeBmp({.width = 256, .height = 1}, solid), side, raw},
        {"height 256", MakeBmp({.width = 1, .height = 256}, solid), side, raw},
        {"width 0", MakeBmp({.width = 0, .height = 4}, ByteBuffer(4, 0)), side, raw},
        {"height 0", MakeBmp({.width = 4, .height = 0}, ByteBuffer(12, 0)), side, raw},
        {"negative width", MakeBmp({.width = -3, .height = 2}, ByteBuffer(12, 0)), side, raw},
        {"top-down", MakeBmp({.width = 2, .height = -2}, ByteBuffer(16, 0)), side, raw},
        {"53 bytes", ByteBuffer(53, 'B'), unreadable, raw},
        {"no BM", ByteBuffer(100, 0), unreadable, raw},
        {"stored size 0", zero_size, nullptr, raw},
        {"stored size negative", negative_size, nullptr, raw},
        {"stored size below the colour rows", small_size, nullptr, raw},
        {"compressed", MakeBmp({.width = 2, .height = 2, .compression = 1}, solid), unreadable, nullptr},
        // The fallback reads a 12-byte header's height as the top of a 32-bit width.
        {"12-byte header", MakeBmp({.width = 12, .height = 2, .core_header = true}, solid), nullptr, raw},
    };
    for (const Case& c : cases) {
        for (const auto& [name, build] : kBuilders) {
            SCOPED_TRACE(testing::Message() << c.what << " " << name);
            const bool by_bitmap = build == BuildIconFromBitmap;
            const char* reason = by_bitmap ? c.bitmap_reason : c.bytes_reason;
            ByteBuffer icon{1, 2, 3};
            EXPECT_EQ(build(c.bmp, icon, std::nullopt, false, 0, 0), reason == nullptr);
            if (reason != nullptr) {
                EXPECT_EQ(icon, (ByteBuffer{1, 2, 3}));
            }
            const auto made = by_bitmap ? MakeIconFromBitmap(c.bmp) : MakeIconFromBitmapBytes(c.bmp);
            EXPECT_EQ(made ? Result<>() : Fail(made.error()),
                      reason == nullptr ? Result<>() : Fail(kMakeIconStep, "", reason));
        }
    }
}

}  // namespace
}  // namespace icoforge
