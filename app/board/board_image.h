#pragma once
// The board's pixels and the two ways it scales them.

#include <algorithm>
#include <cstdint>
#include <limits>
#include <new>
#include <vector>

namespace icoforge {

struct RgbColour {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    friend bool operator==(const RgbColour&, const RgbColour&) = default;
};

// The colour of button faces where the system names none: what the board shows around
// and behind a picture.
inline constexpr RgbColour kDefaultBoardBackground{0xF0, 0xF0, 0xF0};

// Halftone averages every source pixel a target pixel covers; colour-on-colour takes the
// nearest one. A screen of more than 16 bits a pixel gets halftone, as the platform does.
enum class StretchQuality : std::uint8_t { Halftone, ColourOnColour };

constexpr StretchQuality StretchQualityForScreenDepth(std::int32_t bits_per_pixel) {
    return bits_per_pixel > 16 ? StretchQuality::Halftone : StretchQuality::ColourOnColour;
}

// Blue, green, red, alpha, rows top-down, colour premultiplied by alpha, so that averaging
// neighbours never lets the colour of an invisible pixel bleed into a visible one.
struct BoardImage {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::vector<std::uint8_t> bgra;

    BoardImage() = default;
    // Throws std::bad_alloc when the pixels cannot be had, a size beyond the address space
    // included; callers turn that into their failure result.
    BoardImage(std::int32_t w, std::int32_t h) : width(std::max(w, 0)), height(std::max(h, 0)), bgra(ByteCount(w, h)) {}

    std::uint8_t* Row(std::int32_t y) { return bgra.data() + static_cast<std::size_t>(y) * width * 4; }
    const std::uint8_t* Row(std::int32_t y) const { return bgra.data() + static_cast<std::size_t>(y) * width * 4; }
    bool empty() const { return width <= 0 || height <= 0; }

private:
    static std::size_t ByteCount(std::int32_t w, std::int32_t h) {
        if (w <= 0 || h <= 0) return 0;
        const std::uint64_t bytes = static_cast<std::uint64_t>(w) * static_cast<std::uint64_t>(h) * 4;
        if (bytes > std::numeric_limits<std::size_t>::max()) throw std::bad_alloc();
        return static_cast<std::size_t>(bytes);
    }
};

// Scales a picture row by row as its rows arrive, so that a large picture can be reduced
// while it is decoded without ever being held whole. Rows go in top-down; the target,
// created at the target size, is complete after the last source row.
class RowScaler {
public:
    RowScaler(std::int32_t source_width, std::int32_t source_height, BoardImage& target, StretchQuality quality);
    void AddRow(const std::uint8_t* bgra_row);
    bool complete() const { return next_target_row_ >= target_.height; }

private:
    void ScaleRowAcross(const std::uint8_t* source, std::uint64_t* sums) const;
    std::int64_t NearestSource(std::int64_t target_index, std::int64_t source_size, std::int64_t target_size) const;

    std::int32_t source_width_;
    std::int32_t source_height_;
    BoardImage& target_;
    StretchQuality quality_;
    std::int32_t next_source_row_ = 0;
    std::int32_t next_target_row_ = 0;
    // Halftone: for each target column, the run of source columns it covers and how much
    // of each (in units where a target pixel is source_width wide).
    std::vector<std::uint32_t> first_column_;
    std::vector<std::uint32_t> column_count_;
    std::vector<std::uint64_t> column_weight_;
    std::vector<std::uint64_t> row_sums_;       // one source row scaled across
    std::vector<std::uint64_t> target_sums_;    // the target row being gathered
};

// The whole picture scaled to width x height (each at least 1).
BoardImage ScaleBoardImage(const BoardImage& source, std::int32_t width, std::int32_t height, StretchQuality quality);

// Draws `picture` scaled to width x height at (x, y) of `surface`, clipped to it; the
// picture's alpha lets the surface show through.
void DrawScaled(const BoardImage& picture, BoardImage& surface, std::int32_t x, std::int32_t y, std::int32_t width,
                std::int32_t height, StretchQuality quality);

}  // namespace icoforge
