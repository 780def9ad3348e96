// The drawing board: placement, recognition, the decoders' rules and faults, blending,
// scaling and the snapshot file.
#include <gtest/gtest.h>

#include <array>
#include <algorithm>
#include <cstring>

#include "app/board/board_geometry.h"
#include "app/board/drawing_board.h"
#include "common/byte_reader.h"
#include "common/byte_writer.h"
#include "tests/board/picture_encoders.h"
#include "tests/support/ico_builder.h"

namespace icoforge {
namespace {

using test::EncodeGif;
using test::EncodeJpeg;
using test::EncodePngRgba;
using test::GifImage;

// Blue, green, red of a pixel of a decoded picture.
std::array<int, 3> Bgr(const BoardImage& image, std::int32_t x, std::int32_t y) {
    const std::uint8_t* p = image.Row(y) + x * 4;
    return {p[0], p[1], p[2]};
}

TEST(BoardGeometry, FitsPicturesWithoutEverEnlargingThem) {
    struct Case {
        std::int32_t area_w, area_h, pic_w, pic_h;
        BoardPlacement expected;
    };
    const Case cases[] = {
        {14, 14, 640, 480, {0, 2, 14, 10}},     // a 16 x 16 board: shrunk, centred vertically
        {30, 30, 10, 10, {10, 10, 10, 10}},     // smaller: centred at its own size
        {30, 30, 30, 30, {0, 0, 30, 30}},       // exactly the area
        {30, 30, 20, 90, {12, 0, 6, 30}},       // narrower and taller: the width is first cut to its own
        {126, 126, 6000, 4000, {0, 21, 126, 84}},
        {14, 14, 1, 1000, {6, 0, 0, 14}},       // a sliver drawn 0 wide: the fraction is dropped
    };
    for (const Case& c : cases) {
        const BoardPlacement p = FitPicture(c.area_w, c.area_h, c.pic_w, c.pic_h);
        EXPECT_EQ((std::array{p.x, p.y, p.width, p.height}),
                  (std::array{c.expected.x, c.expected.y, c.expected.width, c.expected.height}))
            << c.pic_w << "x" << c.pic_h << " in " << c.area_w << "x" << c.area_h;
    }
}

TEST(BoardPicture, IsRecognisedByItsFirstBytes) {
    struct Case {
        ByteBuffer start;
        std::optional<BoardPictureKind> kind;
    };
    const Case cases[] = {
        {{'B', 'M'}, BoardPictureKind::Bmp},
        {{0xFF, 0xD8}, BoardPictureKind::Jpeg},
        {{0x89, 'P', 'N', 'G'}, BoardPictureKind::Png},
        {{0, 0, 1, 0, 1, 0}, BoardPictureKind::Icon},
        {{0, 0, 1, 0, 0, 0}, std::nullopt},  // an icon directory with no image
        {{0, 0, 2, 0, 3, 0}, BoardPictureKind::Cursor},
        {{'G', 'I', 'F', '8', '9', 'a'}, BoardPictureKind::Gif},
        {{'G', 'I', 'F', '8', '8', 'a'}, std::nullopt},
        {{0x0A, 5, 1, 8}, BoardPictureKind::Pcx8},
        {{0x0A, 6, 1, 8}, std::nullopt},
        {{0x0A, 3, 1, 1}, BoardPictureKind::Pcx1},
        {{'I', 'I', '*', 0}, std::nullopt},
    };
    for (const Case& c : cases) {
        ByteBuffer bytes = c.start;
        bytes.resize(16, 0);
        EXPECT_EQ(RecogniseBoardPicture(bytes), c.kind) << int(c.start[0]) << " " << int(c.start[1]);
    }
    EXPECT_EQ(RecogniseBoardPicture(ByteBuffer{'B', 'M', 0, 0, 0, 0, 0}), std::nullopt);  // under 8 bytes
}

ByteBuffer MakeBmp(std::int32_t width, std::int32_t height, std::uint16_t bits, std::uint32_t compression,
                   const ByteBuffer& table, const ByteBuffer& pixels) {
    ByteWriter out;
    out.U8('B');
    out.U8('M');
    out.U32(static_cast<std::uint32_t>(54 + table.size() + pixels.size()));
    out.U32(0);
    out.U32(static_cast<std::uint32_t>(54 + table.size()));
    out.U32(40);
    out.I32(width);
    out.I32(height);
    out.U16(1);
    out.U16(bits);
    out.U32(compression);
    out.U32(static_cast<std::uint32_t>(pixels.size()));
    out.U32(0);
    out.U32(0);
    out.U32(static_cast<std::uint32_t>(table.size() / 4));
    out.U32(0);
    out.Bytes(table);
    out.Bytes(pixels);
    return out.Take();
}

TEST(BoardBmp, DecodesTheDepthsItKnowsAndRefusesTheRest) {
    // 2 x 2, 8 bits: indices 0 1 / 1 0 with a two-colour table; rows padded to 4 bytes.
    const ByteBuffer table = {0, 0, 255, 0, 255, 0, 0, 0};  // red, blue
    const ByteBuffer rows = {0, 1, 0, 0, 1, 1, 0, 0};       // bottom row first: 0 1, then 1 1
    const auto bottom_up = DecodeBoardPicture(MakeBmp(2, 2, 8, 0, table, rows));
    ASSERT_TRUE(bottom_up);
    EXPECT_EQ(bottom_up->kind, BoardPictureKind::Bmp);
    EXPECT_EQ(Bgr(bottom_up->pixels, 0, 1), (std::array{0, 0, 255}));
    EXPECT_EQ(Bgr(bottom_up->pixels, 1, 1), (std::array{255, 0, 0}));
    EXPECT_EQ(Bgr(bottom_up->pixels, 0, 0), (std::array{255, 0, 0}));
    // A negative height stores the top row first; the picture is the same way up.
    const auto top_down = DecodeBoardPicture(MakeBmp(2, -2, 8, 0, table, rows));
    ASSERT_TRUE(top_down);
    EXPECT_EQ(Bgr(top_down->pixels, 0, 0), (std::array{0, 0, 255}));

    EXPECT_FALSE(DecodeBoardPicture(MakeBmp(2, 2, 16, 0, {}, ByteBuffer(8, 7))));       // 16 bits
    EXPECT_FALSE(DecodeBoardPicture(MakeBmp(2, 2, 8, 1, table, {0, 1, 0, 0})));        // RLE8
    EXPECT_FALSE(DecodeBoardPicture(MakeBmp(2, 2, 24, 0, {}, ByteBuffer(15, 7))));      // a row short
    EXPECT_FALSE(DecodeBoardPicture(MakeBmp(100000, 100000, 24, 0, {}, ByteBuffer(8))));  // beyond the limit
}

// An icon file whose directory entries say `width` and `colours` for each image.
ByteBuffer MakeIcon(const std::vector<std::pair<std::int32_t, std::uint8_t>>& entries) {
    std::vector<ByteBuffer> images;
    for (const auto& [size, colours] : entries)
        images.push_back(testing::MakeDibImage({.width = size, .height = size, .bit_count = 8}));
    ByteBuffer file = testing::MakeIcoFile(images);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        file[6 + 16 * i] = static_cast<std::uint8_t>(entries[i].first);
        file[6 + 16 * i + 2] = entries[i].second;
    }
    return file;
}

TEST(BoardIcon, ChoosesTheFirst32PixelEntryOfMoreThan15ColoursElseTheLast) {
    struct Case {
        std::vector<std::pair<std::int32_t, std::uint8_t>> entries;
        std::int32_t expected_width;
    };
    const Case cases[] = {
        {{{16, 0}, {32, 0}}, 32},            // 256 colours and more never match: the last
        {{{32, 0}, {16, 0}}, 16},
        {{{48, 16}, {32, 16}, {16, 16}}, 32},  // 16 colours after a 48 x 48 entry
        {{{32, 15}, {48, 16}}, 48},
    };
    for (const Case& c : cases) {
        const auto picture = DecodeBoardPicture(MakeIcon(c.entries));
        ASSERT_TRUE(picture);
        EXPECT_EQ(picture->width, c.expected_width);
        EXPECT_EQ(picture->height, c.expected_width);
        EXPECT_EQ(picture->kind, BoardPictureKind::Icon);
    }
    ByteBuffer outside = MakeIcon({{32, 16}});
    outside[6 + 12] = 0xF0;  // the image offset past the data
    EXPECT_FALSE(DecodeBoardPicture(outside));
}

TEST(BoardPicture, RefusesMorePixelsThanTheLimitWhateverTheKind) {
    // Every kind 20 x 20: drawn with a limit of 400 pixels, refused with 399.
    GifImage gif{.screen_width = 20, .screen_height = 20, .width = 20, .height = 20};
    gif.palette.assign(256 * 3, 0);
    gif.indices.assign(400, 3);
    ByteBuffer pcx(128, 0);
    for (auto [at, value] : {std::pair{0, 0x0A}, {1, 5}, {2, 1}, {3, 8}, {8, 19}, {10, 19}, {65, 1}, {66, 20}})
        pcx[at] = static_cast<std::uint8_t>(value);
    pcx.resize(128 + 400, 7);
    pcx.push_back(12);
    pcx.resize(pcx.size() + 768, 0);
    const ByteBuffer files[] = {
        MakeBmp(20, 20, 24, 0, {}, ByteBuffer(20 * 60, 1)),
        EncodeJpeg(20, 20, 1, std::vector<std::uint8_t>(400, 50)),
        EncodePngRgba(20, 20, std::vector<std::uint8_t>(1600, 255)),
        MakeIcon({{20, 16}}),
        EncodeGif(gif),
        pcx,
    };
    for (const ByteBuffer& file : files) {
        BoardDecodeOptions options;
        options.max_pixels = 400;
        const auto kind = RecogniseBoardPicture(file);
        EXPECT_TRUE(DecodeBoardPicture(file, options)) << (kind ? int(*kind) : 0);
        options.max_pixels = 399;
        EXPECT_FALSE(DecodeBoardPicture(file, options)) << (kind ? int(*kind) : 0);
    }
}

TEST(BoardIcon, LetsTheBackgroundShowThroughMaskAndAlpha) {
    // 32-bit image, 2 x 1: one opaque red pixel, one with alpha 0.
    ByteWriter image;
    for (std::uint32_t v : {40u, 2u, 2u}) image.U32(v);
    image.U16(1);
    image.U16(32);
    for (int i = 0; i < 6; ++i) image.U32(0);
    image.Bytes(ByteBuffer{0, 0, 255, 255, 0, 255, 0, 0});
    image.Bytes(ByteBuffer{0, 0, 0, 0});  // mask row
    ByteBuffer file = testing::MakeIcoFile({image.Take()}, 2);
    DrawingBoard board({0x10, 0x20, 0x30});
    board.SetSize(4, 3);
    ASSERT_TRUE(board.SetPicture(file));
    EXPECT_EQ(board.picture_kind(), BoardPictureKind::Cursor);
    EXPECT_EQ(Bgr(board.drawing_area(), 0, 0), (std::array{0, 0, 255}));
    EXPECT_EQ(Bgr(board.drawing_area(), 1, 0), (std::array{0x30, 0x20, 0x10}));

    // 24-bit image with its mask, 3 x 1: black and white under set mask bits, then red.
    ByteWriter masked;
    for (std::uint32_t v : {40u, 3u, 2u}) masked.U32(v);
    masked.U16(1);
    masked.U16(24);
    for (int i = 0; i < 6; ++i) masked.U32(0);
    masked.Bytes(ByteBuffer{0, 0, 0, 255, 255, 255, 0, 0, 255, 0, 0, 0});
    masked.Bytes(ByteBuffer{0xC0, 0, 0, 0});
    board.SetSize(5, 3);
    ASSERT_TRUE(board.SetPicture(testing::MakeIcoFile({masked.Take()})));
    EXPECT_EQ(Bgr(board.drawing_area(), 0, 0), (std::array{0x30, 0x20, 0x10}));  // shows through
    EXPECT_EQ(Bgr(board.drawing_area(), 1, 0), (std::array{0xCF, 0xDF, 0xEF}));  // inverted
    EXPECT_EQ(Bgr(board.drawing_area(), 2, 0), (std::array{0, 0, 255}));
}

TEST(BoardGif, TakesTheImageSizeAndPlacesInterlacedRows) {
    GifImage gif{.screen_width = 100, .screen_height = 100, .width = 40, .height = 30};
    gif.palette.resize(256 * 3);
    for (int i = 0; i < 256; ++i) gif.palette[i * 3] = static_cast<std::uint8_t>(i);  // red = index
    for (bool interlaced : {false, true}) {
        gif.interlaced = interlaced;
        gif.indices.clear();
        for (int n = 0; n < 30; ++n) gif.indices.insert(gif.indices.end(), 40, static_cast<std::uint8_t>(n));
        const auto picture = DecodeBoardPicture(EncodeGif(gif));
        ASSERT_TRUE(picture);
        EXPECT_EQ(picture->width, 40);
        EXPECT_EQ(picture->height, 30);
        // Stored row n: rows 0, 8, 16, 24, then 4, 12, 20, 28, then 2, 6, ..., then 1, 3, ...
        const int expected_first_rows[] = {0, 15, 8, 16, 4, 17, 9, 18, 1, 19};
        for (int y = 0; y < 10; ++y)
            EXPECT_EQ(Bgr(picture->pixels, 5, y)[2], interlaced ? expected_first_rows[y] : y) << "row " << y;
    }
}

TEST(BoardGif, EndsOnDamagedStreamsWithoutReadingOutside) {
    GifImage gif{.screen_width = 4, .screen_height = 4, .width = 4, .height = 4};
    gif.palette.assign(256 * 3, 9);
    gif.indices.assign(16, 1);
    const ByteBuffer good = EncodeGif(gif);
    ASSERT_TRUE(DecodeBoardPicture(good));
    const std::size_t image_at = 13 + 256 * 3;
    ByteBuffer trailer_first = good;
    trailer_first[image_at] = 0x3B;
    ByteBuffer zero_first = good;
    zero_first[image_at] = 0;
    ByteBuffer bad_code = good;
    bad_code[image_at + 12] = 0xFF;  // the first data byte: codes past the table
    EXPECT_FALSE(DecodeBoardPicture(trailer_first));
    EXPECT_FALSE(DecodeBoardPicture(zero_first));
    EXPECT_TRUE(DecodeBoardPicture(bad_code));  // what was decoded (nothing) is a picture
    for (std::size_t cut = 14; cut < good.size(); ++cut)
        (void)DecodeBoardPicture(ByteView(good).first(cut));  // a sanitizer build watches these
}

TEST(BoardPng, BlendsTransparencyWithTheBackground) {
    // Black at alpha 128, red at alpha 0, green opaque.
    const std::vector<std::uint8_t> rgba = {0, 0, 0, 128, 255, 0, 0, 0, 0, 255, 0, 255};
    BoardDecodeOptions options;
    options.background = {255, 255, 255};
    const auto picture = DecodeBoardPicture(EncodePngRgba(3, 1, rgba), options);
    ASSERT_TRUE(picture);
    EXPECT_EQ(Bgr(picture->pixels, 0, 0), (std::array{127, 127, 127}));  // (1 - 128/255) * 255, fraction dropped
    EXPECT_EQ(Bgr(picture->pixels, 1, 0), (std::array{255, 255, 255}));
    EXPECT_EQ(Bgr(picture->pixels, 2, 0), (std::array{0, 255, 0}));
}

TEST(BoardJpeg, GreyHasEqualChannelsAndCmykBecomesRgb) {
    std::vector<std::uint8_t> grey(16 * 16);
    for (std::size_t i = 0; i < grey.size(); ++i) grey[i] = static_cast<std::uint8_t>(i);
    const auto grey_picture = DecodeBoardPicture(EncodeJpeg(16, 16, 1, grey));
    ASSERT_TRUE(grey_picture);
    for (std::int32_t y = 0; y < 16; ++y)
        for (std::int32_t x = 0; x < 16; ++x) {
            const auto c = Bgr(grey_picture->pixels, x, y);
            EXPECT_TRUE(c[0] == c[1] && c[1] == c[2]) << x << "," << y;
        }

    // Flat blocks of stored CMYK; libjpeg writes Adobe's marker, so the stored values are
    // inverted inks, and red is C x K / 255.
    const std::array<std::array<std::uint8_t, 4>, 4> inks = {{{255, 0, 0, 255}, {255, 255, 0, 255},
                                                             {128, 255, 255, 200}, {255, 255, 255, 0}}};
    std::vector<std::uint8_t> cmyk(32 * 32 * 4);
    for (std::size_t i = 0; i < 32 * 32; ++i) {
        const auto& ink = inks[(i % 32) / 16 + 2 * ((i / 32) / 16)];
        std::memcpy(&cmyk[i * 4], ink.data(), 4);
    }
    const auto picture = DecodeBoardPicture(EncodeJpeg(32, 32, 4, cmyk, 100));
    ASSERT_TRUE(picture);
    for (std::size_t block = 0; block < 4; ++block) {
        const auto& ink = inks[block];
        const auto got = Bgr(picture->pixels, 8 + 16 * (block % 2), 8 + 16 * (block / 2));
        const int expected[3] = {ink[2] * ink[3] / 255, ink[1] * ink[3] / 255, ink[0] * ink[3] / 255};
        // Lossless at quality 100 apart from the DCT's rounding.
        for (int c = 0; c < 3; ++c) EXPECT_NEAR(got[c], expected[c], 3) << "block " << block << " channel " << c;
    }
}

TEST(BoardJpeg, LargePictureOnASmallBoardIsDecodedReducedButPlacedAtFullSize) {
    std::vector<std::uint8_t> rgb(640 * 480 * 3, 200);
    const ByteBuffer jpeg = EncodeJpeg(640, 480, 3, rgb);
    BoardDecodeOptions options;
    options.fit_width = options.fit_height = 14;
    const auto picture = DecodeBoardPicture(jpeg, options);
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->width, 640);
    EXPECT_EQ(picture->pixels.width, 80);  // an eighth still covers the 14 x 10 drawn
    EXPECT_EQ(picture->pixels.height, 60);
}

