// The catalogue on arbitrary bytes (modules, .res, icon, cursor and animation files): every
// group and orphan written out and every image decoded, and each group file read back
// must list the same images.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "iconextract/catalogue.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace icoforge::catalogue;
    const icoforge::ByteView file(data, size);
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
