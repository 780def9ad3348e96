#include "imageconv/png_decoder.h"

#include <csetjmp>
#include <cstdio>
#include <limits>

#include <png.h>

#include "common/checked_size.h"
#include "common/png_session.h"

namespace icoforge {
namespace {

constexpr double kScreenGamma = 2.2;
constexpr double kDefaultFileGamma = 0.45455;
constexpr int kMaxBitDepth = 8;

// libpng's own ceiling on width and height; the pixel limit is the real bound, checked
// before any row is allocated.
constexpr png_uint_32 kMaxPngSide = static_cast<png_uint_32>(kMaxPicturePixels);
// The most one ancillary chunk may make libpng allocate. Colour profiles, the largest of
// them, stay well below; a header that claims a gigabyte of text is refused.
constexpr png_alloc_size_t kMaxPngChunkBytes = 8u << 20;
// How many text, palette-suggestion and unknown chunks libpng keeps at most.
constexpr png_uint_32 kMaxPngCachedChunks = 64;
// Chunks that cannot change a pixel of the result: libpng skips them unread.
constexpr png_byte kIgnoredChunks[] = {'b', 'K', 'G', 'D', '\0', 'e', 'X', 'I', 'f', '\0', 'h', 'I', 'S', 'T', '\0',
                                       'i', 'T', 'X', 't', '\0', 'o', 'F', 'F', 's', '\0', 'p', 'C', 'A', 'L', '\0',
                                       'p', 'H', 'Y', 's', '\0', 's', 'B', 'I', 'T', '\0', 's', 'C', 'A', 'L', '\0',
                                       's', 'P', 'L', 'T', '\0', 't', 'E', 'X', 't', '\0', 't', 'I', 'M', 'E', '\0',
                                       'z', 'T', 'X', 't', '\0'};
constexpr int kIgnoredChunkCount = sizeof kIgnoredChunks / 5;
// Deflate turns two bits into at most 258 bytes; stored rows beyond that many times the
// file's size cannot be in it.
constexpr std::uint64_t kMaxDeflateExpansion = 1032;

[[noreturn]] void ErrorFn(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void WarningFn(png_structp, png_const_charp) {}

// A short read is an error too: libpng would otherwise decode whatever its buffer held.
void ReadFn(png_structp png, png_bytep data, png_size_t length) {
    auto* file = static_cast<std::FILE*>(png_get_io_ptr(png));
    if (length == 0) return;
    if (std::fread(data, 1, length, file) != length) png_error(png, "reading png image error");
}

struct Header {
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    int bit_depth = 0;
    int colour_type = 0;
    int interlace = 0;
    std::uint64_t stored_row_bytes = 0;
};

}  // namespace

struct PngDecoder::Session : PngReadSession {};

namespace {

// libpng errors leave the next two functions through longjmp: nothing in their frames
// may have a destructor.
bool ReadHeader(PngDecoder::Session& s, std::FILE* file, Header& header) {
    if (setjmp(png_jmpbuf(s.png)) != 0) return false;
    png_set_user_limits(s.png, kMaxPngSide, kMaxPngSide);
    png_set_chunk_malloc_max(s.png, kMaxPngChunkBytes);
    png_set_chunk_cache_max(s.png, kMaxPngCachedChunks);
    png_set_keep_unknown_chunks(s.png, PNG_HANDLE_CHUNK_NEVER, nullptr, 0);
    png_set_keep_unknown_chunks(s.png, PNG_HANDLE_CHUNK_NEVER, kIgnoredChunks, kIgnoredChunkCount);
    png_set_read_fn(s.png, file, ReadFn);
    png_read_info(s.png, s.info);
    int compression = 0;
    int filter = 0;
    png_get_IHDR(s.png, s.info, &header.width, &header.height, &header.bit_depth, &header.colour_type,
                 &header.interlace, &compression, &filter);
    if (header.bit_depth > kMaxBitDepth) return false;
    header.stored_row_bytes = png_get_rowbytes(s.png, s.info);
    png_set_packing(s.png);
    if (header.colour_type == PNG_COLOR_TYPE_GRAY || header.colour_type == PNG_COLOR_TYPE_GRAY_ALPHA) {
        if (header.bit_depth < 8) png_set_expand(s.png);
        // Grey with alpha, and low-depth grey whose tRNS the expansion turns into alpha,
        // would deliver two bytes a pixel into one-byte rows.
        png_set_strip_alpha(s.png);
    }
    return true;
}

bool ReadRows(PngDecoder::Session& s, RasterImage& image) {
    if (setjmp(png_jmpbuf(s.png)) != 0) return false;
    double file_gamma = kDefaultFileGamma;
    int srgb_intent = 0;
    if (png_get_sRGB(s.png, s.info, &srgb_intent) == 0 && png_get_gAMA(s.png, s.info, &file_gamma) == 0)
        file_gamma = kDefaultFileGamma;
    png_set_gamma(s.png, kScreenGamma, file_gamma);
    png_set_swap_alpha(s.png);
    const int passes = png_set_interlace_handling(s.png);
    png_read_update_info(s.png, s.info);
    // Whatever the transformations make of the file, a row must fit the image row exactly.
    if (png_get_rowbytes(s.png, s.info) != image.stride()) png_error(s.png, "row size");
    if (image.palette_size() > 0) {
        // Taken after the update, so the palette carries the same gamma correction as the
        // pixels of a colour file.
        png_colorp palette = nullptr;
        int count = 0;
        if (png_get_PLTE(s.png, s.info, &palette, &count) == 0 || count != image.palette_size())
            png_error(s.png, "palette");
        for (int i = 0; i < count; ++i) image.palette()[i] = {palette[i].red, palette[i].green, palette[i].blue};
    }
    for (int pass = 0; pass < passes; ++pass) {
        for (std::int32_t y = 0; y < image.height(); ++y) {
            png_bytep row = image.Row(y).data();
            png_read_rows(s.png, &row, nullptr, 1);
        }
    }
    png_read_end(s.png, nullptr);
    return true;
}

}  // namespace

PngDecoder::PngDecoder() = default;
PngDecoder::~PngDecoder() { Close(); }

bool PngDecoder::Open(std::string_view path, RasterImage& image) {
    if (!OpenFile(path)) return false;
    session_ = std::make_unique<Session>();
    session_->png = png_create_read_struct(PNG_LIBPNG_VER_STRING, file_.get(), ErrorFn, WarningFn);
    if (session_->png == nullptr) return Close(), false;
    session_->info = png_create_info_struct(session_->png);
    if (session_->info == nullptr) return Close(), false;
    Header header;
    if (!ReadHeader(*session_, file_.get(), header)) return Close(), false;
    std::int32_t bits = 0;
    switch (header.colour_type) {
    case PNG_COLOR_TYPE_PALETTE: {
        png_colorp palette = nullptr;
        int count = 0;
        if (png_get_PLTE(session_->png, session_->info, &palette, &count) == 0) return Close(), false;
        bits = 8;
        palette_size_ = count;
        break;
    }
    case PNG_COLOR_TYPE_RGB:
        bits = 24;
        break;
    case PNG_COLOR_TYPE_RGB_ALPHA:
        bits = 32;
        break;
    case PNG_COLOR_TYPE_GRAY:
    case PNG_COLOR_TYPE_GRAY_ALPHA:
        bits = 8;
        break;
    default:
        return Close(), false;
    }
    Accept(image, header.width, header.height, bits);
    stored_row_bytes_ = header.stored_row_bytes;
    return true;
}

bool PngDecoder::Decode() {
    if (!session_ || image_ == nullptr) return false;
    if (palette_size_ > kMaxPaletteSize) return false;
    if (!FitsInt32(width_) || !FitsInt32(height_) || ExceedsPixelLimit()) return false;
    const auto stored_bytes = CheckedMul(stored_row_bytes_, height_);
    const auto most_inflated = CheckedMul(file_size_, kMaxDeflateExpansion);
    if (!stored_bytes || (most_inflated && *stored_bytes > *most_inflated)) return false;
    const auto w = static_cast<std::int32_t>(width_);
    const auto h = static_cast<std::int32_t>(height_);
    if (image_->width() != w || image_->height() != h || image_->bits_per_pixel() != bits_per_pixel_ ||
        image_->palette_size() != palette_size_) {
        if (!image_->Create(w, h, bits_per_pixel_, palette_size_)) return false;
    }
    if (!ReadRows(*session_, *image_)) return false;
    image_->FlushPixels();
    return true;
}

void PngDecoder::Close() {
    session_.reset();
    CloseFile();
    palette_size_ = 0;
    stored_row_bytes_ = 0;
}

}  // namespace icoforge
