#include "iconextract/module_groups.h"

#include <functional>
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

Result<IconGroup> LoadModuleIconGroup(std::string_view module_path,
                                      const std::optional<module::ResourceName>& group_name) {
    const auto mapped = MappedFile::Open(module_path);
    if (!mapped) return Fail(mapped.error());
    const auto module = module::ResourceModule::Parse(mapped->bytes());
    if (!module) return Fail("read", std::string(module_path), kNotModuleText);
    if (!group_name) return Fail("read", std::string(module_path), kGroupDamagedText);
    return LoadIconGroupFromModule(*module, *group_name, module_path);
}

namespace {

// Every image a group resource lists, each found by `find` (type, name), uncopied.
template <typename Finder>
Result<std::vector<ByteView>> GroupImagesWith(const Finder& find, const module::ResourceName& group_name,
                                              std::string_view module_path) {
    const auto damaged = [&] { return Fail("read", std::string(module_path), kGroupDamagedText); };
    const auto resource = find(module::ResourceType::GroupIcon, group_name);
    if (!resource) return damaged();
    const auto count = ReadU16(*resource, group_resource::kCount);
    if (!count) return damaged();
    return FindIconImages(module_path, *count, [&](std::uint16_t i) -> Result<ByteView> {
        const auto id = ReadU16(*resource, group_resource::kHeaderBytes + group_resource::kEntryBytes * i +
                                               group_resource::kEntryIconId);
        const auto image = id ? find(module::ResourceType::Icon, module::ResourceName::Id(*id)) : std::nullopt;
        if (!image) return damaged();
        return *image;
    });
}

// The same images copied into a group of the module.
template <typename Finder>
Result<IconGroup> LoadIconGroupWith(const Finder& find, const module::ResourceName& group_name,
                                    std::string_view module_path) {
    const auto found = GroupImagesWith(find, group_name, module_path);
    if (!found) return Fail(found.error());
    auto images = CopyIconImages(module_path, *found);
    if (!images) return Fail(std::move(images.error()));
    IconGroup group;
    group.source_name.clear();
    group.module_path = std::string(module_path);
    group.images = std::move(*images);
    return group;
}

}  // namespace

Result<IconGroup> LoadIconGroupFromModule(const module::ResourceModule& module, const module::ResourceName& group_name,
                                          std::string_view module_path) {
    const auto find = [&](module::ResourceType type, const module::ResourceName& name) {
        return module.Find(type, name);
    };
    return LoadIconGroupWith(find, group_name, module_path);
}

ModuleGroupReader::ModuleGroupReader(const module::ResourceModule& module)
    : names_(module.Names(module::ResourceType::GroupIcon)),
      groups_(module.Index(module::ResourceType::GroupIcon)),
      icons_(module.Index(module::ResourceType::Icon)) {}

Result<IconGroup> ModuleGroupReader::Load(std::int32_t position, std::string_view module_path) const {
    const auto name = NameAt(position, module_path);
    if (!name) return Fail(name.error());
    return LoadIconGroupWith(std::bind_front(&ModuleGroupReader::Find, this), **name, module_path);
}

Result<std::vector<ByteView>> ModuleGroupReader::ImageBytes(std::int32_t position,
                                                            std::string_view module_path) const {
    const auto name = NameAt(position, module_path);
    if (!name) return Fail(name.error());
    return GroupImagesWith(std::bind_front(&ModuleGroupReader::Find, this), **name, module_path);
}

Result<const module::ResourceName*> ModuleGroupReader::NameAt(std::int32_t position,
                                                              std::string_view module_path) const {
    if (position < 1 || static_cast<std::size_t>(position) > names_.size())
        return Fail("read", std::string(module_path), kGroupDamagedText);
    return &names_[static_cast<std::size_t>(position) - 1];
}

std::optional<ByteView> ModuleGroupReader::Find(module::ResourceType type, const module::ResourceName& name) const {
    return (type == module::ResourceType::GroupIcon ? groups_ : icons_).Find(name);
}

}  // namespace icoforge
