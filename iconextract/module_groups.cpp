#include "iconextract/module_groups.h"

#include <new>
#include <vector>

#include "common/byte_reader.h"
#include "iconextract/ico_reader.h"
#include "platform/mapped_file.h"

namespace icoforge {

GroupEnumState& ProcessGroupEnumState() {
    static GroupEnumState state;
    return state;
}

bool OnIconGroupName(const module::ResourceModule&, module::ResourceType, const module::ResourceName& name,
                     std::intptr_t) {
    auto& state = ProcessGroupEnumState();
    ++state.groups_seen;
    if (state.groups_seen == state.wanted_position) state.remembered_name = name;
    return true;
}

bool EnumerateIconGroupNames(const module::ResourceModule& module) {
    const auto names = module.Names(module::ResourceType::GroupIcon);
    if (names.empty()) return false;
    for (const auto& name : names)
        if (!OnIconGroupName(module, module::ResourceType::GroupIcon, name, 0)) break;
    return true;
}

std::optional<IconGroup> LoadModuleIconGroup(std::string_view module_path,
                                             const std::optional<module::ResourceName>& group_name) {
    const auto mapped = MappedFile::Open(module_path);
    if (!mapped) return std::nullopt;
    const auto module = module::ResourceModule::Parse(mapped->bytes());
    if (!module || !group_name) return std::nullopt;
    return LoadIconGroupFromModule(*module, *group_name, module_path);
}

std::optional<IconGroup> LoadIconGroupFromModule(const module::ResourceModule& module,
                                                 const module::ResourceName& group_name,
                                                 std::string_view module_path) {
    const auto resource = module.Find(module::ResourceType::GroupIcon, group_name);
    if (!resource) return std::nullopt;
    const auto count = ReadU16(*resource, group_resource::kCount);
    if (!count) return std::nullopt;

    try {
        // Find every image before copying any, and refuse a group too large for an icon
        // file: a small module can list the same large image many times over.
        std::vector<ByteView> images;
        images.reserve(*count);
        std::uint64_t total = ico::kHeaderBytes + ico::kEntryBytes * *count;
        for (std::uint16_t i = 0; i < *count; ++i) {
            const auto id = ReadU16(*resource, group_resource::kHeaderBytes + group_resource::kEntryBytes * i +
                                                   group_resource::kEntryIconId);
            if (!id) return std::nullopt;
            const auto image = module.Find(module::ResourceType::Icon, module::ResourceName::Id(*id));
            if (!image) return std::nullopt;
            total += image->size();
            if (total > ico::kMaxFileBytes) return std::nullopt;
            images.push_back(*image);
        }

        IconGroup group;
        group.source_name.clear();
        group.module_path = std::string(module_path);
        group.images.resize(images.size());
        for (std::size_t i = 0; i < images.size(); ++i) {
            group.images[i].data.assign(images[i].begin(), images[i].end());
            ParseIconImage(group.images[i]);
        }
        return group;
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

}  // namespace icoforge
