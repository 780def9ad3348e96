// BuildIconFromBitmapBytes on arbitrary bytes, which it reads as a 24-bit BMP.
#include <cstddef>
#include <cstdint>

#include "iconbuild/icon_builder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const icoforge::ByteView bytes(data, size);
    icoforge::ByteBuffer icon;
    icoforge::BuildIconFromBitmapBytes(bytes, icon);
    icoforge::BuildIconFromBitmapBytes(bytes, icon, 0x00000000, true, -1, 70000);
    return 0;
}
