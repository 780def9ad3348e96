// Every file of the public picture collections drawn on the board at two sizes; where an
// independent decoder (libjpeg's full decode, libpng's simplified interface) reads the
// file, the drawn rectangle must match its picture averaged down to the same rectangle.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/board/board_geometry.h"
#include "app/board/drawing_board.h"
#include "app/board/icon_pictures.h"
#include "platform/file_io.h"
#include "tests/board/picture_encoders.h"

namespace icoforge {
namespace {

namespace fs = std::filesystem;

constexpr const char* kBoardFolders[] = {"bmp", "cur", "gif", "ico", "jpeg", "pcx", "png"};
// Mean difference per channel allowed between the board and the reference, in levels of
// 255. PNG rows come from libpng's row interface rather than its simplified one, and the
// board's averages are rounded integers: under a level. A JPEG on a small board comes
// from libjpeg's DCT scaling, which keeps the lowest frequencies of each block instead of
// averaging its pixels: a detailed picture stays a little sharper, by several levels.
constexpr double kTolerance = 1.0;
constexpr double kDctScaledJpegTolerance = 8.0;

std::vector<fs::path> CorpusFiles() {
    std::vector<fs::path> files;
    const fs::path root = ICOFORGE_CORPUS_DIR;
    for (const char* folder : kBoardFolders) {
        std::error_code error;
        for (fs::recursive_directory_iterator it(root / folder, error), end; !error && it != end; it.increment(error))
            if (it->is_regular_file()) files.push_back(it->path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

// For each target pixel along one axis, how much of each source pixel it covers, in
// doubles: the exact area average, worked out apart from the board's integer version.
std::vector<std::vector<std::pair<std::int32_t, double>>> Coverage(std::int32_t source, std::int32_t target) {
    std::vector<std::vector<std::pair<std::int32_t, double>>> weights(static_cast<std::size_t>(target));
    const double step = static_cast<double>(source) / target;
    for (std::int32_t t = 0; t < target; ++t) {
        const double from = t * step, to = (t + 1) * step;
        for (auto s = static_cast<std::int32_t>(from); s < source && s < to; ++s) {
            const double part = std::min<double>(to, s + 1) - std::max<double>(from, s);
            if (part > 0) weights[t].emplace_back(s, part / step);
        }
    }
    return weights;
}

// The reference averaged down to width x height, red, green, blue.
std::vector<double> AreaAverage(const test::RgbaPicture& picture, std::int32_t width, std::int32_t height) {
    const auto across = Coverage(picture.width, width);
    const auto down = Coverage(picture.height, height);
    std::vector<double> out(static_cast<std::size_t>(width) * height * 3, 0.0);
    for (std::int32_t y = 0; y < height; ++y)
        for (const auto& [sy, wy] : down[y])
            for (std::int32_t x = 0; x < width; ++x)
                for (const auto& [sx, wx] : across[x]) {
                    const std::uint8_t* p = &picture.rgba[(static_cast<std::size_t>(sy) * picture.width + sx) * 4];
                    for (int c = 0; c < 3; ++c) out[(static_cast<std::size_t>(y) * width + x) * 3 + c] += wx * wy * p[c];
                }
    return out;
}

std::optional<test::RgbaPicture> Reference(BoardPictureKind kind, ByteView bytes, RgbColour background) {
    if (kind == BoardPictureKind::Jpeg) return test::ReferenceJpeg(bytes);
    if (kind != BoardPictureKind::Png) return std::nullopt;
    auto picture = test::ReferencePng(bytes);
    if (!picture) return std::nullopt;
    const std::uint8_t back[3] = {background.red, background.green, background.blue};
    for (std::size_t i = 0; i < picture->rgba.size(); i += 4) {
        const double coverage = picture->rgba[i + 3] * (1.0 / 255);
        // A blend whose exact value is a whole number may come out a hair below it (the
        // i686 build computes in x87 precision); truncating that would lose a whole level.
        for (int c = 0; c < 3; ++c)
            picture->rgba[i + c] =
                static_cast<std::uint8_t>(coverage * picture->rgba[i + c] + (1 - coverage) * back[c] + 1e-9);
    }
    return picture;
}

TEST(BoardCorpus, EveryPictureRendersAndMatchesItsReference) {
    const auto files = CorpusFiles();
    if (files.empty()) GTEST_SKIP() << "no public test files beside the checkout";
    int drawn = 0, compared = 0;
    double worst[2] = {0, 0};  // other pictures, JPEG shrunk by DCT scaling
    std::string worst_file[2];
    for (const fs::path& path : files) {
        const auto bytes = ReadWholeFile(path.string());
        if (!bytes) continue;
        for (const std::int32_t size : {32, 128}) {
            DrawingBoard board;
            board.SetSize(size, size);
            board.SetPictureMode(2);
            if (!board.SetPicture(*bytes)) continue;
            ++drawn;
            const ByteBuffer snapshot = board.TakeSnapshot(size, size);
            ASSERT_EQ(snapshot.size(), 54u + static_cast<std::size_t>((size * 3 + 3) / 4 * 4) * size);

            const auto kind = board.picture_kind();
            const auto reference = Reference(*kind, *bytes, board.background());
            if (!reference || reference->width <= 0) continue;
            const BoardImage& area = board.drawing_area();
            const BoardPlacement place = FitPicture(area.width, area.height, reference->width, reference->height);
            if (place.width <= 0 || place.height <= 0) continue;
            const std::vector<double> expected = AreaAverage(*reference, place.width, place.height);
            double total = 0;
            for (std::int32_t y = 0; y < place.height; ++y)
                for (std::int32_t x = 0; x < place.width; ++x) {
                    const std::uint8_t* p = area.Row(place.y + y) + (place.x + x) * 4;
                    const double* e = &expected[(static_cast<std::size_t>(y) * place.width + x) * 3];
                    total += std::abs(p[2] - e[0]) + std::abs(p[1] - e[1]) + std::abs(p[0] - e[2]);
                }
            const double mean = total / (3.0 * place.width * place.height);
            ++compared;
            const bool shrunk_jpeg = *kind == BoardPictureKind::Jpeg && place.width < reference->width;
            if (mean > worst[shrunk_jpeg])
                worst[shrunk_jpeg] = mean, worst_file[shrunk_jpeg] = path.string() + " at " + std::to_string(size);
            EXPECT_LE(mean, shrunk_jpeg ? kDctScaledJpegTolerance : kTolerance)
                << path << " at " << size;
        }
    }
    std::printf("drawn %d, compared with a reference %d; worst mean difference %.2f (%s), %.2f for a shrunk JPEG (%s)\n",
                drawn, compared, worst[0], worst_file[0].c_str(), worst[1], worst_file[1].c_str());
    EXPECT_GT(drawn, 0);
}

// The icon maker turns a photo or scan as its Orientation tag says. Pillow's test pictures
// are the reference: its portrait once stored upright and once stored turned with EXIF
// saying 6, and one fax page stored in each of the eight orientations. Turned wrongly, the
// pictures differ by 20 levels and more; stored differently, by a few.
TEST(IconPicturesCorpus, PhotosAndScansComeOutUpright) {
    const fs::path root = ICOFORGE_CORPUS_DIR;
    if (!fs::exists(root / "tiff")) GTEST_SKIP() << "no public test files beside the checkout";
    struct Case {
        std::string upright, stored;
        double tolerance;  // mean difference per channel; the JPEGs were compressed apart
    };
    std::vector<Case> cases = {{"jpeg/pillow/hopper.jpg", "jpeg/pillow/hopper_orientation_6.jpg", 8.0}};
    for (int i = 2; i <= 8; ++i)
        cases.push_back(
            {"tiff/pillow/g4_orientation_1.tif", "tiff/pillow/g4_orientation_" + std::to_string(i) + ".tif", 1.0});
    for (const Case& c : cases) {
        const auto upright = ReadIconPictures((root / c.upright).string(), {});
        const auto stored = ReadIconPictures((root / c.stored).string(), {});
        ASSERT_TRUE(upright && stored) << c.stored;
        const RgbaImage& a = upright->front().pixels;
        const RgbaImage& b = stored->front().pixels;
        ASSERT_EQ(std::pair(a.width, a.height), std::pair(b.width, b.height)) << c.stored;
        EXPECT_EQ(std::pair(stored->front().own_width, stored->front().own_height), std::pair(a.width, a.height));
        double total = 0;
        for (std::size_t i = 0; i < a.pixels.size(); ++i) total += std::abs(a.pixels[i] - b.pixels[i]);
        EXPECT_LE(total / static_cast<double>(a.pixels.size()), c.tolerance) << c.stored;
    }
}

}  // namespace
}  // namespace icoforge
