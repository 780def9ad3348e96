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

// The source pixels [first, last) a cell overlaps, in the scaled units of DHashOf: the
// first and last may be covered in part, those between them wholly.
struct CellSpan {
    std::uint64_t first = 0, last = 0;
    std::uint64_t first_overlap = 0, last_overlap = 0;
};

std::vector<CellSpan> CellSpans(std::uint64_t source, std::uint64_t cells) {
    std::vector<CellSpan> spans(cells);
    const auto overlap = [&](std::uint64_t x, std::uint64_t i) {
        return std::min((x + 1) * cells, (i + 1) * source) - std::max(x * cells, i * source);
    };
    for (std::uint64_t i = 0; i < cells; ++i) {
        CellSpan& span = spans[i];
        span.first = i * source / cells;
        span.last = ((i + 1) * source + cells - 1) / cells;
        span.first_overlap = overlap(span.first, i);
        span.last_overlap = span.last - 1 > span.first ? overlap(span.last - 1, i) : 0;
    }
    return spans;
}

}  // namespace

std::uint64_t DHashOf(const RgbaImage& picture) {
    // Cell (i, j) covers source columns [i W / 9, (i + 1) W / 9) and rows [j H / 8, ...):
    // with coordinates scaled by 9 across and 8 down, every source pixel is a 9 x 8 block
    // and every cell a W x H block, so each overlap is a whole number and the sums exact.
    // A row is made grey once, then each cell adds its two edge pixels by their overlap
    // and the whole pixels between them by 9: a loop the compiler can widen, which is
    // what makes the hash cheap beside decoding the image.
    const std::uint64_t w = picture.width;
    const std::uint64_t h = picture.height;
    const auto across = CellSpans(w, kCellsAcross);
    const auto down = CellSpans(h, kCellsDown);
    std::array<std::uint64_t, kCellsAcross * kCellsDown> cells{};
    std::vector<std::uint32_t> grey(w);
    for (std::uint64_t y = 0; y < h; ++y) {
        const std::uint8_t* p = picture.pixels.data() + y * w * 4;
        for (std::uint64_t x = 0; x < w; ++x) {
            // Over white: (c a + 255 (255 - a) + 127) / 255, weighted 299, 587, 114. The
            // dividend is at most 65152, where (t + 1 + (t >> 8)) >> 8 is t / 255 exactly,
            // all in 16 bits.
            const std::uint16_t a = p[4 * x + 3];
            const auto white = static_cast<std::uint16_t>(255 * (255 - a) + 127);
            const auto over_white = [&](std::uint8_t c) -> std::uint32_t {
                const auto t = static_cast<std::uint16_t>(c * a + white);
                return static_cast<std::uint16_t>(t + 1 + (t >> 8)) >> 8;
            };
            grey[x] = 299 * over_white(p[4 * x]) + 587 * over_white(p[4 * x + 1]) + 114 * over_white(p[4 * x + 2]);
        }
        std::array<std::uint64_t, kCellsAcross> row{};
        for (std::uint32_t i = 0; i < kCellsAcross; ++i) {
            const CellSpan& span = across[i];
            std::uint64_t whole = 0;
            for (std::uint64_t x = span.first + 1; x + 1 < span.last; ++x) whole += grey[x];
            row[i] = whole * kCellsAcross + std::uint64_t{grey[span.first]} * span.first_overlap +
                     (span.last_overlap != 0 ? std::uint64_t{grey[span.last - 1]} * span.last_overlap : 0);
        }
        for (std::uint32_t j = 0; j < kCellsDown; ++j) {
            const CellSpan& span = down[j];
            if (y < span.first || y >= span.last) continue;
            const std::uint64_t dy = y == span.first ? span.first_overlap
                                     : y + 1 == span.last ? span.last_overlap
                                                          : kCellsDown;
            for (std::uint32_t i = 0; i < kCellsAcross; ++i) cells[j * kCellsAcross + i] += row[i] * dy;
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
