#include "app/board/board_image.h"

#include <algorithm>
#include <cstring>

namespace icoforge {

RowScaler::RowScaler(std::int32_t source_width, std::int32_t source_height, BoardImage& target, StretchQuality quality)
    : source_width_(source_width), source_height_(source_height), target_(target), quality_(quality) {
    if (quality_ != StretchQuality::Halftone) return;
    // Source column i spans [i * tw, (i + 1) * tw), target column x spans [x * sw, (x + 1) * sw):
    // both cover sw * tw units, and the overlaps are whole numbers.
    const std::uint64_t sw = static_cast<std::uint64_t>(source_width_);
    const std::uint64_t tw = static_cast<std::uint64_t>(target_.width);
    first_column_.resize(tw);
    column_count_.resize(tw);
    for (std::uint64_t x = 0; x < tw; ++x) {
        const std::uint64_t start = x * sw;
        const std::uint64_t end = start + sw;
        const std::uint64_t first = start / tw;
        first_column_[x] = static_cast<std::uint32_t>(first);
        std::uint32_t count = 0;
        for (std::uint64_t i = first; i < sw && i * tw < end; ++i, ++count) {
            const std::uint64_t lo = std::max(start, i * tw);
            const std::uint64_t hi = std::min(end, (i + 1) * tw);
            column_weight_.push_back(hi - lo);
        }
        column_count_[x] = count;
    }
    row_sums_.assign(tw * 4, 0);
    target_sums_.assign(tw * 4, 0);
}

void RowScaler::ScaleRowAcross(const std::uint8_t* source, std::uint64_t* sums) const {
    const std::size_t tw = static_cast<std::size_t>(target_.width);
    std::size_t weight = 0;
    for (std::size_t x = 0; x < tw; ++x) {
        std::uint64_t b = 0, g = 0, r = 0, a = 0;
        const std::uint8_t* p = source + static_cast<std::size_t>(first_column_[x]) * 4;
        for (std::uint32_t k = 0; k < column_count_[x]; ++k, p += 4) {
            const std::uint64_t w = column_weight_[weight++];
            b += w * p[0];
            g += w * p[1];
            r += w * p[2];
            a += w * p[3];
        }
        sums[x * 4 + 0] = b;
        sums[x * 4 + 1] = g;
        sums[x * 4 + 2] = r;
        sums[x * 4 + 3] = a;
    }
}

// The source pixel under the centre of a target pixel.
std::int64_t RowScaler::NearestSource(std::int64_t target_index, std::int64_t source_size,
                                      std::int64_t target_size) const {
    return std::min((2 * target_index + 1) * source_size / (2 * target_size), source_size - 1);
}

void RowScaler::AddRow(const std::uint8_t* bgra_row) {
    if (next_source_row_ >= source_height_ || complete()) return;
    const std::int64_t j = next_source_row_++;
    const std::int64_t sh = source_height_;
    const std::int64_t th = target_.height;
    const std::int64_t sw = source_width_;
    const std::int64_t tw = target_.width;

    if (quality_ == StretchQuality::ColourOnColour) {
        while (!complete() && NearestSource(next_target_row_, sh, th) == j) {
            std::uint8_t* out = target_.Row(next_target_row_++);
            for (std::int64_t x = 0; x < tw; ++x)
                std::memcpy(out + x * 4, bgra_row + NearestSource(x, sw, tw) * 4, 4);
        }
        return;
    }

    ScaleRowAcross(bgra_row, row_sums_.data());
    // Source row j spans [j * th, (j + 1) * th), target row y spans [y * sh, (y + 1) * sh).
    const std::uint64_t source_start = static_cast<std::uint64_t>(j * th);
    const std::uint64_t source_end = source_start + static_cast<std::uint64_t>(th);
    const std::uint64_t divisor = static_cast<std::uint64_t>(sw) * static_cast<std::uint64_t>(sh);
    while (!complete()) {
        const std::uint64_t target_start = static_cast<std::uint64_t>(next_target_row_) * static_cast<std::uint64_t>(sh);
        const std::uint64_t target_end = target_start + static_cast<std::uint64_t>(sh);
        const std::uint64_t lo = std::max(source_start, target_start);
        const std::uint64_t hi = std::min(source_end, target_end);
        if (hi > lo) {
            const std::uint64_t w = hi - lo;
            for (std::size_t i = 0; i < target_sums_.size(); ++i) target_sums_[i] += w * row_sums_[i];
        }
        if (target_end > source_end) break;
        std::uint8_t* out = target_.Row(next_target_row_++);
        for (std::size_t i = 0; i < target_sums_.size(); ++i) {
            out[i] = static_cast<std::uint8_t>((target_sums_[i] + divisor / 2) / divisor);
            target_sums_[i] = 0;
        }
    }
}

BoardImage ScaleBoardImage(const BoardImage& source, std::int32_t width, std::int32_t height, StretchQuality quality) {
    if (width == source.width && height == source.height) return source;
    BoardImage target(width, height);
    RowScaler scaler(source.width, source.height, target, quality);
    for (std::int32_t y = 0; y < source.height; ++y) scaler.AddRow(source.Row(y));
    return target;
}

void DrawScaled(const BoardImage& picture, BoardImage& surface, std::int32_t x, std::int32_t y, std::int32_t width,
                std::int32_t height, StretchQuality quality) {
    if (picture.empty() || width <= 0 || height <= 0) return;
    const std::int64_t left = std::max<std::int64_t>(x, 0);
    const std::int64_t top = std::max<std::int64_t>(y, 0);
    const std::int64_t right = std::min<std::int64_t>(std::int64_t{x} + width, surface.width);
    const std::int64_t bottom = std::min<std::int64_t>(std::int64_t{y} + height, surface.height);
    if (left >= right || top >= bottom) return;
    // A picture drawn at its own size is used as it is, not copied.
    BoardImage scaled;
    const bool own_size = width == picture.width && height == picture.height;
    if (!own_size) scaled = ScaleBoardImage(picture, width, height, quality);
    const BoardImage& source = own_size ? picture : scaled;
    for (std::int64_t row = top; row < bottom; ++row) {
        const std::uint8_t* from = source.Row(static_cast<std::int32_t>(row - y)) + (left - x) * 4;
        std::uint8_t* to = surface.Row(static_cast<std::int32_t>(row)) + left * 4;
        for (std::int64_t column = left; column < right; ++column, from += 4, to += 4) {
            const unsigned alpha = from[3];
            if (alpha == 255) {
                std::memcpy(to, from, 4);
                continue;
            }
            const unsigned keep = 255 - alpha;
            for (int c = 0; c < 4; ++c)
                to[c] = static_cast<std::uint8_t>(std::min(255u, from[c] + (to[c] * keep + 127) / 255));
        }
    }
}

}  // namespace icoforge
