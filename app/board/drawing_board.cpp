#include "app/board/drawing_board.h"

#include <algorithm>
#include <exception>

#include "app/board/board_geometry.h"
#include "common/byte_writer.h"

namespace icoforge {
namespace {

// The sunken edge takes one pixel on every side.
constexpr std::int32_t kEdgeWidth = 1;

bool SameDecode(const BoardDecodeOptions& a, const BoardDecodeOptions& b) {
    return a.fit_width == b.fit_width && a.fit_height == b.fit_height && a.quality == b.quality &&
           a.background == b.background && a.max_pixels == b.max_pixels;
}

}  // namespace

DrawingBoard::DrawingBoard(RgbColour background, StretchQuality quality) : background_(background), quality_(quality) {
    Redraw();
}

std::optional<BoardPictureKind> DrawingBoard::picture_kind() const {
    if (!decoded_) return std::nullopt;
    return decoded_->kind;
}

bool DrawingBoard::SetPicture(ByteBuffer bytes) {
    picture_bytes_ = std::move(bytes);
    decoded_.reset();
    Redraw();
    return decoded_.has_value();
}

bool DrawingBoard::SetPictureFrom(PictureStream& stream, std::uint64_t max_file_bytes) {
    picture_bytes_.clear();
    decoded_with_ = DecodeOptionsForArea();
    decoded_ = DecodeBoardPictureStream(stream, decoded_with_, max_file_bytes);
    Redraw();
    return decoded_.has_value();
}

void DrawingBoard::SetSize(std::int32_t width, std::int32_t height) {
    width_ = std::max(width, 0);
    height_ = std::max(height, 0);
    Redraw();
}

void DrawingBoard::SetPictureMode(std::int32_t value) {
    mode_ = PictureModeFromValue(value);
    Redraw();
}

void DrawingBoard::SetBackground(RgbColour background) {
    background_ = background;
    Redraw();
}

BoardDecodeOptions DrawingBoard::DecodeOptionsForArea() const {
    BoardDecodeOptions options;
    options.quality = quality_;
    options.background = background_;
    if (mode_ == PictureMode::Fitted) {
        options.fit_width = std::max(area_.width, 1);
        options.fit_height = std::max(area_.height, 1);
    }
    return options;
}

void DrawingBoard::Redraw() {
    const std::int32_t area_width = std::max(width_ - 2 * kEdgeWidth, 0);
    const std::int32_t area_height = std::max(height_ - 2 * kEdgeWidth, 0);
    try {
        area_ = BoardImage(area_width, area_height);
    } catch (const std::exception&) {
        area_ = BoardImage();
    }
    for (std::size_t i = 0; i < area_.bgra.size(); i += 4) {
        area_.bgra[i + 0] = background_.blue;
        area_.bgra[i + 1] = background_.green;
        area_.bgra[i + 2] = background_.red;
        area_.bgra[i + 3] = 255;
    }
    if (picture_bytes_.empty() && !decoded_) return;

    // A picture decoded reduced for one placement is decoded again for another, from the
    // bytes the board keeps; one decoded whole serves every placement.
    const BoardDecodeOptions options = DecodeOptionsForArea();
    const bool reduced = decoded_ && (decoded_->pixels.width != decoded_->width ||
                                      decoded_->pixels.height != decoded_->height);
    // PNG transparency and the inverting parts of icons are worked out against the background.
    const bool blended = decoded_ && (decoded_->kind == BoardPictureKind::Png || decoded_->kind == BoardPictureKind::Icon ||
                                      decoded_->kind == BoardPictureKind::Cursor);
    if (!picture_bytes_.empty() &&
        (!decoded_ || ((reduced || blended) && !SameDecode(options, decoded_with_)))) {
        decoded_ = DecodeBoardPicture(picture_bytes_, options);
        decoded_with_ = options;
        if (!decoded_) {
            picture_bytes_.clear();
            return;
        }
    }
    const BoardPicture& picture = *decoded_;
    try {
        switch (mode_) {
            case PictureMode::TopLeft:
                DrawBoardPicture(picture, area_, 0, 0, picture.width, picture.height, quality_);
                break;
            case PictureMode::Tiled:
                for (std::int64_t y = 0; y < area_.height; y += picture.height)
                    for (std::int64_t x = 0; x < area_.width; x += picture.width)
                        DrawBoardPicture(picture, area_, static_cast<std::int32_t>(x), static_cast<std::int32_t>(y),
                                         picture.width, picture.height, quality_);
                break;
            case PictureMode::Fitted: {
                const BoardPlacement place = FitPicture(area_.width, area_.height, picture.width, picture.height);
                DrawBoardPicture(picture, area_, place.x, place.y, place.width, place.height, quality_);
                break;
            }
        }
    } catch (const std::exception&) {
        // No memory to scale the picture: the area keeps the background.
    }
}

ByteBuffer DrawingBoard::TakeSnapshot(std::int32_t width, std::int32_t height) const {
    try {
        return Snapshot(std::max(width, 1), std::max(height, 1));
    } catch (const std::exception&) {
        return {};
    }
}

ByteBuffer DrawingBoard::Snapshot(std::int32_t width, std::int32_t height) const {
    if (area_.empty()) {
        BoardImage plain(width, height);
        for (std::size_t i = 0; i < plain.bgra.size(); i += 4) {
            plain.bgra[i + 0] = background_.blue;
            plain.bgra[i + 1] = background_.green;
            plain.bgra[i + 2] = background_.red;
            plain.bgra[i + 3] = 255;
        }
        return BmpFileOf(plain);
    }
    return BmpFileOf(ScaleBoardImage(area_, width, height, quality_));
}

ByteBuffer BmpFileOf(const BoardImage& image) {
    constexpr std::uint32_t kPixelOffset = 14 + 40;
    const std::uint64_t stride64 = (static_cast<std::uint64_t>(image.width) * 3 + 3) / 4 * 4;
    // The file records its size in 32 bits.
    if (stride64 * static_cast<std::uint64_t>(image.height) > 0xFFFFFFFFu - kPixelOffset) return {};
    const auto stride = static_cast<std::uint32_t>(stride64);
    const std::uint32_t pixel_bytes = stride * static_cast<std::uint32_t>(image.height);
    ByteWriter out(kPixelOffset + pixel_bytes);
    out.U8('B');
    out.U8('M');
    out.U32(kPixelOffset + pixel_bytes);
    out.U16(0);
    out.U16(0);
    out.U32(kPixelOffset);
    out.U32(40);
    out.I32(image.width);
    out.I32(image.height);
    out.U16(1);
    out.U16(24);
    out.U32(0);  // no compression
    out.U32(pixel_bytes);
    out.U32(0);
    out.U32(0);
    out.U32(0);
    out.U32(0);
    for (std::int32_t y = image.height; y-- > 0;) {
        const std::uint8_t* p = image.Row(y);
        for (std::int32_t x = 0; x < image.width; ++x, p += 4) {
            out.U8(p[0]);
            out.U8(p[1]);
            out.U8(p[2]);
        }
        out.Zeros(stride - static_cast<std::uint32_t>(image.width) * 3);
    }
    return out.Take();
}

}  // namespace icoforge
