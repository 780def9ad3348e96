// Module reader on arbitrary bytes: parse, list the names of every type we use, and find
// each name again, both by a scan and through the index, which must agree.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "iconextract/module/resource_module.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace icoforge::module;
    (void)LooksLikeModule({data, size});
    const auto module = ResourceModule::Parse({data, size});
    if (!module) return 0;
    for (auto type : {ResourceType::Cursor, ResourceType::Bitmap, ResourceType::Icon, ResourceType::GroupCursor,
                      ResourceType::GroupIcon}) {
        const ResourceIndex index = module->Index(type);
        for (const auto& name : module->Names(type)) {
            const auto scanned = module->Find(type, name);
            const auto indexed = index.Find(name);
            if (scanned.has_value() != indexed.has_value() ||
                (scanned && (scanned->data() != indexed->data() || scanned->size() != indexed->size())))
                std::abort();
        }
    }
    return 0;
}
