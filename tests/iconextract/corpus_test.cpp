// Real files: the public icon corpus beside the checkout, and system modules where the
// machine has them. Each test skips with a message when its files are absent.
#include <gtest/gtest.h>

#include <filesystem>

#include "common/byte_reader.h"
#include "common/path.h"
#include "iconextract/extract.h"
#include "iconextract/ico_reader.h"
#include "iconextract/icon_writers.h"
#include "iconextract/module_groups.h"
#include "platform/file_io.h"
#include "tests/iconextract/temp_folder.h"

namespace icoforge {
namespace {

namespace fs = std::filesystem;

const fs::path kCorpus = PathFromUtf8(ICOFORGE_CORPUS_DIR);

std::vector<fs::path> FilesUnder(const fs::path& dir) {
    std::vector<fs::path> files;
    std::error_code ec;
    if (!fs::is_directory(dir, ec)) return files;
    for (const auto& entry : fs::recursive_directory_iterator(dir))
        if (entry.is_regular_file()) files.push_back(entry.path());
    return files;
}

// Extracts every group of `module` as the extract command does, and checks each output
// against the module's own resources: the same images in the same order, byte for byte
// apart from a whole DIB's biSizeImage. Returns the names of the groups.
std::vector<module::ResourceName> CheckEveryGroup(const std::string& module_path, std::int32_t expected_count) {
    testing::TempFolder folder;
    const std::int32_t count = GetIconCount(module_path);
    EXPECT_EQ(count, expected_count);
    const auto bytes = ReadWholeFile(module_path).value();
    const auto module = module::ResourceModule::Parse(bytes);
    EXPECT_TRUE(module);
    std::vector<module::ResourceName> names;
    if (!module) return names;
    for (std::int32_t index = 1; index <= count; ++index) {
        const std::string out = folder.File(std::to_string(index) + ".ico");
        EXPECT_EQ(ExtractIconGroup(module_path, kModeWriteFile, out, index), count);
        const auto name = ProcessGroupEnumState().remembered_name;
        EXPECT_TRUE(name);
        if (!name) continue;
        names.push_back(*name);
        const auto original = LoadIconGroupFromModule(*module, *name, module_path);
        const auto written = ReadIcoFile(out);
        EXPECT_TRUE(original && written) << index;
        if (!original || !written) continue;
        EXPECT_EQ(written->image_count(), original->image_count()) << index;
        for (std::size_t i = 0; i < std::min(written->images.size(), original->images.size()); ++i) {
            const auto& in = original->images[i];
            ByteBuffer expected = in.data;
            if (in.complete) PutU32At(expected, 20, 0);
            EXPECT_EQ(written->images[i].data, expected) << index << "/" << i;
            EXPECT_EQ(written->images[i].encoding, in.encoding);
            if (in.encoding == ImageEncoding::Png) {
                const auto file = ReadWholeFile(out).value();
                const std::size_t entry = 6 + 16 * i;
                EXPECT_EQ(file[entry], in.width >= 256 ? 0 : in.width);
                EXPECT_EQ(ReadU16(file, entry + 6), 32);
            }
        }
    }
    return names;
}

TEST(Corpus, EveryIconAndCursorFileReadsAndWritesBack) {
    auto files = FilesUnder(kCorpus / "ico");
    const auto cursors = FilesUnder(kCorpus / "cur");
    files.insert(files.end(), cursors.begin(), cursors.end());
    if (files.empty()) GTEST_SKIP() << "no corpus at " << Utf8FromPath(kCorpus);
    int groups = 0;
    for (const auto& file : files) {
        const auto group = ReadIcoFile(Utf8FromPath(file));
        if (!group) continue;
        ++groups;
        const auto bytes = IcoFileBytes(*group);
        ASSERT_TRUE(bytes) << file;
        const auto again = ReadIcoBytes(*bytes, "again");
        ASSERT_TRUE(again) << file;
        ASSERT_EQ(again->image_count(), group->image_count()) << file;
        for (std::size_t i = 0; i < group->images.size(); ++i) {
            EXPECT_EQ(again->images[i].data.size(), group->images[i].data.size()) << file;
            EXPECT_EQ(again->images[i].width, group->images[i].width) << file;
            (void)BmpFileBytes(group->images[i]);
            (void)ClipboardDib(group->images[i]);
        }
    }
    EXPECT_GT(groups, 20);
}

TEST(Corpus, SixteenBitIconLibraryGivesTheExpectedIconFiles) {
    const fs::path dir = kCorpus / "ne" / "synthetic";
    const std::string library = Utf8FromPath(dir / "synth-3groups.icl");
    if (!FileExists(library)) GTEST_SKIP() << "no NE corpus at " << Utf8FromPath(dir);
    testing::TempFolder folder;
    ASSERT_EQ(GetIconCount(library), 3);
    for (int index = 1; index <= 3; ++index) {
        const std::string out = folder.File(std::to_string(index) + ".ico");
        ASSERT_EQ(ExtractIconGroup(library, kModeWriteFile, out, index), 3);
        const auto name = ProcessGroupEnumState().remembered_name.value();
        const std::string expected_name = name.is_id() ? std::to_string(*name.id) : name.text;
        int position = 0;
        for (const auto& entry : fs::directory_iterator(dir)) {
            const std::string file = Utf8FromPath(entry.path().filename());
            if (file.ends_with("-" + expected_name + ".ico")) position = file[14] - '0';
        }
        ASSERT_NE(position, 0) << "no expected file for group " << expected_name;
        const auto expected =
            ReadWholeFile(Utf8FromPath(dir / ("expected-group" + std::to_string(position) + "-" + expected_name + ".ico")));
        EXPECT_EQ(ReadWholeFile(out), expected) << expected_name;
    }
}

TEST(Corpus, PuttyBuildsGiveTheirTwoGroups) {
    const fs::path dir = kCorpus / "pe" / "radare2-testbins";
    int checked = 0;
    for (const char* name : {"kaputty.exe", "notputty.exe"}) {
        const std::string path = Utf8FromPath(dir / name);
        if (!FileExists(path)) continue;
        const auto names = CheckEveryGroup(path, 2);
        EXPECT_EQ(names, (std::vector{module::ResourceName::Id(200), module::ResourceName::Id(201)}));
        ++checked;
    }
    if (checked == 0) GTEST_SKIP() << "no PuTTY builds at " << Utf8FromPath(dir);
}

TEST(SystemModules, WineShell32GivesAll184Groups) {
    int checked = 0;
    for (const char* path : {"/usr/lib/i386-linux-gnu/wine/i386-windows/shell32.dll",
                             "/usr/lib/x86_64-linux-gnu/wine/x86_64-windows/shell32.dll"}) {
        if (!FileExists(path)) continue;
        SCOPED_TRACE(path);
        CheckEveryGroup(path, 184);
        ++checked;
    }
    if (checked == 0) GTEST_SKIP() << "Wine's shell32.dll is not installed";
}

TEST(SystemModules, WineComdlg32StringNamedGroups) {
    const std::string path = "/usr/lib/i386-linux-gnu/wine/i386-windows/comdlg32.dll";
    if (!FileExists(path)) GTEST_SKIP() << "Wine's comdlg32.dll is not installed";
    const std::int32_t count = GetIconCount(path);
    ASSERT_GT(count, 0);
    const auto names = CheckEveryGroup(path, count);
    ASSERT_FALSE(names.empty());
    EXPECT_FALSE(names.front().is_id());  // string names are listed first
}

}  // namespace
}  // namespace icoforge
