#pragma once
// The resource table of NE (16-bit Windows) modules: programs, libraries and the icon
// libraries (.icl) made for 16-bit Windows.

#include <cstdint>
#include <optional>
#include <vector>

#include "common/bytes.h"
#include "iconextract/module/resource_module.h"

namespace icoforge::module::ne {

// File offset of the resource table, or nothing when the module has none. Nothing at
// all when `image` has no whole NE header at `ne_offset`.
std::optional<std::optional<std::uint64_t>> ReadResourceTable(ByteView image, std::uint32_t ne_offset);

std::vector<ResourceName> Names(ByteView image, std::uint64_t table, ResourceType type);
std::optional<ByteView> Find(ByteView image, std::uint64_t table, ResourceType type, const ResourceName& name);
std::vector<ResourceVariant> Variants(ByteView image, std::uint64_t table, ResourceType type);
ResourceEntries Entries(ByteView image, std::uint64_t table, ResourceType type);

}  // namespace icoforge::module::ne
