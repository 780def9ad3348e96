#include "scan/found_groups.h"

#include <algorithm>

#include "common/byte_reader.h"
#include "iconextract/ico_reader.h"
#include "iconextract/icon_writers.h"
#include "iconextract/module/resource_module.h"
#include "iconextract/module_groups.h"
#include "scan/dhash.h"

namespace icoforge::scan {
namespace {

bool StartsWith(ByteView file, std::initializer_list<std::uint8_t> prefix) {
    return file.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), file.begin());
}

nlohmann::json ImagesOf(const IconGroup& group) {
    nlohmann::json images = nlohmann::json::array();
    for (const auto& image : group.images)
        images.push_back({{"width", image.width},
                          {"height", image.height},
                          {"bits", image.colour_depth},
                          {"format", image.encoding == ImageEncoding::Png ? "png" : "bmp"},
                          {"bytes", image.data.size()}});
    return images;
}

FoundGroup IconGroupFound(const IconGroup& group, std::string type) {
    FoundGroup found;
    found.kind = "icon";
    found.type = std::move(type);
    found.extension = "ico";
    found.images = ImagesOf(group);
    auto bytes = IcoFileBytes(group);
    if (!bytes) {
        found.problem = "the group is too large to write";
        return found;
    }
    found.bytes = std::move(*bytes);
    found.dhash = GroupDHash(group);
    return found;
}

// A lone cursor or animation file is its own group, written as it is.
FoundGroup WholeFile(ByteView file, std::string kind, std::string type, std::string extension) {
    FoundGroup found;
    found.kind = std::move(kind);
    found.type = std::move(type);
    found.extension = std::move(extension);
    found.bytes.assign(file.begin(), file.end());
    return found;
}

}  // namespace

FileKind KindByContent(ByteView file) {
    if (StartsWith(file, {'M', 'Z'})) return module::LooksLikeModule(file) ? FileKind::Module : FileKind::Other;
    const auto count = ReadU16(file, ico::kCount).value_or(0);
    if (StartsWith(file, {0, 0, 1, 0}) && count > 0) return FileKind::IconFile;
    if (StartsWith(file, {0, 0, 2, 0}) && count > 0) return FileKind::CursorFile;
    if (StartsWith(file, {'R', 'I', 'F', 'F'}) && file.size() >= 12 && std::equal(file.begin() + 8, file.begin() + 12,
                                                                                   std::begin({'A', 'C', 'O', 'N'})))
        return FileKind::AnimatedCursor;
    // A resource file opens with an empty entry: sizes 0 and 32, type and name 0xFFFF 0.
    if (StartsWith(file, {0, 0, 0, 0, 0x20, 0, 0, 0, 0xFF, 0xFF, 0, 0, 0xFF, 0xFF, 0, 0})) return FileKind::ResourceFile;
    return FileKind::Other;
}

Result<> ForEachGroup(ByteView file, FileKind kind, const std::function<void(FoundGroup&&)>& take) {
    switch (kind) {
    case FileKind::Module: {
        const auto parsed = module::ResourceModule::Parse(file);
        if (!parsed) return Fail("read", "", "damaged module headers");
        const auto names = parsed->Names(module::ResourceType::GroupIcon);
        const ModuleGroupReader reader(*parsed);
        for (std::int32_t position = 1; position <= reader.count(); ++position) {
            const auto& name = names[static_cast<std::size_t>(position - 1)];
            const auto group = reader.Load(position, "");
            FoundGroup found;
            if (group) {
                found = IconGroupFound(*group, "RT_GROUP_ICON");
            } else {
                found.kind = "icon";
                found.type = "RT_GROUP_ICON";
                found.extension = "ico";
                found.problem = "the group or one of its images lies outside the file";
            }
            if (name.is_id()) found.id = *name.id;
            else found.name = name.text;
            take(std::move(found));
        }
        return {};
    }
    case FileKind::IconFile: {
        const auto group = ReadIcoBytes(file, "");
        if (!group) return Fail("read", "", "an image lies outside the icon file");
        take(IconGroupFound(*group, "ICO"));
        return {};
    }
    case FileKind::CursorFile:
        take(WholeFile(file, "cursor", "CUR", "cur"));
        return {};
    case FileKind::AnimatedCursor:
        take(WholeFile(file, "animation", "ANI", "ani"));
        return {};
    case FileKind::ResourceFile:
    case FileKind::Other:
        return {};
    }
    return {};
}

}  // namespace icoforge::scan
