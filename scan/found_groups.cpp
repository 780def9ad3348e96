#include "scan/found_groups.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <vector>

#include "common/byte_reader.h"
#include "iconextract/catalogue.h"
#include "iconextract/module/resource_module.h"
#include "scan/dhash.h"

namespace icoforge::scan {
namespace {

using catalogue::CatalogueGroup;
using catalogue::GroupType;

bool StartsWith(ByteView file, std::string_view prefix) {
    return file.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), file.begin(), [](char a, std::uint8_t b) { return static_cast<std::uint8_t>(a) == b; });
}

std::string ExtensionOf(GroupType type) {
    switch (type) {
    case GroupType::kIcon: return "ico";
    case GroupType::kCursor: return "cur";
    case GroupType::kAnimatedIcon:
    case GroupType::kAnimatedCursor: return "ani";
    }
    return "ico";
}

nlohmann::json ImagesOf(const CatalogueGroup& group) {
    nlohmann::json images = nlohmann::json::array();
    const bool animated = group.type == GroupType::kAnimatedIcon || group.type == GroupType::kAnimatedCursor;
    for (const auto& image : group.images) {
        nlohmann::json entry = {{"width", image.width},
                                {"height", image.height},
                                {"bits", image.bits},
                                {"format", catalogue::ImageFormatName(image.format)},
                                {"bytes", image.bytes},
                                {"id", image.id ? nlohmann::json(*image.id) : nlohmann::json()}};
        if (image.hotspot) entry["hotspot"] = {image.hotspot->first, image.hotspot->second};
        if (animated) entry["frame"] = image.frame;
        images.push_back(std::move(entry));
    }
    return images;
}

}  // namespace

bool MayHoldGroups(ByteView file) {
    if (StartsWith(file, "MZ")) return module::LooksLikeModule(file);
    const auto count = ReadU16(file, 4).value_or(0);
    if ((StartsWith(file, std::string_view("\0\0\1\0", 4)) || StartsWith(file, std::string_view("\0\0\2\0", 4))) && count > 0)
        return true;
    if (StartsWith(file, "RIFF") && file.size() >= 12 && StartsWith(file.subspan(8), "ACON")) return true;
    // A resource file opens with an empty entry: sizes 0 and 32, type and name 0xFFFF 0.
    return StartsWith(file, std::string_view("\0\0\0\0\x20\0\0\0\xFF\xFF\0\0\xFF\xFF\0\0", 16));
}

namespace {

// A module's headers and section table fit in its first page but for the odd one.
constexpr std::size_t kHeadBytes = 4096;

// For a PE module: whether the resource root `look` found holds any type a
// group is made of; nothing where that cannot be told without the whole file.
Result<std::optional<bool>> RootHoldsGroupTypes(const FileReader& file, const module::ResourceRootLook& look) {
    constexpr std::uint64_t kDirectoryHeaderBytes = 16, kEntryBytes = 8;
    constexpr std::uint32_t kStringName = 0x80000000u;
    // The group types and their images' types (so that whatever the catalogue would say
    // of a module's images is still said), and both animations.
    constexpr std::uint16_t kGroupTypes[] = {1, 3, 12, 14, 21, 22};
    if (look.kind == module::ResourceRootLook::Kind::kNoResources) return false;
    if (look.kind == module::ResourceRootLook::Kind::kUnsure) return std::nullopt;

    std::array<std::uint8_t, kDirectoryHeaderBytes> header{};
    const auto header_got = file.ReadAt(look.offset, header);
    if (!header_got) return Fail(header_got.error());
    if (*header_got < header.size()) return std::nullopt;
    const std::uint64_t count = std::uint64_t{*ReadU16(header, 12)} + *ReadU16(header, 14);
    std::vector<std::uint8_t> entries(static_cast<std::size_t>(count * kEntryBytes));
    const auto entries_got = file.ReadAt(look.offset + kDirectoryHeaderBytes, entries);
    if (!entries_got) return Fail(entries_got.error());
    if (*entries_got < entries.size()) return std::nullopt;
    for (std::uint64_t i = 0; i < count; ++i) {
        const std::uint32_t name = *ReadU32(entries, i * kEntryBytes);
        if ((name & kStringName) != 0) continue;
        if (std::find(std::begin(kGroupTypes), std::end(kGroupTypes), static_cast<std::uint16_t>(name)) !=
            std::end(kGroupTypes))
            return true;
    }
    return false;
}

}  // namespace

Result<bool> MayHoldGroups(const FileReader& file) {
    std::array<std::uint8_t, kHeadBytes> head_bytes{};
    const auto got = file.ReadAt(0, head_bytes);
    if (!got) return Fail(got.error());
    const ByteView head(head_bytes.data(), *got);
    if (!StartsWith(head, "MZ")) return MayHoldGroups(head);
    const auto holds = RootHoldsGroupTypes(file, module::LookForResourceRoot(head, file.size()));
    if (!holds) return Fail(holds.error());
    return holds->value_or(true);
}

Result<std::optional<catalogue::FileKind>> ModuleWithoutGroups(const FileReader& file) {
    std::array<std::uint8_t, kHeadBytes> head_bytes{};
    const auto got = file.ReadAt(0, head_bytes);
    if (!got) return Fail(got.error());
    const ByteView head(head_bytes.data(), *got);
    if (!StartsWith(head, "MZ")) return std::nullopt;
    const auto look = module::LookForResourceRoot(head, file.size());
    const auto holds = RootHoldsGroupTypes(file, look);
    if (!holds) return Fail(holds.error());
    if (holds->value_or(true)) return std::nullopt;
    return look.format == module::ModuleFormat::Pe32Plus ? catalogue::FileKind::kPe32Plus : catalogue::FileKind::kPe32;
}

Result<> ForEachGroup(ByteView file, const std::function<void(FoundGroup&&)>& take,
                      const std::function<void(FileProblem&&)>& fault) {
    auto listed = catalogue::ReadCatalogue(file);
    if (!listed) return Fail(listed.error());
    const std::string kind(catalogue::FileKindName(listed->kind));
    for (const CatalogueGroup& group : listed->groups) {
        FoundGroup found;
        found.kind = kind;
        found.type = catalogue::GroupTypeName(group.type);
        if (group.id) found.id = *group.id;
        found.name = group.name;
        found.language = group.language;
        found.index = group.index;
        found.images = ImagesOf(group);
        found.extension = ExtensionOf(group.type);
        if (group.missing_images > 0) {
            found.problem = std::to_string(group.missing_images) +
                            (group.missing_images == 1 ? " of its images is" : " of its images are") +
                            " missing or damaged";
        } else if (auto bytes = catalogue::GroupFileBytes(file, group)) {
            found.bytes = std::move(*bytes);
            found.dhash = [file, &group] { return GroupDHash(file, group); };
        } else {
            found.problem = bytes.error().reason;
        }
        take(std::move(found));
    }
    for (const auto& problem : listed->problems) fault({problem.what + ": " + problem.reason});
    return {};
}

}  // namespace icoforge::scan
