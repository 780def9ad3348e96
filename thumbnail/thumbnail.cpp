#include "thumbnail/thumbnail.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "iconextract/catalogue.h"
#include "iconbuild/resample.h"
#include "imageconv/png_encoder.h"

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
    // With the icon maker's filter (Lanczos-3 on premultiplied alpha, on the stored sRGB
    // values), so a thumbnail looks as sharp as the icon made from the same picture.
    return Unpremultiply(ResamplePremultiplied(Premultiply(image), width, height));
}

Result<ByteBuffer> MakeThumbnail(ByteView file, const ThumbnailRequest& request) {
    if (request.size == 0 || request.size > kMaxThumbnailSize)
        return tl::unexpected(Refused("the size must be 1 to " + std::to_string(kMaxThumbnailSize)));
    auto catalogue = catalogue::ReadCatalogue(file);
    if (!catalogue) return tl::unexpected(std::move(catalogue.error()));
    auto shown = catalogue::GroupToShow(*catalogue, request.group);
    if (shown.group == nullptr) return tl::unexpected(Refused(std::move(shown.reason)));
    const catalogue::CatalogueGroup* group = shown.group;
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
    return EncodePng(scale ? ScaledToFit(*image, request.size) : *image, PngCompression::kQuick);
}

}  // namespace icoforge
