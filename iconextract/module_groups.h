#pragma once
// Icon groups of Windows modules: the enumeration of their names and the loading of one
// group with its images.

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "common/failure.h"
#include "iconextract/icon_group.h"
#include "iconextract/module/resource_module.h"

namespace icoforge {

// Offsets of an icon group resource (RT_GROUP_ICON): a 6-byte header like an icon
// file's, then one 14-byte entry per image that names its RT_ICON resource.
namespace group_resource {
constexpr std::uint64_t kCount = 4;
constexpr std::uint64_t kHeaderBytes = 6;
constexpr std::uint64_t kEntryBytes = 14;
constexpr std::uint64_t kEntryIconId = 12;
}  // namespace group_resource

// Why a module's group is refused.
inline constexpr const char* kNotModuleText = "not a module that can be read";
inline constexpr const char* kGroupDamagedText = "the icon group or one of its images is missing or damaged";

// One enumeration of a module's group names: which position is wanted, how many names
// have been seen, and the name found at the wanted position.
struct GroupEnumState {
    std::int32_t wanted_position = 0;
    std::int32_t groups_seen = 0;
    std::optional<module::ResourceName> remembered_name;
};

// The enumeration state is process-wide: the per-name step reaches it the way the
// system's enumeration callback would, without a context. ExtractIconGroup resets it on
// every call, so extractions must not run on two threads at once.
GroupEnumState& ProcessGroupEnumState();

// The step run for every group name, in enumeration order: counts the name and keeps a
// copy of it when it is at the wanted position. Always asks to go on.
bool OnIconGroupName(const module::ResourceModule& module, module::ResourceType type,
                     const module::ResourceName& name, std::intptr_t parameter);

// Runs OnIconGroupName for every RT_GROUP_ICON name of the module. False when the module
// has none (as the system's enumeration fails then).
bool EnumerateIconGroupNames(const module::ResourceModule& module);

// Maps the module at `module_path` by itself and loads the named group with every image
// it lists. A failure to "read" the module when it cannot be mapped, there is no name,
// the group or one of its RT_ICON resources is missing or damaged, or memory runs out.
Result<IconGroup> LoadModuleIconGroup(std::string_view module_path,
                                      const std::optional<module::ResourceName>& group_name);

// The same from a module already parsed; the group's module path is `module_path`.
Result<IconGroup> LoadIconGroupFromModule(const module::ResourceModule& module, const module::ResourceName& group_name,
                                          std::string_view module_path);

// Every group of one parsed module, found by position as the enumeration finds it, each
// loaded as LoadIconGroupFromModule loads it; the tables are read once, so loading all
// the groups takes time in proportion to the module, however many groups it holds.
class ModuleGroupReader {
public:
    explicit ModuleGroupReader(const module::ResourceModule& module);
    std::int32_t count() const { return static_cast<std::int32_t>(names_.size()); }
    // The group at the 1-based `position`, or the failure as LoadIconGroupFromModule.
    Result<IconGroup> Load(std::int32_t position, std::string_view module_path) const;
    // The same group's images as views of the module, with the failures of Load: what an
    // icon file is written from without copying them first.
    Result<std::vector<ByteView>> ImageBytes(std::int32_t position, std::string_view module_path) const;

private:
    Result<const module::ResourceName*> NameAt(std::int32_t position, std::string_view module_path) const;
    std::optional<ByteView> Find(module::ResourceType type, const module::ResourceName& name) const;

    std::vector<module::ResourceName> names_;
    module::ResourceIndex groups_;
    module::ResourceIndex icons_;
};

}  // namespace icoforge
