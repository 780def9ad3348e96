// The catalogue on arbitrary bytes (modules, .res, icon, cursor and animation files): every
// group and orphan written out and every image decoded, and each group file read back
// must list the same images; and the group count a few reads tell must be the count of the
// whole module.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "iconextract/catalogue.h"
#include "iconextract/module/resource_module.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace icoforge::catalogue;
    const icoforge::ByteView file(data, size);
    const auto read_at = [&](std::uint64_t at, std::span<std::uint8_t> into) -> icoforge::Result<std::size_t> {
        const std::size_t n = at >= size ? 0 : static_cast<std::size_t>(std::min<std::uint64_t>(into.size(), size - at));
        if (n > 0) std::memcpy(into.data(), data + at, n);
        return n;
    };
    if (const auto counted = IconGroupCountFromReads(read_at, size, file.first(std::min(size, kModuleHeadBytes)))) {
        const auto module = icoforge::module::ResourceModule::Parse(file);
        const std::size_t names = module ? module->Names(icoforge::module::ResourceType::GroupIcon).size() : 0;
        if (static_cast<std::size_t>(*counted) != names) std::abort();
    }
    const auto catalogue = ReadCatalogue(file);
    if (!catalogue) return 0;
    for (const auto* list : {&catalogue->groups, &catalogue->orphans}) {
        for (const CatalogueGroup& group : *list) {
            for (std::size_t i = 0; i < group.images.size() && i < 4; ++i) (void)DecodeGroupImage(file, group, i);
            const auto bytes = GroupFileBytes(file, group);
            if (!bytes || group.type == GroupType::kAnimatedIcon || group.type == GroupType::kAnimatedCursor) continue;
            const auto again = ReadCatalogue(*bytes);
            if (!again || again->groups.size() != 1 || again->groups[0].images.size() != group.images.size())
                std::abort();
        }
    }
    (void)MainIconGroup(*catalogue);
    return 0;
}
