// Real files: the public icon corpus beside the checkout, and system modules where the
// machine has them. Each test skips with a message when its files are absent.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <iterator>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "common/byte_reader.h"
#include "common/path.h"
#include "iconextract/catalogue.h"
#include "iconextract/extract.h"
#include "iconextract/ico_reader.h"
#include "iconextract/icon_writers.h"
#include "iconextract/module_groups.h"
#include "tests/support/temp_folder.h"
#include "tests/support/wine_modules.h"
#include "platform/file_io.h"
#include "platform/file_reader.h"
#include "platform/mapped_file.h"

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

// Our own small walk of a PE module's resource directory, to judge the extraction by
// something other than the reader under test. It reads well-formed modules only (a
// malformed one throws, which fails the test); hostile ones are the module tests' job.
class PeResources {
public:
    explicit PeResources(ByteView file) : file_(file) {
        const std::uint32_t pe = U32(0x3C);
        const std::uint64_t optional_header = pe + 24;
        const std::uint16_t magic = U16(optional_header);
        const std::uint64_t directories = optional_header + (magic == 0x20B ? 112 : 96);
        sections_ = optional_header + U16(pe + 20);
        section_count_ = U16(pe + 6);
        root_ = Offset(U32(directories + 2 * 8));  // the third data directory: resources
    }

    struct Entry {
        module::ResourceName name;
        std::uint64_t target;  // directory offset from the root (high bit cleared)
        bool is_directory;
    };
    // The entries of the directory at `offset` from the root, in stored order: string
    // names first, as the format sorts them.
    std::vector<Entry> Entries(std::uint64_t offset) const {
        const std::uint64_t at = root_ + offset;
        const unsigned count = U16(at + 12) + U16(at + 14);
        std::vector<Entry> entries;
        for (unsigned i = 0; i < count; ++i) {
            const std::uint32_t name = U32(at + 16 + 8 * i);
            const std::uint32_t target = U32(at + 16 + 8 * i + 4);
            entries.push_back({(name & kHighBit) != 0 ? module::ResourceName::Text(NameAt(root_ + (name & ~kHighBit)))
                                                      : module::ResourceName::Id(static_cast<std::uint16_t>(name)),
                               target & ~kHighBit, (target & kHighBit) != 0});
        }
        return entries;
    }
    // Every resource of `type` with the data of its first language.
    std::vector<std::pair<module::ResourceName, ByteView>> Resources(std::uint16_t type) const {
        std::vector<std::pair<module::ResourceName, ByteView>> found;
        for (const Entry& t : Entries(0)) {
            if (t.name != module::ResourceName::Id(type)) continue;
            for (const Entry& name : Entries(t.target)) {
                const Entry language = Entries(name.target).at(0);
                const std::uint64_t data_entry = root_ + language.target;
                const auto data = SliceOf(file_, Offset(U32(data_entry)), U32(data_entry + 4));
                if (!data.ok) throw std::out_of_range("resource data outside the module");
                found.emplace_back(name.name, data.bytes);
            }
        }
        return found;
    }

private:
    static constexpr std::uint32_t kHighBit = 0x80000000u;
    std::uint16_t U16(std::uint64_t at) const { return ReadU16(file_, at).value(); }
    std::uint32_t U32(std::uint64_t at) const { return ReadU32(file_, at).value(); }
    std::uint64_t Offset(std::uint32_t rva) const {
        for (unsigned i = 0; i < section_count_; ++i) {
            const std::uint64_t s = sections_ + 40 * i;
            const std::uint32_t start = U32(s + 12);
            if (rva >= start && rva - start < std::max(U32(s + 8), U32(s + 16))) return U32(s + 20) + (rva - start);
        }
        return rva;  // inside the headers, which map one to one
    }
    // The modules walked here name their groups in ASCII; anything else shows as '?'
    // and fails the comparison with the reader's name.
    std::string NameAt(std::uint64_t at) const {
        std::string name;
        for (unsigned i = 0; i < U16(at); ++i) {
            const std::uint16_t unit = U16(at + 2 + 2 * i);
            name += unit < 0x80 ? static_cast<char>(unit) : '?';
        }
        return name;
    }
    ByteView file_;
    std::uint64_t sections_ = 0;
    unsigned section_count_ = 0;
    std::uint64_t root_ = 0;
};

bool IsPng(ByteView image) {
    static constexpr std::uint8_t kSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    return image.size() >= 8 && std::equal(std::begin(kSignature), std::end(kSignature), image.begin());
}

