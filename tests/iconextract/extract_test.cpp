#include <gtest/gtest.h>

#include <algorithm>

#include "common/byte_reader.h"
#include "common/byte_writer.h"
#include "iconextract/extract.h"
#include "iconextract/ico_reader.h"
#include "iconextract/icon_writers.h"
#include "iconextract/module_groups.h"
#include "platform/clipboard.h"
#include "tests/support/failure_checks.h"
#include "tests/support/host.h"
#include "tests/support/temp_folder.h"
#include "platform/file_io.h"
#include "tests/support/ico_builder.h"
#include "tests/support/module_builder.h"

namespace icoforge {
namespace {

using testing::MakeDibImage;
using testing::MakeGroupResource;
using testing::MakeIcoFile;
using testing::MakePngImage;
using testing::ModuleFormat;
using testing::ResourceName;
using testing::ResourceType;
using testing::Type;

// Five images in three groups: numbered 1, named "Folder", numbered 7, stored in that order.
const std::vector<ByteBuffer>& Images() {
    static const std::vector<ByteBuffer> images = {
        MakeDibImage({.width = 16, .height = 16, .bit_count = 4, .size_image = 4242}),
        MakeDibImage({.width = 32, .height = 32, .bit_count = 8, .seed = 2}),
        MakeDibImage({.width = 48, .height = 48, .bit_count = 32, .seed = 3}),
        MakePngImage(256, 256),
        MakeDibImage({.width = 16, .height = 16, .bit_count = 1, .seed = 5}),
    };
    return images;
}

std::vector<testing::ModuleResource> ThreeGroups() {
    std::vector<testing::ModuleResource> resources = {
        {Type(ResourceType::GroupIcon), ResourceName::Id(1), MakeGroupResource({1, 2})},
        {Type(ResourceType::GroupIcon), ResourceName::Text("Folder"), MakeGroupResource({3, 4})},
        {Type(ResourceType::GroupIcon), ResourceName::Id(7), MakeGroupResource({5})},
    };
    for (std::uint16_t id = 1; id <= 5; ++id)
        resources.push_back({Type(ResourceType::Icon), ResourceName::Id(id), Images()[id - 1]});
    return resources;
}

// The images a group's .ico file holds, read back.
std::vector<ByteBuffer> ImagesIn(const std::string& path) {
    std::vector<ByteBuffer> out;
    if (const auto group = ReadIcoFile(path))
        for (const auto& image : group->images) out.push_back(image.data);
    return out;
}

// What the writer makes of an image from the module: a whole DIB loses its biSizeImage;
// a 16-bit module pads every resource to its alignment unit.
ByteBuffer AsWritten(ByteBuffer image) {
    if (!IsPngImage(image)) PutU32At(image, 20, 0);
    return image;
}
bool SameImage(const ByteBuffer& written, const ByteBuffer& original) {
    const ByteBuffer expected = AsWritten(original);
    return written.size() >= expected.size() && written.size() < expected.size() + 16 &&
           std::equal(expected.begin(), expected.end(), written.begin());
}

class ModuleExtraction : public ::testing::TestWithParam<ModuleFormat> {
protected:
    void SetUp() override {
        source_ = folder_.File("sample.dll");
        ASSERT_TRUE(WriteWholeFile(source_, testing::BuildModule(GetParam(), ThreeGroups())));
    }
    // Windows lists a PE module's string-named groups before its numbered ones; a 16-bit
    // module's groups come in stored order.
    std::vector<ResourceName> Order() const {
        if (GetParam() == ModuleFormat::Ne) return {ResourceName::Id(1), ResourceName::Text("Folder"), ResourceName::Id(7)};
        return {ResourceName::Text("Folder"), ResourceName::Id(1), ResourceName::Id(7)};
    }
    std::int32_t PositionOf(const ResourceName& name) const {
        const auto order = Order();
        return static_cast<std::int32_t>(std::find(order.begin(), order.end(), name) - order.begin()) + 1;
    }
    testing::TempFolder folder_;
    std::string source_;
};

std::vector<int> ImageIdsOf(const ResourceName& group) {
    if (group == ResourceName::Id(1)) return {1, 2};
    if (group == ResourceName::Id(7)) return {5};
    return {3, 4};
}

TEST_P(ModuleExtraction, EveryPositionGivesItsGroupAndTheCount) {
    EXPECT_EQ(GetIconCount(source_), 3);
    for (int index = 1; index <= 3; ++index) {
        const std::string out = folder_.File(std::to_string(index) + ".ico");
        ASSERT_EQ(ExtractIconGroup(source_, kModeWriteFile, out, index), 3);
        const auto expected = ImageIdsOf(Order()[index - 1]);
        const auto written = ImagesIn(out);
        ASSERT_EQ(written.size(), expected.size()) << index;
        for (std::size_t i = 0; i < written.size(); ++i)
            EXPECT_TRUE(SameImage(written[i], Images()[expected[i] - 1])) << index << "/" << i;
    }
    EXPECT_EQ(ProcessGroupEnumState().groups_seen, 3);
    EXPECT_EQ(ProcessGroupEnumState().remembered_name, ResourceName::Id(7));

    EXPECT_EQ(ExtractIconGroup(source_, kModeWriteFile, folder_.File("4.ico"), 4), 0);
    EXPECT_FALSE(FileExists(folder_.File("4.ico")));
}

TEST_P(ModuleExtraction, StringNamedGroupIsFoundAgainAfterTheEnumeration) {
    const auto outcome =
        ExtractIconGroupOutcome(source_, kModeWriteFile, folder_.File("f.ico"), PositionOf(ResourceName::Text("Folder")));
    EXPECT_TRUE(outcome.written);
    ASSERT_EQ(ProcessGroupEnumState().remembered_name, ResourceName::Text("Folder"));
    const auto group = LoadModuleIconGroup(source_, ResourceName::Text("FOLDER"));
    ASSERT_TRUE(group);
    EXPECT_EQ(group->module_path, source_);
    EXPECT_EQ(group->source_name, "");
    EXPECT_EQ(group->image_count(), 2u);
    EXPECT_EQ(testing::ReasonOf(LoadModuleIconGroup(source_, std::nullopt)), kGroupDamagedText);
    EXPECT_EQ(testing::ReasonOf(LoadModuleIconGroup(source_, ResourceName::Text("Missing"))), kGroupDamagedText);
}

TEST_P(ModuleExtraction, RefusalsSayWhatFailedOnWhichPath) {
    const std::string text = folder_.File("notes.txt");
    const std::string fake = folder_.File("fake.dll");
    ASSERT_TRUE(WriteWholeFile(text, ByteBuffer{'h', 'i'}));
    ASSERT_TRUE(WriteWholeFile(fake, ByteBuffer{'M', 'Z', 0, 0}));
    const std::string out = folder_.File("x.ico");
    struct Case {
        std::string source;
        std::string output;
        std::int32_t index;
        std::int32_t groups;
        Failure failure;
    };
    const Case cases[] = {
        {source_, folder_.File("out.txt"), 1, 3, {"write", folder_.File("out.txt"), kUnsupportedOutputText}},
        {source_, out, 4, 0, {"read", source_, kIndexBeyondGroupsText}},
        {source_, "", 1, 0, {"write", "", kNoOutputPathText}},
        {text, out, 1, 0, {"read", text, kUnsupportedSourceText}},
        {fake, out, 1, 0, {"read", fake, kNotModuleText}},
    };
    for (const Case& c : cases) {
        const auto outcome = ExtractIconGroupOutcome(c.source, kModeWriteFile, c.output, c.index);
        EXPECT_EQ(outcome.groups, c.groups) << c.failure.reason;
        ASSERT_FALSE(outcome.written) << c.failure.reason;
        EXPECT_EQ(outcome.written.error(), c.failure);
    }
    // A module that is not there: the system says why.
    const auto missing = ExtractIconGroupOutcome(folder_.File("missing.dll"), kModeWriteFile, out, 1);
    ASSERT_FALSE(missing.written);
    EXPECT_EQ(missing.written.error().path, folder_.File("missing.dll"));
    EXPECT_NE(missing.written.error().system_error, 0);
    EXPECT_FALSE(FileExists(out));
}

TEST_P(ModuleExtraction, OutputKindDecidesWhatIsWritten) {
    // Anything but ico or bmp: the count, nothing written.
    const std::int32_t group1 = PositionOf(ResourceName::Id(1));
    EXPECT_EQ(ExtractIconGroup(source_, kModeWriteFile, folder_.File("out.txt"), group1), 3);
    EXPECT_FALSE(FileExists(folder_.File("out.txt")));
    // Capitals count; the bitmap is the first image's colour part.
    EXPECT_EQ(ExtractIconGroup(source_, kModeWriteFile, folder_.File("OUT.BMP"), group1), 3);
    const auto bmp = ReadWholeFile(folder_.File("OUT.BMP"));
    ASSERT_TRUE(bmp);
    EXPECT_EQ(ReadU32(*bmp, 2), 54u + 16 * 4 + 8 * 16);  // group 1's 16-pixel 4-bit image
    EXPECT_EQ(ExtractIconGroup(source_, kModeWriteFile, folder_.File("out.ico"), 0), 3);  // index 0 is 1
    EXPECT_EQ(ImagesIn(folder_.File("out.ico")).size(), ImageIdsOf(Order()[0]).size());
}

// A module is one by its content, whatever its name says (.cpl, .ocx, an icon file's name,
// none at all).
TEST_P(ModuleExtraction, ModulesAreKnownByContentWhateverTheirName) {
    const auto module = ReadWholeFile(source_).value();
    for (const char* name : {"SAMPLE.EXE", "sample.Icl", "sampledll", "applet.cpl", "module.ico", "module.txt"}) {
        ASSERT_TRUE(WriteWholeFile(folder_.File(name), module));
        const auto outcome = ExtractIconGroupOutcome(folder_.File(name), kModeWriteFile, folder_.File("k.ico"), 1);
        EXPECT_EQ(outcome.groups, 3) << name;
        EXPECT_TRUE(outcome.written) << name;
        EXPECT_TRUE(IsModuleFile(folder_.File(name)));
    }
    EXPECT_FALSE(IsModuleFile(folder_.File("k.ico")));
}

TEST_P(ModuleExtraction, ClipboardModeIgnoresTheOutput) {
    for (std::int32_t mode : {1, 2, -1}) {
        PlaceClipboardDib(ByteBuffer{1, 2, 3});
        const auto outcome = ExtractIconGroupOutcome(source_, mode, folder_.File("ignored.ico"), 3);
        EXPECT_EQ(outcome.groups, 3);
        EXPECT_FALSE(FileExists(folder_.File("ignored.ico")));
        if (!outcome.written) {
            ASSERT_TRUE(testing::kClipboardMayBeRefused) << "mode " << mode << " placed nothing on the clipboard";
            GTEST_SKIP() << "Windows refused its clipboard to this session";
        }
        const auto dib = ReadClipboardDib();
        ASSERT_TRUE(dib);
        EXPECT_EQ(ReadU32(*dib, 8), 16u);  // the 1-bit image of group 7, height halved
    }
}

TEST_P(ModuleExtraction, GroupWithAMissingImageWritesNothing) {
    auto resources = ThreeGroups();
    resources[0].data = MakeGroupResource({1, 99});
    ASSERT_TRUE(WriteWholeFile(source_, testing::BuildModule(GetParam(), resources)));
    const std::int32_t group1 = PositionOf(ResourceName::Id(1));
    const auto outcome = ExtractIconGroupOutcome(source_, kModeWriteFile, folder_.File("x.ico"), group1);
    const Failure damaged{"read", source_, kGroupDamagedText};
    EXPECT_EQ(outcome.groups, 3);
    EXPECT_EQ(outcome.written, Result<>(Fail(damaged)));
    EXPECT_FALSE(FileExists(folder_.File("x.ico")));
    // A group resource shorter than its own count says.
    resources[0].data = MakeGroupResource({1, 2});
    resources[0].data.resize(6 + 14 + 5);
    ASSERT_TRUE(WriteWholeFile(source_, testing::BuildModule(GetParam(), resources)));
    EXPECT_EQ(ExtractIconGroupOutcome(source_, kModeWriteFile, folder_.File("x.ico"), group1).written,
              Result<>(Fail(damaged)));
}

TEST_P(ModuleExtraction, ModuleWithoutGroupsCountsNone) {
    ASSERT_TRUE(WriteWholeFile(source_, testing::BuildModule(GetParam(), {{Type(ResourceType::Icon),
                                                                           ResourceName::Id(1), Images()[0]}})));
    EXPECT_EQ(GetIconCount(source_), 0);
    EXPECT_EQ(ExtractIconGroup(source_, kModeWriteFile, folder_.File("x.ico"), 1), 0);
    EXPECT_EQ(ExtractIconGroupOutcome(source_, kModeWriteFile, folder_.File("x.ico"), 1).written,
              Result<>(Fail("read", source_, kNoGroupsText)));
    EXPECT_FALSE(FileExists(folder_.File("x.ico")));
}

// The one-pass extraction against one call per group, on modules whose names repeat, differ
// only in case, carry several languages or lead to missing images, or whose groups list
// their images out of order or far apart (read at once, or taken from the mapping).
TEST_P(ModuleExtraction, OnePassWritesWhatOneCallPerGroupWrites) {
    using testing::ModuleResource;
    const auto group = [](ResourceName name, std::vector<std::uint16_t> ids, std::uint16_t language = 0) {
        return ModuleResource{Type(ResourceType::GroupIcon), std::move(name), MakeGroupResource(ids), language};
    };
    const auto icon = [](std::uint16_t id, int image, std::uint16_t language = 0) {
        return ModuleResource{Type(ResourceType::Icon), ResourceName::Id(id), Images()[image], language};
    };
    std::vector<std::vector<ModuleResource>> modules = {
        ThreeGroups(),
        {group(ResourceName::Id(1), {1}), group(ResourceName::Id(1), {2}), icon(1, 0), icon(2, 1), icon(1, 2)},
        {group(ResourceName::Text("folder"), {1}), group(ResourceName::Text("FOLDER"), {2}),
         group(ResourceName::Text("Other"), {3, 99}), icon(1, 0), icon(2, 1), icon(3, 4)},
        {group(ResourceName::Id(5), {1}, 0x409), group(ResourceName::Id(5), {2}, 0), icon(1, 0, 0x409), icon(1, 2, 0),
         icon(2, 3)},
        {group(ResourceName::Id(1), {2, 1}), group(ResourceName::Id(2), {3, 4}), icon(1, 0), icon(2, 1), icon(3, 2),
         ModuleResource{ResourceName::Id(10), ResourceName::Id(1), ByteBuffer(1 << 16, 0x5A)}, icon(4, 3)},
    };
    for (std::size_t m = 0; m < modules.size(); ++m) {
        SCOPED_TRACE(m);
        ASSERT_TRUE(WriteWholeFile(source_, testing::BuildModule(GetParam(), modules[m])));
        const std::int32_t count = GetIconCount(source_) + 1;  // one past the last, too
        const auto output = [&](const char* run, std::int32_t n) { return folder_.File(run + std::to_string(n) + ".ico"); };
        const auto outcomes = ExtractEveryIconGroup(source_, count, [&](std::int32_t n) { return output("all", n); });
        ASSERT_EQ(outcomes.size(), static_cast<std::size_t>(count));
        for (std::int32_t n = 1; n <= count; ++n) {
            const auto single = ExtractIconGroupOutcome(source_, kModeWriteFile, output("one", n), n);
            const auto& all = outcomes[static_cast<std::size_t>(n) - 1];
            EXPECT_EQ(all.groups, single.groups) << n;
            EXPECT_EQ(all.written, single.written) << n;  // only reading fails here, on the same path
            EXPECT_EQ(FileExists(output("all", n)), FileExists(output("one", n))) << n;
            EXPECT_EQ(ReadWholeFile(output("all", n)).value_or(ByteBuffer{}),
                      ReadWholeFile(output("one", n)).value_or(ByteBuffer{}))
                << n;
            RemoveFile(output("all", n));
            RemoveFile(output("one", n));
        }
    }
    // Every group to one path: written in order, so the last group's file stays.
    ASSERT_TRUE(WriteWholeFile(source_, testing::BuildModule(GetParam(), ThreeGroups())));
    (void)ExtractEveryIconGroup(source_, 3, [&](std::int32_t) { return folder_.File("same.ico"); });
    ASSERT_EQ(ExtractIconGroupOutcome(source_, kModeWriteFile, folder_.File("last.ico"), 3).groups, 3);
    EXPECT_EQ(ReadWholeFile(folder_.File("same.ico")), ReadWholeFile(folder_.File("last.ico")));
}

INSTANTIATE_TEST_SUITE_P(Formats, ModuleExtraction,
                         ::testing::Values(ModuleFormat::Pe32, ModuleFormat::Pe32Plus, ModuleFormat::Ne));

TEST(IconFileExtraction, CountsOneGroupWhateverHappens) {
    testing::TempFolder folder;
    const ByteBuffer image = Images()[1];
    ASSERT_TRUE(WriteWholeFile(folder.File("myico"), MakeIcoFile({image, Images()[3]})));
    EXPECT_EQ(ExtractIconGroup(folder.File("myico"), kModeWriteFile, folder.File("a.ico"), 1), 1);
    EXPECT_EQ(ImagesIn(folder.File("a.ico")), (std::vector<ByteBuffer>{image, Images()[3]}));
    EXPECT_EQ(ExtractIconGroup(folder.File("myico"), kModeWriteFile, folder.File("b.ico"), 2), 0);
    EXPECT_FALSE(FileExists(folder.File("b.ico")));
    // A cursor file or a missing file: still one group, nothing written.
    ASSERT_TRUE(WriteWholeFile(folder.File("cursor.ico"), MakeIcoFile({image}, 2)));
    EXPECT_EQ(ExtractIconGroup(folder.File("cursor.ico"), kModeWriteFile, folder.File("c.ico"), 1), 1);
    EXPECT_EQ(ExtractIconGroup(folder.File("none.ico"), kModeWriteFile, folder.File("c.ico"), -3), 1);
    EXPECT_FALSE(FileExists(folder.File("c.ico")));
    // No output path in mode 0: nothing happens at all.
    EXPECT_EQ(ExtractIconGroup(folder.File("myico"), kModeWriteFile, "", 1), 0);
}

TEST(IconFileExtraction, EmptyGroupWritesAHeaderButNoBitmap) {
    testing::TempFolder folder;
    ASSERT_TRUE(WriteWholeFile(folder.File("empty.ico"), MakeIcoFile({})));
    EXPECT_EQ(ExtractIconGroup(folder.File("empty.ico"), kModeWriteFile, folder.File("e.ico"), 1), 1);
    EXPECT_EQ(ReadWholeFile(folder.File("e.ico")), (ByteBuffer{0, 0, 1, 0, 0, 0}));
    const auto bmp = ExtractIconGroupOutcome(folder.File("empty.ico"), kModeWriteFile, folder.File("e.bmp"), 1);
    EXPECT_EQ(bmp.written, Result<>(Fail("write", folder.File("e.bmp"), kNoImagesText)));
    EXPECT_FALSE(FileExists(folder.File("e.bmp")));
    // A PNG first image cannot become a bitmap.
    ASSERT_TRUE(WriteWholeFile(folder.File("png.ico"), MakeIcoFile({Images()[3]})));
    EXPECT_EQ(ExtractIconGroupOutcome(folder.File("png.ico"), kModeWriteFile, folder.File("p.bmp"), 1).written,
              Result<>(Fail("write", folder.File("p.bmp"), kNotWholeBitmapText)));
    EXPECT_FALSE(FileExists(folder.File("p.bmp")));
}

// An icon file or a module whose one group names a single image `count` times.
ByteBuffer RepeatedImageSource(bool module, std::uint16_t count, const ByteBuffer& image) {
    if (module) {
        return testing::BuildModule(ModuleFormat::Pe32,
                                    {{Type(ResourceType::GroupIcon), ResourceName::Id(1),
                                      MakeGroupResource(std::vector<std::uint16_t>(count, 1))},
                                     {Type(ResourceType::Icon), ResourceName::Id(1), image}});
    }
    ByteBuffer file = MakeIcoFile({image});
    const std::uint32_t image_offset = 6 + 16;
    ByteWriter out;
    out.Bytes(ByteView(file).first(4));
    out.U16(count);
    for (std::uint16_t i = 0; i < count; ++i) {
        out.Bytes(ByteView(file).subspan(6, 12));
        out.U32(6 + 16u * count);
    }
    out.Bytes(ByteView(file).subspan(image_offset));
    return out.Take();
}

TEST(GroupSize, GroupsWhoseIconFileWouldPassTheLimitAreRefusedBeforeTheyAreCopied) {
    struct Case {
        bool module;
        std::uint16_t count;
        std::uint32_t image_width;  // of a square 32-bit image
        bool written;
    };
    // 64 x 64 at 32 bits is a little over 16 KiB; 128 x 128, 64 KiB.
    const Case cases[] = {
        {false, 3, 64, true},      {true, 3, 64, true},
        {false, 4097, 128, false}, {true, 4097, 128, false},  // just over 256 MiB
        {false, 65535, 128, false},                           // the most a directory can name: 4 GiB
    };
    testing::TempFolder folder;
    for (const Case& c : cases) {
        const std::string name = std::string(c.module ? "m" : "i") + std::to_string(c.count);
        const std::string source = folder.File(name + (c.module ? ".dll" : ".ico"));
        const std::string output = folder.File(name + "-out.ico");
        const ByteBuffer image = MakeDibImage(
            {.width = static_cast<std::int32_t>(c.image_width), .height = static_cast<std::int32_t>(c.image_width),
             .bit_count = 32});
        ASSERT_TRUE(WriteWholeFile(source, RepeatedImageSource(c.module, c.count, image)));
        const auto outcome = ExtractIconGroupOutcome(source, kModeWriteFile, output, 1);
        EXPECT_EQ(outcome.written, c.written ? Result<>() : Fail("read", source, kGroupTooLargeText)) << name;
        EXPECT_EQ(FileExists(output), c.written) << name;
        if (c.written) {
            EXPECT_EQ(ImagesIn(output).size(), c.count) << name;
        }
    }
}

TEST(IconCount, JudgesTheContent) {
    testing::TempFolder folder;
    const ByteBuffer image = Images()[0];
    const std::pair<const char*, ByteBuffer> cases[] = {
        {"icon.bin", MakeIcoFile({image})},
        {"cursor.bin", MakeIcoFile({image}, 2)},
        {"no-cursors.cur", MakeIcoFile({}, 2)},
        {"type3.ico", MakeIcoFile({image}, 3)},
        {"text.ico", ByteBuffer{'h', 'e', 'l', 'l', 'o'}},
        {"mz-only.exe", ByteBuffer{'M', 'Z', 0, 0}},
    };
    const int expected[] = {1, 1, 0, 0, 0, 0};
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        ASSERT_TRUE(WriteWholeFile(folder.File(cases[i].first), cases[i].second));
        EXPECT_EQ(GetIconCount(folder.File(cases[i].first)), expected[i]) << cases[i].first;
    }
    EXPECT_EQ(GetIconCount(folder.File("missing.dll")), 0);
}

TEST(Kinds, LastThreeBytesLowered) {
    EXPECT_EQ(LastThreeLowered("C:\\A\\PROG.EXE"), "exe");
    EXPECT_EQ(LastThreeLowered("ab"), "ab");
    EXPECT_EQ(SourceKindOf("myico"), SourceKind::IconFile);
    EXPECT_EQ(SourceKindOf("lib.dLL"), SourceKind::Module);
    EXPECT_EQ(SourceKindOf("x.ico "), SourceKind::Other);
    EXPECT_EQ(SourceKindOf("ico"), SourceKind::IconFile);
    EXPECT_EQ(SourceKindOf("图标.ICL"), SourceKind::Module);
    EXPECT_EQ(OutputKindOf("a.Bmp"), OutputKind::Bitmap);
    EXPECT_EQ(OutputKindOf("a.ico.txt"), OutputKind::Other);
}

}  // namespace
}  // namespace icoforge
