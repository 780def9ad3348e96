#include <gtest/gtest.h>
#include <algorithm>
#include <array>

#include "common/byte_reader.h"
#include "common/byte_writer.h"
#include "iconextract/ani_file.h"
#include "iconextract/catalogue.h"
#include "iconextract/icon_pixels.h"
#include "iconextract/module/res_file.h"
#include "tests/support/ico_builder.h"
#include "tests/support/module_builder.h"

namespace icoforge::catalogue {
namespace {

using module::ModuleFormat;
using module::ResourceName;
using module::ResourceType;
using testing::ModuleResource;
using testing::Type;

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

ByteBuffer Cursor(std::uint16_t x, std::uint16_t y, const ByteBuffer& image) {
    ByteWriter out;
    out.U16(x);
    out.U16(y);
    out.Bytes(image);
    return out.Take();
}

ByteBuffer CursorGroup(const std::vector<std::uint16_t>& ids) {
    ByteBuffer group = testing::MakeGroupResource(ids);
    PutU16At(group, 2, 2);
    return group;
}

// A 32-bit .res file of the resources, as resource compilers write one.
ByteBuffer ResFile(const std::vector<ModuleResource>& resources) {
    ByteWriter out;
    const auto name = [&](ByteWriter& w, const ResourceName& n) {
        if (n.is_id()) {
            w.U16(0xFFFF), w.U16(*n.id);
        } else {
            for (char c : n.text) w.U16(static_cast<std::uint8_t>(c));
            w.U16(0);
        }
    };
    const auto entry = [&](const ResourceName& type, const ResourceName& n, std::uint16_t language, const ByteBuffer& data) {
        ByteWriter names;
        name(names, type);
        name(names, n);
        while (names.size() % 4) names.U8(0);
        out.U32(static_cast<std::uint32_t>(data.size()));
        out.U32(static_cast<std::uint32_t>(8 + names.size() + 16));
        out.Bytes(names.buffer());
        out.U32(0), out.U16(0x1030), out.U16(language), out.U32(0), out.U32(0);
        out.Bytes(data);
        while (out.size() % 4) out.U8(0);
    };
    entry(ResourceName::Id(0), ResourceName::Id(0), 0, {});
    for (const auto& r : resources) entry(r.type, r.name, r.language, r.data);
    return out.Take();
}

const ByteBuffer kIcon16 = testing::MakeDibImage({.width = 16, .height = 16, .bit_count = 4});
const ByteBuffer kIcon32 = testing::MakeDibImage({.width = 32, .height = 32, .bit_count = 32});
const ByteBuffer kPng256 = testing::MakePngImage(256, 256);
const ByteBuffer kCursorImage = testing::MakeDibImage({.width = 32, .height = 32, .bit_count = 1});
const ByteBuffer kAni = testing::MakeAniFile({testing::MakeIcoFile({kCursorImage}, 2), testing::MakeIcoFile({kIcon16}, 2)}, 6);

// Icons in two languages and under a string name, a cursor, an animation, a group that
// names a missing image and an image no group names.
const std::vector<ModuleResource> kResources = {
    {Type(ResourceType::GroupIcon), ResourceName::Text("FOLDER"), testing::MakeGroupResource({1, 2}), 0x409},
    {Type(ResourceType::GroupIcon), ResourceName::Id(5), testing::MakeGroupResource({3}), 0x409},
    {Type(ResourceType::GroupIcon), ResourceName::Id(5), testing::MakeGroupResource({3}), 0x407},
    {Type(ResourceType::GroupIcon), ResourceName::Id(6), testing::MakeGroupResource({1, 99}), 0},
    {Type(ResourceType::Icon), ResourceName::Id(1), kIcon16, 0x409},
    {Type(ResourceType::Icon), ResourceName::Id(2), kPng256, 0x409},
    {Type(ResourceType::Icon), ResourceName::Id(3), kIcon32, 0x409},
    {Type(ResourceType::Icon), ResourceName::Id(3), kIcon16, 0x407},
    {Type(ResourceType::Icon), ResourceName::Id(20), kIcon32, 0},
    {Type(ResourceType::GroupCursor), ResourceName::Id(7), CursorGroup({10}), 0},
    {Type(ResourceType::Cursor), ResourceName::Id(10), Cursor(3, 4, kCursorImage), 0},
    {Type(ResourceType::AnimatedCursor), ResourceName::Id(9), kAni, 0},
};

struct Source {
    const char* label;
    FileKind kind;
    ByteBuffer bytes;
};

class CatalogueOf : public ::testing::TestWithParam<Source> {};

TEST_P(CatalogueOf, EveryGroupVariantImageAndProblem) {
    const ByteBuffer& file = GetParam().bytes;
    const auto catalogue = ReadCatalogue(file);
    ASSERT_TRUE(catalogue) << catalogue.error().reason;
    EXPECT_EQ(catalogue->kind, GetParam().kind);
    struct Expected {
        GroupType type;
        std::optional<std::uint16_t> id;
        std::optional<std::string> name;
        std::optional<std::uint16_t> language;
        std::uint32_t index;
        std::vector<std::pair<std::uint32_t, std::uint32_t>> sizes;  // width, bits
        std::uint32_t missing;
    };
    const std::vector<Expected> expected = {
        {GroupType::kIcon, std::nullopt, "FOLDER", 0x409, 1, {{16, 4}, {256, 32}}, 0},
        {GroupType::kIcon, 5, std::nullopt, 0x409, 2, {{32, 32}}, 0},
        {GroupType::kIcon, 5, std::nullopt, 0x407, 2, {{16, 4}}, 0},  // its own language's image 3
        {GroupType::kIcon, 6, std::nullopt, 0, 3, {{16, 4}}, 1},
        {GroupType::kCursor, 7, std::nullopt, 0, 1, {{32, 1}}, 0},
        {GroupType::kAnimatedCursor, 9, std::nullopt, 0, 1, {{32, 1}, {16, 4}}, 0},
    };
    ASSERT_EQ(catalogue->groups.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const CatalogueGroup& g = catalogue->groups[i];
        const Expected& e = expected[i];
        EXPECT_EQ(g.type, e.type) << i;
        EXPECT_EQ(g.id, e.id) << i;
        EXPECT_EQ(g.name, e.name) << i;
        EXPECT_EQ(g.language, e.language) << i;
        EXPECT_EQ(g.index, e.index) << i;
        EXPECT_EQ(g.missing_images, e.missing) << i;
        ASSERT_EQ(g.images.size(), e.sizes.size()) << i;
        for (std::size_t k = 0; k < e.sizes.size(); ++k) {
            EXPECT_EQ(g.images[k].width, e.sizes[k].first) << i << "/" << k;
            EXPECT_EQ(g.images[k].height, e.sizes[k].first) << i << "/" << k;
            EXPECT_EQ(g.images[k].bits, e.sizes[k].second) << i << "/" << k;
        }
    }
    EXPECT_EQ(catalogue->groups[0].images[1].format, ImageFormat::kPng);
    EXPECT_EQ(catalogue->groups[4].images[0].hotspot, std::make_pair(std::uint16_t{3}, std::uint16_t{4}));
    EXPECT_EQ(catalogue->groups[5].frames, 2u);
    EXPECT_EQ(catalogue->groups[5].rates, (std::vector<std::uint32_t>{6, 7}));
    ASSERT_EQ(catalogue->problems.size(), 1u);
    EXPECT_TRUE(Contains(catalogue->problems[0].reason, "names image 99, which the file does not hold"));
    ASSERT_EQ(catalogue->orphans.size(), 1u);
    EXPECT_EQ(catalogue->orphans[0].id, 20);
    EXPECT_EQ(MainIconGroup(*catalogue), &catalogue->groups[0]);
    EXPECT_EQ(BestImageFor(catalogue->groups[0], 32), 1u);
    EXPECT_EQ(BestImageFor(catalogue->groups[0], 16), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, CatalogueOf,
    ::testing::Values(Source{"Pe32", FileKind::kPe32, testing::BuildModule(ModuleFormat::Pe32, kResources)},
                      Source{"Pe32Plus", FileKind::kPe32Plus, testing::BuildModule(ModuleFormat::Pe32Plus, kResources)},
                      Source{"Res", FileKind::kRes, ResFile(kResources)}),
    [](const auto& test) { return test.param.label; });

// Written files are checked against layouts spelled out here, not against the writer.
TEST(GroupFile, CursorsIconsAndAnimationsAsFiles) {
    const ByteBuffer module = testing::BuildModule(ModuleFormat::Pe32, kResources);
    const auto catalogue = ReadCatalogue(module);
    ASSERT_TRUE(catalogue);

    const auto cursor = GroupFileBytes(module, catalogue->groups[4]);
    ASSERT_TRUE(cursor);
    ByteWriter want;
    want.U16(0), want.U16(2), want.U16(1);
    want.U8(32), want.U8(32), want.U8(0), want.U8(0), want.U16(3), want.U16(4);
    want.U32(static_cast<std::uint32_t>(kCursorImage.size())), want.U32(22);
    want.Bytes(kCursorImage);
    EXPECT_EQ(*cursor, want.buffer());

    const auto icon = GroupFileBytes(module, catalogue->groups[0]);
    ASSERT_TRUE(icon);
    ByteWriter ico;
    ico.U16(0), ico.U16(1), ico.U16(2);
    ico.U8(16), ico.U8(16), ico.U8(16), ico.U8(0), ico.U16(1), ico.U16(4);
    ico.U32(static_cast<std::uint32_t>(kIcon16.size())), ico.U32(38);
    ico.U8(0), ico.U8(0), ico.U8(0), ico.U8(0), ico.U16(1), ico.U16(32);  // 256 is written as 0
    ico.U32(static_cast<std::uint32_t>(kPng256.size())), ico.U32(static_cast<std::uint32_t>(38 + kIcon16.size()));
    ico.Bytes(kIcon16), ico.Bytes(kPng256);
    EXPECT_EQ(*icon, ico.buffer());

    EXPECT_EQ(GroupFileBytes(module, catalogue->groups[5]), kAni);
    const auto orphan = GroupFileBytes(module, catalogue->orphans[0]);
    ASSERT_TRUE(orphan);
    EXPECT_EQ(ReadCatalogue(*orphan)->groups[0].images[0].width, 32u);

    const auto damaged = GroupFileBytes(module, catalogue->groups[3]);
    ASSERT_FALSE(damaged);
    EXPECT_TRUE(Contains(damaged.error().reason, "names 1 image the file does not hold"));
}

TEST(Catalogue, RefusalsAndDamageWithReasons) {
    const ByteBuffer res = ResFile(kResources);
    const ByteBuffer ico = testing::MakeIcoFile({kIcon16, kIcon32});
    ByteBuffer ico_outside = ico;
    PutU32At(ico_outside, 6 + 16 + 12, 0x7FFFFFF0);
    ByteBuffer ico_header_cut = ico;  // image 1's size says 8 bytes, as in a cursor of Pillow's tests
    PutU32At(ico_header_cut, 6 + 8, 8);
    const auto pe = testing::BuildModuleWithLayout(ModuleFormat::Pe32, kResources);
    const auto ne = testing::BuildModuleWithLayout(ModuleFormat::Ne, kResources);
    const auto cut = [](const ByteBuffer& bytes, std::uint32_t size) { return ByteBuffer(bytes.begin(), bytes.begin() + size); };
    constexpr const char* kCutOff = "the file ends before its resource directory";
    const struct {
        const char* label;
        ByteBuffer bytes;
        const char* failure;  // when the file is refused
        const char* problem;  // else the first problem
    } cases[] = {
        {"text", ByteBuffer{'h', 'e', 'l', 'l', 'o'}, "not a module, resource file", nullptr},
        {"mz only", ByteBuffer{'M', 'Z', 0, 0}, "no PE or NE header", nullptr},
        {"ani without header", ByteBuffer{'R', 'I', 'F', 'F', 4, 0, 0, 0, 'A', 'C', 'O', 'N'}, nullptr, "no header chunk"},
        {"res cut short", ByteBuffer(res.begin(), res.end() - 9), nullptr, "runs past the end of the file"},
        {"ico image outside", ico_outside, nullptr, "image 2 (" },
        {"ico header cut", ico_header_cut, nullptr, "image 1 is too short for a bitmap header (8 of 40 bytes)"},
        {"pe cut in its resource directory", cut(pe.bytes, pe.resource_offset + 15), nullptr, kCutOff},
        {"pe cut in its section table", cut(pe.bytes, pe.section_table_offset + 39), nullptr, kCutOff},
        {"ne cut in its resource table", cut(ne.bytes, ne.resource_offset + 1), nullptr, kCutOff},
    };
    for (const auto& c : cases) {
        const auto catalogue = ReadCatalogue(c.bytes);
        if (c.failure) {
            ASSERT_FALSE(catalogue) << c.label;
            EXPECT_TRUE(Contains(catalogue.error().reason, c.failure)) << c.label << ": " << catalogue.error().reason;
            continue;
        }
        ASSERT_TRUE(catalogue) << c.label << ": " << catalogue.error().reason;
        const bool found = std::any_of(catalogue->problems.begin(), catalogue->problems.end(),
                                       [&](const Problem& p) { return Contains(p.reason, c.problem); });
        EXPECT_TRUE(found) << c.label;
    }
    // A byte more and the directory's head is there: what else the end cut is told as that.
    for (const ByteBuffer& bytes : {cut(pe.bytes, pe.resource_offset + 16), cut(ne.bytes, ne.resource_offset + 2)}) {
        const auto catalogue = ReadCatalogue(bytes);
        ASSERT_TRUE(catalogue);
        EXPECT_TRUE(std::none_of(catalogue->problems.begin(), catalogue->problems.end(),
                                 [&](const Problem& p) { return p.reason == kCutOff; }));
    }
}

// One pixel of a 1 x 1 DIB at each depth, and what Windows draws for it.
ByteBuffer OnePixelDib(std::uint16_t bits, std::vector<std::uint32_t> palette, ByteBuffer colour_row, bool masked) {
    ByteWriter out;
    for (std::uint32_t v : {40u, 1u, 2u}) out.U32(v);
    out.U16(1), out.U16(bits);
    for (int i = 0; i < 4; ++i) out.U32(0);
    out.U32(static_cast<std::uint32_t>(palette.size()));  // biClrUsed
    out.U32(0);
    for (std::uint32_t entry : palette) out.U32(entry);
    colour_row.resize(4, 0);
    out.Bytes(colour_row);
    out.U32(masked ? 0x80 : 0);  // the first bit of the mask row
    return out.Take();
}

TEST(IconPixels, EveryDepthAndTheMaskRules) {
    using Rgba = std::array<std::uint8_t, 4>;
    const struct {
        const char* label;
        ByteBuffer dib;
        Rgba pixel;
    } cases[] = {
        {"1 bit, second entry", OnePixelDib(1, {0x000000, 0x112233}, {0x80}, false), {0x11, 0x22, 0x33, 255}},
        {"4 bits", OnePixelDib(4, std::vector<std::uint32_t>(16, 0x0000FF), {0x30}, false), {0, 0, 0xFF, 255}},
        {"8 bits, index beyond the table", OnePixelDib(8, {0xFFFFFF}, {7}, false), {0, 0, 0, 255}},
        {"16 bits 5-5-5", OnePixelDib(16, {}, {0x1F, 0x7C}, false), {0xFF, 0, 0xFF, 255}},
        {"24 bits", OnePixelDib(24, {}, {1, 2, 3}, false), {3, 2, 1, 255}},
        {"32 bits with alpha keeps it over the mask", OnePixelDib(32, {}, {1, 2, 3, 0x80}, true), {3, 2, 1, 0x80}},
        {"32 bits without alpha takes the mask", OnePixelDib(32, {}, {1, 2, 3, 0}, false), {3, 2, 1, 255}},
        {"masked black is transparent", OnePixelDib(24, {}, {0, 0, 0}, true), {0, 0, 0, 0}},
        {"masked colour inverts: shown as over white", OnePixelDib(24, {}, {0xFF, 0xF0, 0x00}, true), {0xFF, 0x0F, 0x00, 255}},
    };
    for (const auto& c : cases) {
        const auto image = DibToRgba(c.dib);
        ASSERT_TRUE(image) << c.label << ": " << image.error().reason;
        ASSERT_EQ(image->width, 1u) << c.label;
        ASSERT_EQ(image->pixels.size(), 4u) << c.label;
        EXPECT_EQ((Rgba{image->pixels[0], image->pixels[1], image->pixels[2], image->pixels[3]}), c.pixel) << c.label;
    }

    const ByteBuffer good = OnePixelDib(24, {}, {1, 2, 3}, false);
    const auto with = [&](std::uint64_t at, std::uint32_t value) {
        ByteBuffer copy = good;
        PutU32At(copy, at, value);
        return copy;
    };
    const struct {
        const char* label;
        ByteBuffer dib;
        const char* reason;
    } refused[] = {
        {"header cut", ByteBuffer(good.begin(), good.begin() + 30), "header is cut short"},
        {"odd height", with(8, 3), "which no icon image has"},
        {"too many pixels", with(4, 0x7FFFFFFF), "more pixels than the limit"},
        {"compressed", with(16, 1), "compressed"},
        {"mask cut", ByteBuffer(good.begin(), good.end() - 1), "mask rows are cut short"},
        {"colour cut", ByteBuffer(good.begin(), good.begin() + 42), "colour rows are cut short"},
        {"png damaged", testing::MakePngImage(4, 4), "PNG image"},
    };
    for (const auto& c : refused) {
        const auto image = IconImageToRgba(c.dib);
        ASSERT_FALSE(image) << c.label;
        EXPECT_TRUE(Contains(image.error().reason, c.reason)) << c.label << ": " << image.error().reason;
    }
}

}  // namespace
}  // namespace icoforge::catalogue
