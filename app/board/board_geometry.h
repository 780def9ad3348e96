#pragma once
// Where a picture goes in the board's drawing area.

#include <cstdint>

namespace icoforge {

struct BoardPlacement {
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
};

// The fitted placement of a picture in an area: never enlarged; a smaller picture is
// centred at its own size, a larger one shrunk with its proportions kept and centred.
// The arithmetic (integer halves, one double-precision factor, fractions dropped) is
// what the icons made from the board have always shown, so it is kept exactly.
BoardPlacement FitPicture(std::int32_t area_width, std::int32_t area_height, std::int32_t picture_width,
                          std::int32_t picture_height);

}  // namespace icoforge
