#pragma once
// Looks into a module image the test expects to parse. A refusal fails the test and reads
// as a module with nothing in it, so that a regression is reported, not dereferenced.

#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "iconextract/module/resource_module.h"

namespace icoforge::module {

inline std::vector<ResourceName> NamesIn(ByteView image, ResourceType type) {
    const auto module = ResourceModule::Parse(image);
    EXPECT_TRUE(module) << "the module was refused";
    return module ? module->Names(type) : std::vector<ResourceName>{};
}

inline std::optional<ByteView> FindIn(ByteView image, ResourceType type, const ResourceName& name) {
    const auto module = ResourceModule::Parse(image);
    EXPECT_TRUE(module) << "the module was refused";
    return module ? module->Find(type, name) : std::nullopt;
}

// The first byte of a resource, or nothing when it was not found (or is empty).
inline std::optional<std::uint8_t> FirstByte(const std::optional<ByteView>& data) {
    if (!data || data->empty()) return std::nullopt;
    return data->front();
}

inline std::optional<std::size_t> SizeOf(const std::optional<ByteView>& data) {
    if (!data) return std::nullopt;
    return data->size();
}

}  // namespace icoforge::module
