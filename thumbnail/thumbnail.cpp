#include "thumbnail/thumbnail.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "iconextract/catalogue.h"
#include "imageconv/png_encoder.h"

// Static, so that the resizer's functions never meet another copy of the same header.
#define STB_IMAGE_RESIZE_STATIC
#define STB_IMAGE_RESIZE_IMPLEMENTATION
#include <stb/stb_image_resize.h>

namespace icoforge {
namespace {

Failure Refused(std::string reason) { return Failure{"thumbnail", "", std::move(reason)}; }

// The size of `width` x `height` fitted into a square of `size`, at least one pixel a side.
std::pair<std::uint32_t, std::uint32_t> Fitted(std::uint32_t width, std::uint32_t height, std::uint32_t size) {
    const double scale = static_cast<double>(size) / std::max(width, height);
    const auto side = [&](std::uint32_t v) {
        return std::clamp<std::uint32_t>(static_cast<std::uint32_t>(std::lround(v * scale)), 1, size);
    };
    return {side(width), side(height)};
}

}  // namespace

RgbaImage ScaledToFit(const RgbaImage& image, std::uint32_t size) {
    const auto [width, height] = Fitted(image.width, image.height, size);
    if (width == image.width && height == image.height) return image;
    RgbaImage scaled;
    scaled.width = width;
    scaled.height = height;
    scaled.pixels.resize(scaled.RowBytes() * height);
    // As the icon maker scales: premultiplied by alpha (channel 3) while filtering, on the
    // stored sRGB values rather than in linear light, so thin dark lines on light ground
    // stay visible at small sizes; Catmull-Rom, the sharpest of the resizer's filters.
    stbir_resize_uint8_generic(image.pixels.data(), static_cast<int>(image.width), static_cast<int>(image.height),
                               static_cast<int>(image.RowBytes()), scaled.pixels.data(), static_cast<int>(width),
                               static_cast<int>(height), static_cast<int>(scaled.RowBytes()), RgbaImage::kChannels, 3,
                               0, STBIR_EDGE_CLAMP, STBIR_FILTER_CATMULLROM, STBIR_COLORSPACE_LINEAR, nullptr);
    return scaled;
}

Result<ByteBuffer> MakeThumbnail(ByteView file, const ThumbnailRequest& request) {
    if (request.size == 0 || request.size > kMaxThumbnailSize)
        return tl::unexpected(Refused("the size must be 1 to " + std::to_string(kMaxThumbnailSize)));
    auto catalogue = catalogue::ReadCatalogue(file);
    if (!catalogue) return tl::unexpected(std::move(catalogue.error()));
    const catalogue::CatalogueGroup* group = catalogue::MainIconGroup(*catalogue);
    if (group == nullptr) return tl::unexpected(Refused("it holds no icon"));
    const auto chosen = catalogue::BestImageFor(*group, request.size);
    if (!chosen) return tl::unexpected(Refused("its icon holds no image"));

    // Decoded even where the stored PNG is copied, so that a damaged image gives no file.
    auto image = catalogue::DecodeGroupImage(file, *group, *chosen);
    if (!image) return tl::unexpected(std::move(image.error()));
    const std::uint32_t side = std::max(image->width, image->height);
    const bool scale = side > request.size || (side < request.size && request.enlarge);
    if (!scale && group->images[*chosen].format == catalogue::ImageFormat::kPng) {
        auto stored = catalogue::GroupImageBytes(file, *group, *chosen);
        if (!stored) return tl::unexpected(std::move(stored.error()));
        return ByteBuffer(stored->begin(), stored->end());
    }
    return EncodePng(scale ? ScaledToFit(*image, request.size) : *image);
}

}  // namespace icoforge
