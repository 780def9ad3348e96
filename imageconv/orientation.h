#pragma once
// Which way up a photo is meant to be seen. Cameras and phones store the sensor's rows as
// they come and write down, in the Orientation tag of the picture's EXIF (or of a TIFF's
// own directory), how the viewer is to turn them; every photo viewer and Explorer's
// thumbnails do. An icon made from such a photo is expected upright too.

#include <cstdint>

#include "common/bytes.h"
#include "common/rgba_image.h"

namespace icoforge {

// The Orientation tag's values, named by what the viewer does to the stored rows to show
// the picture upright; a phone held upright writes kTurn90 (its sensor's rows run down the
// picture's right side).
enum class Orientation : std::uint8_t {
    kUpright = 1,
    kMirror = 2,      // left and right swapped
    kTurn180 = 3,
    kFlip = 4,        // top and bottom swapped
    kTranspose = 5,   // rows become columns
    kTurn90 = 6,      // clockwise
    kTransverse = 7,  // rows become columns, from the far corner
    kTurn270 = 8,     // clockwise, that is a quarter counter-clockwise
};

// True where the upright picture is as wide as the stored one is high.
constexpr bool SwapsSides(Orientation o) { return static_cast<std::uint8_t>(o) >= 5; }

// The Orientation of a TIFF structure's first directory (a TIFF file's head, or EXIF's body);
// kUpright when there is none, or it is damaged, cut short or out of range.
Orientation OrientationOfTiff(ByteView tiff);
// True when a JPEG APP1 marker's payload is EXIF: "Exif", two zero bytes, then TIFF.
bool IsExif(ByteView app1);
// The Orientation of such a payload, kUpright where it is none.
Orientation OrientationOfExif(ByteView app1);

// The picture as it is meant to be seen.
RgbaImage TurnUpright(const RgbaImage& stored, Orientation orientation);

}  // namespace icoforge
