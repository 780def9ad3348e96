// The extract command on the public pictures of every kind the board draws: whatever the
// picture, 1.ico is a single icon of the chosen size, and it shows the snapshot the run
// took, every white pixel transparent. The icon is read here by its own small reader.

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "app/commands/presenter.h"
#include "app/commands/texts.h"
#include "common/byte_reader.h"
#include "common/path.h"
#include "platform/file_io.h"
#include "tests/app/recording_ui.h"
#include "tests/support/temp_folder.h"

namespace icoforge {
namespace {

namespace fs = std::filesystem;

constexpr const char* kPictureFolders[] = {"jpeg", "png", "gif", "bmp", "pcx"};
constexpr const char* kPictureExtensions[] = {".jpg", ".jpeg", ".png", ".gif", ".bmp", ".pcx"};
// Enough of each folder to meet its odd files, few enough to stay quick.
constexpr std::size_t kFilesPerFolder = 40;

std::vector<fs::path> Pictures(const fs::path& root) {
    std::vector<fs::path> all;
    for (const char* folder : kPictureFolders) {
        std::vector<fs::path> files;
        std::error_code error;
        for (fs::recursive_directory_iterator it(root / folder, error), end; !error && it != end; it.increment(error)) {
            std::string extension = it->path().extension().string();
            std::transform(extension.begin(), extension.end(), extension.begin(),
                           [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
            if (it->is_regular_file() && std::ranges::find(kPictureExtensions, extension) != std::end(kPictureExtensions))
                files.push_back(it->path());
        }
        std::sort(files.begin(), files.end());
        if (files.size() > kFilesPerFolder) files.resize(kFilesPerFolder);
        all.insert(all.end(), files.begin(), files.end());
    }
    return all;
}

std::size_t RowBytes(std::size_t bits) { return (bits + 31) / 32 * 4; }

// Checks that `icon` is one 24-bit image of edge x edge whose colours are the snapshot's
// and whose mask marks exactly its white pixels.
void ExpectIconOfSnapshot(const ByteBuffer& icon, const ByteBuffer& snapshot, std::int32_t edge) {
    ASSERT_EQ(ReadU16(icon, 2), 1);  // an icon
    ASSERT_EQ(ReadU16(icon, 4), 1);  // one image
    ASSERT_EQ(ReadU8(icon, 6), edge);
    ASSERT_EQ(ReadU8(icon, 7), edge);
    const auto offset = ReadU32(icon, 18);
    ASSERT_TRUE(offset);
    ASSERT_EQ(ReadI32(icon, *offset + 4), edge);
    ASSERT_EQ(ReadI32(icon, *offset + 8), 2 * edge);
    ASSERT_EQ(ReadU16(icon, *offset + 14), 24);
    const std::size_t side = static_cast<std::size_t>(edge);
    const std::size_t colour_row = RowBytes(24 * side), mask_row = RowBytes(side);
    const std::size_t colours = *offset + 40, mask = colours + colour_row * side;
    ASSERT_GE(icon.size(), mask + mask_row * side);
    ASSERT_EQ(ReadU16(snapshot, 28), 24);
    const std::size_t pixels = *ReadU32(snapshot, 10);
    ASSERT_GE(snapshot.size(), pixels + colour_row * side);
    int wrong = 0;
    for (std::size_t y = 0; y < side; ++y) {
        for (std::size_t x = 0; x < side; ++x) {
            const std::uint8_t* want = snapshot.data() + pixels + y * colour_row + 3 * x;
            const std::uint8_t* got = icon.data() + colours + y * colour_row + 3 * x;
            const bool white = want[0] == 0xFF && want[1] == 0xFF && want[2] == 0xFF;
            const bool transparent = (icon[mask + y * mask_row + x / 8] >> (7 - x % 8)) & 1;
            if (transparent != white || (!white && !std::equal(want, want + 3, got))) ++wrong;
        }
    }
    EXPECT_EQ(wrong, 0);
}

TEST(ExtractCorpus, EveryPictureBecomesAnIconOfItsSnapshot) {
    const fs::path root = ICOFORGE_CORPUS_DIR;
    if (!fs::is_directory(root)) GTEST_SKIP() << "no public test files at " << root;
    const auto pictures = Pictures(root);
    ASSERT_FALSE(pictures.empty());
    testing::TempFolder folder;
    testing::RecordingUi ui;
    Presenter presenter(ui, {folder.File(""), folder.File(""), {}});
    ui.presenter = &presenter;
    int drawn = 0;
    const IconSizeChoice choices[] = {IconSizeChoice::Size16, IconSizeChoice::Size32, IconSizeChoice::Size64,
                                      IconSizeChoice::Size128};
    for (std::size_t i = 0; i < pictures.size(); ++i) {
        const std::string source = Utf8FromPath(pictures[i]);
        SCOPED_TRACE(source);
        ui.checked = choices[i % 4];
        presenter.UpdateIconSize();
        const std::int32_t edge = presenter.icon_size().width;
        ui.SetEditText(source);
        ui.log.clear();
        presenter.Extract();
        ASSERT_FALSE(ui.log.empty());
        if (ui.log.back().find(texts::kExtractSucceeded) != std::string::npos) ++drawn;
        // The snapshot is the file the conversion was made from: the name without ".bmp".
        std::string snapshot = presenter.current_source_path();
        snapshot.resize(snapshot.size() - 4);
        const auto icon = ReadWholeFile(folder.File("1.ico"));
        const auto shot = ReadWholeFile(snapshot);
        ASSERT_TRUE(icon && shot);
        ExpectIconOfSnapshot(*icon, *shot, edge);
    }
    presenter.OnDestroying();
    // Most public pictures are drawn; the rest are damaged on purpose.
    EXPECT_GT(drawn, static_cast<int>(pictures.size()) / 2);
    std::printf("%d of %zu pictures drawn\n", drawn, pictures.size());
}

}  // namespace
}  // namespace icoforge
