// The extract command on the public pictures of every kind the board draws: whatever the
// picture, 1.ico is a single icon of the chosen size, and it shows the snapshot the run
// took, every white pixel transparent. The icon is read by the tests' own small reader.

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "app/commands/presenter.h"
#include "app/commands/texts.h"
#include "common/path.h"
#include "platform/file_io.h"
#include "tests/app/icon_checks.h"
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

TEST(ExtractCorpus, EveryPictureBecomesAnIconOfItsSnapshot) {
    const fs::path root = ICOFORGE_CORPUS_DIR;
    if (!fs::is_directory(root)) GTEST_SKIP() << "no public test files at " << root;
    const auto pictures = Pictures(root);
    ASSERT_FALSE(pictures.empty());
    testing::TempFolder folder;
    testing::RecordingUi ui;
    Presenter presenter(ui, {folder.File(""), folder.File(""), {}});
    int drawn = 0;
    const IconSizeChoice choices[] = {IconSizeChoice::Size16, IconSizeChoice::Size32, IconSizeChoice::Size64,
                                      IconSizeChoice::Size128};
    for (std::size_t i = 0; i < pictures.size(); ++i) {
        const std::string source = Utf8FromPath(pictures[i]);
        SCOPED_TRACE(source);
        ui.checked = choices[i % 4];
        presenter.UpdateIconSize();
        const std::int32_t edge = presenter.icon_size().width;
        presenter.OnFilesDropped(source);
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
        testing::ExpectIconOfSnapshot(*icon, *shot, edge);
    }
    presenter.OnDestroying();
    // Most public pictures are drawn; the rest are damaged on purpose.
    EXPECT_GT(drawn, static_cast<int>(pictures.size()) / 2);
    std::printf("%d of %zu pictures drawn\n", drawn, pictures.size());
}

}  // namespace
}  // namespace icoforge
