#pragma once
// Multi-size icons and cursors with alpha, as current Windows versions draw them: one
// 32-bit image per size, the large ones stored as PNG.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/bytes.h"
#include "common/failure.h"
#include "common/rgba_image.h"

namespace icoforge {

// The sizes Windows 10 and 11 ask an application's icon for, from the taskbar's 16 to the
// large views' 256 (which since Vista is kept as PNG).
inline constexpr std::uint32_t kDefaultIconSizes[] = {16, 20, 24, 32, 40, 48, 64, 256};
// The icon directory stores a side in one byte, 0 meaning 256.
inline constexpr std::uint32_t kLargestIconSide = 256;
// From this size up images are PNG unless told otherwise: below it a PNG saves little
// and the oldest readers of icons expect a bitmap.
inline constexpr std::uint32_t kDefaultPngFromSize = 256;
// A png_from_size no icon side reaches: every image a bitmap.
inline constexpr std::uint32_t kNeverPng = kLargestIconSide + 1;
// How much larger than the largest size a picture is kept before it is resampled: enough
// that the decoder's own cheap reduction (box averaging, JPEG's DCT scaling) leaves
// Lanczos several source pixels a target pixel, so the result matches a resampling of the
// whole picture.
inline constexpr std::uint32_t kMasterOversampling = 4;

struct HotSpot {
    std::uint32_t x = 0;
    std::uint32_t y = 0;
};

// A picture to make the icon from, colour not premultiplied.
struct SourcePicture {
    RgbaImage pixels;          // possibly decoded reduced: smaller than its own size
    std::uint32_t own_width = 0;   // the picture's size as stored in its file
    std::uint32_t own_height = 0;
    std::uint32_t bit_depth = 32;  // among images of one size inside an icon, the deeper wins
    std::string name;              // for messages: the file, and the image inside it

    bool HasOwnSize() const { return pixels.width == own_width && pixels.height == own_height; }
};

struct MakeIconRequest {
    std::vector<std::uint32_t> sizes{std::begin(kDefaultIconSizes), std::end(kDefaultIconSizes)};
    std::uint32_t png_from_size = kDefaultPngFromSize;
    bool upscale = false;
    std::optional<HotSpot> cursor;  // in the pixels of the largest picture; a cursor when set
};

struct MadeIcon {
    ByteBuffer file;
    std::vector<std::uint32_t> sizes;           // the images written, in file order
    std::vector<std::uint32_t> reused_sizes;    // of those, the ones taken as drawn
    std::vector<std::uint32_t> left_out_sizes;  // larger than every picture, not upscaled
};

// The side the largest picture need be decoded at, at most, for this request.
std::uint32_t MasterSide(const MakeIconRequest& request);

// The sizes of a --sizes list ("16,32,48"): sorted, each once, each from 1 to 256.
Result<std::vector<std::uint32_t>> ParseIconSizes(const std::string& list);

// The `what` of MakeIcon's refusals that callers tell apart (the reason says the rest).
inline constexpr std::string_view kHotSpotOutside = "hot spot";
inline constexpr std::string_view kEverySizeTooLarge = "sizes";

// Makes the icon or cursor file. For each requested size, a square picture of exactly
// that size (the deepest, when several) is used as drawn; otherwise the largest picture
// is fitted into the square, proportions kept, centred on transparency. Sizes larger
// than every picture are left out unless request.upscale. Fails when no picture is
// given, the hot spot lies outside the largest picture, or no size is left.
Result<MadeIcon> MakeIcon(std::span<const SourcePicture> pictures, const MakeIconRequest& request);

// One image of an icon file, colour not premultiplied, side x side.
struct IconFrame {
    RgbaImage pixels;
    bool as_png = false;
    HotSpot hot_spot;  // cursors only
};

// The .ico (or, with `cursor`, .cur) file of the frames, in their order: 32-bit
// bitmaps with an AND mask set exactly where alpha is 0, or PNG files.
Result<ByteBuffer> EncodeIconFile(std::span<const IconFrame> frames, bool cursor);

}  // namespace icoforge
