#include "scan/dhash.h"

#include <algorithm>
#include <array>
#include <vector>


namespace icoforge::scan {
namespace {

constexpr std::uint32_t kCellsAcross = 9;
constexpr std::uint32_t kCellsDown = 8;

}  // namespace

namespace {

// The cells a source column (or row) of `source` pixels overlaps among `cells`, with the
// overlap, in the scaled units of DHashOf.
std::vector<std::vector<std::pair<std::uint32_t, std::uint64_t>>> Overlaps(std::uint64_t source, std::uint64_t cells) {
    std::vector<std::vector<std::pair<std::uint32_t, std::uint64_t>>> overlaps(source);
    for (std::uint64_t x = 0; x < source; ++x) {
        const std::uint64_t left = x * cells, right = left + cells;
        for (std::uint64_t i = left / source; i < cells && i * source < right; ++i)
            overlaps[x].emplace_back(static_cast<std::uint32_t>(i),
                                     std::min(right, (i + 1) * source) - std::max(left, i * source));
    }
    return overlaps;
}

}  // namespace

std::uint64_t DHashOf(const RgbaImage& picture) {
    // Cell (i, j) covers source columns [i W / 9, (i + 1) W / 9) and rows [j H / 8, ...):
    // with coordinates scaled by 9 across and 8 down, every source pixel is a 9 x 8 block
    // and every cell a W x H block, so each overlap is a whole number and the sums exact.
    const std::uint64_t w = picture.width;
    const std::uint64_t h = picture.height;
    const auto across = Overlaps(w, kCellsAcross);
    const auto down = Overlaps(h, kCellsDown);
    std::array<std::uint64_t, kCellsAcross * kCellsDown> cells{};
    constexpr std::array<std::uint32_t, 3> kWeight = {299, 587, 114};
    for (std::uint64_t y = 0; y < h; ++y) {
        std::array<std::uint64_t, kCellsAcross> row{};
        const std::uint8_t* p = picture.pixels.data() + y * w * 4;
        for (std::uint64_t x = 0; x < w; ++x, p += 4) {
            const std::uint32_t a = p[3];
            std::uint64_t grey = 0;
            for (int c = 0; c < 3; ++c) grey += kWeight[c] * ((p[c] * a + 255 * (255 - a) + 127) / 255);
            for (const auto& [i, dx] : across[x]) row[i] += grey * dx;
        }
        for (const auto& [j, dy] : down[y])
            for (std::uint32_t i = 0; i < kCellsAcross; ++i) cells[j * kCellsAcross + i] += row[i] * dy;
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
