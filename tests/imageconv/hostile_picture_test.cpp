// Small files whose headers ask for far more than they hold: each fails, says why, and
// leaves no pixel store behind. A few valid files built the same way keep the checks honest.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "common/byte_writer.h"
#include "common/path.h"
#include "imageconv/convert.h"
#include "platform/system_failure.h"
#include "platform/temp_mapping.h"
#include "picture_test_util.h"

namespace icoforge {
namespace {

ByteBuffer Bmp24(std::int32_t width, std::int32_t height, std::size_t pixel_bytes) {
    ByteWriter w(54);
    test::WriteBmp24Header(w, width, height, pixel_bytes);
    w.Zeros(pixel_bytes);
    return w.Take();
}

ByteBuffer Pcx8(std::uint16_t width, std::uint16_t height, const ByteBuffer& data) {
    ByteWriter w(128);
    w.U8(0x0A);
    w.U8(5);
    w.U8(1);
    w.U8(8);
    w.U16(0);
    w.U16(0);
    w.U16(static_cast<std::uint16_t>(width - 1));
    w.U16(static_cast<std::uint16_t>(height - 1));
    w.Zeros(65 - 12);
    w.U8(1);  // planes
    w.U16(width);
    w.Zeros(128 - 68);
    w.Bytes(data);
    w.Zeros(768);  // palette
    return w.Take();
}

// An 8-bit grey TIFF of one strip holding `data`, uncompressed unless told otherwise.
ByteBuffer GreyTiff(std::uint32_t width, std::uint32_t height, const ByteBuffer& data, std::uint16_t compression = 1) {
    struct Entry {
        std::uint16_t tag, type;
        std::uint32_t value;
    };
    const std::uint32_t data_offset = 8 + 2 + 9 * 12 + 4;
    const Entry entries[] = {{256, 4, width}, {257, 4, height}, {258, 3, 8},           {259, 3, compression},
                             {262, 3, 1},     {273, 4, data_offset}, {277, 3, 1},      {278, 4, height},
                             {279, 4, static_cast<std::uint32_t>(data.size())}};
    ByteWriter w(data_offset);
    w.U32(0x002A4949);  // "II", 42
    w.U32(8);
    w.U16(9);
    for (const Entry& e : entries) {
        w.U16(e.tag);
        w.U16(e.type);
        w.U32(1);
        w.U32(e.value);  // a SHORT sits in the low half, little-endian
    }
    w.U32(0);
    w.Bytes(data);
    return w.Take();
}

// A grey Huffman-coded JPEG whose every block is flat: one-bit codes for "no change" and
// "end of block". Baseline files carry both per block; a progressive one starts with a
// DC-only scan of one bit per block.
ByteBuffer GreyJpeg(std::uint16_t width, std::uint16_t height, bool progressive, std::size_t data_bytes) {
    ByteBuffer j = {0xFF, 0xD8, 0xFF, 0xDB, 0x00, 0x43, 0x00};
    j.insert(j.end(), 64, 1);
    j.insert(j.end(), {0xFF, static_cast<std::uint8_t>(progressive ? 0xC2 : 0xC0), 0x00, 0x0B, 0x08,
                       static_cast<std::uint8_t>(height >> 8), static_cast<std::uint8_t>(height),
                       static_cast<std::uint8_t>(width >> 8), static_cast<std::uint8_t>(width), 0x01, 0x01, 0x11,
                       0x00});
    for (std::uint8_t table_class : {0x00, 0x10}) {  // DC then AC table 0: one code of length 1, symbol 0
        j.insert(j.end(), {0xFF, 0xC4, 0x00, 0x14, table_class, 0x01});
        j.insert(j.end(), 15, 0);
        j.push_back(0x00);
    }
    j.insert(j.end(), {0xFF, 0xDA, 0x00, 0x08, 0x01, 0x01, 0x00, 0x00, static_cast<std::uint8_t>(progressive ? 0 : 63),
                       0x00});
    j.insert(j.end(), data_bytes, 0x00);
    j.insert(j.end(), {0xFF, 0xD9});
    return j;
}

ByteBuffer GreyPng(std::uint32_t width, std::uint32_t height, std::uint32_t rows_given, const ByteBuffer& extra = {}) {
    return test::MakePng(width, height, 8, 0, std::vector<ByteBuffer>(rows_given, ByteBuffer(width, 0x80)), extra);
}

// A tEXt chunk whose length claims a gigabyte; the file ends long before.
ByteBuffer HugeTextChunk() { return {0x40, 0x00, 0x00, 0x00, 't', 'E', 'X', 't', 'k', 'e', 'y', 0}; }

TEST(HostilePictures, DeclaredSizesBeyondTheLimitOrTheDataFailBeforeAnythingIsAllocated) {
    struct Case {
        const char* name;
        std::function<ByteBuffer()> make;
        std::string reason;  // empty for a picture that converts
    };
    const std::string kTooLarge = TooManyPixelsText(kMaxPicturePixels);
    const Case cases[] = {
        {"bmp-beyond-limit", [] { return Bmp24(30000, 30000, 4); }, kTooLarge},
        {"bmp-rows-missing", [] { return Bmp24(5000, -5000, 5000 * 3 * 4999); }, kNotAPictureText},
        {"bmp-valid", [] { return Bmp24(5, 3, 16 * 3); }, ""},
        {"pcx-beyond-limit", [] { return Pcx8(30000, 30000, {0}); }, kTooLarge},
        {"pcx-one-byte-for-all-lines", [] { return Pcx8(5000, 5000, {0}); }, kNotAPictureText},
        {"pcx-longest-runs", [] { return Pcx8(126, 2, ByteBuffer(8, 0xFF)); }, ""},
        {"tiff-beyond-limit", [] { return GreyTiff(30000, 30000, {0, 0, 0, 0}); }, kTooLarge},
        {"tiff-strip-too-short", [] { return GreyTiff(9000, 9000, {0, 0, 0, 0}); }, kNotAPictureText},
        {"tiff-deflate-beyond-inflation", [] { return GreyTiff(9000, 9000, ByteBuffer(64, 0), 8); },
         kNotAPictureText},
        {"tiff-valid", [] { return GreyTiff(2, 2, {0, 1, 2, 3}); }, ""},
        {"jpeg-progressive-beyond-limit", [] { return GreyJpeg(60000, 60000, true, 16); },
         kTooLarge},
        {"jpeg-fewer-bits-than-blocks", [] { return GreyJpeg(9000, 9000, false, 128); }, kNotAPictureText},
        {"jpeg-valid", [] { return GreyJpeg(64, 64, false, 16); }, ""},
        {"png-beyond-limit", [] { return GreyPng(30000, 30000, 1); }, kTooLarge},
        {"png-rows-beyond-inflation", [] { return GreyPng(9000, 9000, 1); }, kNotAPictureText},
        {"png-gigabyte-text", [] { return GreyPng(4, 4, 4, HugeTextChunk()); }, kNotAPictureText},
        {"png-valid", [] { return GreyPng(4, 4, 4); }, ""},
    };
    for (const Case& c : cases) {
        const std::string source = test::TestPath(c.name);
        const std::string out = source + ".bmp";
        test::WriteBytes(source, c.make());
        const auto outcome = ConvertToBmpOutcome(source, out);
        EXPECT_EQ(outcome ? "" : outcome.error().reason, c.reason) << c.name;
        if (!outcome) {
            EXPECT_EQ(outcome.error().path, source) << c.name;
        }
        EXPECT_EQ(std::filesystem::exists(PathFromUtf8(out)), c.reason.empty()) << c.name;
        EXPECT_TRUE(test::PixstoreFiles().empty()) << c.name;
    }
}

TEST(HostilePictures, ConversionSaysWhyItFailed) {
    const std::string source = test::TestPath("why.bmp");
    test::WriteBytes(source, Bmp24(2, 2, 16));
    EXPECT_EQ(ConvertToBmp(source, std::nullopt), kConvertMissingArgument);
    const std::string missing = test::TestPath("missing.bmp");
    const std::string folder = test::TestPath("a-folder-to-convert");
    std::filesystem::create_directories(PathFromUtf8(folder));
    const std::string unwritable = test::TestPath("no-such-folder/out.bmp");
    struct Case {
        std::string source;
        std::string destination;
        std::int32_t code;
        std::string what;
        std::string path;
        std::string reason;  // empty: the system's words, which differ by platform
    };
    const Case cases[] = {
        {missing, source + ".1.bmp", kConvertSourceNotFound, "read", missing, ""},
        {folder, source + ".2.bmp", kConvertNotDecoded, "read", folder, kNotRegularFileText},
        {source, unwritable, kConvertCannotWrite, "write", unwritable, ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ConvertToBmp(c.source, c.destination), c.code) << c.path;
        const auto outcome = ConvertToBmpOutcome(c.source, c.destination);
        ASSERT_FALSE(outcome) << c.path;
        EXPECT_EQ(outcome.error().what, c.what) << c.path;
        EXPECT_EQ(outcome.error().path, c.path);
        if (c.reason.empty()) {
            EXPECT_NE(outcome.error().system_error, 0) << c.path;
            EXPECT_FALSE(outcome.error().reason.empty()) << c.path;
        } else {
            EXPECT_EQ(outcome.error().reason, c.reason);
        }
    }

    // With the temporary folder gone, a valid picture fails for that reason, by name.
    const std::string gone = test::TestPath("no-such-temp-folder");
    test::SetTempEnvironment(gone);
    const auto no_temp = ConvertToBmpOutcome(source, source + ".out.bmp");
    const std::int32_t no_temp_code = ConvertToBmp(source, source + ".out.bmp");
    test::SetTempEnvironment(test::TempBase());
    EXPECT_EQ(no_temp_code, kConvertNotDecoded);
    ASSERT_FALSE(no_temp);
    EXPECT_EQ(no_temp.error().what, kUseTempFolderStep);
    EXPECT_NE(no_temp.error().path.find("no-such-temp-folder"), std::string::npos) << no_temp.error().path;
    EXPECT_FALSE(no_temp.error().reason.empty());
    EXPECT_TRUE(ConvertToBmpOutcome(source, source + ".out.bmp"));
}

}  // namespace
}  // namespace icoforge
