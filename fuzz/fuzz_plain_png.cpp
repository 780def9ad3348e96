// The plain-PNG path on arbitrary bytes, held to libpng: whatever it decodes, libpng must
// decode to the same pixels. Random bytes never carry right CRCs, so each chunk's CRC is
// put right first; otherwise every input would stop at the first check.
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "iconextract/icon_pixels.h"
#include "iconextract/plain_png.h"

namespace {

std::uint32_t Crc(const std::uint8_t* data, std::size_t size) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

void MendCrcs(std::vector<std::uint8_t>& png) {
    for (std::size_t at = 8; at + 12 <= png.size();) {
        const std::size_t length = std::size_t{png[at]} << 24 | std::size_t{png[at + 1]} << 16 |
                                   std::size_t{png[at + 2]} << 8 | png[at + 3];
        if (length > png.size() - at - 12) return;
        const std::uint32_t crc = Crc(png.data() + at + 4, length + 4);
        for (int i = 0; i < 4; ++i) png[at + 8 + length + i] = static_cast<std::uint8_t>(crc >> (24 - 8 * i));
        at += length + 12;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::uint8_t> png(data, data + size);
    MendCrcs(png);
    const auto plain = icoforge::DecodePlainPng(png);
    if (!plain) return 0;
    const auto reference = icoforge::PngToRgbaByLibpng(png);
    if (!reference || reference->width != plain->width || reference->height != plain->height ||
        reference->pixels != plain->pixels)
        std::abort();
    return 0;
}
