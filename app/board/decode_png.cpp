// PNG through libpng's row-by-row interface, set up to give what its simplified interface
// gives (8-bit blue, green, red, alpha in sRGB), each row scaled into the target as it is
// read, so that a large picture never stands whole in memory.
#include <algorithm>
#include <array>
#include <cmath>
#include <csetjmp>
#include <cstring>
#include <vector>

#include <png.h>

#include "app/board/board_decoders.h"
#include "common/png_session.h"

namespace icoforge::board_detail {
namespace {

void ReadFromSource(png_structp png, png_bytep out, png_size_t length) {
    auto* source = static_cast<ByteSource*>(png_get_io_ptr(png));
    if (source->Read(out, length) != length) png_error(png, "read past the end");
}

[[noreturn]] void ErrorExit(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void DiscardWarning(png_structp, png_const_charp) {}

struct Reader : PngReadSession {
    ByteSource* source = nullptr;
};

struct Header {
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    int passes = 1;
};

// libpng errors leave these two functions through longjmp: nothing in their frames may
// have a destructor.
bool ReadHeader(Reader& r, Header& header) {
    r.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, ErrorExit, DiscardWarning);
    if (r.png == nullptr) return false;
    r.info = png_create_info_struct(r.png);
    if (r.info == nullptr) return false;
    if (setjmp(png_jmpbuf(r.png)) != 0) return false;
    png_set_read_fn(r.png, r.source, ReadFromSource);
    // The limits are the board's own pixel limit, checked by the caller.
    png_set_user_limits(r.png, 0x7fffffff, 0x7fffffff);
    // As the simplified interface: a damaged ancillary chunk is passed over, not fatal.
    png_set_benign_errors(r.png, 1);
    png_read_info(r.png, r.info);
    int bit_depth = 0, colour_type = 0;
    png_get_IHDR(r.png, r.info, &header.width, &header.height, &bit_depth, &colour_type, nullptr, nullptr, nullptr);
    // The transformations the simplified interface asks for 8-bit BGRA output, in its
    // order: a 16-bit file without gamma information counts as linear, any other as sRGB,
    // and the output is sRGB.
    const bool sixteen_bit = bit_depth == 16;
    png_set_expand(r.png);
    if ((colour_type & PNG_COLOR_MASK_COLOR) == 0) png_set_gray_to_rgb(r.png);
    png_set_alpha_mode_fixed(r.png, PNG_ALPHA_PNG, sixteen_bit ? PNG_GAMMA_LINEAR : PNG_DEFAULT_sRGB);
    if (sixteen_bit) png_set_scale_16(r.png);
    if ((colour_type & PNG_COLOR_MASK_ALPHA) == 0 && !png_get_valid(r.png, r.info, PNG_INFO_tRNS))
        png_set_add_alpha(r.png, 0xFF, PNG_FILLER_AFTER);
    png_set_alpha_mode_fixed(r.png, PNG_ALPHA_PNG, PNG_DEFAULT_sRGB);
    png_set_bgr(r.png);
    header.passes = png_set_interlace_handling(r.png);
    png_read_update_info(r.png, r.info);
    return png_get_rowbytes(r.png, r.info) == static_cast<png_size_t>(header.width) * 4;
}

// Where the decoded rows go: blended or premultiplied, then scaled into the picture.
class RowSink {
public:
    RowSink(BoardImage& target, std::int32_t width, std::int32_t height, const BoardDecodeOptions& options,
            PngAlpha alpha)
        : target_(target), scaler_(width, height, target, options.quality), alpha_(alpha),
          same_size_(target.width == width && target.height == height), row_(static_cast<std::size_t>(width) * 4) {
        if (alpha_ == PngAlpha::KeepStraight && !same_size_) alpha_ = PngAlpha::KeepTransparency;
        if (alpha_ == PngAlpha::BlendWithBackground) {
            const std::uint8_t background[3] = {options.background.blue, options.background.green,
                                                options.background.red};
            for (int c = 0; c < 3; ++c) BuildBlendTable(background[c], blend_[c]);
        }
    }

