// Pictures read for the icon maker: files written here by the libraries' own encoders
// and the icon-file builder, read back through ReadIconPictures.

#include "app/board/icon_pictures.h"
#include "app/board/webp/webp_frames.h"
#include "iconextract/catalogue.h"

#include <fstream>

#include <gtest/gtest.h>

#include "common/path.h"
#include "platform/file_io.h"
#include "picture_encoders.h"
#include "tests/support/ico_builder.h"
#include "tests/support/module_builder.h"
#include "tests/support/temp_folder.h"

namespace icoforge {
namespace {

using testing::TempFolder;

std::vector<std::uint8_t> SoftRgba(std::int32_t w, std::int32_t h) {
    std::vector<std::uint8_t> rgba(static_cast<std::size_t>(w) * h * 4);
    for (std::size_t i = 0; i < rgba.size(); ++i) rgba[i] = static_cast<std::uint8_t>(i * 29 + i / 97);
    return rgba;
}

std::string Write(const TempFolder& folder, const char* name, const ByteBuffer& bytes) {
    const auto path = folder.path() / name;
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return Utf8FromPath(path);
}

// The straight RGBA a 32-bit DIB icon image holds: rows bottom-up, blue first.
std::vector<std::uint8_t> DibRgba(const ByteBuffer& dib, std::uint32_t side) {
    std::vector<std::uint8_t> rgba;
    for (std::uint32_t y = side; y-- > 0;)
        for (std::uint32_t x = 0; x < side; ++x) {
            const std::uint8_t* p = dib.data() + 40 + (std::size_t{y} * side + x) * 4;
            rgba.insert(rgba.end(), {p[2], p[1], p[0], p[3]});
        }
    return rgba;
}

TEST(IconPictures, ReadsEachKindKeepingAlphaAndReducingLargeOnes) {
    TempFolder folder;
    const auto png_small = SoftRgba(32, 32);
    const ByteBuffer dib = testing::MakeDibImage({.width = 16, .height = 16, .bit_count = 32});
    const ByteBuffer png_in_icon = test::EncodePngRgba(32, 32, png_small);
    using testing::ResourceName, testing::ResourceType, testing::Type;
    const ByteBuffer module_bytes = testing::BuildModule(
        testing::ModuleFormat::Pe32,
        {{Type(ResourceType::GroupIcon), ResourceName::Id(2), testing::MakeGroupResource({1, 2})},
         {Type(ResourceType::GroupIcon), ResourceName::Id(5), testing::MakeGroupResource({3})},
         {Type(ResourceType::Icon), ResourceName::Id(1), dib},
         {Type(ResourceType::Icon), ResourceName::Id(2), png_in_icon},
         {Type(ResourceType::Icon), ResourceName::Id(3),
          testing::MakeDibImage({.width = 48, .height = 48, .bit_count = 4})}});
    const ByteBuffer animation =
        testing::MakeAniFile({testing::MakeIcoFile({png_in_icon}), testing::MakeIcoFile({dib})}, 6);
    struct Case {
        std::string path;
        std::uint32_t master_side;
        std::vector<std::pair<std::uint32_t, std::uint32_t>> own_sizes;
        std::vector<std::vector<std::uint8_t>> exact;  // pixels expected as stored; empty: reduced
    } cases[] = {
        {Write(folder, "small.png", png_in_icon), 1024, {{32, 32}}, {png_small}},
        {Write(folder, "wide.png", test::EncodePngRgba(600, 400, SoftRgba(600, 400))), 256, {{600, 400}}, {}},
        {Write(folder, "photo.jpg", test::EncodeJpeg(2048, 1024, 3, std::vector<std::uint8_t>(2048 * 1024 * 3, 90))),
         256, {{2048, 1024}}, {}},
        {Write(folder, "two.ico", testing::MakeIcoFile({dib, png_in_icon})), 64, {{16, 16}, {32, 32}},
         {DibRgba(dib, 16), png_small}},
        // A module gives its first icon group, an animation its first frame, as Explorer shows them.
        {Write(folder, "old.exe", module_bytes), 64, {{16, 16}, {32, 32}}, {DibRgba(dib, 16), png_small}},
        {Write(folder, "busy.ani", animation), 64, {{32, 32}}, {png_small}},
    };
    // Another group than the one Explorer shows, when asked for.
    const auto fifth = [](const catalogue::CatalogueGroup& g) { return g.id == 5; };
    const auto chosen = ReadIconPictures(cases[4].path, {.group = fifth});
    ASSERT_TRUE(chosen) << chosen.error().reason;
    ASSERT_EQ(chosen->size(), 1u);
    EXPECT_EQ(std::pair(chosen->front().own_width, chosen->front().bit_depth), std::pair(48u, 4u));
    // The pixel limit counts every image of an icon together.
    const auto within = ReadIconPictures(cases[3].path, {.max_pixels = 16 * 16 + 32 * 32 - 1});
    ASSERT_TRUE(within);
    EXPECT_EQ(within->size(), 1u);
    for (const auto& c : cases) {
        const auto pictures = ReadIconPictures(c.path, {.master_side = c.master_side});
        ASSERT_TRUE(pictures) << c.path << ": " << pictures.error().reason;
        ASSERT_EQ(pictures->size(), c.own_sizes.size()) << c.path;
        for (std::size_t i = 0; i < pictures->size(); ++i) {
            const SourcePicture& p = (*pictures)[i];
            EXPECT_EQ(std::pair(p.own_width, p.own_height), c.own_sizes[i]) << c.path;
            if (!c.exact.empty()) {
                EXPECT_TRUE(p.HasOwnSize()) << c.path;
                EXPECT_EQ(p.pixels.pixels, c.exact[i]) << c.path << " image " << i;
            } else {
                EXPECT_FALSE(p.HasOwnSize()) << c.path << " decoded whole";
                EXPECT_GE(std::max(p.pixels.width, p.pixels.height), c.master_side) << c.path;
                EXPECT_EQ(p.pixels.pixels.size(), p.pixels.RowBytes() * p.pixels.height);
            }
        }
    }
}

TEST(IconPictures, RefusesWithItsReason) {
    TempFolder folder;
    // A PNG header claiming 20000 x 20000 pixels and nothing after it.
    ByteBuffer huge = test::EncodePngRgba(1, 1, {0, 0, 0, 0});
    for (int i = 16; i < 24; ++i) huge[i] = 0;
    huge[18] = huge[22] = 0x4E, huge[19] = huge[23] = 0x20;
    huge.resize(33);
    const auto cut = testing::BuildModuleWithLayout(
        testing::ModuleFormat::Pe32, {{testing::ResourceName::Text("DATA"), testing::ResourceName::Id(1), {1}}});
    const std::pair<std::string, std::string> cases[] = {
        {Write(folder, "notes.txt", ByteBuffer(100, 'a')), "not a picture icoforge can read"},
        {Write(folder, "plain.dll", cut.bytes), "it holds no icon"},
        {Write(folder, "broken.dll",
               testing::BuildModule(testing::ModuleFormat::Pe32, {{testing::Type(testing::ResourceType::GroupIcon),
                                                                   testing::ResourceName::Id(1),
                                                                   testing::MakeGroupResource({7})}})),
         "icon group 1"},
        {Write(folder, "cut.exe", ByteBuffer(cut.bytes.begin(), cut.bytes.begin() + cut.resource_offset)),
         "resources: the file ends before its resource directory"},
        {Write(folder, "huge.png", huge), "pixels"},
        {Utf8FromPath(folder.path() / "missing.png"), ""},
        {Utf8FromPath(folder.path()), ""},
    };
    for (const auto& [path, reason] : cases) {
        const auto pictures = ReadIconPictures(path, {.master_side = 64});
        ASSERT_FALSE(pictures) << path;
        EXPECT_EQ(pictures.error().path, path);
        EXPECT_FALSE(pictures.error().reason.empty());
        EXPECT_NE(pictures.error().reason.find(reason), std::string::npos) << pictures.error().reason;
    }
}

TEST(IconPictures, DrawsSvgAtEachSizeWhereLibrsvgIsBuiltIn) {
    TempFolder folder;
    const std::string svg = "\xEF\xBB\xBF<?xml version=\"1.0\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"20\" "
                            "height=\"10\"><rect width=\"20\" height=\"10\" fill=\"#ff0000\"/></svg>\n";
    const std::string path = Write(folder, "wide.svg", ByteBuffer(svg.begin(), svg.end()));
    const auto pictures = ReadIconPictures(path, {.svg_sizes = {16, 32}});
    if (!SvgSupported()) {
        ASSERT_FALSE(pictures);
        EXPECT_NE(pictures.error().reason.find("SVG needs librsvg"), std::string::npos);
        GTEST_SKIP() << "built without librsvg";
    }
    ASSERT_TRUE(pictures) << pictures.error().reason;
    ASSERT_EQ(pictures->size(), 2u);
    for (const SourcePicture& p : *pictures) {
        const std::uint32_t side = p.own_width;
        ASSERT_TRUE(p.HasOwnSize());
        for (std::uint32_t y = 0; y < side; ++y) {
            const std::uint8_t* px = p.pixels.pixels.data() + std::size_t{y} * p.pixels.RowBytes() + side / 2 * 4;
            const bool inside = y >= side / 4 && y < side * 3 / 4;  // a 2:1 drawing, centred
            EXPECT_EQ(px[3], inside ? 255 : 0) << side << " row " << y;
            if (inside) { EXPECT_EQ(std::vector<std::uint8_t>(px, px + 3), (std::vector<std::uint8_t>{255, 0, 0})); }
        }
    }
}

// WebP pictures libwebp 1.2.4 wrote (tests/data/webp): lossless from SoftRgba's pixels
// with every alpha at least 1 (its encoder may change the colour of transparent ones),
// which must come back exactly; a lossy one with alpha; a large one, which comes back
// reduced; a cut file and an animation's header without frames, refused. The animations
// (first-frame-*, written by Pillow 9.4 through libwebp's animation encoder, which crops a
// frame to what it covers) give their first frame on a transparent 48 x 40 canvas, as
// Pillow reads them: the lossless one SoftRgba(40, 30) at (4, 6), the lossy one 32 x 24 at
// (8, 8) with an alpha chunk, opaque blue on its left half and alpha 128 on its right.
TEST(IconPictures, ReadsWebpWhereLibwebpIs) {
    TempFolder folder;
    const std::string data = std::string(ICOFORGE_TEST_DATA_DIR) + "/webp/";
    // The header of an animation of 16 x 16 pixels, its frames left out.
    const char riff[] = "RIFF\x16\0\0\0WEBPVP8X\x0A\0\0\0\x02\0\0\0\x0F\0\0\x0F\0\0";
    const std::string animated = Write(folder, "moving.webp", ByteBuffer(riff, riff + sizeof riff - 1));
    if (!WebpSupported()) {
        const auto refused = ReadIconPictures(animated, {});
        ASSERT_FALSE(refused);
        EXPECT_EQ(refused.error().what, kWebpUnsupported);
        GTEST_SKIP() << "built without libwebp, or it is not installed";
    }
    std::vector<std::uint8_t> soft = SoftRgba(40, 30);
    for (std::size_t i = 3; i < soft.size(); i += 4) soft[i] = std::max<std::uint8_t>(soft[i], 1);
    const auto exact = ReadIconPictures(data + "soft-40x30-lossless.webp", {.master_side = 64});
    ASSERT_TRUE(exact) << exact.error().reason;
    EXPECT_EQ(std::pair(exact->front().own_width, exact->front().own_height), std::pair(40u, 30u));
    EXPECT_EQ(exact->front().pixels.pixels, soft);

    const auto lossy = ReadIconPictures(data + "half-transparent-40x30-lossy.webp", {});
    ASSERT_TRUE(lossy) << lossy.error().reason;
    ASSERT_TRUE(lossy->front().HasOwnSize());
    const auto alpha_at = [&](std::uint32_t x) { return lossy->front().pixels.pixels[(15 * 40 + x) * 4 + 3]; };
    EXPECT_EQ(alpha_at(5), 255);
    EXPECT_NEAR(alpha_at(35), 128, 8);

    const auto large = ReadIconPictures(data + "flat-600x400-lossless.webp", {.master_side = 256});
    ASSERT_TRUE(large) << large.error().reason;
    EXPECT_EQ(std::pair(large->front().own_width, large->front().own_height), std::pair(600u, 400u));
    EXPECT_EQ(std::pair(large->front().pixels.width, large->front().pixels.height), std::pair(256u, 170u));

    const auto whole = ReadWholeFile(data + "soft-40x30-lossless.webp");
    ASSERT_TRUE(whole);
    const ByteBuffer cut(whole->begin(), whole->begin() + static_cast<std::ptrdiff_t>(whole->size() / 2));
    for (const std::string& path : {Write(folder, "cut.webp", cut), animated}) {
        const auto refused = ReadIconPictures(path, {});
        ASSERT_FALSE(refused) << path;
        EXPECT_EQ(refused.error().what, kNotDecoded) << path;
    }

    const auto canvas_of = [&](const char* name) {
        const auto read = ReadIconPictures(data + name, {.master_side = 32});
        EXPECT_TRUE(read) << name << ": " << read.error().reason;
        EXPECT_EQ(std::pair(read->front().pixels.width, read->front().pixels.height), std::pair(48u, 40u)) << name;
        return read->front().pixels;
    };
    const RgbaImage first = canvas_of("first-frame-48x40-lossless.webp");
    for (std::uint32_t y = 0; y < 40; ++y) {
        for (std::uint32_t x = 0; x < 48; ++x) {
            const bool inside = x >= 4 && x < 44 && y >= 6 && y < 36;
            const std::uint8_t* got = first.pixels.data() + (std::size_t{y} * 48 + x) * 4;
            const std::vector<std::uint8_t> want =
                inside ? std::vector<std::uint8_t>(soft.begin() + ((y - 6) * 40 + (x - 4)) * 4,
                                                   soft.begin() + ((y - 6) * 40 + (x - 4)) * 4 + 4)
                       : std::vector<std::uint8_t>(4, 0);
            ASSERT_EQ(std::vector<std::uint8_t>(got, got + 4), want) << x << "," << y;
        }
    }
    const RgbaImage lossy_first = canvas_of("first-frame-48x40-lossy.webp");
    const auto pixel = [&](std::uint32_t x, std::uint32_t y) { return lossy_first.pixels.data() + (y * 48 + x) * 4; };
    EXPECT_EQ(pixel(4, 20)[3], 0);
    EXPECT_EQ(pixel(12, 20)[3], 255);
    EXPECT_NEAR(pixel(12, 20)[2], 255, 8);
    EXPECT_NEAR(pixel(36, 20)[3], 128, 8);
    EXPECT_EQ(pixel(44, 20)[3], 0);
}

// The first frame of an animation is found by walking the file's chunks, so these bounds
// are ours: the frame must lie inside the canvas, and the headers must be whole.
TEST(WebpFrames, FirstFrameLiesInsideItsCanvas) {
    const auto u24 = [](ByteWriter& out, std::uint32_t v) {
        out.U16(static_cast<std::uint16_t>(v)), out.U8(static_cast<std::uint8_t>(v >> 16));
    };
    // A canvas of 48 x 40 holding one frame of w x h at (x, y), its header cut to `anmf` bytes.
    const auto file = [&](std::uint32_t x, std::uint32_t y, std::uint32_t w, std::uint32_t h, std::size_t anmf,
                          bool vp8x_first) {
        ByteWriter vp8x, frame, body, riff;
        vp8x.U32(0x12);  // animation, alpha
        u24(vp8x, 47), u24(vp8x, 39);
        u24(frame, x / 2), u24(frame, y / 2), u24(frame, w - 1), u24(frame, h - 1), u24(frame, 100);
        frame.U8(0), frame.U32(0x4C385056);  // flags; "VP8L", standing for the frame's data
        ByteBuffer anmf_body = frame.Take();
        anmf_body.resize(anmf);
        body.U32(0x50424557);  // "WEBP"
        if (vp8x_first) testing::PutRiffChunk(body, "VP8X", vp8x.Take());
        testing::PutRiffChunk(body, "ANIM", ByteBuffer(6, 0));
        testing::PutRiffChunk(body, "ANMF", anmf_body);
        testing::PutRiffChunk(riff, "RIFF", body.Take());
        return riff.Take();
    };
    struct Case {
        ByteBuffer bytes;
        bool found;
        std::size_t data_bytes;
    } cases[] = {
        {file(0, 0, 48, 40, 20, true), true, 4},  {file(4, 6, 44, 34, 20, true), true, 4},
        {file(6, 0, 44, 40, 20, true), false, 0}, {file(0, 2, 48, 39, 20, true), false, 0},
        {file(0, 0, 49, 40, 20, true), false, 0}, {file(0, 0, 48, 40, 16, true), true, 0},
        {file(0, 0, 48, 40, 15, true), false, 0}, {file(0, 0, 48, 40, 20, false), false, 0},
        {ByteBuffer{'R', 'I', 'F', 'F', 4, 0, 0, 0, 'W', 'E', 'B', 'P'}, false, 0},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const auto frame = FirstWebpFrame(cases[i].bytes);
        ASSERT_EQ(static_cast<bool>(frame), cases[i].found) << "case " << i;
        if (!frame) continue;
        EXPECT_EQ(std::pair(frame->canvas_width, frame->canvas_height), std::pair(48u, 40u));
        EXPECT_EQ(frame->data.size(), cases[i].data_bytes) << "case " << i;
    }
}

// HEIC and AVIF that libheif's heif-enc wrote (tests/data/heif, quality 90) from a
// gradient with red 4x, green 5y, blue 128, opaque on the left half and transparent on
// the right: lossy, so within a few levels. Where libheif is missing they are refused by
// name; JPEG XL always is.
TEST(IconPictures, ReadsHeicAndAvifWhereLibheifIs) {
    TempFolder folder;
    const std::string jxl = Write(folder, "new.jxl", ByteBuffer{0xFF, 0x0A, 0xFA, 0x7F, 0x01, 0x90, 0x08, 0x06});
    const auto refused = ReadIconPictures(jxl, {});
    ASSERT_FALSE(refused);
    const auto what_and_why = [](const Failure& f) { return f.what + ": " + f.reason; };
    EXPECT_EQ(what_and_why(refused.error()), std::string(kUnreadKind) + ": JPEG XL");
    for (const auto& [file, kind] :
         {std::pair{"gradient-64x48.heic", "HEIC"}, std::pair{"gradient-64x48.avif", "AVIF"}}) {
        const auto read = ReadIconPictures(std::string(ICOFORGE_TEST_DATA_DIR) + "/heif/" + file, {});
        if (!HeifSupported()) {
            ASSERT_FALSE(read);
            EXPECT_EQ(what_and_why(read.error()), std::string(kUnreadKind) + ": " + kind);
            continue;
        }
        ASSERT_TRUE(read) << file << ": " << read.error().reason;
        const RgbaImage& p = read->front().pixels;
        ASSERT_EQ(std::pair(p.width, p.height), std::pair(64u, 48u)) << file;
        double colour = 0, alpha = 0;
        for (std::uint32_t y = 0; y < 48; ++y)
            for (std::uint32_t x = 0; x < 64; ++x) {
                const std::uint8_t* px = p.pixels.data() + (std::size_t{y} * 64 + x) * 4;
                alpha += std::abs(px[3] - (x < 32 ? 255 : 0));
                if (x < 32)
                    colour += std::abs(px[0] - int(x * 4)) + std::abs(px[1] - int(y * 5)) + std::abs(px[2] - 128);
            }
        EXPECT_LE(colour / (32 * 48 * 3), 4.0) << file;
        EXPECT_LE(alpha / (64 * 48), 4.0) << file;
    }
    if (!HeifSupported()) GTEST_SKIP() << "built without libheif, or it is not installed";
    const auto whole = ReadWholeFile(std::string(ICOFORGE_TEST_DATA_DIR) + "/heif/gradient-64x48.heic");
    ASSERT_TRUE(whole);
    const auto cut = ReadIconPictures(Write(folder, "cut.heic", ByteBuffer(whole->begin(), whole->begin() + 600)), {});
    ASSERT_FALSE(cut);
    EXPECT_EQ(cut.error().what, kNotDecoded);
}

}  // namespace
}  // namespace icoforge
