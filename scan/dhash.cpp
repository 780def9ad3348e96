#include "scan/dhash.h"

#include <algorithm>
#include <array>
#include <vector>


namespace icoforge::scan {
namespace {

constexpr std::uint32_t kCellsAcross = 9;
constexpr std::uint32_t kCellsDown = 8;

}  // namespace

std::uint64_t DHashOf(const RgbaImage& picture) {
    // Cell (i, j) covers source columns [i W / 9, (i + 1) W / 9) and rows [j H / 8, ...):
    // with coordinates scaled by 9 across and 8 down, every source pixel is a 9 x 8 block
    // and every cell a W x H block, so each overlap is a whole number and the sums exact.
    const std::uint64_t w = picture.width;
    const std::uint64_t h = picture.height;
    std::array<std::uint64_t, kCellsAcross * kCellsDown> cells{};
    for (std::uint64_t y = 0; y < h; ++y) {
        const std::uint64_t top = y * kCellsDown, bottom = top + kCellsDown;
        for (std::uint64_t x = 0; x < w; ++x) {
            const std::uint8_t* p = picture.pixels.data() + (y * w + x) * 4;
            const std::uint32_t a = p[3];
            std::uint64_t grey = 0;
            const std::array<std::uint32_t, 3> weight = {299, 587, 114};
            for (int c = 0; c < 3; ++c) grey += weight[c] * ((p[c] * a + 255 * (255 - a) + 127) / 255);
            const std::uint64_t left = x * kCellsAcross, right = left + kCellsAcross;
            for (std::uint64_t j = top / h; j < kCellsDown && j * h < bottom; ++j) {
                const std::uint64_t dy = std::min(bottom, (j + 1) * h) - std::max(top, j * h);
                for (std::uint64_t i = left / w; i < kCellsAcross && i * w < right; ++i) {
                    const std::uint64_t dx = std::min(right, (i + 1) * w) - std::max(left, i * w);
                    cells[j * kCellsAcross + i] += grey * dx * dy;
                }
            }
        }
    }
    std::uint64_t hash = 0;
    for (std::uint32_t j = 0; j < kCellsDown; ++j)
        for (std::uint32_t i = 0; i + 1 < kCellsAcross; ++i)
            hash = (hash << 1) | (cells[j * kCellsAcross + i + 1] > cells[j * kCellsAcross + i] ? 1 : 0);
    return hash;
}

std::optional<std::uint64_t> GroupDHash(ByteView file, const catalogue::CatalogueGroup& group) {
    std::vector<std::size_t> order(group.images.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        const auto& x = group.images[a];
        const auto& y = group.images[b];
        const std::uint64_t px = std::uint64_t{x.width} * x.height, py = std::uint64_t{y.width} * y.height;
        if (px != py) return px > py;
        return x.bits > y.bits;
    });
    for (const std::size_t i : order) {
        auto picture = catalogue::DecodeGroupImage(file, group, i);
        if (picture && !picture->empty()) return DHashOf(*picture);
    }
    return std::nullopt;
}

}  // namespace icoforge::scan
