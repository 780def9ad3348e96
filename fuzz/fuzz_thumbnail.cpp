// The thumbnail of arbitrary bytes: the first byte chooses the size and whether to enlarge,
// the rest is the file, so that choosing, decoding, scaling and encoding all meet it.
#include <array>

#include "thumbnail/thumbnail.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    constexpr std::array<std::uint32_t, 8> kSizes = {1, 16, 24, 32, 48, 100, 256, 1024};
    const icoforge::ThumbnailRequest request{kSizes[data[0] & 7], (data[0] & 8) != 0};
    (void)icoforge::MakeThumbnail(icoforge::ByteView(data + 1, size - 1), request);
    return 0;
}
