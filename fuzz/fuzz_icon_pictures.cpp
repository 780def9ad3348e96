// The icon maker over arbitrary file contents: the pictures read by content (every kind,
// icons image by image), then resampled and written as an icon and as a cursor.

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <system_error>

#include "app/board/icon_pictures.h"

namespace {
// Small enough that every input runs in milliseconds; the limit's logic is the same.
constexpr std::uint64_t kFuzzPixelLimit = 1u << 22;
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::filesystem::path path =
        std::filesystem::temp_directory_path() / ("fuzz_icon_pictures_" + std::to_string(std::random_device{}()));
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    icoforge::IconPictureOptions options;
    options.max_pixels = kFuzzPixelLimit;
    options.master_side = 64;
    options.svg_sizes = {16};
    auto pictures = icoforge::ReadIconPictures(path.string(), options);
    if (pictures) {
        icoforge::MakeIconRequest request;
        request.sizes = {1, 16, 48};
        request.png_from_size = 48;
        request.upscale = true;
        (void)icoforge::MakeIcon(*pictures, request);
        request.cursor = icoforge::HotSpot{0, 0};
        (void)icoforge::MakeIcon(*pictures, request);
    }
    std::error_code ec;
    std::filesystem::remove(path, ec);
    return 0;
}
