#pragma once
// Single-image icon files from BMP files: a 24-bit colour image and a 1-bit mask in which
// every pixel of one colour is transparent. Neither builder scales the picture.

#include <cstdint>
#include <optional>

#include "common/bytes.h"
#include "iconbuild/bitmap.h"

namespace icoforge {

// The largest width and height either builder accepts; the directory entry holds one byte.
inline constexpr std::int32_t kMaxIconSide = 255;

// Reads the pixels through Bitmap, so every depth and header that Bitmap loads is taken.
// On success `icon` is replaced by the whole .ico (or .cur, when `as_cursor`) file and the
// result is true; on failure `icon` is left as it was. `transparent` defaults to white.
// The hot spot is used only for a cursor, and only its low 8 bits fit the file.
bool BuildIconFromBitmap(ByteView bitmap_file, ByteBuffer& icon, std::optional<ColourValue> transparent = std::nullopt,
                         bool as_cursor = false, std::int32_t hot_spot_x = 0, std::int32_t hot_spot_y = 0);

// The fallback: reads every input as an uncompressed, bottom-up 24-bit image whose pixels
// start right after a 40-byte info header, whatever the file states about itself.
bool BuildIconFromBitmapBytes(ByteView bitmap_file, ByteBuffer& icon,
                              std::optional<ColourValue> transparent = std::nullopt, bool as_cursor = false,
                              std::int32_t hot_spot_x = 0, std::int32_t hot_spot_y = 0);

}  // namespace icoforge
