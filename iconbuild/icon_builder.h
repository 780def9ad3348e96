#pragma once
// Single-image icon files from BMP files: a 24-bit colour image and a 1-bit mask in which
// every pixel of one colour is transparent. Neither builder scales the picture.

#include <cstdint>
#include <optional>

#include "common/bytes.h"
#include "common/failure.h"
#include "iconbuild/bitmap.h"

namespace icoforge {

// The largest width and height either builder accepts; the directory entry holds one byte.
inline constexpr std::int32_t kMaxIconSide = 255;

// The step a builder's failure names; its path is left to the caller, who knows the file.
inline constexpr const char* kMakeIconStep = "make an icon of";
inline constexpr const char* kUnreadableBitmapText =
    "not a bitmap that can be read (an uncompressed BMP of 1, 4, 8, 16, 24 or 32 bits per pixel with all its rows)";
inline constexpr const char* kIconSideText = "the bitmap must be 1 to 255 pixels wide and high (bottom-up)";
inline constexpr const char* kRawBitmapText = "not a BMP of 1 to 255 pixels a side with enough 24-bit pixel data";

// The whole .ico (or .cur, when `as_cursor`) file made of a BMP file's pixels read through
// Bitmap, so every depth and header that Bitmap loads is taken. `transparent` defaults to
// white. The hot spot is used only for a cursor, and only its low 8 bits fit the file.
Result<ByteBuffer> MakeIconFromBitmap(ByteView bitmap_file, std::optional<ColourValue> transparent = std::nullopt,
                                      bool as_cursor = false, std::int32_t hot_spot_x = 0, std::int32_t hot_spot_y = 0);

// The fallback: reads every input as an uncompressed, bottom-up 24-bit image whose pixels
// start right after a 40-byte info header, whatever the file states about itself.
Result<ByteBuffer> MakeIconFromBitmapBytes(ByteView bitmap_file, std::optional<ColourValue> transparent = std::nullopt,
                                           bool as_cursor = false, std::int32_t hot_spot_x = 0,
                                           std::int32_t hot_spot_y = 0);

// The builders as their callers know them: MakeIconFromBitmap and MakeIconFromBitmapBytes.
// On success `icon` is replaced by the file made and the result is true; on failure
// `icon` is left as it was.
bool BuildIconFromBitmap(ByteView bitmap_file, ByteBuffer& icon, std::optional<ColourValue> transparent = std::nullopt,
                         bool as_cursor = false, std::int32_t hot_spot_x = 0, std::int32_t hot_spot_y = 0);
bool BuildIconFromBitmapBytes(ByteView bitmap_file, ByteBuffer& icon,
                              std::optional<ColourValue> transparent = std::nullopt, bool as_cursor = false,
                              std::int32_t hot_spot_x = 0, std::int32_t hot_spot_y = 0);

}  // namespace icoforge
