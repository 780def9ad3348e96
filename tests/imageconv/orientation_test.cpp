// The Orientation tag as cameras and scanners write it, in both byte orders and BigTIFF,
// with the damage a reader meets; and the turns, held to each other rather than to a
// restatement of their formulas.
#include "imageconv/orientation.h"

#include <string>

#include <gtest/gtest.h>

namespace icoforge {
namespace {

void Put(std::string& out, std::uint64_t value, int bytes, bool big_endian) {
    for (int i = 0; i < bytes; ++i) out += static_cast<char>(value >> 8 * (big_endian ? bytes - 1 - i : i));
}

// A TIFF head whose first directory holds a width tag, then Orientation as `type` with `value`.
std::string Tiff(bool big_endian, bool bigtiff, std::uint16_t type, std::uint16_t value, std::uint64_t count = 2) {
    std::string t = big_endian ? "MM" : "II";
    const int wide = bigtiff ? 8 : 4;
    Put(t, bigtiff ? 43 : 42, 2, big_endian);
    if (bigtiff) Put(t, 8, 2, big_endian), Put(t, 0, 2, big_endian);
    Put(t, bigtiff ? 16 : 8, wide, big_endian);
    Put(t, count, bigtiff ? 8 : 2, big_endian);
    for (const auto& [tag, v] : {std::pair<std::uint16_t, std::uint16_t>{0x100, 640}, {0x112, value}}) {
        Put(t, tag, 2, big_endian), Put(t, tag == 0x112 ? type : 3, 2, big_endian), Put(t, 1, wide, big_endian);
        Put(t, v, 2, big_endian), Put(t, 0, wide - 2, big_endian);
    }
    return t;
}

ByteView View(const std::string& s) { return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()}; }

TEST(Orientation, ReadsTheTagWhereverWrittenAndPassesOverDamage) {
    const std::string turn90 = Tiff(false, false, 3, 6);
    const struct {
        const char* what;
        std::string bytes;
        Orientation expected;
    } cases[] = {
        {"little-endian", turn90, Orientation::kTurn90},
        {"big-endian", Tiff(true, false, 3, 8), Orientation::kTurn270},
        {"BigTIFF", Tiff(false, true, 3, 5), Orientation::kTranspose},
        {"big-endian BigTIFF", Tiff(true, true, 3, 3), Orientation::kTurn180},
        {"a value past 8", Tiff(false, false, 3, 9), Orientation::kUpright},
        {"a value of 0", Tiff(false, false, 3, 0), Orientation::kUpright},
        {"stored as LONG", Tiff(false, false, 4, 6), Orientation::kUpright},
        {"a count beyond the data", Tiff(false, false, 3, 6, 0xFFFF), Orientation::kTurn90},
        {"the tag past the count", Tiff(false, false, 3, 6, 1), Orientation::kUpright},
        {"cut in the tag's value", turn90.substr(0, turn90.size() - 4), Orientation::kUpright},
        {"no byte order", "XX" + turn90.substr(2), Orientation::kUpright},
        {"nothing", "", Orientation::kUpright},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(OrientationOfTiff(View(c.bytes)), c.expected) << c.what;
        EXPECT_EQ(OrientationOfExif(View(std::string("Exif\0\0", 6) + c.bytes)), c.expected) << c.what;
    }
    EXPECT_EQ(OrientationOfExif(View("Exif\0" + turn90)), Orientation::kUpright) << "one zero byte";
    EXPECT_EQ(OrientationOfExif(View("http://ns.adobe.com/xap/1.0/")), Orientation::kUpright) << "XMP";
}

TEST(Orientation, TurnsComposeAsTheyShould) {
    RgbaImage picture{3, 2, {}};
    for (std::uint8_t i = 0; i < 24; ++i) picture.pixels.push_back(i);
    using enum Orientation;
    const auto turn = [](const RgbaImage& p, Orientation o) { return TurnUpright(p, o); };
    const auto same = [](const RgbaImage& a, const RgbaImage& b) {
        return a.width == b.width && a.height == b.height && a.pixels == b.pixels;
    };
    const RgbaImage quarter = turn(picture, kTurn90);
    EXPECT_EQ(std::pair(quarter.width, quarter.height), std::pair(2u, 3u));
    // The first pixel of the first row ends at the top right after a clockwise quarter turn.
    EXPECT_EQ(quarter.pixels[4], 0);
    EXPECT_TRUE(same(turn(quarter, kTurn90), turn(picture, kTurn180)));
    EXPECT_TRUE(same(turn(quarter, kTurn180), turn(picture, kTurn270)));
    EXPECT_TRUE(same(turn(turn(picture, kMirror), kFlip), turn(picture, kTurn180)));
    EXPECT_TRUE(same(turn(turn(picture, kMirror), kTurn90), turn(picture, kTransverse)));
    EXPECT_TRUE(same(turn(turn(picture, kFlip), kTurn90), turn(picture, kTranspose)));
    for (const Orientation o : {kMirror, kFlip, kTranspose, kTransverse})
        EXPECT_TRUE(same(turn(turn(picture, o), o), picture)) << static_cast<int>(o);
}

}  // namespace
}  // namespace icoforge
