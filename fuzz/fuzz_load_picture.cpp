// LoadPicture over arbitrary file contents: the whole decoder chain, then the depth
// conversion. An input with the image pack signature is padded to the size the last
// decoder asks for, so all six decoders are reached.

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <string_view>
#include <system_error>

#include "imageconv/convert.h"

namespace {
constexpr std::size_t kPhotoCdSignatureOffset = 0x800;
constexpr std::string_view kPhotoCdSignature = "PCD_IPI";
constexpr std::size_t kPhotoCdMinSize = 1'048'576;
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::filesystem::path path =
        std::filesystem::temp_directory_path() / ("fuzz_load_picture_" + std::to_string(std::random_device{}()));
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(size));
        if (size > kPhotoCdSignatureOffset && size < kPhotoCdMinSize &&
            bytes.substr(kPhotoCdSignatureOffset).starts_with(kPhotoCdSignature))
            out.write(std::string(kPhotoCdMinSize - size, '\0').data(), static_cast<std::streamsize>(kPhotoCdMinSize - size));
    }
    icoforge::RasterImage image;
    icoforge::RasterImage converted;
    if (icoforge::LoadPicture(path.string(), image) == 1) image.ConvertTo(converted, 24);
    std::error_code ec;
    std::filesystem::remove(path, ec);
    return 0;
}