TEST(BoardPcx, RefusesDataThatEndsEarlyOrLacksItsPalette) {
    auto make = [](std::uint8_t bits, const ByteBuffer& data) {
        ByteBuffer file(128 + data.size(), 0);
        std::copy(data.begin(), data.end(), file.begin() + 128);
        file[0] = 0x0A;
        file[1] = bits == 8 ? 5 : 3;
        file[2] = 1;
        file[3] = bits;
        file[8] = 3;  // 4 x 2
        file[10] = 1;
        file[65] = 1;
        file[66] = bits == 8 ? 4 : 2;
        return file;
    };
    ByteBuffer palette(769, 0);
    palette[0] = 12;
    palette[1 + 3 * 2] = 255;  // entry 2 red
    ByteBuffer rows = {0xC4, 2, 1, 2, 3, 4};  // a run of four 2s, then 1 2 3 4
    const auto picture = DecodeBoardPicture([&] { ByteBuffer d = rows; d.insert(d.end(), palette.begin(), palette.end()); return make(8, d); }());
    ASSERT_TRUE(picture);
    EXPECT_EQ(Bgr(picture->pixels, 3, 0), (std::array{0, 0, 255}));
    EXPECT_FALSE(DecodeBoardPicture(make(8, rows)));                          // no palette
    EXPECT_FALSE(DecodeBoardPicture(make(8, {0xC4, 2, 1, 2, 0, 0, 0, 0})));  // ends early (and no palette)
    const auto mono = DecodeBoardPicture(make(1, {0x80, 0, 0x10, 0}));
    ASSERT_TRUE(mono);
    EXPECT_EQ(mono->kind, BoardPictureKind::Pcx1);
    EXPECT_EQ(Bgr(mono->pixels, 0, 0), (std::array{255, 255, 255}));
    EXPECT_EQ(Bgr(mono->pixels, 1, 0), (std::array{0, 0, 0}));
}

