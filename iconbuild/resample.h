#pragma once
// Downscaling for icons. Pictures are resampled with their colour premultiplied by alpha,
// so that a transparent pixel, whatever colour it hides, adds nothing to its visible
// neighbours: edges of a shape on transparency keep their colour instead of darkening.
//
// The filter is Lanczos-3: small icon sizes need its sharpness (a bicubic filter leaves
// 16-pixel icons visibly soft), and its ringing is clamped. Resampling works on the
// gamma-encoded sRGB values as stored, as the platform's own icon scaling and the common
// reference tools do; linear-light averaging would make thin dark lines on light ground
// fade at small sizes, where icon designers expect them kept.

#include <cstdint>
#include <span>

#include "common/rgba_image.h"

namespace icoforge {

// Colour multiplied by alpha/255, rounded; alpha unchanged. The layout of RgbaImage, with
// the premultiplied meaning.
RgbaImage Premultiply(const RgbaImage& straight);
// The inverse: colour divided by alpha (rounded, clamped to 255); colour 0 where alpha is 0.
RgbaImage Unpremultiply(const RgbaImage& premultiplied);
// The same on pixels that need not be kept, so that a large picture is not held twice.
void UnpremultiplyInPlace(std::span<std::uint8_t> rgba);

// `premultiplied` resampled to width x height (each at least 1) with Lanczos-3, the
// kernel widened by the scale when reducing so every source pixel counts. Each colour of
// the result stays between 0 and its alpha.
RgbaImage ResamplePremultiplied(const RgbaImage& premultiplied, std::uint32_t width, std::uint32_t height);

// `premultiplied` reduced to width x height (each at least 1, at most the picture's own) by
// averaging the block of pixels each target pixel covers, blocks split at whole pixels.
// Cheap, for bringing a very large picture near the size Lanczos then works from.
RgbaImage AveragePremultiplied(const RgbaImage& premultiplied, std::uint32_t width, std::uint32_t height);
// Premultiply(straight) averaged so, a row at a time, without a premultiplied copy of a
// large picture.
RgbaImage PremultiplyAveraged(const RgbaImage& straight, std::uint32_t width, std::uint32_t height);

// Where a picture goes inside a square icon: proportions kept, the longer side filling
// the square, centred (the odd pixel to the right and bottom).
struct FittedPlacement {
    std::uint32_t x = 0;
    std::uint32_t y = 0;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
};
FittedPlacement FitIntoSquare(std::uint32_t picture_width, std::uint32_t picture_height, std::uint32_t side);

// The premultiplied picture fitted into a side x side square of full transparency.
RgbaImage FitPremultiplied(const RgbaImage& premultiplied, std::uint32_t side);

}  // namespace icoforge
