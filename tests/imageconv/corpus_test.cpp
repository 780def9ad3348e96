// Conformance against the public test files beside the checkout. Each format is compared
// with a decoding that does not go through the converter: libpng itself, or the reference
// renderings that ship with the suites.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "common/byte_reader.h"
#include "common/path.h"
#include "imageconv/convert.h"
#include "picture_test_util.h"
#include "platform/file_io.h"

namespace icoforge {
namespace {

namespace fs = std::filesystem;
using test::RgbPicture;

// The reference renderings of the JPEG suites were made by other libjpeg builds, whose
// upsampling and IDCT round a little differently.
constexpr int kJpegTolerance = 3;

std::string Corpus(const std::string& relative) { return std::string(ICOFORGE_CORPUS_DIR) + "/" + relative; }

#define SKIP_WITHOUT_CORPUS()                                                                        \
    do {                                                                                             \
        if (!fs::is_directory(PathFromUtf8(Corpus(""))))                                             \
            GTEST_SKIP() << "public test files not found at " << ICOFORGE_CORPUS_DIR;                \
    } while (0)

std::vector<std::string> FilesIn(const std::string& relative, const std::string& extension) {
    std::vector<std::string> files;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(PathFromUtf8(Corpus(relative)), ec))
        if (entry.is_regular_file() && entry.path().extension() == extension) files.push_back(Utf8FromPath(entry.path()));
    std::sort(files.begin(), files.end());
    return files;
}

std::string Name(const std::string& path) { return Utf8FromPath(PathFromUtf8(path).filename()); }

struct Result {
    std::int32_t code = 0;
    std::optional<RgbPicture> picture;
};

enum class ReadBack { Picture, CodeOnly };

// Converts `source`; the written picture is read back only when the caller looks at it,
// as reading back a large one costs more than converting it.
Result Convert(const std::string& source, ReadBack read_back = ReadBack::Picture) {
    const std::string out = test::TestPath("corpus-out.bmp");
    std::error_code ec;
    fs::remove(PathFromUtf8(out), ec);
    Result result;
    result.code = ConvertToBmp(source, out);
    if (result.code == 1 && read_back == ReadBack::Picture) {
        result.picture = test::ReadBmp24(out);
        if (!result.picture) {  // callers check the code before they look at the picture
            ADD_FAILURE() << "unreadable output of " << source;
            result.code = 0;
        }
    }
    EXPECT_TRUE(test::PixstoreFiles().empty()) << source;
    return result;
}

std::int32_t ConvertCode(const std::string& source) { return Convert(source, ReadBack::CodeOnly).code; }

// Fails with the worst pixel when any channel differs by more than `tolerance`.
void ExpectSame(const RgbPicture& got, const RgbPicture& want, int tolerance, const std::string& label) {
    ASSERT_EQ(got.width, want.width) << label;
    ASSERT_EQ(got.height, want.height) << label;
    int worst = 0;
    std::size_t worst_at = 0;
    for (std::size_t i = 0; i < got.rgb.size(); ++i) {
        const int diff = std::abs(int{got.rgb[i]} - int{want.rgb[i]});
        if (diff > worst) {
            worst = diff;
            worst_at = i / 3;
        }
    }
    EXPECT_LE(worst, tolerance) << label << ": worst difference at pixel (" << worst_at % got.width << ", "
                                << worst_at / got.width << ")";
}

void ExpectConvertsLike(const std::string& source, const std::optional<RgbPicture>& reference, int tolerance) {
    ASSERT_TRUE(reference.has_value()) << "reference for " << source;
    const Result result = Convert(source);
    ASSERT_EQ(result.code, 1) << source;
    ASSERT_TRUE(result.picture.has_value()) << source;
    ExpectSame(*result.picture, *reference, tolerance, source);
}

int PngBitDepth(const std::string& path) {
    const auto bytes = ReadWholeFile(path);
    return bytes ? ReadU8(*bytes, 24).value_or(0) : 0;
}

// Every PNG of a folder: 16-bit files and the suite's corrupt "x" files give -3, every
// other one matches libpng's own decoding with the same gamma handling.
void CheckPngFolder(const std::string& folder, bool corrupt_by_name) {
    const auto files = FilesIn(folder, ".png");
    ASSERT_FALSE(files.empty()) << folder;
    for (const std::string& path : files) {
        SCOPED_TRACE(path);
        if (corrupt_by_name && Name(path)[0] == 'x') {
            EXPECT_EQ(ConvertCode(path), -3);
        } else if (PngBitDepth(path) > 8) {
            EXPECT_EQ(ConvertCode(path), -3);
        } else {
            ExpectConvertsLike(path, test::ReadPngRgb(path, true), 0);
        }
    }
}

TEST(CorpusPng, PngSuite) {
    SKIP_WITHOUT_CORPUS();
    CheckPngFolder("png/pngsuite", true);
}

TEST(CorpusPng, LibpngTestImagesAndInterlacedExtras) {
    SKIP_WITHOUT_CORPUS();
    CheckPngFolder("png/libpng-testpngs", false);
    CheckPngFolder("png/libpng-pngsuite-extra", false);
    CheckPngFolder("png/libpng-pngsuite-extra/interlaced", false);
}

TEST(CorpusPng, HostileFilesFailCleanly) {
    SKIP_WITHOUT_CORPUS();
    int refused = 0;
    for (const std::string& path : FilesIn("png/libpng-testpngs/crashers", ".png")) {
        const std::int32_t code = ConvertCode(path);
        if (Name(path) == "badcrc.png") {
            EXPECT_EQ(code, -3);
        } else {
            EXPECT_TRUE(code == 1 || code == -3) << path;
        }
        refused += code == -3;
    }
    EXPECT_GE(refused, 5);  // bad checksums, huge chunks, huge IDAT
    // Short palettes: whatever the outcome, nothing outside the palette is read.
    for (const std::string& path : FilesIn("png/libpng-testpngs/badpal", ".png")) {
        const std::int32_t code = ConvertCode(path);
        EXPECT_TRUE(code == 1 || code == -3) << path;
    }
}

// Header facts of a BMP: depth and compression, whichever header it has.
struct BmpFacts {
    std::uint32_t bits = 0;
    std::uint32_t compression = 0;
};
BmpFacts ReadBmpFacts(const std::string& path) {
    const auto bytes = ReadWholeFile(path);
    if (!bytes) return {};
    const ByteView data(*bytes);
    if (ReadU32(data, 14).value_or(0) == 12) return {ReadU16(data, 24).value_or(0), 0};
    return {ReadU16(data, 28).value_or(0), ReadU32(data, 30).value_or(0)};
}

RgbPicture SwapRedGreen(RgbPicture picture) {
    for (std::size_t i = 0; i < picture.rgb.size(); i += 3) std::swap(picture.rgb[i], picture.rgb[i + 1]);
    return picture;
}

TEST(CorpusBmp, BmpSuiteTwentyFourBitFilesArePixelExactAndOthersRefused) {
    SKIP_WITHOUT_CORPUS();
    const auto reference = test::ReadPngRgb(Corpus("bmp/bmpsuite/html/rgb24.png"), false);
    ASSERT_TRUE(reference.has_value());
    int exact = 0;
    for (const char* folder : {"bmp/bmpsuite/g", "bmp/bmpsuite/q"}) {
        for (const std::string& path : FilesIn(folder, ".bmp")) {
            SCOPED_TRACE(path);
            const BmpFacts facts = ReadBmpFacts(path);
            if (facts.bits == 24 && (facts.compression == 0 || facts.compression == 3)) {
                // This one stores red and green exchanged and relies on its colour profile to
                // undo it; profiles are not applied, so the stored pixels come out.
                ExpectConvertsLike(path, Name(path) == "rgb24prof2.bmp" ? SwapRedGreen(*reference) : *reference, 0);
                ++exact;
            } else {
                EXPECT_EQ(ConvertCode(path), -3);
            }
        }
    }
    EXPECT_GE(exact, 6);
    for (const std::string& path : FilesIn("bmp/bmpsuite/b", ".bmp")) {
        const std::int32_t code = ConvertCode(path);  // damaged 24-bit files: either, without a crash
        if (ReadBmpFacts(path).bits != 24) {
            EXPECT_EQ(code, -3) << path;
        }
    }
}

TEST(CorpusBmp, OtherTwentyFourBitFilesMatchTheirReferences) {
    SKIP_WITHOUT_CORPUS();
    for (const char* name : {"Info_R8_G8_B8", "Info_R8_G8_B8_Top_Down", "V4_24_Bit", "V5_24_Bit"}) {
        const std::string bmp = Corpus(std::string("bmp/image-rs/") + name + ".bmp");
        ExpectConvertsLike(bmp, test::ReadPngRgb(Corpus(std::string("bmp/image-rs/reference/") + name + ".bmp.png"), false), 0);
    }
    ExpectConvertsLike(Corpus("bmp/sdl_image/sample.bmp"), test::ReadPngRgb(Corpus("pcx/sdl_image/sample.png"), false), 0);
    for (const std::string& path : FilesIn("bmp/image-rs/bad", ".bmp")) EXPECT_EQ(ConvertCode(path), -3) << path;
}

bool IsGrey(const RgbPicture& picture) {
    for (std::size_t i = 0; i < picture.rgb.size(); i += 3)
        if (picture.rgb[i] != picture.rgb[i + 1] || picture.rgb[i] != picture.rgb[i + 2]) return false;
    return true;
}

TEST(CorpusJpeg, ReferenceDecodesMatchAndFourComponentFilesAreRefused) {
    SKIP_WITHOUT_CORPUS();
    const std::set<std::string> four_components = {"jpg-cmyk-1.jpg", "jpg-cmyk-2.jpg", "ycck.jpg"};
    int compared = 0;
    for (const char* folder : {"jpeg/jpeg-decoder-reftest", "jpeg/jpeg-decoder-reftest/mozilla"}) {
        for (const std::string& path : FilesIn(folder, ".jpg")) {
            SCOPED_TRACE(path);
            if (four_components.count(Name(path)) != 0) {
                EXPECT_EQ(ConvertCode(path), -3);
                continue;
            }
            std::string png = path.substr(0, path.size() - 4) + ".png";
            ExpectConvertsLike(path, test::ReadPngRgb(png, false), kJpegTolerance);
            ++compared;
        }
    }
    EXPECT_GE(compared, 30);
    EXPECT_EQ(ConvertCode(Corpus("jpeg/pillow/pil_sample_cmyk.jpg")), -3);
    // 12-bit samples are not for an 8-bit decoder.
    EXPECT_EQ(ConvertCode(Corpus("jpeg/libjpeg-turbo/monkey12.jpg")), -3);
}

TEST(CorpusJpeg, GreyProgressiveArithmeticAndTruncatedFiles) {
    SKIP_WITHOUT_CORPUS();
    for (const char* grey : {"jpeg/jpeg-decoder-reftest/mozilla/jpg-gray.jpg", "jpeg/wuffs/peacock.grayscale.jpeg",
                             "jpeg/pillow/hopper_gray.jpg", "jpeg/corkami-mini/jpg.jpg"}) {
        const Result result = Convert(Corpus(grey));
        ASSERT_EQ(result.code, 1) << grey;
        EXPECT_TRUE(IsGrey(*result.picture)) << grey;
    }
    // Progressive and baseline codings of one picture decode alike, as do Huffman and
    // arithmetic codings.
    const Result baseline = Convert(Corpus("jpeg/wuffs/peacock.default.jpeg"));
    const Result progressive = Convert(Corpus("jpeg/wuffs/peacock.progressive.jpeg"));
    ASSERT_EQ(baseline.code, 1);
    ASSERT_EQ(progressive.code, 1);
    ExpectSame(*progressive.picture, *baseline.picture, kJpegTolerance, "peacock progressive");
    const Result huffman = Convert(Corpus("jpeg/libjpeg-turbo/testimgint.jpg"));
    const Result arithmetic = Convert(Corpus("jpeg/libjpeg-turbo/testimgari.jpg"));
    ASSERT_EQ(huffman.code, 1);
    ASSERT_EQ(arithmetic.code, 1);
    ExpectSame(*arithmetic.picture, *huffman.picture, 0, "arithmetic coding");
    // A file cut short still decodes; the missing rows come out as libjpeg fills them.
    for (const char* cut : {"peacock.default.truncated", "peacock.progressive.truncated"}) {
        const std::string base = Corpus(std::string("jpeg/wuffs/") + cut);
        ExpectConvertsLike(base + ".jpeg", test::ReadPngRgb(base + ".decoded-by-djpeg.png", false), kJpegTolerance);
    }
}

TEST(CorpusJpeg, MalformedFilesDoNotCrash) {
    SKIP_WITHOUT_CORPUS();
    int refused = 0;
    for (const char* folder : {"jpeg/jpeg-decoder-crashtest", "jpeg/jpeg-decoder-crashtest/imagetestsuite"}) {
        for (const std::string& path : FilesIn(folder, ".jpg")) {
            const std::int32_t code = ConvertCode(path);
            EXPECT_TRUE(code == 1 || code == -3) << path;
            refused += code == -3;
        }
    }
    EXPECT_GT(refused, 0);
    EXPECT_EQ(ConvertCode(Corpus("jpeg/jpeg-decoder-crashtest/empty.jpg")), -3);
}

// One pass over the TIFF folders, each file converted once: those with a reference
// decoding must match it, those that store a lossless picture in another way (palette,
// LZW, tiles) must convert, and every other one converts or fails cleanly.
TEST(CorpusTiff, ReferencesMatchAndEveryFileConvertsOrFailsCleanly) {
    SKIP_WITHOUT_CORPUS();
    struct Reference {
        const char* file;
        int tolerance;
    };
    const std::map<std::string, Reference> references = {
        {"rgb-3c-8b.tiff", {"rgb-3c-8b.ppm", 0}},
        {"minisblack-1c-8b.tiff", {"minisblack-1c-8b.pgm", 0}},
        {"miniswhite-1c-1b.tiff", {"miniswhite-1c-1b.pbm", 0}},
        {"rgb-3c-16b.tiff", {"rgb-3c-16b.ppm", 1}},
    };
    const std::set<std::string> must_convert = {"palette-1c-8b.tiff", "lzw-single-strip.tiff", "quad-lzw-compat.tiff"};
    int converted = 0;
    int compared = 0;
    std::size_t required = 0;
    for (const char* folder : {"tiff/libtiff", "tiff/pillow", "tiff/pillow/tiff_gray_2_4_bpp", "tiff/wuffs",
                               "tiff/corkami-mini"}) {
        auto files = FilesIn(folder, ".tif");
        const auto tiffs = FilesIn(folder, ".tiff");
        files.insert(files.end(), tiffs.begin(), tiffs.end());
        for (const std::string& path : files) {
            const std::string name = Name(path);
            const auto reference = std::string(folder) == "tiff/libtiff" ? references.find(name) : references.end();
            if (reference != references.end()) {
                const auto picture = test::ReadPnm(Corpus(std::string(folder) + "/" + reference->second.file));
                ExpectConvertsLike(path, picture, reference->second.tolerance);
                ++compared;
                ++converted;
                continue;
            }
            const std::int32_t code = ConvertCode(path);
            if (must_convert.count(name) != 0) {
                EXPECT_EQ(code, 1) << path;
                ++required;
            }
            converted += code == 1;
        }
    }
    EXPECT_EQ(compared, static_cast<int>(references.size()));
    EXPECT_EQ(required, must_convert.size());
    EXPECT_GT(converted, 60);
    ExpectConvertsLike(Corpus("tiff/sdl_image/sample.tif"), test::ReadPngRgb(Corpus("pcx/sdl_image/sample.png"), false), 0);
}

TEST(CorpusPcx, EightAndTwentyFourBitFilesMatchTheirRenderings) {
    SKIP_WITHOUT_CORPUS();
    const std::string kde = Corpus("pcx/kimageformats/");
    for (const char* name : {"indexed8", "ccbug_463951", "rgb", "rgb-gimp-2.8.10", "bw"})
        ExpectConvertsLike(kde + name + ".pcx", test::ReadPngRgb(kde + name + ".png", false), 0);
    ExpectConvertsLike(Corpus("pcx/sdl_image/sample.pcx"), test::ReadPngRgb(Corpus("pcx/sdl_image/sample.png"), false), 0);
    const Result odd = Convert(Corpus("pcx/pillow/odd_stride.pcx"));
    ASSERT_EQ(odd.code, 1);
    EXPECT_EQ(odd.picture->width, 371);
    EXPECT_EQ(odd.picture->height, 150);
}

TEST(CorpusPcx, OtherDepthsAndBrokenFilesAreRefused) {
    SKIP_WITHOUT_CORPUS();
    for (const char* name : {"kimageformats/mono.pcx", "kimageformats/16color.pcx", "kimageformats/indexed4.pcx",
                             "kimageformats/CGA_FSD.pcx", "kimageformats/ICONDOC.pcx", "kimageformats/dice_rgba.pcx",
                             "pillow/01r_00.pcx", "pillow/ossfuzz-4836216264589312.pcx", "pillow/p_4_planes.pcx",
                             "pillow/pil184.pcx"})
        EXPECT_EQ(ConvertCode(Corpus(std::string("pcx/") + name)), -3) << name;
}

TEST(CorpusPhotoCd, OnlyASignedPackOfAtLeastOneMebibyteIsRead) {
    SKIP_WITHOUT_CORPUS();
    EXPECT_EQ(ConvertCode(Corpus("pcd/pillow/hopper.pcd")), -3);
    EXPECT_EQ(ConvertCode(Corpus("pcd/exiftool/PhotoCD.pcd")), -3);
    const Result padded = Convert(Corpus("pcd/derived/hopper_zero-padded_1048576.pcd"));
    ASSERT_EQ(padded.code, 1);
    EXPECT_EQ(padded.picture->width, 768);
    EXPECT_EQ(padded.picture->height, 512);
    EXPECT_FALSE(IsGrey(*padded.picture));
}

// The folders of other formats hold PNG renderings beside their files: what libpng
// decodes converts like libpng decodes it, everything else (a PNG signature with nothing
// behind it included) is refused.
TEST(CorpusOther, PicturesOfOtherFormatsAreRefused) {
    SKIP_WITHOUT_CORPUS();
    int refused = 0;
    for (const char* folder : {"gif/wuffs", "ico/pillow", "cur/pillow", "mocks/corkami"}) {
        for (const auto& entry : fs::directory_iterator(PathFromUtf8(Corpus(folder)))) {
            if (!entry.is_regular_file() || entry.file_size() >= 1'048'576) continue;
            const std::string path = Utf8FromPath(entry.path());
            if (path.ends_with(".md") || path.ends_with(".tsv") || path.ends_with(".txt")) continue;
            SCOPED_TRACE(path);
            if (const auto png = test::ReadPngRgb(path, true)) {
                ExpectConvertsLike(path, png, 0);
            } else {
                EXPECT_EQ(ConvertCode(path), -3);
                ++refused;
            }
        }
    }
    EXPECT_GT(refused, 25);
}

}  // namespace
}  // namespace icoforge
