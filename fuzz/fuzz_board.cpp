// The drawing board's decoder on arbitrary bytes, each picture drawn fitted on a 32 and a
// 128 pixel board, decoded reduced for each as the board does, and once at its own size.
#include <cstdint>

#include "app/board/board_geometry.h"
#include "app/board/board_picture.h"

namespace {

// Small enough that a header asking for a huge picture cannot exhaust the fuzzer's memory,
// large enough for every real seed.
constexpr std::uint64_t kFuzzPixelLimit = 1u << 22;

void DrawOn(const icoforge::BoardPicture& picture, std::int32_t board_size, icoforge::StretchQuality quality) {
    icoforge::BoardImage area(board_size - 2, board_size - 2);
    const auto place = icoforge::FitPicture(area.width, area.height, picture.width, picture.height);
    icoforge::DrawBoardPicture(picture, area, place.x, place.y, place.width, place.height, quality);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const icoforge::ByteView bytes(data, size);
    icoforge::BoardDecodeOptions options;
    options.max_pixels = kFuzzPixelLimit;
    if (!icoforge::DecodeBoardPicture(bytes, options)) return 0;
    for (const std::int32_t board_size : {32, 128}) {
        options.fit_width = options.fit_height = board_size - 2;
        options.quality = board_size == 32 ? icoforge::StretchQuality::Halftone : icoforge::StretchQuality::ColourOnColour;
        if (const auto picture = icoforge::DecodeBoardPicture(bytes, options)) DrawOn(*picture, board_size, options.quality);
    }
    return 0;
}