TEST(BoardImageScaling, HalftoneAveragesAndColourOnColourPicks) {
    BoardImage source(4, 1);
    const std::uint8_t values[4] = {0, 100, 200, 40};
    for (int x = 0; x < 4; ++x) std::memset(source.Row(0) + x * 4, values[x], 4);
    const BoardImage halftone = ScaleBoardImage(source, 2, 1, StretchQuality::Halftone);
    EXPECT_EQ(halftone.Row(0)[0], 50);
    EXPECT_EQ(halftone.Row(0)[4], 120);
    const BoardImage third = ScaleBoardImage(source, 3, 1, StretchQuality::Halftone);
    EXPECT_EQ(third.Row(0)[0], 25);  // 3/4 of the first pixel and 1/4 of the second, rounded
    const BoardImage nearest = ScaleBoardImage(source, 2, 1, StretchQuality::ColourOnColour);
    EXPECT_EQ(nearest.Row(0)[0], 100);
    EXPECT_EQ(nearest.Row(0)[4], 40);
    EXPECT_EQ(StretchQualityForScreenDepth(16), StretchQuality::ColourOnColour);
    EXPECT_EQ(StretchQualityForScreenDepth(24), StretchQuality::Halftone);
}

TEST(DrawingBoard, SnapshotIsA24BitBmpOfTheAreaAndDropsWhatItCannotDecode) {
    DrawingBoard board;
    board.SetSize(16, 16);
    board.SetPictureMode(10);
    EXPECT_EQ(board.picture_mode(), PictureMode::Fitted);
    std::vector<std::uint8_t> rgba(640 * 480 * 4, 0);
    for (std::size_t i = 3; i < rgba.size(); i += 4) rgba[i] = 255;  // opaque black
    ASSERT_TRUE(board.SetPicture(EncodePngRgba(640, 480, rgba)));
    const BoardImage& area = board.drawing_area();
    ASSERT_EQ(area.width, 14);
    EXPECT_EQ(Bgr(area, 7, 1), (std::array{0xF0, 0xF0, 0xF0}));
    EXPECT_EQ(Bgr(area, 7, 2), (std::array{0, 0, 0}));
    EXPECT_EQ(Bgr(area, 7, 11), (std::array{0, 0, 0}));
    EXPECT_EQ(Bgr(area, 7, 12), (std::array{0xF0, 0xF0, 0xF0}));

    const ByteBuffer bmp = board.TakeSnapshot(16, 16);
    ASSERT_EQ(bmp.size(), 54u + 16 * 48);
    EXPECT_EQ(ReadU32(bmp, 2), bmp.size());
    EXPECT_EQ(ReadU32(bmp, 10), 54u);
    EXPECT_EQ(ReadI32(bmp, 18), 16);
    EXPECT_EQ(ReadI32(bmp, 22), 16);
    EXPECT_EQ(ReadU16(bmp, 28), 24u);
    EXPECT_EQ(bmp[54], 0xF0);  // bottom row first: background

    // Read in small pieces from a stream, the same picture draws the same area.
    struct PieceStream : PictureStream {
        ByteView rest;
        std::size_t Read(std::uint8_t* out, std::size_t size) override {
            const std::size_t n = std::min<std::size_t>({size, rest.size(), 7});
            std::memcpy(out, rest.data(), n);
            rest = rest.subspan(n);
            return n;
        }
    };
    for (const ByteBuffer& file : {EncodePngRgba(640, 480, rgba), EncodeJpeg(64, 48, 1, std::vector<std::uint8_t>(64 * 48, 90)),
                                   MakeBmp(2, 2, 24, 0, {}, ByteBuffer(16, 9))}) {
        DrawingBoard from_bytes, from_stream;
        for (DrawingBoard* b : {&from_bytes, &from_stream}) {
            b->SetSize(16, 16);
            b->SetPictureMode(2);
        }
        ASSERT_TRUE(from_bytes.SetPicture(file));
        PieceStream stream;
        stream.rest = file;
        ASSERT_TRUE(from_stream.SetPictureFrom(stream, file.size()));
        EXPECT_EQ(from_stream.drawing_area().bgra, from_bytes.drawing_area().bgra);
    }

    EXPECT_FALSE(board.SetPicture(ByteBuffer{'B', 'M', 1, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_TRUE(board.picture().empty());
    EXPECT_EQ(Bgr(board.drawing_area(), 7, 7), (std::array{0xF0, 0xF0, 0xF0}));
}

}  // namespace
}  // namespace icoforge
