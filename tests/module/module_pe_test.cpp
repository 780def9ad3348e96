#include <gtest/gtest.h>

#include "common/byte_reader.h"
#include "common/byte_writer.h"
#include "iconextract/module/resource_module.h"
#include "tests/module/parsed_module.h"
#include "tests/support/module_builder.h"

namespace icoforge::module {
namespace {

using testing::BuildModule;
using testing::BuildModuleWithLayout;
using testing::ModuleOptions;
using testing::ModuleResource;
using testing::Type;

constexpr auto kGroup = ResourceType::GroupIcon;
constexpr auto kIcon = ResourceType::Icon;

// Field offsets the tests damage.
constexpr std::uint64_t kLfanew = 0x3C;
constexpr std::uint64_t kNumberOfSections = 4 + 2;  // behind "PE\0\0"
constexpr std::uint64_t kOptionalMagic = 4 + 20;
constexpr std::uint64_t kPe32RvaCount = kOptionalMagic + 92;
constexpr std::uint64_t kSectionRawSize = 16;
constexpr std::uint64_t kDirIdCount = 14;
constexpr std::uint64_t kDirEntries = 16;

ByteBuffer Bytes(std::initializer_list<std::uint8_t> b) { return ByteBuffer(b); }

class PeTest : public ::testing::TestWithParam<ModuleFormat> {};
std::string FormatName(const ::testing::TestParamInfo<ModuleFormat>& param) {
    return param.param == ModuleFormat::Pe32 ? "Pe32" : "Pe32Plus";
}
INSTANTIATE_TEST_SUITE_P(Both, PeTest, ::testing::Values(ModuleFormat::Pe32, ModuleFormat::Pe32Plus), FormatName);

TEST_P(PeTest, NamesComeInStoredOrderWithStringsFirst) {
    const ByteBuffer image = BuildModule(GetParam(), {
        {Type(kGroup), ResourceName::Id(5), Bytes({5})},
        {Type(kGroup), ResourceName::Id(3), Bytes({3})},
        {Type(kGroup), ResourceName::Text("ZED"), Bytes({'z'})},
        {Type(kIcon), ResourceName::Id(1), Bytes({1})},
        {Type(kGroup), ResourceName::Text("ABC"), Bytes({'a'})},
    });
    const auto module = ResourceModule::Parse(image);
    ASSERT_TRUE(module);
    EXPECT_EQ(module->format(), GetParam());
    EXPECT_EQ(module->Names(kGroup), (std::vector{ResourceName::Text("ZED"), ResourceName::Text("ABC"),
                                                  ResourceName::Id(5), ResourceName::Id(3)}));
    EXPECT_EQ(module->Names(kIcon), std::vector{ResourceName::Id(1)});
    EXPECT_TRUE(module->Names(ResourceType::Bitmap).empty());
}

TEST_P(PeTest, FindsByIdAndByStringInAnyCase) {
    const ByteBuffer image = BuildModule(GetParam(), {
        {Type(kGroup), ResourceName::Id(1), Bytes({1, 1})},
        {Type(kGroup), ResourceName::Text("FOLDER"), Bytes({2, 2, 2})},
        {Type(kGroup), ResourceName::Text("ÉTÉ"), Bytes({3})},
        {Type(kIcon), ResourceName::Id(2), Bytes({4})},
    });
    const auto module = ResourceModule::Parse(image);
    ASSERT_TRUE(module);
    auto find = [&](ResourceType type, const ResourceName& name) {
        const auto data = module->Find(type, name);
        return data ? ByteBuffer(data->begin(), data->end()) : ByteBuffer{0xEE};
    };
    EXPECT_EQ(find(kGroup, ResourceName::Id(1)), Bytes({1, 1}));
    EXPECT_EQ(find(kGroup, ResourceName::Text("FOLDER")), Bytes({2, 2, 2}));
    EXPECT_EQ(find(kGroup, ResourceName::Text("folder")), Bytes({2, 2, 2}));
    EXPECT_EQ(find(kGroup, ResourceName::Text("FoLdEr")), Bytes({2, 2, 2}));
    EXPECT_EQ(find(kGroup, ResourceName::Text("été")), Bytes({3}));
    EXPECT_EQ(find(kIcon, ResourceName::Id(2)), Bytes({4}));
    // Not there: other id, other text, prefix, the id of another type, a string that is a number.
    EXPECT_FALSE(module->Find(kGroup, ResourceName::Id(2)));
    EXPECT_FALSE(module->Find(kGroup, ResourceName::Text("FOLDERS")));
    EXPECT_FALSE(module->Find(kGroup, ResourceName::Text("FOLD")));
    EXPECT_FALSE(module->Find(kGroup, ResourceName::Text("1")));
    EXPECT_FALSE(module->Find(kIcon, ResourceName::Id(1)));
    EXPECT_FALSE(module->Find(kGroup, ResourceName::Text("\xC0\xAF")));  // not UTF-8
}

TEST_P(PeTest, NeutralLanguageFirstElseFirstStored) {
    const ByteBuffer image = BuildModule(GetParam(), {
        {Type(kIcon), ResourceName::Id(1), Bytes({0x09}), 0x409},
        {Type(kIcon), ResourceName::Id(1), Bytes({0x00}), 0},
        {Type(kIcon), ResourceName::Id(1), Bytes({0x07}), 0x407},
        {Type(kIcon), ResourceName::Id(2), Bytes({0x07}), 0x407},
        {Type(kIcon), ResourceName::Id(2), Bytes({0x09}), 0x409},
    });
    const auto module = ResourceModule::Parse(image);
    ASSERT_TRUE(module);
    EXPECT_EQ(module->Names(kIcon), (std::vector{ResourceName::Id(1), ResourceName::Id(2)}));
    EXPECT_EQ(FirstByte(module->Find(kIcon, ResourceName::Id(1))), 0x00);
    EXPECT_EQ(FirstByte(module->Find(kIcon, ResourceName::Id(2))), 0x07);
}

TEST_P(PeTest, ModuleWithoutResourcesParsesEmpty) {
    ByteBuffer none = BuildModule(GetParam(), {});
    ByteBuffer few_directories = BuildModule(GetParam(), {{Type(kIcon), ResourceName::Id(1), Bytes({1})}});
    const std::uint64_t rva_count = GetParam() == ModuleFormat::Pe32 ? kPe32RvaCount : kPe32RvaCount + 16;
    ASSERT_TRUE(PutU32At(few_directories, 0x40 + rva_count, 2));  // resource directory not among them
    for (const ByteBuffer* image : {&none, &few_directories}) {
        const auto module = ResourceModule::Parse(*image);
        ASSERT_TRUE(module);
        EXPECT_TRUE(module->Names(kIcon).empty());
        EXPECT_FALSE(module->Find(kIcon, ResourceName::Id(1)));
    }
}

TEST(PeHeaders, RefusedWhenNotAPeOrCutShort) {
    const ByteBuffer good = BuildModule(ModuleFormat::Pe32, {{Type(kIcon), ResourceName::Id(1), Bytes({1})}});
    ASSERT_TRUE(ResourceModule::Parse(good));
    EXPECT_TRUE(LooksLikeModule(good));
    auto damaged = [&](std::uint64_t offset, std::uint32_t value, bool wide) {
        ByteBuffer copy = good;
        wide ? PutU32At(copy, offset, value) : PutU16At(copy, offset, static_cast<std::uint16_t>(value));
        return copy;
    };
    const ByteBuffer not_mz = damaged(0, 0x4D5A, false);  // "ZM"
    const ByteBuffer lfanew_past_end = damaged(kLfanew, static_cast<std::uint32_t>(good.size() - 3), true);
    const ByteBuffer lfanew_huge = damaged(kLfanew, 0xFFFFFFFF, true);
    const ByteBuffer bad_signature = damaged(0x40 + 2, 0x0001, false);
    const ByteBuffer rom_magic = damaged(0x40 + kOptionalMagic, 0x107, false);
    const struct {
        const ByteBuffer* image;
        const char* reason;
    } refused[] = {
        {&not_mz, "no MZ header"},
        {&lfanew_past_end, "no PE or NE header"},
        {&lfanew_huge, "no PE or NE header"},
        {&bad_signature, "no PE or NE header"},
        {&rom_magic, "neither PE32 nor PE32+"},
    };
    for (const auto& c : refused) {
        const auto module = ResourceModule::Parse(*c.image);
        ASSERT_FALSE(module) << c.reason;
        EXPECT_NE(module.error().reason.find(c.reason), std::string::npos) << module.error().reason;
    }
    EXPECT_FALSE(LooksLikeModule(not_mz));
    EXPECT_FALSE(LooksLikeModule(lfanew_huge));
    EXPECT_FALSE(LooksLikeModule(bad_signature));
    EXPECT_TRUE(LooksLikeModule(rom_magic));
    // Every prefix that stops inside the headers is refused; none reads past its end.
    for (std::size_t size = 0; size < 0x40 + kPe32RvaCount + 4; ++size) {
        const auto module = ResourceModule::Parse(ByteView(good).first(size));
        ASSERT_FALSE(module) << size;
        const char* reason = size < 2 ? "no MZ header" : size < 0x40 + 4 ? "no PE or NE header" : "cut short";
        EXPECT_NE(module.error().reason.find(reason), std::string::npos) << size << ": " << module.error().reason;
    }
    EXPECT_FALSE(LooksLikeModule({}));
}

TEST_P(PeTest, VariantsGiveEveryLanguageOfEveryName) {
    const auto built = BuildModuleWithLayout(GetParam(), {
        {Type(kGroup), ResourceName::Id(7), Bytes({1}), 0x409},
        {Type(kGroup), ResourceName::Id(7), Bytes({2}), 0},
        {Type(kGroup), ResourceName::Text("NAMED"), Bytes({3}), 0x407},
        {Type(ResourceType::AnimatedCursor), ResourceName::Id(1), Bytes({4}), 0},
        {Type(kGroup), ResourceName::Id(8), Bytes({5, 5}), 0x411},
    });
    ByteBuffer image = built.bytes;
    // The last resource's data entry points far outside the file.
    ASSERT_TRUE(PutU32At(image, built.entry_offsets[4], 0x7FFF0000));
    const auto module = ResourceModule::Parse(image);
    ASSERT_TRUE(module);
    struct Expected {
        ResourceName name;
        std::optional<std::uint16_t> language;
        std::optional<std::uint8_t> first;
    };
    const std::vector<Expected> expected = {
        {ResourceName::Text("NAMED"), 0x407, 3},
        {ResourceName::Id(7), 0x409, 1},
        {ResourceName::Id(7), 0, 2},
        {ResourceName::Id(8), 0x411, std::nullopt},
    };
    const auto variants = module->Variants(kGroup);
    ASSERT_EQ(variants.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(variants[i].name, expected[i].name) << i;
        EXPECT_EQ(variants[i].language, expected[i].language) << i;
        EXPECT_EQ(FirstByte(variants[i].data), expected[i].first) << i;
    }
    // Find still takes the neutral language of a name.
    EXPECT_EQ(FirstByte(module->Find(kGroup, ResourceName::Id(7))), 2);
    ASSERT_EQ(module->Variants(ResourceType::AnimatedCursor).size(), 1u);
    EXPECT_TRUE(module->Variants(ResourceType::AnimatedIcon).empty());
}

TEST(PeBounds, DataJustFittingAndOneByteOver) {
    ModuleOptions unpadded;
    unpadded.file_alignment = 1;  // the last resource ends the file and its section
    const auto built = BuildModuleWithLayout(ModuleFormat::Pe32, {
        {Type(kIcon), ResourceName::Id(1), Bytes({1, 2, 3, 4})},
        {Type(kIcon), ResourceName::Id(2), Bytes({5, 6, 7, 8})},
    }, unpadded);
    ASSERT_EQ(built.data_offsets[1] + 4, built.bytes.size());
    {
        const auto module = ResourceModule::Parse(built.bytes);
        ASSERT_TRUE(module);
        EXPECT_EQ(SizeOf(module->Find(kIcon, ResourceName::Id(2))), 4u);
    }
    ByteBuffer over = built.bytes;
    PutU32At(over, built.entry_offsets[1] + 4, 5);  // size one past the end of the file
    const auto module = ResourceModule::Parse(over);
    ASSERT_TRUE(module);
    EXPECT_FALSE(module->Find(kIcon, ResourceName::Id(2)));
    EXPECT_TRUE(module->Find(kIcon, ResourceName::Id(1)));

    // An RVA on the section's last byte maps; one past it maps nowhere (it lies
    // beyond the headers too).
    ByteBuffer rva = built.bytes;
    const std::uint32_t last = *ReadU32(rva, built.entry_offsets[1]) + 3;
    PutU32At(rva, built.entry_offsets[1], last);
    PutU32At(rva, built.entry_offsets[1] + 4, 1);
    const auto at_end = ResourceModule::Parse(rva);
    ASSERT_TRUE(at_end);
    EXPECT_EQ(FirstByte(at_end->Find(kIcon, ResourceName::Id(2))), 8);
    PutU32At(rva, built.entry_offsets[1], last + 1);
    PutU32At(rva, built.entry_offsets[1] + 4, 0);
    EXPECT_FALSE(FindIn(rva, kIcon, ResourceName::Id(2)));
}

TEST(PeBounds, RvaInsideTheHeadersMapsOneToOne) {
    const auto built = BuildModuleWithLayout(ModuleFormat::Pe32, {{Type(kIcon), ResourceName::Id(1), Bytes({1})}});
    ByteBuffer image = built.bytes;
    PutU32At(image, built.entry_offsets[0], 0x40);  // the PE signature
    PutU32At(image, built.entry_offsets[0] + 4, 4);
    const auto data = FindIn(image, kIcon, ResourceName::Id(1));
    ASSERT_TRUE(data);
    EXPECT_EQ(ByteBuffer(data->begin(), data->end()), Bytes({'P', 'E', 0, 0}));
}

TEST(PeBounds, SectionTableCutShortOrOverlongKeepsWholeHeaders) {
    const auto built = BuildModuleWithLayout(ModuleFormat::Pe32, {{Type(kIcon), ResourceName::Id(1), Bytes({1})}});
    ByteBuffer many = built.bytes;
    PutU16At(many, built.header_offset + kNumberOfSections, 0xFFFF);
    EXPECT_TRUE(FindIn(many, kIcon, ResourceName::Id(1)));
    // A section whose raw data claims more than the file holds maps RVAs, but the bytes
    // handed out must still lie in the file.
    ByteBuffer huge_raw = built.bytes;
    PutU32At(huge_raw, built.section_table_offset + kSectionRawSize, 0xFFFFFFFF);
    PutU32At(huge_raw, built.entry_offsets[0] + 4, 0x7FFFFFFF);
    EXPECT_FALSE(FindIn(huge_raw, kIcon, ResourceName::Id(1)));
}

TEST(PeBounds, DirectoryCountAgainstTheBytesBehindIt) {
    const auto built = BuildModuleWithLayout(ModuleFormat::Pe32, {
        {Type(kIcon), ResourceName::Id(1), Bytes({1})},
        {Type(kIcon), ResourceName::Id(2), Bytes({2})},
    });
    // The type directory of RT_ICON is the first behind the root (one type).
    const std::uint64_t type_dir = built.resource_offset + kDirEntries + 8;
    const std::uint64_t room = (built.bytes.size() - (type_dir + kDirEntries)) / 8;
    ASSERT_LT(room, 0xFFFF);
    ByteBuffer fits = built.bytes;
    PutU16At(fits, type_dir + kDirIdCount, static_cast<std::uint16_t>(room));
    const auto module = ResourceModule::Parse(fits);
    ASSERT_TRUE(module);
    EXPECT_EQ(module->Names(kIcon).size(), room);
    EXPECT_TRUE(module->Find(kIcon, ResourceName::Id(2)));
    ByteBuffer over = built.bytes;
    PutU16At(over, type_dir + kDirIdCount, static_cast<std::uint16_t>(room + 1));
    EXPECT_TRUE(NamesIn(over, kIcon).empty());
    EXPECT_FALSE(FindIn(over, kIcon, ResourceName::Id(2)));
    ByteBuffer huge = built.bytes;
    PutU16At(huge, type_dir + kDirIdCount - 2, 0xFFFF);
    PutU16At(huge, type_dir + kDirIdCount, 0xFFFF);
    EXPECT_TRUE(NamesIn(huge, kIcon).empty());
}

TEST(PeHostile, OffsetsPastTheEndAndLoopsYieldNothing) {
    const auto built = BuildModuleWithLayout(ModuleFormat::Pe32, {
        {Type(kGroup), ResourceName::Text("NAME"), Bytes({1})},
        {Type(kGroup), ResourceName::Id(2), Bytes({2})},
    });
    const std::uint64_t type_dir = built.resource_offset + kDirEntries + 8;
    const std::uint64_t string_entry = type_dir + kDirEntries;  // named entry comes first
    const std::uint64_t id_entry = string_entry + 8;
    auto patched = [&](std::uint64_t offset, std::uint32_t value) {
        ByteBuffer copy = built.bytes;
        PutU32At(copy, offset, value);
        return copy;
    };
    {   // The string of a name lies past the end: the list is damaged, ids still found.
        const ByteBuffer image = patched(string_entry, 0x80000000u | 0x7FFFFFF0u);
        const auto module = ResourceModule::Parse(image);
        ASSERT_TRUE(module);
        EXPECT_TRUE(module->Names(kGroup).empty());
        EXPECT_FALSE(module->Find(kGroup, ResourceName::Text("NAME")));
        EXPECT_TRUE(module->Find(kGroup, ResourceName::Id(2)));
    }
    {   // Subdirectory past the end.
        const ByteBuffer image = patched(id_entry + 4, 0x80000000u | 0x7FFFFFF0u);
        EXPECT_FALSE(FindIn(image, kGroup, ResourceName::Id(2)));
    }
    {   // Language entry pointing back at the root: a loop that must not be followed.
        const std::uint64_t lang_dir = built.resource_offset + *ReadU32(built.bytes, id_entry + 4) - 0x80000000u;
        const ByteBuffer image = patched(lang_dir + kDirEntries + 4, 0x80000000u);
        const auto module = ResourceModule::Parse(image);
        ASSERT_TRUE(module);
        EXPECT_EQ(module->Names(kGroup).size(), 2u);
        EXPECT_FALSE(module->Find(kGroup, ResourceName::Id(2)));
        // Data entry itself past the end, and an RVA that wraps with its size.
        const ByteBuffer far_data = patched(lang_dir + kDirEntries + 4, 0x7FFFFFF8u);
        EXPECT_FALSE(FindIn(far_data, kGroup, ResourceName::Id(2)));
    }
    {
        ByteBuffer image = patched(built.entry_offsets[1], 0xFFFFFFFF);
        PutU32At(image, built.entry_offsets[1] + 4, 0xFFFFFFFF);
        EXPECT_FALSE(FindIn(image, kGroup, ResourceName::Id(2)));
    }
    {   // Type entry that is not a directory.
        const ByteBuffer image = patched(built.resource_offset + kDirEntries + 4, 0);
        EXPECT_TRUE(NamesIn(image, kGroup).empty());
    }
}

TEST(PeNames, ManyEntriesOnOneLongNameAreCapped) {
    // Entries that all point at one name of 65535 units: 64 of them stay within the
    // 4 Mi units of names one listing may produce, 65 do not.
    const auto built = BuildModuleWithLayout(ModuleFormat::Pe32, {{Type(kGroup), ResourceName::Text("N"), Bytes({1})}});
    const std::uint64_t type_dir = built.resource_offset + kDirEntries + 8;
    const std::uint32_t name_dir_target = *ReadU32(built.bytes, type_dir + kDirEntries + 4);
    auto listing = [&](std::uint16_t entries) {
        ByteBuffer image = built.bytes;
        image.resize(type_dir + kDirEntries + 8 * std::size_t{entries});
        const std::uint64_t name_at = image.size();
        image.resize(name_at + 2 + 2 * 0xFFFF, 0);
        PutU16At(image, name_at, 0xFFFF);
        PutU16At(image, type_dir + kDirIdCount - 2, entries);
        for (std::uint16_t i = 0; i < entries; ++i) {
            const auto name_offset = static_cast<std::uint32_t>(name_at - built.resource_offset);
            PutU32At(image, type_dir + kDirEntries + 8 * i, 0x80000000u | name_offset);
            PutU32At(image, type_dir + kDirEntries + 8 * i + 4, name_dir_target);
        }
        return NamesIn(image, kGroup).size();
    };
    EXPECT_EQ(listing(64), 64u);
    EXPECT_EQ(listing(65), 0u);
}

TEST(PeNames, UnpairedSurrogateNameRoundTrips) {
    const auto built = BuildModuleWithLayout(ModuleFormat::Pe32, {
        {Type(kGroup), ResourceName::Text("A\xF0\x9F\x98\x80"), Bytes({1})},  // A + U+1F600
        {Type(kGroup), ResourceName::Text("XY"), Bytes({2})},
    });
    ByteBuffer image = built.bytes;
    // Turn "XY" into 'X' + a lone high surrogate: the first string is 3 units, 4-aligned.
    const std::uint64_t second_string = built.resource_offset + 16 + 8 + 16 + 2 * 8 + 2 * (16 + 8) + 8;
    ASSERT_EQ(ReadU16(image, second_string + 2), 'X');
    PutU16At(image, second_string + 4, 0xD800);
    const auto module = ResourceModule::Parse(image);
    ASSERT_TRUE(module);
    const auto names = module->Names(kGroup);
    ASSERT_EQ(names.size(), 2u);
    EXPECT_EQ(names[0].text, "A\xF0\x9F\x98\x80");
    EXPECT_EQ(names[1].text, "X\xED\xA0\x80");
    EXPECT_EQ(FirstByte(module->Find(kGroup, names[0])), 1);
    EXPECT_EQ(FirstByte(module->Find(kGroup, names[1])), 2);
}

}  // namespace
}  // namespace icoforge::module
