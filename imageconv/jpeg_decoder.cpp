#include "imageconv/jpeg_decoder.h"

#include <csetjmp>
#include <cstdio>
#include <limits>

#include "common/checked_size.h"
#include "imageconv/jpeg_library.h"

namespace icoforge {
namespace {

constexpr std::uint8_t kStartOfImage[] = {0xFF, 0xD8};

// Each block of a component that the first scan covers costs that scan at least one bit of
// Huffman code, however plain the block. A file with fewer bits than that cannot hold the
// picture its frame header declares. Arithmetic coding has no such floor, nor has a
// progressive file that (against the standard, but decodable) starts with AC coefficients,
// which code thousands of empty blocks in one run; only the pixel limit bounds those.
bool FirstScanFits(const jpeg_decompress_struct& cinfo, std::uint64_t file_size) {
    if (cinfo.arith_code || cinfo.Ss != 0) return true;
    std::uint64_t blocks = 0;
    for (int i = 0; i < cinfo.comps_in_scan; ++i) {
        const jpeg_component_info* component = cinfo.cur_comp_info[i];
        blocks += static_cast<std::uint64_t>(component->width_in_blocks) * component->height_in_blocks;
    }
    return blocks / 8 <= file_size;
}

}  // namespace

// Owns the decompressor for as long as the decoder is open.
struct JpegDecoder::Session : JpegDecompressor {};

namespace {

// A libjpeg error leaves these three functions through longjmp, so nothing in their
// frames may have a destructor.
bool ReadHeader(JpegDecoder::Session& s, std::FILE* file) {
    s.ResetErrors();
    if (setjmp(s.errors.recovery) != 0) return false;
    jpeg_create_decompress(&s.cinfo);
    s.created = true;
    LimitJpegWork(s.cinfo, s.progress);
    jpeg_stdio_src(&s.cinfo, file);
    if (jpeg_read_header(&s.cinfo, TRUE) != JPEG_HEADER_OK) return false;
    // The output size and components, without allocating anything for the picture yet.
    jpeg_calc_output_dimensions(&s.cinfo);
    return true;
}

bool StartDecompress(JpegDecoder::Session& s) {
    s.ResetErrors();
    if (setjmp(s.errors.recovery) != 0) return false;
    return jpeg_start_decompress(&s.cinfo) == TRUE;
}

bool ReadScanlines(JpegDecoder::Session& s, RasterImage& image) {
    s.ResetErrors();
    if (setjmp(s.errors.recovery) != 0) return false;
    while (s.cinfo.output_scanline < s.cinfo.output_height) {
        JSAMPROW row = image.Row(static_cast<std::int32_t>(s.cinfo.output_scanline)).data();
        if (row == nullptr || jpeg_read_scanlines(&s.cinfo, &row, 1) != 1) return false;
    }
    return true;
}

}  // namespace

JpegDecoder::JpegDecoder() = default;
JpegDecoder::~JpegDecoder() { Close(); }

bool JpegDecoder::Open(std::string_view path, RasterImage& image) {
    if (!OpenFile(path)) return false;
    std::uint8_t marker[sizeof kStartOfImage] = {};
    if (std::fread(marker, 1, sizeof marker, file_.get()) != sizeof marker || marker[0] != kStartOfImage[0] ||
        marker[1] != kStartOfImage[1] || !SeekStdioFile(file_.get(), 0))
        return Close(), false;
    session_ = std::make_unique<Session>();
    if (!ReadHeader(*session_, file_.get())) return Close(), false;
    const jpeg_decompress_struct& cinfo = session_->cinfo;
    if (cinfo.output_width < 1 || cinfo.output_height < 1) return Close(), false;
    if (cinfo.output_components != 1 && cinfo.output_components != 3) return Close(), false;
    Accept(image, cinfo.output_width, cinfo.output_height, cinfo.output_components == 3 ? 24 : 8);
    return true;
}

bool JpegDecoder::Decode() {
    if (!session_ || !session_->created || image_ == nullptr) return false;
    if (!FitsInt32(width_) || !FitsInt32(height_) || ExceedsPixelLimit()) return false;
    if (!FirstScanFits(session_->cinfo, file_size_)) return false;
    // Starting allocates the library's buffers; a progressive file is read whole here.
    if (!StartDecompress(*session_)) return false;
    if (session_->cinfo.output_width != width_ || session_->cinfo.output_height != height_) return false;
    if (!image_->Create(static_cast<std::int32_t>(width_), static_cast<std::int32_t>(height_), bits_per_pixel_, 0))
        return false;
    if (!ReadScanlines(*session_, *image_)) return false;
    image_->FlushPixels();
    return true;
}

void JpegDecoder::Close() {
    session_.reset();  // the decompressor goes before the file it reads from
    CloseFile();
}

}  // namespace icoforge
