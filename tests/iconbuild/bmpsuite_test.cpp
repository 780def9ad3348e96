// Every file of the public BMP suite: what the bitmap loads becomes an icon whose colour
// image and mask match a plain decode of the file, pixel for pixel; what it refuses is
// refused by the builder too.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "common/byte_reader.h"
#include "iconbuild/bitmap.h"
#include "iconbuild/icon_builder.h"
#include "platform/file_io.h"

namespace icoforge {
namespace {

namespace fs = std::filesystem;

struct Decoded {
    int width = 0;
    int height = 0;
    int bits = 0;
    std::uint32_t header_size = 0;
    std::vector<ColourValue> pixels;  // top row first
};

// A deliberately plain decode of an uncompressed BMP with a 40- or 12-byte header: one
// generic bit extraction for every depth. Nothing when the file is not of that kind.
std::optional<Decoded> PlainDecode(ByteView f) {
    if (f.size() < 54 || f[0] != 'B' || f[1] != 'M' || *ReadU32(f, 2) > f.size()) return std::nullopt;
    Decoded d;
    d.header_size = *ReadU32(f, 14);
    std::uint32_t planes = 0;
    std::uint32_t used = 0;
    std::uint32_t compression = 0;
    if (d.header_size == 40) {
        d.width = *ReadI32(f, 18);
        d.height = *ReadI32(f, 22);
        planes = *ReadU16(f, 26);
        d.bits = *ReadU16(f, 28);
        compression = *ReadU32(f, 30);
        used = *ReadU32(f, 46);
    } else if (d.header_size == 12) {
        d.width = *ReadU16(f, 18);
        d.height = *ReadU16(f, 20);
        planes = *ReadU16(f, 22);
        d.bits = *ReadU16(f, 24);
    } else {
        return std::nullopt;
    }
    const std::set<int> depths = {1, 4, 8, 16, 24, 32};
    if (!depths.count(d.bits) || compression != 0) return std::nullopt;
    const std::uint64_t colours = used != 0 ? used : d.bits <= 8 ? (1u << d.bits) : 0;
    if (14 + d.header_size + 4 * colours > f.size()) return std::nullopt;
    const std::uint32_t offset = *ReadU32(f, 10);
    if (offset >= f.size()) return std::nullopt;
    const std::uint64_t stride = (std::uint64_t(d.bits) * planes * std::max(d.width, 0) + 31) / 32 * 4;
    if (d.width > 0 && d.height > 0 && std::uint64_t(d.height) * stride > f.size() - offset) return std::nullopt;
    if (d.width <= 0 || d.height <= 0 || d.width > 255 || d.height > 255) return d;  // loads, no pixels wanted

    const std::uint64_t entry_size = d.header_size == 40 ? 4 : 3;
    const std::uint64_t table = 14 + d.header_size;
    for (int y = 0; y < d.height; ++y) {
        const std::uint64_t row = offset + std::uint64_t(d.height - 1 - y) * stride;
        for (int x = 0; x < d.width; ++x) {
            const std::uint64_t bit = std::uint64_t(x) * d.bits;
            std::uint32_t value = 0;
            for (int i = 0; i < (d.bits + 7) / 8; ++i) value |= std::uint32_t(f[row + bit / 8 + i]) << (8 * i);
            std::uint8_t b = 0, g = 0, r = 0;
            if (d.bits <= 8) {
                const std::uint32_t index = (value >> (8 - d.bits - bit % 8)) & ((1u << d.bits) - 1);
                if (index < colours) {
                    b = f[table + entry_size * index];
                    g = f[table + entry_size * index + 1];
                    r = f[table + entry_size * index + 2];
                }
            } else if (d.bits == 16) {
                r = ((value >> 10) & 31) << 3;
                g = ((value >> 5) & 31) << 3;
                b = (value & 31) << 3;
            } else {
                b = value & 0xFF;
                g = (value >> 8) & 0xFF;
                r = (value >> 16) & 0xFF;
            }
            d.pixels.push_back(MakeColour(r, g, b));
        }
    }
    return d;
}

void CheckIcon(const Decoded& d, const ByteBuffer& icon) {
    const std::size_t colour_row = 3 * d.width + d.width % 4;
    const std::size_t mask_row = 4 * ((d.width + 31) / 32);
    ASSERT_EQ(icon.size(), 62 + d.height * (colour_row + mask_row));
    const std::uint8_t* colour = icon.data() + 62;
    const std::uint8_t* mask = colour + d.height * colour_row;
    for (int r = 0; r < d.height; ++r) {
        const ColourValue* source = &d.pixels[std::size_t(d.height - 1 - r) * d.width];
        for (int x = 0; x < d.width; ++x) {
            const bool transparent = source[x] == kWhite;
            const std::uint8_t* bgr = colour + r * colour_row + 3 * x;
            const ByteBuffer want = transparent ? ByteBuffer{0, 0, 0} : ByteBuffer{BlueOf(source[x]), GreenOf(source[x]), RedOf(source[x])};
            ASSERT_EQ(ByteBuffer(bgr, bgr + 3), want) << "pixel " << x << " of output row " << r;
            ASSERT_EQ((mask[r * mask_row + x / 8] >> (7 - x % 8)) & 1, transparent ? 1 : 0) << x << "," << r;
        }
        for (std::size_t i = 3 * d.width; i < colour_row; ++i) ASSERT_EQ(colour[r * colour_row + i], 0);
        for (std::size_t bit = d.width; bit < 8 * mask_row; ++bit)
            ASSERT_EQ((mask[r * mask_row + bit / 8] >> (7 - bit % 8)) & 1, 0);
    }
}

TEST(BmpSuite, LoadedFilesBecomeIconsAndRefusedOnesDoNot) {
    const fs::path suite = fs::path(ICOFORGE_CORPUS_DIR) / "bmp" / "bmpsuite";
    if (!fs::is_directory(suite)) GTEST_SKIP() << "BMP suite not found at " << suite.string();

    std::vector<fs::path> files;
    for (const char* group : {"g", "q", "b", "x"}) {
        std::error_code ec;
        for (const auto& entry : fs::directory_iterator(suite / group, ec))
            if (entry.path().extension() == ".bmp") files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    ASSERT_GT(files.size(), 50u);

    std::set<int> depths_built;
    std::set<std::uint32_t> headers_built;
    int refused = 0;
    for (const fs::path& path : files) {
        SCOPED_TRACE(path.string());
        const auto bytes = ReadWholeFile(path.string());
        ASSERT_TRUE(bytes.has_value());
        const auto plain = PlainDecode(*bytes);

        Bitmap bitmap;
        const bool loaded = bitmap.LoadData(*bytes);
        EXPECT_EQ(loaded, plain.has_value());
        ByteBuffer icon{0xAB};
        const bool built = BuildIconFromBitmap(*bytes, icon);
        if (!loaded) {
            ++refused;
            EXPECT_EQ(bitmap.LastErrorText(), kUnsupportedBitmapText);
            EXPECT_FALSE(built);
            EXPECT_EQ(icon, ByteBuffer{0xAB});
        } else if (plain && !plain->pixels.empty()) {
            ASSERT_TRUE(built);
            CheckIcon(*plain, icon);
            depths_built.insert(plain->bits);
            headers_built.insert(plain->header_size);
        } else {
            EXPECT_FALSE(built);  // zero, negative or over-255 sides
        }

        // The fallback takes any of these files without reading outside it.
        ByteBuffer raw;
        if (BuildIconFromBitmapBytes(*bytes, raw)) {
            EXPECT_GE(raw.size(), 62u + 4 + 4);
        }
    }
    EXPECT_EQ(depths_built, (std::set<int>{1, 4, 8, 16, 24, 32}));
    EXPECT_EQ(headers_built, (std::set<std::uint32_t>{12, 40}));
    EXPECT_GT(refused, 0);
}

}  // namespace
}  // namespace icoforge
