// The RIFF reader of animated cursors on arbitrary bytes, and the catalogue over them.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "iconextract/ani_file.h"
#include "iconextract/catalogue.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const icoforge::ByteView bytes(data, size);
    if (const auto ani = icoforge::ReadAni(bytes)) {
        for (const auto frame : ani->frame_bytes)
            if (frame.data() < data || frame.data() + frame.size() > data + size) std::abort();
    }
    (void)icoforge::catalogue::ReadCatalogue(bytes);
    return 0;
}
