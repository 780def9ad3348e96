// JPEG through libjpeg from memory, reduced by its DCT scaling when the board is small.
#include <csetjmp>
#include <cstdio>
#include <memory>
#include <vector>

#include <jpeglib.h>
#include <jerror.h>

#include "app/board/board_decoders.h"
#include "imageconv/jpeg_library.h"

namespace icoforge::board_detail {
namespace {

// EXIF lives in an APP1 marker, whose length field allows at most this much.
constexpr int kExifMarker = JPEG_APP0 + 1;
constexpr unsigned kLargestMarker = 0xFFFF;

// Feeds libjpeg from a ByteSource a piece at a time.
struct SourceManager {
    jpeg_source_mgr base;  // first, so libjpeg's pointer to it is a pointer to the whole
    ByteSource* source = nullptr;
    std::uint8_t buffer[1 << 16];
};

void InitSource(j_decompress_ptr) {}
void TermSource(j_decompress_ptr) {}

boolean FillInputBuffer(j_decompress_ptr cinfo) {
    auto* manager = reinterpret_cast<SourceManager*>(cinfo->src);
    std::size_t got = manager->source->Read(manager->buffer, sizeof manager->buffer);
    if (got == 0) {
        // A file cut short ends in a made-up end marker, as libjpeg's own sources do: what
        // was decoded is kept, the rest is grey.
        WARNMS(cinfo, JWRN_JPEG_EOF);
        manager->buffer[0] = 0xFF;
        manager->buffer[1] = JPEG_EOI;
        got = 2;
    }
    manager->base.next_input_byte = manager->buffer;
    manager->base.bytes_in_buffer = got;
    return TRUE;
}

void SkipInputData(j_decompress_ptr cinfo, long count) {
    jpeg_source_mgr* src = cinfo->src;
    if (count <= 0) return;
    while (count > static_cast<long>(src->bytes_in_buffer)) {
        count -= static_cast<long>(src->bytes_in_buffer);
        FillInputBuffer(cinfo);
    }
    src->next_input_byte += count;
    src->bytes_in_buffer -= static_cast<std::size_t>(count);
}

// A libjpeg error leaves the next three functions through longjmp, so nothing in their
// frames may have a destructor.
bool ReadHeader(JpegDecompressor& d, SourceManager& manager) {
    d.ResetErrors();
    if (setjmp(d.errors.recovery) != 0) return false;
    jpeg_create_decompress(&d.cinfo);
    d.created = true;
    LimitJpegWork(d.cinfo, d.progress);
    manager.base.init_source = InitSource;
    manager.base.fill_input_buffer = FillInputBuffer;
    manager.base.skip_input_data = SkipInputData;
    manager.base.resync_to_restart = jpeg_resync_to_restart;
    manager.base.term_source = TermSource;
    manager.base.bytes_in_buffer = 0;
    manager.base.next_input_byte = nullptr;
    d.cinfo.src = &manager.base;
    jpeg_save_markers(&d.cinfo, kExifMarker, kLargestMarker);
    return jpeg_read_header(&d.cinfo, TRUE) == JPEG_HEADER_OK;
}

bool StartDecompress(JpegDecompressor& d, unsigned eighths, J_COLOR_SPACE output) {
    d.ResetErrors();
    if (setjmp(d.errors.recovery) != 0) return false;
    d.cinfo.scale_num = eighths;
    d.cinfo.scale_denom = 8;
    d.cinfo.out_color_space = output;
    return jpeg_start_decompress(&d.cinfo) == TRUE;
}

bool ReadScanline(JpegDecompressor& d, std::uint8_t* row) {
    d.ResetErrors();
    if (setjmp(d.errors.recovery) != 0) return false;
    JSAMPROW rows[1] = {row};
    return jpeg_read_scanlines(&d.cinfo, rows, 1) == 1;
}

// The smallest DCT scale (in eighths) at which the picture still covers the drawn size.
// libjpeg rounds a scaled size up, making its last pixel a part of one that the scaling
// afterwards takes as whole; that shifts the picture by up to a pixel, so a scale whose
// size is not whole is used only where a drawn pixel spans four or more scaled ones.
unsigned CoveringScale(std::uint64_t width, std::uint64_t height, DrawnSize drawn) {
    constexpr std::uint64_t kOversampling = 4;
    const std::uint64_t w = static_cast<std::uint64_t>(drawn.width);
    const std::uint64_t h = static_cast<std::uint64_t>(drawn.height);
    for (unsigned eighths = 1; eighths < 8; ++eighths) {
        const bool covers = width * eighths >= 8 * w && height * eighths >= 8 * h;
        const bool whole = (width * eighths) % 8 == 0 && (height * eighths) % 8 == 0;
        const bool fine = width * eighths >= 8 * kOversampling * w && height * eighths >= 8 * kOversampling * h;
        if (covers && (whole || fine)) return eighths;
    }
    return 8;
}

// CMYK as print workflows write it, to the red, green and blue every viewer shows. Adobe's
// files store the inks inverted (255 is no ink); files without its marker do not.
void CmykRowToBgra(const std::uint8_t* cmyk, std::uint8_t* bgra, std::size_t width, bool inverted) {
    for (std::size_t x = 0; x < width; ++x, cmyk += 4, bgra += 4) {
        const unsigned c = inverted ? cmyk[0] : 255u - cmyk[0];
        const unsigned m = inverted ? cmyk[1] : 255u - cmyk[1];
        const unsigned y = inverted ? cmyk[2] : 255u - cmyk[2];
        const unsigned k = inverted ? cmyk[3] : 255u - cmyk[3];
        bgra[0] = static_cast<std::uint8_t>((y * k + 127) / 255);
        bgra[1] = static_cast<std::uint8_t>((m * k + 127) / 255);
        bgra[2] = static_cast<std::uint8_t>((c * k + 127) / 255);
        bgra[3] = 255;
    }
}

}  // namespace

std::optional<BoardPicture> DecodeJpeg(ByteSource& source, const BoardDecodeOptions& options) {
    // Declared before the decompressor, so that it outlives it.
    auto manager = std::make_unique<SourceManager>();
    manager->source = &source;
    JpegDecompressor d;
    if (!ReadHeader(d, *manager)) return std::nullopt;
    const std::uint64_t width = d.cinfo.image_width;
    const std::uint64_t height = d.cinfo.image_height;
    if (!WithinPixelLimit(width, height, options.max_pixels)) return std::nullopt;

    J_COLOR_SPACE output = JCS_EXT_BGRA;
    switch (d.cinfo.jpeg_color_space) {
        case JCS_GRAYSCALE:
        case JCS_YCbCr:
        case JCS_RGB: break;
        case JCS_CMYK:
        case JCS_YCCK: output = JCS_CMYK; break;
        default: return std::nullopt;  // a component layout nobody defines colours for
    }
    const DrawnSize drawn =
        ReducedSize(static_cast<std::int32_t>(width), static_cast<std::int32_t>(height), options);
    if (!StartDecompress(d, CoveringScale(width, height, drawn), output)) return std::nullopt;
    if (d.cinfo.output_width < 1 || d.cinfo.output_height < 1 || d.cinfo.output_components != 4)
        return std::nullopt;

    BoardPicture picture;
    picture.kind = BoardPictureKind::Jpeg;
    // The first EXIF block counts, as in every viewer; XMP uses the same marker.
    for (jpeg_saved_marker_ptr m = d.cinfo.marker_list; m != nullptr; m = m->next) {
        const ByteView payload(m->data, m->data_length);
        if (m->marker != kExifMarker || !IsExif(payload)) continue;
        picture.orientation = OrientationOfExif(payload);
        break;
    }
    picture.width = static_cast<std::int32_t>(width);
    picture.height = static_cast<std::int32_t>(height);
    picture.pixels = BoardImage(static_cast<std::int32_t>(d.cinfo.output_width),
                                static_cast<std::int32_t>(d.cinfo.output_height));
    std::vector<std::uint8_t> cmyk;
    if (output == JCS_CMYK) cmyk.resize(static_cast<std::size_t>(d.cinfo.output_width) * 4);
    const bool inverted = d.cinfo.saw_Adobe_marker != 0;
    for (std::int32_t y = 0; y < picture.pixels.height; ++y) {
        std::uint8_t* row = picture.pixels.Row(y);
        if (!ReadScanline(d, output == JCS_CMYK ? cmyk.data() : row)) return std::nullopt;
        if (output == JCS_CMYK) CmykRowToBgra(cmyk.data(), row, cmyk.size() / 4, inverted);
    }
    // The rest of the stream is not needed; destroying the decompressor discards it.
    return picture;
}

}  // namespace icoforge::board_detail