// A DIB with a 40-byte header whose colour table, colour rows and mask rows are all there:
// the only kind of image that can become a bitmap file or go on the clipboard.
bool IsWholeDib(ByteView image) {
    if (IsPng(image) || ReadU32(image, 0) != 40u) return false;
    const std::int64_t width = ReadI32(image, 4).value_or(-1);
    const std::int64_t height = ReadI32(image, 8).value_or(-1) / 2;
    const std::uint32_t bits = ReadU16(image, 12).value_or(0) * ReadU16(image, 14).value_or(0);
    const std::uint32_t used = ReadU32(image, 32).value_or(0);
    if (width < 0 || height < 0) return false;
    const std::uint64_t palette = used != 0 ? used : (bits == 1 || bits == 4 || bits == 8) ? 1u << bits : 0;
    const std::uint64_t colour_row = (static_cast<std::uint64_t>(bits) * width + 31) / 32 * 4;
    const std::uint64_t mask_row = (static_cast<std::uint64_t>(width) + 31) / 32 * 4;
    return 40 + 4 * palette + (colour_row + mask_row) * height <= image.size();
}

// The images an icon file holds, by its own directory; nothing when it is not an icon
// file (type 1) or an image lies outside it.
std::optional<std::vector<ByteView>> IcoImages(ByteView file) {
    if (ReadU16(file, 0) != 0 || ReadU16(file, 2) != 1) return std::nullopt;
    const std::uint16_t count = ReadU16(file, 4).value_or(0);
    std::vector<ByteView> images;
    for (std::uint16_t i = 0; i < count; ++i) {
        const auto size = ReadU32(file, 6 + 16 * i + 8);
        const auto offset = ReadU32(file, 6 + 16 * i + 12);
        if (!size || !offset || *offset > file.size() || *size > file.size() - *offset) return std::nullopt;
        images.push_back(file.subspan(*offset, *size));
    }
    return images;
}

// The image as an icon file holds it: unchanged, apart from a whole DIB's biSizeImage,
// which is written as 0.
ByteBuffer AsWritten(ByteView image) {
    ByteBuffer expected(image.begin(), image.end());
    if (IsWholeDib(image)) PutU32At(expected, 20, 0);
    return expected;
}

using Resources = std::vector<std::pair<module::ResourceName, ByteView>>;

// The icon file written for one group holds the images its group resource names, in
// that order.
void CheckWrittenGroup(const std::string& ico_path, ByteView group, const Resources& icons) {
    const auto file = ReadWholeFile(ico_path);
    ASSERT_TRUE(file);
    const auto written = IcoImages(*file);
    ASSERT_TRUE(written);
    const std::uint16_t count = ReadU16(group, 4).value();
    ASSERT_EQ(written->size(), count);
    for (std::uint16_t i = 0; i < count; ++i) {
        const auto id = module::ResourceName::Id(ReadU16(group, 6 + 14 * i + 12).value());
        const auto icon = std::find_if(icons.begin(), icons.end(), [&](const auto& r) { return r.first == id; });
        ASSERT_NE(icon, icons.end()) << "image " << i;
        EXPECT_EQ(ByteBuffer((*written)[i].begin(), (*written)[i].end()), AsWritten(icon->second)) << "image " << i;
        if (IsPng(icon->second)) {  // Windows decodes a PNG image at 32 bits
            std::uint32_t width = 0;  // big-endian, first in the IHDR chunk
            for (int b = 16; b < 20; ++b) width = width << 8 | ReadU8(icon->second, b).value_or(0);
            EXPECT_EQ((*file)[6 + 16 * i], width >= 256 ? 0 : width);
            EXPECT_EQ(ReadU16(*file, 6 + 16 * i + 6), 32);
        }
    }
}

// Extracts every group of `module_path` as the extract command does, and checks each
// output against our own walk of the module: the groups in the module's order, each
// with the images its group resource names. Returns the names of the groups.
std::vector<module::ResourceName> CheckEveryGroup(const std::string& module_path, std::int32_t expected_count) {
    testing::TempFolder folder;
    EXPECT_EQ(GetIconCount(module_path), expected_count);
    const auto bytes = ReadWholeFile(module_path);
    EXPECT_TRUE(bytes) << module_path;
    if (!bytes) return {};
    const PeResources resources(*bytes);
    const Resources groups = resources.Resources(14);
    const Resources icons = resources.Resources(3);
    EXPECT_EQ(groups.size(), static_cast<std::size_t>(expected_count));
    std::vector<module::ResourceName> names;
    for (std::size_t g = 0; g < groups.size(); ++g) {
        const std::int32_t index = static_cast<std::int32_t>(g) + 1;
        SCOPED_TRACE("group " + std::to_string(index));
        names.push_back(groups[g].first);
        const std::string out = folder.File(std::to_string(index) + ".ico");
        EXPECT_EQ(ExtractIconGroup(module_path, kModeWriteFile, out, index), expected_count);
        EXPECT_EQ(ProcessGroupEnumState().remembered_name, groups[g].first);
        CheckWrittenGroup(out, groups[g].second, icons);
    }
    return names;
}

