// The icon-file reader on arbitrary bytes, then every writer on what it read, in memory.
#include "iconextract/ico_reader.h"
#include "iconextract/icon_writers.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto group = icoforge::ReadIcoBytes(icoforge::ByteView(data, size), "fuzz.ico");
    if (!group) return 0;
    (void)icoforge::IcoFileBytes(*group);
    for (const auto& image : group->images) {
        (void)icoforge::BmpFileBytes(image);
        (void)icoforge::ClipboardDib(image);
    }
    return 0;
}
