// Module reader on arbitrary bytes: parse, list the names of every type we use, and find
// each name again.
#include <cstddef>
#include <cstdint>

#include "iconextract/module/resource_module.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace icoforge::module;
    (void)LooksLikeModule({data, size});
    const auto module = ResourceModule::Parse({data, size});
    if (!module) return 0;
    for (auto type : {ResourceType::Cursor, ResourceType::Bitmap, ResourceType::Icon, ResourceType::GroupCursor,
                      ResourceType::GroupIcon}) {
        for (const auto& name : module->Names(type)) (void)module->Find(type, name);
    }
    return 0;
}
