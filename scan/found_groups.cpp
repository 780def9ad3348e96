#include "scan/found_groups.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <vector>

#include "common/bitmap_layout.h"
#include "common/byte_reader.h"
#include "common/json_text.h"
#include "iconextract/ani_file.h"
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

// The images as the index's JSON gives them, keys in sorted order as in the rest of the line.
std::string ImagesOf(const CatalogueGroup& group) {
    const bool animated = group.type == GroupType::kAnimatedIcon || group.type == GroupType::kAnimatedCursor;
    std::string images = "[";
    for (const auto& image : group.images) {
        if (images.size() > 1) images += ',';
        images += "{\"bits\":";
        AppendJsonNumber(images, image.bits);
        images += ",\"bytes\":";
        AppendJsonNumber(images, image.bytes);
        images += ",\"format\":";
        AppendJsonText(images, catalogue::ImageFormatName(image.format));
        if (animated) {
            images += ",\"frame\":";
            AppendJsonNumber(images, image.frame);
        }
        images += ",\"height\":";
        AppendJsonNumber(images, image.height);
        if (image.hotspot) {
            images += ",\"hotspot\":[";
            AppendJsonNumber(images, image.hotspot->first);
            images += ',';
            AppendJsonNumber(images, image.hotspot->second);
            images += ']';
        }
        images += ",\"id\":";
        if (image.id) AppendJsonNumber(images, *image.id);
        else images += "null";
        images += ",\"width\":";
        AppendJsonNumber(images, image.width);
        images += '}';
    }
    return images + ']';
}

}  // namespace

bool MayHoldGroups(ByteView file) {
    if (StartsWith(file, "MZ")) return module::LooksLikeModule(file);
    const auto count = ReadU16(file, ico::kCount).value_or(0);
    if ((StartsWith(file, std::string_view("\0\0\1\0", 4)) || StartsWith(file, std::string_view("\0\0\2\0", 4))) && count > 0)
        return true;
    if (LooksLikeAni(file)) return true;
    // A resource file opens with an empty entry: sizes 0 and 32, type and name 0xFFFF 0.
    return StartsWith(file, std::string_view("\0\0\0\0\x20\0\0\0\xFF\xFF\0\0\xFF\xFF\0\0", 16));
}

Result<bool> MayHoldGroups(const FileReader& file) {
    std::array<std::uint8_t, catalogue::kModuleHeadBytes> head_bytes{};
    const auto got = file.ReadAt(0, head_bytes);
    if (!got) return Fail(got.error());
    const ByteView head(head_bytes.data(), *got);
    if (!StartsWith(head, "MZ")) return MayHoldGroups(head);
    const auto kind = catalogue::KindOfModuleWithoutGroups(file, head);
    if (!kind) return Fail(kind.error());
    return !kind->has_value();
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
