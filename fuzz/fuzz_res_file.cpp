// The .res reader on arbitrary bytes: every entry must lie inside the file.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "iconextract/catalogue.h"
#include "iconextract/module/res_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const icoforge::ByteView bytes(data, size);
    if (const auto res = icoforge::module::ReadResFile(bytes)) {
        for (const auto& entry : res->entries)
            if (entry.data.data() < data || entry.data.data() + entry.data.size() > data + size) std::abort();
    }
    (void)icoforge::catalogue::ReadCatalogue(bytes);
    return 0;
}