    void Take(const std::uint8_t* bgra) {
        std::uint8_t* out = same_size_ ? target_.Row(next_row_++) : row_.data();
        const std::size_t count = row_.size() / 4;
        for (std::size_t x = 0; x < count; ++x, bgra += 4, out += 4) {
            const unsigned a = bgra[3];
            if (a == 255 || alpha_ == PngAlpha::KeepStraight) {
                std::memcpy(out, bgra, 4);
            } else if (alpha_ == PngAlpha::BlendWithBackground) {
                for (int c = 0; c < 3; ++c) out[c] = blend_[c][a * 256 + bgra[c]];
                out[3] = 255;
            } else {
                for (int c = 0; c < 3; ++c) out[c] = static_cast<std::uint8_t>((bgra[c] * a + 127) / 255);
                out[3] = static_cast<std::uint8_t>(a);
            }
        }
        if (!same_size_) scaler_.AddRow(row_.data());
    }

private:
    // Each colour becomes alpha/255 of itself and the rest of the background, in double
    // precision with the fraction dropped: the platform's blend, kept exactly.
    static void BuildBlendTable(std::uint8_t background, std::vector<std::uint8_t>& table) {
        table.resize(256 * 256);
        for (int a = 0; a < 256; ++a) {
            const double coverage = a * (1.0 / 255);
            for (int v = 0; v < 256; ++v) {
                const double blended = coverage * v + (1 - coverage) * background;
                table[a * 256 + v] = static_cast<std::uint8_t>(std::clamp(static_cast<int>(blended), 0, 255));
            }
        }
    }

    BoardImage& target_;
    RowScaler scaler_;
    PngAlpha alpha_;
    bool same_size_;
    std::int32_t next_row_ = 0;
    std::vector<std::uint8_t> row_;
    std::array<std::vector<std::uint8_t>, 3> blend_;
};

// An interlaced picture arrives in passes over the whole image, so it is gathered whole
// (bounded by the pixel limit) before its rows go on.
bool ReadRows(Reader& r, const Header& header, std::vector<std::uint8_t>& buffer, RowSink& sink) {
    if (setjmp(png_jmpbuf(r.png)) != 0) return false;
    const std::size_t stride = static_cast<std::size_t>(header.width) * 4;
    if (header.passes == 1) {
        for (png_uint_32 y = 0; y < header.height; ++y) {
            png_read_row(r.png, buffer.data(), nullptr);
            sink.Take(buffer.data());
        }
    } else {
        for (int pass = 0; pass < header.passes; ++pass)
            for (png_uint_32 y = 0; y < header.height; ++y) png_read_row(r.png, buffer.data() + y * stride, nullptr);
        for (png_uint_32 y = 0; y < header.height; ++y) sink.Take(buffer.data() + y * stride);
    }
    png_read_end(r.png, nullptr);
    return true;
}

}  // namespace

std::optional<BoardPicture> DecodePng(ByteSource& source, const BoardDecodeOptions& options, PngAlpha alpha) {
    Reader reader;
    reader.source = &source;
    Header header;
    if (!ReadHeader(reader, header)) return std::nullopt;
    if (!WithinPixelLimit(header.width, header.height, options.max_pixels)) return std::nullopt;
    const auto width = static_cast<std::int32_t>(header.width);
    const auto height = static_cast<std::int32_t>(header.height);

    BoardPicture picture;
    picture.kind = BoardPictureKind::Png;
    picture.width = width;
    picture.height = height;
    const DrawnSize drawn = ReducedSize(width, height, options);
    picture.pixels = BoardImage(drawn.width, drawn.height);
    std::vector<std::uint8_t> buffer(static_cast<std::size_t>(header.width) * 4 *
                                     (header.passes == 1 ? 1 : header.height));
    RowSink sink(picture.pixels, width, height, options, alpha);
    if (!ReadRows(reader, header, buffer, sink)) return std::nullopt;
    return picture;
}

}  // namespace icoforge::board_detail
