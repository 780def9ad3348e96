#pragma once
// The hidden drawing board: a picture, an outer size with a one-pixel sunken edge, a
// picture mode and a background colour, and the drawing area it keeps as an off-screen
// image, drawn anew on every change so that a snapshot always shows the current state.

#include <cstdint>
#include <optional>

#include "app/board/board_image.h"
#include "app/board/board_picture.h"
#include "common/bytes.h"

namespace icoforge {

enum class PictureMode : std::int32_t {
    TopLeft = 0,  // at its own size from the top-left corner
    Tiled = 1,    // repeated from the top-left corner
    Fitted = 2,   // shrunk to fit if larger, and centred
};

// Any value is a mode: above 2 counts as fitted, below 0 as top-left.
constexpr PictureMode PictureModeFromValue(std::int32_t value) {
    return value <= 0 ? PictureMode::TopLeft : value == 1 ? PictureMode::Tiled : PictureMode::Fitted;
}

class DrawingBoard {
public:
    explicit DrawingBoard(RgbColour background = kDefaultBoardBackground,
                          StretchQuality quality = StretchQuality::Halftone);

    // Takes the bytes of a picture file. When the board cannot decode them it drops them
    // (picture() is then empty) and answers false; the area shows the bare background.
    bool SetPicture(ByteBuffer bytes);
    const ByteBuffer& picture() const { return picture_bytes_; }
    // Takes a picture read from a stream, for files too large to hold whole: JPEG and PNG
    // are decoded as they are read, at the size the current placement draws them. The
    // board keeps no bytes of it (picture() is empty), so after a change of size or mode
    // it draws the pixels it decoded. False, with the bare background, when it cannot.
    bool SetPictureFrom(PictureStream& stream, std::uint64_t max_file_bytes);
    bool has_picture() const { return decoded_.has_value(); }
    // The kind of the decoded picture, or nothing when the board holds none.
    std::optional<BoardPictureKind> picture_kind() const;

    void SetSize(std::int32_t width, std::int32_t height);
    std::int32_t width() const { return width_; }
    std::int32_t height() const { return height_; }
    void SetPictureMode(std::int32_t value);
    PictureMode picture_mode() const { return mode_; }
    void SetBackground(RgbColour background);
    RgbColour background() const { return background_; }

    // The drawing area: two pixels narrower and lower than the board (empty when the board
    // is that small), as premultiplied BGRA with every alpha 255.
    const BoardImage& drawing_area() const { return area_; }

    // A 24-bit BMP file of the drawing area stretched to width x height; empty when there
    // is no memory for it.
    ByteBuffer TakeSnapshot(std::int32_t width, std::int32_t height) const;

private:
    void Redraw();
    ByteBuffer Snapshot(std::int32_t width, std::int32_t height) const;
    BoardDecodeOptions DecodeOptionsForArea() const;

    RgbColour background_;
    StretchQuality quality_;
    std::int32_t width_ = 0;
    std::int32_t height_ = 0;
    PictureMode mode_ = PictureMode::TopLeft;
    ByteBuffer picture_bytes_;
    std::optional<BoardPicture> decoded_;
    BoardDecodeOptions decoded_with_;
    BoardImage area_;
};

// The bytes of a 24-bit bottom-up BMP file of an opaque image; empty when the file would
// pass the 4 GiB its header can describe.
ByteBuffer BmpFileOf(const BoardImage& image);

}  // namespace icoforge
