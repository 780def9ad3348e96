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
using testing::Type;

constexpr auto kGroup = ResourceType::GroupIcon;
constexpr auto kIcon = ResourceType::Icon;
constexpr std::uint64_t kNeResourceTable = 0x24;
constexpr std::uint64_t kNeResidentNames = 0x26;
constexpr std::uint64_t kTypeInfoSize = 8;
constexpr std::uint64_t kNameInfoSize = 12;

ByteBuffer Filled(std::size_t size, std::uint8_t value) { return ByteBuffer(size, value); }

TEST(Ne, TableOrderStringAndIntegerNamesAndCaseInsensitiveFind) {
    const ByteBuffer image = BuildModule(ModuleFormat::Ne, {
        {ResourceName::Text("CUSTOM"), ResourceName::Id(1), Filled(3, 0xCC)},  // string type, skipped
        {Type(kGroup), ResourceName::Id(1), Filled(3, 1)},
        {Type(kGroup), ResourceName::Text("FOLDER"), Filled(3, 2)},
        {Type(kGroup), ResourceName::Id(7), Filled(3, 3)},
        {Type(kIcon), ResourceName::Id(1), Filled(3, 4)},
    });
    const auto module = ResourceModule::Parse(image);
    ASSERT_TRUE(module);
    EXPECT_EQ(module->format(), ModuleFormat::Ne);
    EXPECT_EQ(module->Names(kGroup),
              (std::vector{ResourceName::Id(1), ResourceName::Text("FOLDER"), ResourceName::Id(7)}));
    EXPECT_EQ(module->Names(kIcon), std::vector{ResourceName::Id(1)});
    EXPECT_EQ(FirstByte(module->Find(kGroup, ResourceName::Text("folder"))), 2);
    EXPECT_EQ(FirstByte(module->Find(kGroup, ResourceName::Id(7))), 3);
    EXPECT_EQ(FirstByte(module->Find(kIcon, ResourceName::Id(1))), 4);
    EXPECT_FALSE(module->Find(kGroup, ResourceName::Text("FOLDERS")));
    EXPECT_FALSE(module->Find(kGroup, ResourceName::Id(2)));
    EXPECT_FALSE(module->Find(kGroup, ResourceName::Text("\xE2\x82\xAC")));  // beyond Latin-1
}

TEST(Ne, SizeIsWholeAlignmentUnits) {
    for (std::uint16_t shift : {0, 1, 4, 9}) {
        ModuleOptions options;
        options.ne_align_shift = shift;
        const auto built = BuildModuleWithLayout(ModuleFormat::Ne, {
            {Type(kIcon), ResourceName::Id(1), Filled(5, 1)},
            {Type(kIcon), ResourceName::Id(2), Filled(40, 2)},
        }, options);
        const auto module = ResourceModule::Parse(built.bytes);
        ASSERT_TRUE(module);
        const std::size_t unit = std::size_t{1} << shift;
        const auto first = module->Find(kIcon, ResourceName::Id(1));
        ASSERT_TRUE(first) << shift;
        EXPECT_EQ(first->size(), (5 + unit - 1) / unit * unit) << shift;
        EXPECT_EQ(first->data(), built.bytes.data() + built.data_offsets[0]);
        EXPECT_EQ(SizeOf(module->Find(kIcon, ResourceName::Id(2))), (40 + unit - 1) / unit * unit) << shift;
    }
}

TEST(Ne, LastResourceMissingOnlyItsPadding) {
    ModuleOptions options;
    options.ne_align_shift = 4;
    options.ne_pad_end = false;
    const auto built = BuildModuleWithLayout(ModuleFormat::Ne, {
        {Type(kIcon), ResourceName::Id(1), Filled(16, 1)},
        {Type(kIcon), ResourceName::Id(2), Filled(33, 2)},  // 3 units, the file ends after 33 bytes
    }, options);
    ASSERT_EQ(built.bytes.size(), built.data_offsets[1] + 33);
    {
        const auto module = ResourceModule::Parse(built.bytes);
        ASSERT_TRUE(module);
        const auto last = module->Find(kIcon, ResourceName::Id(2));
        ASSERT_TRUE(last);
        EXPECT_EQ(last->size(), 33u);
    }
    // One byte more missing is a whole unit: real data is gone.
    const ByteView cut = ByteView(built.bytes).first(built.bytes.size() - 1);
    const auto module = ResourceModule::Parse(cut);
    ASSERT_TRUE(module);
    EXPECT_FALSE(module->Find(kIcon, ResourceName::Id(2)));
    EXPECT_TRUE(module->Find(kIcon, ResourceName::Id(1)));
}

