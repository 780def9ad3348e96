#pragma once
// Pictures as the drawing board takes them: recognised by their first bytes, decoded by
// our own code (libjpeg and libpng for those two formats), and drawn onto the board.

#include <cstdint>
#include <cstdio>
#include <optional>

#include "app/board/board_image.h"
#include "common/bytes.h"
#include "imageconv/orientation.h"
#include "imageconv/picture_decoder.h"

namespace icoforge {

// The kinds in the order the board's callers number them.
enum class BoardPictureKind : std::int32_t {
    Jpeg = 1,
    Bmp = 2,
    Icon = 3,
    Cursor = 4,
    Gif = 5,
    Pcx8 = 6,  // PCX with 8 bits a pixel: palette, or three planes of red, green and blue
    Pcx1 = 7,  // PCX with 1 bit a pixel and one plane: black and white
    Png = 8,
};

struct BoardDecodeOptions {
    // Checked from the header before anything is allocated.
    std::uint64_t max_pixels = kMaxPicturePixels;
    // When not zero, the picture will only be drawn fitted into an area of this size, so a
    // large one may be decoded reduced, never below the size it is drawn at. JPEG and PNG
    // use this to keep memory small; the other kinds are small or bounded by the limit.
    std::int32_t fit_width = 0;
    std::int32_t fit_height = 0;
    StretchQuality quality = StretchQuality::Halftone;
    // What the transparency of a PNG picture is blended with before it is scaled, and what
    // the inverting parts of an icon invert.
    RgbColour background = kDefaultBoardBackground;
};

struct BoardPicture {
    BoardPictureKind kind = BoardPictureKind::Bmp;
    // The picture's own size: the size its placement on the board works with.
    std::int32_t width = 0;
    std::int32_t height = 0;
    // Ready to draw (premultiplied, PNG already blended with the background). Smaller than
    // width x height when decoded reduced for a fitted board.
    BoardImage pixels;
    // How a photo's EXIF says to turn it to be seen; the board draws it as stored, as the
    // window always has, and the icon maker turns it.
    Orientation orientation = Orientation::kUpright;
};

// The kind the first bytes announce, or nothing (fewer than 8 bytes, or no kind).
std::optional<BoardPictureKind> RecogniseBoardPicture(ByteView bytes);

// The decoded picture, or nothing when the bytes are not recognised, are damaged, or
// describe more than options.max_pixels pixels. Never reads outside `bytes`.
std::optional<BoardPicture> DecodeBoardPicture(ByteView bytes, const BoardDecodeOptions& options = {});

// A picture file read from its start piece by piece, for pictures too large to hold whole.
class PictureStream {
public:
    virtual ~PictureStream() = default;
    // Up to `size` bytes into `out`: how many were read, 0 at the end or on failure.
    virtual std::size_t Read(std::uint8_t* out, std::size_t size) = 0;
};

// A C stream read from wherever it stands; the caller keeps it open and asks ferror.
class StdioPictureStream final : public PictureStream {
public:
    explicit StdioPictureStream(std::FILE* file) : file_(file) {}
    std::size_t Read(std::uint8_t* out, std::size_t size) override { return std::fread(out, 1, size, file_); }

private:
    std::FILE* file_;
};

// As DecodeBoardPicture, reading the stream from its start. JPEG and PNG are decoded as
// they are read, so that the file is never held whole; the other kinds are read whole,
// up to `max_file_bytes`, and decoded from their bytes.
std::optional<BoardPicture> DecodeBoardPictureStream(PictureStream& stream, const BoardDecodeOptions& options,
                                                     std::uint64_t max_file_bytes);

// Draws the picture scaled to width x height at (x, y) of the board's drawing area.
// Transparent parts of icons and cursors let the area show through.
void DrawBoardPicture(const BoardPicture& picture, BoardImage& area, std::int32_t x, std::int32_t y,
                      std::int32_t width, std::int32_t height, StretchQuality quality);

}  // namespace icoforge
