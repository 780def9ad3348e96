#include "iconbuild/resample.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <span>
#include <vector>

namespace icoforge {
namespace {

constexpr double kLanczosLobes = 3.0;

double Sinc(double x) {
    if (x == 0.0) return 1.0;
    const double px = std::numbers::pi * x;
    return std::sin(px) / px;
}

double Lanczos3(double x) {
    if (x <= -kLanczosLobes || x >= kLanczosLobes) return 0.0;
    return Sinc(x) * Sinc(x / kLanczosLobes);
}

// For each target position, the run of source positions it reads and their weights,
// normalised to a sum of 1.
struct Taps {
    std::vector<std::uint32_t> first;
    std::vector<std::uint32_t> count;
    std::vector<float> weights;  // `stride` a target position
    std::size_t stride = 0;
};

Taps ComputeTaps(std::uint32_t source_size, std::uint32_t target_size) {
    const double scale = static_cast<double>(source_size) / target_size;
    const double filter_scale = std::max(scale, 1.0);
    const double support = kLanczosLobes * filter_scale;
    Taps taps;
    taps.stride = static_cast<std::size_t>(std::ceil(support)) * 2 + 1;
    taps.first.resize(target_size);
    taps.count.resize(target_size);
    taps.weights.assign(taps.stride * target_size, 0.0f);
    std::vector<double> w(taps.stride);
    for (std::uint32_t t = 0; t < target_size; ++t) {
        const double centre = (t + 0.5) * scale;
        const auto lo = static_cast<std::int64_t>(std::max(0.0, std::floor(centre - support + 0.5)));
        const auto hi = static_cast<std::int64_t>(std::min<double>(source_size, std::floor(centre + support + 0.5)));
        const std::size_t n = static_cast<std::size_t>(std::max<std::int64_t>(hi - lo, 1));
        double sum = 0.0;
        for (std::size_t i = 0; i < n && i < taps.stride; ++i) {
            w[i] = Lanczos3((static_cast<double>(lo) + static_cast<double>(i) + 0.5 - centre) / filter_scale);
            sum += w[i];
        }
        const std::size_t used = std::min(n, taps.stride);
        taps.first[t] = static_cast<std::uint32_t>(std::min<std::int64_t>(lo, source_size - 1));
        taps.count[t] = static_cast<std::uint32_t>(std::min<std::size_t>(used, source_size - taps.first[t]));
        for (std::size_t i = 0; i < taps.count[t]; ++i)
            taps.weights[t * taps.stride + i] = static_cast<float>(sum != 0.0 ? w[i] / sum : (i == 0 ? 1.0 : 0.0));
    }
    return taps;
}

std::uint8_t ToByte(float v, float ceiling) {
    return static_cast<std::uint8_t>(std::lround(std::clamp(v, 0.0f, ceiling)));
}

void PremultiplyInPlace(std::span<std::uint8_t> rgba) {
    for (std::size_t i = 0; i + 3 < rgba.size(); i += 4) {
        const unsigned a = rgba[i + 3];
        if (a == 255) continue;
        for (std::size_t c = 0; c < 3; ++c) rgba[i + c] = static_cast<std::uint8_t>((rgba[i + c] * a + 127) / 255);
    }
}

// The block average of AveragePremultiplied over the rows `row_at(y)` gives, each asked for
// once, top to bottom.
template <typename RowAt>
RgbaImage AverageRows(std::uint32_t source_width, std::uint32_t source_height, std::uint32_t width, std::uint32_t height,
                      RowAt row_at) {
    width = std::clamp(width, 1u, std::max(source_width, 1u));
    height = std::clamp(height, 1u, std::max(source_height, 1u));
    RgbaImage result{width, height, std::vector<std::uint8_t>(std::size_t{width} * height * 4)};
    if (source_width == 0 || source_height == 0) return result;
    const auto edge = [](std::uint32_t i, std::uint32_t source_size, std::uint32_t target_size) {
        return static_cast<std::uint32_t>(std::uint64_t{i} * source_size / target_size);
    };
    std::vector<std::uint64_t> sums(std::size_t{width} * 4);
    for (std::uint32_t y = 0; y < height; ++y) {
        const std::uint32_t top = edge(y, source_height, height), bottom = edge(y + 1, source_height, height);
        std::fill(sums.begin(), sums.end(), 0);
        for (std::uint32_t sy = top; sy < bottom; ++sy) {
            const std::uint8_t* row = row_at(sy);
            for (std::uint32_t x = 0; x < width; ++x) {
                const std::uint32_t left = edge(x, source_width, width), right = edge(x + 1, source_width, width);
                for (std::uint32_t sx = left; sx < right; ++sx)
                    for (int c = 0; c < 4; ++c) sums[std::size_t{x} * 4 + c] += row[std::size_t{sx} * 4 + c];
            }
        }
        std::uint8_t* out = result.pixels.data() + std::size_t{y} * result.RowBytes();
        for (std::uint32_t x = 0; x < width; ++x) {
            const std::uint64_t count =
                std::uint64_t{bottom - top} * (edge(x + 1, source_width, width) - edge(x, source_width, width));
            for (int c = 0; c < 4; ++c) out[x * 4 + c] = static_cast<std::uint8_t>((sums[std::size_t{x} * 4 + c] + count / 2) / count);
        }
    }
    return result;
}

}  // namespace

RgbaImage Premultiply(const RgbaImage& straight) {
    RgbaImage out{straight.width, straight.height, straight.pixels};
    PremultiplyInPlace(out.pixels);
    return out;
}

void UnpremultiplyInPlace(std::span<std::uint8_t> rgba) {
    for (std::size_t i = 0; i + 3 < rgba.size(); i += 4) {
        const unsigned a = rgba[i + 3];
        if (a == 255) continue;
        for (std::size_t c = 0; c < 3; ++c)
            rgba[i + c] = a == 0 ? 0 : static_cast<std::uint8_t>(std::min(255u, (rgba[i + c] * 255 + a / 2) / a));
    }
}

RgbaImage Unpremultiply(const RgbaImage& premultiplied) {
    RgbaImage out{premultiplied.width, premultiplied.height, premultiplied.pixels};
    UnpremultiplyInPlace(out.pixels);
    return out;
}

RgbaImage ResamplePremultiplied(const RgbaImage& source, std::uint32_t width, std::uint32_t height) {
    width = std::max(width, 1u);
    height = std::max(height, 1u);
    if (source.empty()) return RgbaImage{width, height, std::vector<std::uint8_t>(std::size_t{width} * height * 4)};
    if (source.width == width && source.height == height) return source;

    // Down first: it reads whole rows, a loop the compiler turns into vector code, and
    // leaves the filter across only the few target rows. Floats in between, so the second
    // pass loses nothing to rounding.
    const std::size_t source_row = source.RowBytes();
    const Taps down = ComputeTaps(source.height, height);
    std::vector<float> middle(source_row * height);
    for (std::uint32_t y = 0; y < height; ++y) {
        float* sums = middle.data() + std::size_t{y} * source_row;
        const float* w = down.weights.data() + y * down.stride;
        for (std::uint32_t i = 0; i < down.count[y]; ++i) {
            const std::uint8_t* in = source.pixels.data() + std::size_t{down.first[y] + i} * source_row;
            const float weight = w[i];
            for (std::size_t k = 0; k < source_row; ++k) sums[k] += weight * static_cast<float>(in[k]);
        }
    }

    const Taps across = ComputeTaps(source.width, width);
    RgbaImage result{width, height, std::vector<std::uint8_t>(std::size_t{width} * height * 4)};
    for (std::uint32_t y = 0; y < height; ++y) {
        const float* row = middle.data() + std::size_t{y} * source_row;
        std::uint8_t* out = result.pixels.data() + std::size_t{y} * result.RowBytes();
        for (std::uint32_t x = 0; x < width; ++x, out += 4) {
            const float* w = across.weights.data() + x * across.stride;
            const float* in = row + std::size_t{across.first[x]} * 4;
            float sum[4] = {};
            for (std::uint32_t i = 0; i < across.count[x]; ++i, in += 4)
                for (int c = 0; c < 4; ++c) sum[c] += w[i] * in[c];
            out[3] = ToByte(sum[3], 255.0f);
            // Ringing may push a colour past its own coverage, which no premultiplied
            // pixel can have.
            for (int c = 0; c < 3; ++c) out[c] = ToByte(sum[c], out[3]);
        }
    }
    return result;
}

RgbaImage AveragePremultiplied(const RgbaImage& source, std::uint32_t width, std::uint32_t height) {
    return AverageRows(source.width, source.height, width, height,
                       [&](std::uint32_t y) { return source.pixels.data() + std::size_t{y} * source.RowBytes(); });
}

RgbaImage PremultiplyAveraged(const RgbaImage& straight, std::uint32_t width, std::uint32_t height) {
    std::vector<std::uint8_t> row(straight.RowBytes());
    return AverageRows(straight.width, straight.height, width, height, [&](std::uint32_t y) {
        const std::uint8_t* from = straight.pixels.data() + std::size_t{y} * straight.RowBytes();
        std::copy(from, from + row.size(), row.begin());
        PremultiplyInPlace(row);
        return static_cast<const std::uint8_t*>(row.data());
    });
}

FittedPlacement FitIntoSquare(std::uint32_t picture_width, std::uint32_t picture_height, std::uint32_t side) {
    FittedPlacement p;
    if (picture_width == 0 || picture_height == 0 || side == 0) return p;
    const std::uint64_t longer = std::max(picture_width, picture_height);
    const auto scaled = [&](std::uint64_t length) {
        return static_cast<std::uint32_t>(std::clamp<std::uint64_t>((length * side + longer / 2) / longer, 1, side));
    };
    p.width = scaled(picture_width);
    p.height = scaled(picture_height);
    p.x = (side - p.width) / 2;
    p.y = (side - p.height) / 2;
    return p;
}

RgbaImage FitPremultiplied(const RgbaImage& premultiplied, std::uint32_t side) {
    const FittedPlacement p = FitIntoSquare(premultiplied.width, premultiplied.height, side);
    RgbaImage square{side, side, std::vector<std::uint8_t>(std::size_t{side} * side * 4)};
    if (p.width == 0) return square;
    const RgbaImage fitted = ResamplePremultiplied(premultiplied, p.width, p.height);
    for (std::uint32_t y = 0; y < p.height; ++y)
        std::copy_n(fitted.pixels.data() + std::size_t{y} * fitted.RowBytes(), fitted.RowBytes(),
                    square.pixels.data() + (std::size_t{p.y + y} * side + p.x) * 4);
    return square;
}

}  // namespace icoforge