TEST(Ne, DamagedTablesYieldNothing) {
    const auto built = BuildModuleWithLayout(ModuleFormat::Ne, {
        {Type(kGroup), ResourceName::Text("NAME"), Filled(3, 1)},
        {Type(kGroup), ResourceName::Id(2), Filled(3, 2)},
    });
    const std::uint64_t table = built.resource_offset;
    const std::uint64_t type_info = table + 2;
    auto patched = [&](std::uint64_t offset, std::uint16_t value) {
        ByteBuffer copy = built.bytes;
        PutU16At(copy, offset, value);
        return copy;
    };
    auto names_of = [](const ByteBuffer& image) { return NamesIn(image, kGroup); };
    EXPECT_EQ(names_of(built.bytes).size(), 2u);
    EXPECT_TRUE(names_of(patched(table, 17)).empty());     // shift beyond any real file
    EXPECT_EQ(names_of(patched(table, 16)).size(), 2u);    // largest shift still read
    EXPECT_TRUE(names_of(patched(type_info + 2, 0xFFFF)).empty());  // count past the end
    // Count that just fits the bytes behind the type record, and one more.
    const auto room = static_cast<std::uint16_t>((built.bytes.size() - (type_info + kTypeInfoSize)) / kNameInfoSize);
    EXPECT_TRUE(FindIn(patched(type_info + 2, room), kGroup, ResourceName::Id(2)));
    const ByteBuffer over = patched(type_info + 2, static_cast<std::uint16_t>(room + 1));
    EXPECT_FALSE(FindIn(over, kGroup, ResourceName::Id(2)));
    EXPECT_TRUE(names_of(over).empty());
    // A string name whose offset lies past the end spoils the list; ids are still found.
    const ByteBuffer bad_string = patched(built.entry_offsets[0] + 6, 0x7FFF);
    EXPECT_TRUE(names_of(bad_string).empty());
    EXPECT_TRUE(FindIn(bad_string, kGroup, ResourceName::Id(2)));
    // Resource offset past the end.
    EXPECT_FALSE(FindIn(patched(built.entry_offsets[1], 0xFFFF), kGroup, ResourceName::Id(2)));
    // No terminator: the type records run to the end of the file without a hang.
    ByteBuffer unterminated = built.bytes;
    for (std::uint64_t at = type_info + kTypeInfoSize; at < unterminated.size(); ++at) unterminated[at] = 0x11;
    PutU16At(unterminated, type_info, 0x8001);  // not the type asked for
    EXPECT_TRUE(names_of(unterminated).empty());
}

TEST(Ne, HeaderRulesAndNoResources) {
    const auto built = BuildModuleWithLayout(ModuleFormat::Ne, {{Type(kIcon), ResourceName::Id(1), Filled(3, 1)}});
    EXPECT_TRUE(LooksLikeModule(built.bytes));
    // A whole NE header is needed; the signature alone only looks like a module.
    const ByteView header_cut = ByteView(built.bytes).first(built.header_offset + 63);
    EXPECT_TRUE(LooksLikeModule(header_cut));
    EXPECT_FALSE(ResourceModule::Parse(header_cut));
    EXPECT_TRUE(ResourceModule::Parse(ByteView(built.bytes).first(built.header_offset + 64)));
    // A resource table that starts where the resident names do is empty.
    ByteBuffer none = built.bytes;
    PutU16At(none, built.header_offset + kNeResourceTable, *ReadU16(none, built.header_offset + kNeResidentNames));
    const auto module = ResourceModule::Parse(none);
    ASSERT_TRUE(module);
    EXPECT_TRUE(module->Names(kIcon).empty());
    EXPECT_FALSE(module->Find(kIcon, ResourceName::Id(1)));
}

}  // namespace
}  // namespace icoforge::module
