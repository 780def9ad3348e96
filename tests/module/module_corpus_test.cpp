// The module reader against real and hand-made modules from the public corpus beside the
// checkout, and against Wine's system libraries when they are installed.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "common/byte_reader.h"
#include "iconextract/module/resource_module.h"
#include "platform/file_io.h"
#include "tests/support/wine_modules.h"

namespace icoforge::module {
namespace {

const std::string kCorpus = ICOFORGE_CORPUS_DIR;
const std::string& kWine32 = testing::kWine32Modules;
const std::string& kWine64 = testing::kWine64Modules;

// Group resource layout: 6-byte header (count at 4), 14-byte entries (icon id at 12).
constexpr std::uint64_t kGroupCount = 4;
constexpr std::uint64_t kGroupEntries = 6;
constexpr std::uint64_t kGroupEntrySize = 14;
constexpr std::uint64_t kGroupEntryIconId = 12;
// .ico layout: 6-byte header, 16-byte entries with size at 8 and offset at 12.
constexpr std::uint64_t kIcoEntrySize = 16;

#define SKIP_WITHOUT(path)                                                        \
    do {                                                                          \
        if (!std::filesystem::exists(path)) GTEST_SKIP() << (path) << " absent";  \
    } while (0)

ByteBuffer Read(const std::string& path) {
    auto bytes = ReadWholeFile(path);
    EXPECT_TRUE(bytes) << path;
    return bytes ? std::move(*bytes) : ByteBuffer{};
}

std::string Text(ByteView bytes) { return std::string(bytes.begin(), bytes.end()); }

// The RT_ICON images a group names, in its order; a missing one fails the test.
std::vector<ByteView> GroupImages(const ResourceModule& module, ByteView group) {
    std::vector<ByteView> images;
    const auto count = ReadU16(group, kGroupCount);
    EXPECT_TRUE(count);
    for (std::uint16_t i = 0; count && i < *count; ++i) {
        const auto id = ReadU16(group, kGroupEntries + kGroupEntrySize * i + kGroupEntryIconId);
        EXPECT_TRUE(id) << "entry " << i;
        if (!id) break;
        const auto image = module.Find(ResourceType::Icon, ResourceName::Id(*id));
        EXPECT_TRUE(image) << "RT_ICON " << *id;
        if (image) images.push_back(*image);
    }
    return images;
}

// Every name of every type we ask for, and every resource behind them: on hostile
// modules this must end, without a read outside the file (the sanitizer build checks).
void WalkEverything(const ResourceModule& module) {
    for (int type = 0; type <= 24; ++type) {
        for (const auto& name : module.Names(static_cast<ResourceType>(type))) {
            (void)module.Find(static_cast<ResourceType>(type), name);
        }
    }
    (void)module.Names(static_cast<ResourceType>(0xFFFF));
}

TEST(ModuleCorpus, EveryCorpusModuleParsesOrIsRefusedCleanly) {
    SKIP_WITHOUT(kCorpus);
    int parsed = 0;
    int files = 0;
    for (const char* folder : {"/pe", "/ne"}) {
        for (const auto& entry : std::filesystem::recursive_directory_iterator(kCorpus + folder)) {
            if (!entry.is_regular_file()) continue;
            const ByteBuffer bytes = Read(entry.path().string());
            ++files;
            const auto module = ResourceModule::Parse(bytes);
            if (module) {
                ++parsed;
                EXPECT_TRUE(LooksLikeModule(bytes)) << entry.path();
                WalkEverything(*module);
            }
        }
    }
    // Nearly all the hand-made PEs have whole headers; only a handful of sub-header-size
    // files are refused.
    EXPECT_GT(files, 200);
    EXPECT_GT(parsed, files * 8 / 10);
}

TEST(ModuleCorpus, HandMadeResourceTreesGiveTheirMessage) {
    SKIP_WITHOUT(kCorpus);
    struct Case {
        const char* file;
        std::uint16_t type;
        std::uint16_t id;
        const char* starts;
    };
    // Each module stores one custom resource holding a line of text about itself.
    const Case cases[] = {
        {"resource.exe", 789, 29524, " * message stored in resources\n"},
        {"resource2.exe", 315, 7354, " * resource loaded with IDs as string\n"},
        {"reshdr.exe", 789, 101, " * resource stored in header"},  // data RVA inside the headers
        {"resourceloop.exe", 789, 29524, " * recursive resources directory\n"},
        {"d_resource.dll", 789, 29524, " * resource-only data PE\n"},  // 65535 sections claimed
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const ByteBuffer bytes = Read(kCorpus + "/pe/corkami/" + c.file);
        const auto module = ResourceModule::Parse(bytes);
        ASSERT_TRUE(module);
        const auto data = module->Find(static_cast<ResourceType>(c.type), ResourceName::Id(c.id));
        ASSERT_TRUE(data);
        EXPECT_EQ(Text(*data).substr(0, std::string(c.starts).size()), c.starts);
        EXPECT_EQ(data->back(), 0);
    }
}

TEST(ModuleCorpus, LoopingResourceDirectoryEnds) {
    SKIP_WITHOUT(kCorpus);
    // Type 0 of this module points back at the root and at itself.
    const ByteBuffer bytes = Read(kCorpus + "/pe/corkami/resourceloop.exe");
    const auto module = ResourceModule::Parse(bytes);
    ASSERT_TRUE(module);
    const auto names = module->Names(static_cast<ResourceType>(0));
    EXPECT_EQ(names, (std::vector{ResourceName::Id(0), ResourceName::Id(0)}));
    for (const auto& name : names) EXPECT_FALSE(module->Find(static_cast<ResourceType>(0), name));
}

TEST(ModuleCorpus, IconGroupOfSmallPe) {
    SKIP_WITHOUT(kCorpus);
    for (const char* file : {"resource_icon.exe", "standard.exe"}) {
        const ByteBuffer bytes = Read(kCorpus + "/pe/corkami/" + file);
        const auto module = ResourceModule::Parse(bytes);
        ASSERT_TRUE(module) << file;
        EXPECT_EQ(module->Names(ResourceType::GroupIcon), std::vector{ResourceName::Id(788)}) << file;
        const auto group = module->Find(ResourceType::GroupIcon, ResourceName::Id(788));
        ASSERT_TRUE(group) << file;
        EXPECT_EQ(GroupImages(*module, *group).size(), 1u) << file;
    }
}

TEST(ModuleCorpus, MagicOnlyNeIsRecognisedButRefused) {
    SKIP_WITHOUT(kCorpus);
    const ByteBuffer bytes = Read(kCorpus + "/ne/corkami-mock/ne-magic-only.bin");
    EXPECT_TRUE(LooksLikeModule(bytes));
    EXPECT_FALSE(ResourceModule::Parse(bytes));
}

TEST(ModuleCorpus, SyntheticIconLibraryGivesTheExpectedGroups) {
    SKIP_WITHOUT(kCorpus);
    const std::string dir = kCorpus + "/ne/synthetic/";
    const ByteBuffer bytes = Read(dir + "synth-3groups.icl");
    const auto module = ResourceModule::Parse(bytes);
    ASSERT_TRUE(module);
    EXPECT_EQ(module->format(), ModuleFormat::Ne);
    const auto names = module->Names(ResourceType::GroupIcon);
    ASSERT_EQ(names, (std::vector{ResourceName::Id(1), ResourceName::Text("FOLDER"), ResourceName::Id(7)}));
    EXPECT_EQ(module->Names(ResourceType::Icon).size(), 5u);

    const char* expected_files[] = {"expected-group1-1.ico", "expected-group2-FOLDER.ico", "expected-group3-7.ico"};
    for (std::size_t g = 0; g < names.size(); ++g) {
        SCOPED_TRACE(expected_files[g]);
        const ByteBuffer ico = Read(dir + expected_files[g]);
        const auto group = module->Find(ResourceType::GroupIcon, names[g]);
        ASSERT_TRUE(group);
        const auto images = GroupImages(*module, *group);
        ASSERT_EQ(ReadU16(ico, kGroupCount), images.size());
        for (std::size_t i = 0; i < images.size(); ++i) {
            const auto size = ReadU32(ico, kGroupEntries + kIcoEntrySize * i + 8);
            const auto offset = ReadU32(ico, kGroupEntries + kIcoEntrySize * i + 12);
            ASSERT_TRUE(size && offset);
            const auto expected = SliceOf(ico, *offset, *size);
            ASSERT_TRUE(expected.ok);
            // The library pads each image to whole 2-byte units, as SizeofResource
            // reports; the image itself is byte for byte the same.
            ASSERT_GE(images[i].size(), expected.bytes.size());
            EXPECT_LT(images[i].size() - expected.bytes.size(), 2u);
            EXPECT_TRUE(std::equal(expected.bytes.begin(), expected.bytes.end(), images[i].begin())) << "image " << i;
        }
    }
}

// Every group of a module Wine's toolchain built is listed and names images it holds.
void ExpectWineModule(const std::string& path, ModuleFormat format, std::size_t groups, bool string_names) {
    SKIP_WITHOUT(path);
    SCOPED_TRACE(path);
    const ByteBuffer bytes = Read(path);
    const auto module = ResourceModule::Parse(bytes);
    ASSERT_TRUE(module);
    EXPECT_EQ(module->format(), format);
    const auto names = module->Names(ResourceType::GroupIcon);
    EXPECT_EQ(names.size(), groups);
    bool string_seen = false;
    for (const auto& name : names) {
        string_seen |= !name.is_id();
        const auto group = module->Find(ResourceType::GroupIcon, name);
        ASSERT_TRUE(group) << (name.is_id() ? std::to_string(*name.id) : name.text);
        EXPECT_FALSE(GroupImages(*module, *group).empty());
    }
    EXPECT_EQ(string_seen, string_names);
}

TEST(ModuleCorpus, WineShell32Has184Groups32Bit) {
    ExpectWineModule(kWine32 + "shell32.dll", ModuleFormat::Pe32, 184, true);
}
TEST(ModuleCorpus, WineShell32Has184Groups64Bit) {
    ExpectWineModule(kWine64 + "shell32.dll", ModuleFormat::Pe32Plus, 184, true);
}

TEST(ModuleCorpus, WineProgramsHaveTheirNumberedGroups) {
    if (testing::InstalledWineFolders().empty()) GTEST_SKIP() << "no Wine modules in " << kWine32 << " or " << kWine64;
    for (const auto& [folder, pe32_plus] : testing::InstalledWineFolders()) {
        const auto format = pe32_plus ? ModuleFormat::Pe32Plus : ModuleFormat::Pe32;
        ExpectWineModule(folder + "winecfg.exe", format, 2, false);
        ExpectWineModule(folder + "taskmgr.exe", format, 3, false);
    }
}

TEST(ModuleCorpus, WineComdlg32HasStringNamedGroupsFoundInAnyCase) {
    if (testing::InstalledWineFolders().empty()) GTEST_SKIP() << "no Wine modules in " << kWine32 << " or " << kWine64;
    for (const auto& wine : testing::InstalledWineFolders()) {
        const std::string path = wine.path + "comdlg32.dll";
        SCOPED_TRACE(path);
        const ByteBuffer bytes = Read(path);
        const auto module = ResourceModule::Parse(bytes);
        ASSERT_TRUE(module);
        const auto names = module->Names(ResourceType::GroupIcon);
        ASSERT_FALSE(names.empty());
        EXPECT_FALSE(names.front().is_id());  // string names come first
        const auto folder = std::find(names.begin(), names.end(), ResourceName::Text("FOLDER"));
        ASSERT_NE(folder, names.end());
        const auto upper = module->Find(ResourceType::GroupIcon, ResourceName::Text("FOLDER"));
        const auto lower = module->Find(ResourceType::GroupIcon, ResourceName::Text("folder"));
        ASSERT_TRUE(upper && lower);
        EXPECT_EQ(upper->data(), lower->data());
        EXPECT_FALSE(GroupImages(*module, *upper).empty());
    }
}

}  // namespace
}  // namespace icoforge::module