TEST(Corpus, EveryIconAndCursorFileReadsAndWritesBack) {
    auto files = FilesUnder(kCorpus / "ico");
    const auto cursors = FilesUnder(kCorpus / "cur");
    files.insert(files.end(), cursors.begin(), cursors.end());
    if (files.empty()) GTEST_SKIP() << "no corpus at " << Utf8FromPath(kCorpus);
    int groups = 0;
    int refused = 0;
    for (const auto& file : files) {
        SCOPED_TRACE(Utf8FromPath(file));
        const auto bytes = ReadWholeFile(Utf8FromPath(file));
        ASSERT_TRUE(bytes);
        const auto expected = IcoImages(*bytes);
        const auto group = ReadIcoFile(Utf8FromPath(file));
        ASSERT_EQ(group.has_value(), expected.has_value());
        if (!group) {
            ++refused;
            continue;
        }
        ++groups;
        ASSERT_EQ(group->image_count(), expected->size());
        const auto written = IcoFileBytes(*group);
        ASSERT_TRUE(written);
        const auto again = IcoImages(*written);
        ASSERT_TRUE(again);
        ASSERT_EQ(again->size(), expected->size());
        for (std::size_t i = 0; i < expected->size(); ++i) {
            const ByteView image = (*expected)[i];
            EXPECT_EQ(group->images[i].data, ByteBuffer(image.begin(), image.end())) << i;
            EXPECT_EQ(ByteBuffer((*again)[i].begin(), (*again)[i].end()), AsWritten(image)) << i;
            const bool whole = IsWholeDib(image);
            EXPECT_EQ(BmpFileBytes(group->images[i]).has_value(), whole) << i;
            const auto dib = ClipboardDib(group->images[i]);
            EXPECT_EQ(dib.has_value(), whole) << i;
            if (dib) {
                EXPECT_EQ(ReadI32(*dib, 8), ReadI32(image, 8).value() / 2) << i;
            }
        }
    }
    EXPECT_GT(groups, 20);
    EXPECT_GT(refused, 0);  // the cursor files, at least
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

TEST(Corpus, SmallPesGiveTheirOneGroup) {
    for (const char* name : {"resource_icon.exe", "standard.exe"}) {
        const std::string path = Utf8FromPath(kCorpus / "pe" / "corkami" / name);
        if (!FileExists(path)) GTEST_SKIP() << "no PE corpus at " << Utf8FromPath(kCorpus);
        SCOPED_TRACE(name);
        EXPECT_EQ(CheckEveryGroup(path, 1), std::vector{module::ResourceName::Id(788)});
    }
}

TEST(SystemModules, WineModulesGiveEveryGroup) {
    const std::pair<const char*, std::int32_t> modules[] = {
        {"shell32.dll", 184}, {"winecfg.exe", 2}, {"taskmgr.exe", 3}};
    int checked = 0;
    for (const auto& folder : testing::InstalledWineFolders()) {
        for (const auto& [name, groups] : modules) {
            const std::string path = folder.path + name;
            if (!FileExists(path)) continue;
            SCOPED_TRACE(path);
            CheckEveryGroup(path, groups);
            ++checked;
        }
    }
    if (checked == 0) GTEST_SKIP() << "Wine's modules are not installed";
}

// Counting reads a few directories instead of mapping the module: over every Wine module
// the reads must tell the count, and give what the parse of the whole module names.
TEST(SystemModules, GroupCountsReadAgreeWithTheWholeModule) {
    int checked = 0;
    for (const auto& folder : testing::InstalledWineFolders()) {
        for (const auto& entry : fs::directory_iterator(PathFromUtf8(folder.path))) {
            const std::string path = Utf8FromPath(entry.path());
            const auto mapped = MappedFile::Open(path);
            const auto module = mapped ? module::ResourceModule::Parse(mapped->bytes()) : Fail("read", path, "");
            if (!module) continue;
            const auto expected = static_cast<std::int32_t>(module->Names(module::ResourceType::GroupIcon).size());
            const auto file = FileReader::Open(path);
            ASSERT_TRUE(file) << path;
            std::array<std::uint8_t, catalogue::kModuleHeadBytes> head{};
            const auto got = file->ReadAt(0, head);
            ASSERT_TRUE(got) << path;
            const auto read_at = [&](std::uint64_t at, std::span<std::uint8_t> into) { return file->ReadAt(at, into); };
            EXPECT_EQ(catalogue::IconGroupCountFromReads(read_at, file->size(), ByteView(head.data(), *got)), expected)
                << path;
            EXPECT_EQ(GetIconCount(path), expected) << path;
            ++checked;
        }
    }
    if (checked == 0) GTEST_SKIP() << "Wine's modules are not installed";
}

TEST(SystemModules, WineComdlg32StringNamedGroups) {
    int checked = 0;
    for (const auto& folder : testing::InstalledWineFolders()) {
        const std::string path = folder.path + "comdlg32.dll";
        if (!FileExists(path)) continue;
        SCOPED_TRACE(path);
        ++checked;
        const std::int32_t count = GetIconCount(path);
        ASSERT_GT(count, 0);
        const auto names = CheckEveryGroup(path, count);
        ASSERT_FALSE(names.empty());
        EXPECT_FALSE(names.front().is_id());  // string names are listed first
    }
    if (checked == 0) GTEST_SKIP() << "Wine's comdlg32.dll is not installed";
}

}  // namespace
}  // namespace icoforge
